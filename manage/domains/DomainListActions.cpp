// The domain list page's actions on one row and on the checked rows.

#include "client/DomainFilter.h"
#include "client/User.h"
#include "client/journal/JobSteps.h"
#include "manage/domains/DomainListLogic.h"
#include "manage/domains/DomainListPage.h"
#include "manage/domains/DomainTableRow.h"
#include "manage/shared/PageJournal.h"
#include "manage/shared/PageShell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QTableWidget>

// --- One row --------------------------------------------------------------------------------

void DomainListPage::openRecords(const QSharedPointer<Domain> &dm)
{
    m_window.showRecords(dm);
}

void DomainListPage::applyChange(const QSharedPointer<Domain> &dm,
                                 const std::function<void(Domain &)> &change)
{
    change(*dm);
    const DomainList &domains = user().domains;
    const int i = domainIndexById(domains, dm->id);
    if (i >= 0 && &domains.at(i) != dm.data())
        change(domains.at(i));
}

bool DomainListPage::refuseLocked(const Domain &dm)
{
    if (dm.userLock == 0)
        return false;
    User::showMsgBox(dm.name + QStringLiteral("<br/>该域名锁定中,请先解锁"),
                     QStringLiteral("锁定中"), 1);
    return true;
}

DomainListPage::DomainAction DomainListPage::lockAction(bool lock)
{
    return {lock ? QStringLiteral("锁定") : QStringLiteral("解锁"),
            lock ? StepOps::DomainLock : StepOps::DomainUnlock,
            [lock](Domain &d) { d.userLock = lock ? 1 : 0; }};
}

DomainListPage::DomainAction DomainListPage::pauseAction(bool pause)
{
    return {pause ? QStringLiteral("暂停") : QStringLiteral("启用"),
            pause ? StepOps::DomainPause : StepOps::DomainStart,
            [pause](Domain &d) { d.state = pause ? 1 : 0; }};
}

void DomainListPage::runDomainAction(const QSharedPointer<Domain> &dm, const DomainAction &action)
{
    User &u = user();
    PageJournal journal;
    if (!journal.begin(u, QStringLiteral("domain"),
                       QStringLiteral("%1 %2").arg(action.verb, dm->name)))
        return;
    const QString status = journal.send(*dm, domainStep(action.stepOp, *dm));
    journal.finish();
    if (status.isEmpty())
        return;
    const bool done = status == StepStatus::Done;
    if (done) {
        applyChange(dm, action.change);
        showToast(action.verb + QStringLiteral("成功"));
    } else {
        User::showMsgBox(action.verb + QStringLiteral("失败 ") + u.errorText);
    }
    updateDomainRow(*dm, false);
}

void DomainListPage::lockClicked(const QSharedPointer<Domain> &dm)
{
    runDomainAction(dm, lockAction(dm->userLock == 0));
}

void DomainListPage::pauseClicked(const QSharedPointer<Domain> &dm)
{
    if (refuseLocked(*dm))
        return;
    const bool pause = dm->state == 0;
    if (pause && !User::showMsgBox(dm->name + QStringLiteral("<br/>确定暂停该域名吗？"),
                                   QStringLiteral("暂停"), 2))
        return;
    runDomainAction(dm, pauseAction(pause));
}

void DomainListPage::deleteClicked(const QSharedPointer<Domain> &dm)
{
    User &u = user();
    if (refuseLocked(*dm))
        return;
    if (!User::showMsgBox(QStringLiteral("是否删除域名及对应解析？\n") + dm->name,
                          QStringLiteral("是否删除"), 2))
        return;
    PageJournal journal;
    if (!journal.begin(u, QStringLiteral("domain"), QStringLiteral("删除 %1").arg(dm->name)))
        return;
    // Its records, group and package go into the journal first, so that undo can put the domain
    // back; a domain whose records cannot be read is not deleted.
    PlanStep deletion;
    QString error;
    if (!domainDeleteStep(u, *dm, deletion, error)) {
        journal.finish(true);
        User::showMsgBox(QStringLiteral("读取域名的解析记录失败，未删除：") + error);
        return;
    }
    const QString status = journal.send(*dm, deletion);
    journal.finish();
    if (status.isEmpty())
        return;
    if (status != StepStatus::Done) {
        User::showMsgBox(u.errorText);
        return;
    }
    showToast(QStringLiteral("删除成功"));
    updateDomainRow(*dm, true);
    forgetDomain(dm->id);
}

