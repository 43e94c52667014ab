// Replies of every list and page call: the JSON document's "data" goes to every reader, which
// must read whatever arrives without failing.
#include "client/ReplyReaders.h"
#include "fuzz/FuzzSupport.h"

#include <QJsonObject>

#include <cmath>

namespace {

void readMessages(const QJsonValue &data, DMsgType type)
{
    const MessageListReply page = readMessagePage(data, type);
    for (const DMsg &m : page.messages) {
        fuzzCheck(m.type == type, "a message has the kind asked for");
        fuzzCheck(m.state == DMsgUnread || m.state == DMsgRead || m.state == DMsgDeleted,
                  "a message's state is one the message centre knows");
    }
}

// Whether the member is there as an empty string: the one way to an empty text where the
// reader has a default.
bool givesEmptyText(const QJsonObject &o, const char *member)
{
    const QJsonValue value = o.value(QLatin1String(member));
    return value.isString() && value.toString().isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonValue value = fuzzReplyData(fuzzBytes(data, size));
    const bool page = isPageData(value);
    const bool list = isListData(value);
    fuzzCheck(!(page && list), "data is a page or a list, never both");

    const DomainPage domains = readDomainPage(value);
    fuzzCheck(value.isObject() || domains.domains.isEmpty(), "domains come from an object only");
    const RecordListReply records = readRecordPage(value);
    fuzzCheck(value.isObject() || records.records.isEmpty(), "records come from an object only");
    for (const Record &r : records.records)
        fuzzCheck(r.lineID == r.viewID && r.domain == nullptr, "a record as read has no domain");
    const QList<Group> groups = readGroupList(value);
    fuzzCheck(value.isArray() || groups.isEmpty(), "groups come from an array only");

    readMessages(value, DMsgPublic0);
    readMessages(value, DMsgPublic1);
    readMessages(value, DMsgInform);

    const QString home = QStringLiteral("https://www.halvik.example/download");
    const AppInfo info = readAppInfo(value, home);
    const QJsonObject app = value.toObject();
    fuzzCheck(std::isfinite(info.versionCode), "a version code is a number");
    fuzzCheck(!info.versionName.isEmpty() || givesEmptyText(app, "version_name"),
              "a version has a name unless the reply gives an empty one");
    fuzzCheck(!info.downloadUrl.isEmpty() || givesEmptyText(app, "downurl"),
              "a download address unless the reply gives an empty one");
    return 0;
}
