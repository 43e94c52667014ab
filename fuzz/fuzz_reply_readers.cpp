// Replies of every list and page call: the JSON document's "data" goes to every reader, which
// must read whatever arrives without failing.
#include "FuzzSupport.h"
#include "ReplyReaders.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonValue value = fuzzReplyData(fuzzBytes(data, size));
    const bool page = isPageData(value);
    const bool list = isListData(value);
    fuzzCheck(!(page && list), "data is a page or a list, never both");

    const DomainPage domains = readDomainPage(value);
    fuzzCheck(page || domains.domains.isEmpty(), "domains come from a page only");
    const RecordListReply records = readRecordPage(value);
    fuzzCheck(page || records.records.isEmpty(), "records come from a page only");
    for (const Record &r : records.records)
        fuzzCheck(r.lineID == r.viewID && r.domain == nullptr, "a record as read has no domain");
    const QList<Group> groups = readGroupList(value);
    fuzzCheck(list || groups.isEmpty(), "groups come from a list only");

    readMessages(value, DMsgPublic0);
    readMessages(value, DMsgPublic1);
    readMessages(value, DMsgInform);

    const QString home = QStringLiteral("https://www.halvik.example/download");
    const AppInfo info = readAppInfo(value, home);
    fuzzCheck(!info.versionName.isNull(), "a version always has a name");
    return 0;
}
