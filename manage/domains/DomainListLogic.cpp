#include "manage/domains/DomainListLogic.h"

#include "client/DomainFilter.h"

#include <algorithm>

RowButtonLook lockButtonLook(const Domain &dm)
{
    if (dm.userLock == 0)
        return {QStringLiteral(" 点击锁定"), QStringLiteral("jiesuo.png")};
    return {QStringLiteral(" 点击解锁"), QStringLiteral("suoding.png")};
}

RowButtonLook pauseButtonLook(const Domain &dm)
{
    if (dm.state == 0)
        return {QStringLiteral(" 点击暂停"), QStringLiteral("qiyong.png")};
    return {QStringLiteral(" 点击启用"), QStringLiteral("zanting.png")};
}

RowButtonLook deleteButtonLook()
{
    return {QStringLiteral(" 点击删除"), QStringLiteral("shanchu.png")};
}

int countMatches(const DomainList &domains, int groupId, const QString &search)
{
    return int(std::count_if(domains.begin(), domains.end(), [&](const Domain &dm) {
        return domainMatchesFilter(dm, groupId, search);
    }));
}

bool anyMatch(const DomainList &domains, int groupId, const QString &search)
{
    return std::any_of(domains.begin(), domains.end(),
                       [&](const Domain &dm) { return domainMatchesFilter(dm, groupId, search); });
}

int domainIndexById(const DomainList &domains, int id)
{
    for (int i = 0; i < domains.size(); ++i) {
        if (domains.at(i).id == id)
            return i;
    }
    return -1;
}

QString domainListTitle(const QString &groupName, int count)
{
    const QString name = groupName.isEmpty() ? QStringLiteral("全部域名") : groupName;
    return QStringLiteral("%1(%2)").arg(name).arg(count);
}

bool shouldGrowTable(int scrollMax, int scrollValue, int pageStep, int matchCount)
{
    return scrollMax - scrollValue < 10 && scrollMax + pageStep < matchCount;
}

int growthTarget(int scrollMax, int pageStep, int rowCount)
{
    return std::max(scrollMax + 25, rowCount + pageStep);
}

QString pauseSuccessLine(const QString &name, bool pause)
{
    return name + (pause ? QStringLiteral(" 暂停成功") : QStringLiteral(" 启用成功"));
}

QString pauseFailureLine(const QString &name, bool locked, const QString &error)
{
    return name + QStringLiteral(" : ") + (locked ? QStringLiteral("域名锁定中 ") + error : error);
}

QString lockFailureLine(const QString &name, const QString &error)
{
    return name + QLatin1Char(' ') + error;
}

QString moveSuccessLine(const QString &name)
{
    return name + QStringLiteral(" 操作成功");
}

QString moveFailureLine(const QString &name, const QString &error)
{
    return name + QStringLiteral(" : ") + error;
}

BulkReport bulkReportFor(int failures)
{
    if (failures <= 0)
        return BulkReport::Toast;
    return failures <= 5 ? BulkReport::MessageBox : BulkReport::ResultPage;
}

QString bulkFailureBoxText(const QStringList &failures)
{
    QString text = QStringLiteral("以下域名操作失败：");
    for (const QString &line : failures)
        text += QLatin1Char('\n') + line;
    return text;
}