void DomainListPage::forgetDomain(int id)
{
    User &u = user();
    const int i = domainIndexById(u.domains, id);
    if (i < 0)
        return;
    // The entries behind it move up by one: growth must neither skip nor expect one more.
    const bool shown =
        domainMatchesFilter(u.domains.at(i), u.filterGroupId, m_w.lineEdit_search->text());
    u.domains.removeAt(i);
    if (i < u.nextIndex)
        --u.nextIndex;
    if (shown && u.matchCount > 0)
        --u.matchCount;
}

// --- Checked rows ---------------------------------------------------------------------------

QList<QSharedPointer<Domain>> DomainListPage::checkedDomains() const
{
    QList<QSharedPointer<Domain>> checked;
    const QTableWidget *table = m_w.tableWidget;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!rowChecked(table, row))
            continue;
        if (QSharedPointer<Domain> dm = rowDomain(table, row))
            checked.append(dm);
    }
    return checked;
}

void DomainListPage::reportBulk(const QStringList &successes, const QStringList &failures)
{
    switch (bulkReportFor(failures.size())) {
    case BulkReport::Toast:
        showToast(QStringLiteral("操作成功"));
        break;
    case BulkReport::MessageBox:
        User::showMsgBox(bulkFailureBoxText(failures), QStringLiteral("部分操作失败"), 1);
        break;
    case BulkReport::ResultPage:
        m_window.showJobResults(successes, failures);
        break;
    }
}

bool DomainListPage::runOnChecked(const DomainAction &action, const SuccessLine &successLine,
                                  const FailureLine &failureLine, QStringList &successes,
                                  QStringList &failures)
{
    const QList<QSharedPointer<Domain>> domains = checkedDomains();
    if (domains.isEmpty()) {
        showToast(QStringLiteral("请勾选欲操作的域名"));
        return false;
    }
    User &u = user();
    PageJournal journal;
    if (!journal.begin(u, QStringLiteral("domain"),
                       QStringLiteral("%1 %2 个域名").arg(action.verb).arg(domains.size())))
        return false;
    for (const QSharedPointer<Domain> &dm : domains) {
        const QString status = journal.send(*dm, domainStep(action.stepOp, *dm));
        if (status.isEmpty())
            break;
        if (status == StepStatus::Done) {
            applyChange(dm, action.change);
            successes.append(successLine(*dm));
        } else {
            failures.append(failureLine(*dm, u.errorText));
        }
        updateDomainRow(*dm, false);
    }
    journal.finish();
    return true;
}

void DomainListPage::pauseComboActivated(int index)
{
    if (index != 0 && index != 1)
        return;
    const bool pause = index == 0;
    QStringList successes;
    QStringList failures;
    if (!runOnChecked(
            pauseAction(pause),
            [pause](const Domain &d) { return pauseSuccessLine(d.name, pause); },
            [](const Domain &d, const QString &error) {
                return pauseFailureLine(d.name, d.userLock != 0, error);
            },
            successes, failures))
        return;
    reportBulk(successes, failures);
}

void DomainListPage::lockComboActivated(int index)
{
    if (index != 0 && index != 1)
        return;
    QStringList successes;
    QStringList failures;
    if (!runOnChecked(
            lockAction(index == 0), [](const Domain &d) { return d.name; },
            [](const Domain &d, const QString &error) { return lockFailureLine(d.name, error); },
            successes, failures))
        return;
    if (failures.isEmpty())
        showToast(QStringLiteral("操作成功"));
    else
        m_window.showJobResults(successes, failures);
}

void DomainListPage::groupComboActivated(int index)
{
    QComboBox *combo = m_w.comboBox_group;
    const QVariant data = combo->itemData(index);
    combo->setCurrentIndex(0);
    const int target = data.isValid() ? data.toInt() : -1;
    if (target < 0)
        return;
    const QList<QSharedPointer<Domain>> domains = checkedDomains();
    if (domains.isEmpty()) {
        showToast(QStringLiteral("请勾选欲更改分组的域名"));
        return;
    }
    moveToGroup(domains, target);
}

