// The service's line list: read from the reply, then filtered by every area type it names and
// searched for every line id it holds, as the record editors do.
#include "client/LineList.h"
#include "fuzz/FuzzSupport.h"

#include <QStringList>

namespace {

void checkFilter(const QList<View> &all, const QString &viewTypeStr)
{
    const QStringList allowed = viewTypeStr.split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QList<View> lines = filterViewsByType(all, viewTypeStr);
    for (const View &v : lines) {
        fuzzCheck(v.subViews.isEmpty(), "a filtered list is flat");
        fuzzCheck(allowed.contains(QString::number(v.areaType)), "a filtered line is allowed");
    }
    if (!lines.isEmpty())
        fuzzCheck(findView(lines, lines.last().viewID).viewID == lines.last().viewID,
                  "a filtered line is found");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<View> all = readAllViews(fuzzReplyData(fuzzBytes(data, size)));

    QStringList types;
    for (const View &top : all) {
        fuzzCheck(findView(all, top.viewID).viewID == top.viewID, "a line is found by its id");
        types.append(QString::number(top.areaType));
        for (const View &sub : top.subViews) {
            fuzzCheck(sub.subViews.isEmpty(), "a sub-line has no sub-lines");
            fuzzCheck(findView(all, sub.viewID).viewID == sub.viewID, "a sub-line is found");
            types.append(QString::number(sub.areaType));
        }
    }
    types.removeDuplicates();
    for (const QString &type : types)
        checkFilter(all, type);
    checkFilter(all, types.join(QLatin1Char(',')));
    checkFilter(all, QStringLiteral("1,2,3"));

    const View none = findView(all, kAbsent);
    fuzzCheck(none.viewID == kAbsent || none.viewID == 0, "a missing line is the empty one");
    return 0;
}
