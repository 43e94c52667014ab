#include "client/WholeRecordList.h"

#include "client/ReplyEnvelope.h"
#include "client/ReplyReaders.h"
#include "client/User.h"

namespace {

constexpr int kRecordPageSize = 999;

ApiParams pageParams(int domainID, int page)
{
    ApiParams params;
    params.insert("domainID", QString::number(domainID));
    params.insert("pageSize", QString::number(kRecordPageSize));
    params.insert("page", QString::number(page));
    return params;
}

} // namespace

void readWholeRecordListNext(User &user, int domainID)
{
    user.readNext(user.paths.recordList, pageParams(domainID, 1));
}

bool readWholeRecordList(User &user, const Domain &dm, QList<Record> &records, bool quiet)
{
    // What is needed of dm, held apart: waiting for a page, a window may reload the list that
    // dm lives in.
    const QString name = dm.name;
    const QList<View> views = dm.views;
    records.clear();
    for (int page = 1;; ++page) {
        const ApiParams params = pageParams(dm.id, page);
        QJsonValue data;
        user.errorText.clear();
        if (!user.doAPI(user.paths.recordList, params, data, true, nullptr, nullptr, quiet))
            return false;
        if (!isPageData(data)) {
            user.errorText = unreadableReplyText();
            if (!quiet)
                User::showMsgBox(user.errorText);
            return false;
        }
        RecordListReply reply = readRecordPage(data);
        for (Record &r : reply.records) {
            r.view = user.getVID2V(views, r.lineID);
            r.viewName = r.view.viewName.isEmpty() ? QStringLiteral("未知") : r.view.viewName;
            r.domainName = name;
            records.append(std::move(r));
        }
        if (records.size() >= reply.recordCount)
            return true;
        if (reply.records.isEmpty()) {
            // The pages ended before the count: whatever needs the whole list would be wrong.
            user.errorText = QStringLiteral("记录未读全：共 %1 条，只读到 %2 条")
                                 .arg(reply.recordCount)
                                 .arg(records.size());
            return false;
        }
    }
}