void DomainListPage::moveToGroup(const QList<QSharedPointer<Domain>> &domains, int target)
{
    User &u = user();
    PageJournal journal;
    if (!journal.begin(u, QStringLiteral("domain"),
                       QStringLiteral("移动 %1 个域名到分组 %2")
                           .arg(domains.size())
                           .arg(u.groupIDtoName(target))))
        return;
    QPushButton *stop = m_w.pushButton_f_loading_chdg;
    stop->setProperty("mustStop", 0);
    stop->setText(QStringLiteral("停止"));
    m_w.frame_loadingchdg->show();
    m_moveMovie->start();

    QStringList successes;
    QStringList failures;
    const int count = domains.size();
    for (int k = 0; k < count && stop->property("mustStop").toInt() == 0; ++k) {
        const QSharedPointer<Domain> &dm = domains.at(k);
        m_w.label_fp_loading_chdg->setText(QStringLiteral("%1/%2").arg(k + 1).arg(count));
        const QString status = journal.send(*dm, domainStep(StepOps::DomainMove, *dm, target));
        if (status.isEmpty())
            break;
        if (status == StepStatus::Done) {
            applyChange(dm, [target](Domain &d) { d.groupID = target; });
            successes.append(moveSuccessLine(dm->name));
        } else {
            failures.append(moveFailureLine(dm->name, u.errorText));
        }
    }
    journal.finish(stop->property("mustStop").toInt() != 0);
    m_moveMovie->stop();
    m_w.frame_loadingchdg->hide();

    if (!successes.isEmpty()) {
        u.needDomainReload = true;
        u.needGroupReload = true;
        reloadKeepingGroup();
    }
    reportBulk(successes, failures);
}

void DomainListPage::deleteCheckedClicked()
{
    const QList<QSharedPointer<Domain>> domains = checkedDomains();
    if (domains.isEmpty()) {
        showToast(QStringLiteral("请勾选欲删除的域名"));
        return;
    }
    if (!User::showMsgBox(QStringLiteral("确定要删除 %1 个域名吗?").arg(domains.size()),
                          QStringLiteral("是否删除"), 2))
        return;

    User &u = user();
    QStringList ids;
    QHash<QString, QString> names;
    for (const QSharedPointer<Domain> &dm : domains) {
        const QString id = QString::number(dm->id);
        ids.append(id);
        names.insert(id, dm->name);
    }
    PageJournal journal;
    if (!journal.begin(u, QStringLiteral("domain"),
                       QStringLiteral("删除 %1 个域名").arg(domains.size())))
        return;
    // Every domain's records, group and package are journaled before the one call deletes them;
    // when one cannot be read, none is deleted.
    QList<PlanStep> deletions;
    for (const QSharedPointer<Domain> &dm : domains) {
        PlanStep deletion;
        QString error;
        if (!domainDeleteStep(u, *dm, deletion, error)) {
            journal.finish(true);
            User::showMsgBox(
                QStringLiteral("读取 %1 的解析记录失败，未删除任何域名：").arg(dm->name) + error);
            return;
        }
        deletions.append(deletion);
    }
    QList<qint64> steps;
    for (int i = 0; i < domains.size(); ++i)
        steps.append(journal.pendingStep(u, *domains.at(i), deletions.at(i)));
    if (steps.contains(0)) {
        journal.finish();
        return;
    }
    QStringList failedIds;
    const bool called = u.delDomainS(ids.join(QLatin1Char(',')), failedIds);
    for (int i = 0; i < domains.size(); ++i)
        journal.settle(steps.at(i), called && !failedIds.contains(ids.at(i)), u);
    journal.finish();
    if (!called) {
        User::showMsgBox(QStringLiteral("批量删除失败,原因:") + u.errorText, QStringLiteral("失败"),
                         1);
        return;
    }
    if (failedIds.isEmpty()) {
        showToast(QStringLiteral("批量删除成功"));
    } else {
        QStringList successes;
        QStringList failures;
        for (const QString &id : qAsConst(ids))
            (failedIds.contains(id) ? failures : successes).append(names.value(id));
        m_window.showJobResults(successes, failures);
    }
    u.needDomainReload = true;
    reloadKeepingGroup();
}
