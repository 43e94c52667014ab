// Row and bulk actions of the record page: pause/start, delete, refresh, batch hand-over.
#include "manage/records/RecordPage.h"

#include "client/User.h"
#include "client/journal/JobSteps.h"
#include "client/plan/ChangePlan.h"
#include "manage/shared/PageJournal.h"
#include "manage/shared/PageShell.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

void RecordPage::togglePause(QSharedPointer<Record> record)
{
    const QSharedPointer<Domain> domain = m_domain;
    if (!domain)
        return;
    User &u = user();
    PageJournal journal;
    const bool pause = record->state == 0;
    if (pause && !User::showMsgBox(record->host + QStringLiteral("<br/>确定暂停该解析记录吗？"),
                                   QStringLiteral("暂停"), 2))
        return;
    if (!journal.begin(u, QStringLiteral("record"),
                       (pause ? QStringLiteral("暂停 %1 (%2)") : QStringLiteral("启用 %1 (%2)"))
                           .arg(record->host, domain->name)))
        return;
    const QString status =
        journal.send(*domain, recordStep(pause ? StepOps::Pause : StepOps::Start, record.data()));
    journal.finish();
    if (status.isEmpty())
        return;
    if (status == StepStatus::Done) {
        record->state = pause ? 2 : 0;
        showToast(pause ? QStringLiteral("暂停成功") : QStringLiteral("启用成功"));
    } else {
        User::showMsgBox(u.errorText, QString(), 1);
    }
    fillRecordRow(record);
}

void RecordPage::deleteRecord(QSharedPointer<Record> record)
{
    const QSharedPointer<Domain> domain = m_domain;
    if (!domain)
        return;
    if (!User::showMsgBox(QStringLiteral("确定要删除 ") + record->host + QStringLiteral(" 吗?"),
                          QStringLiteral("是否删除"), 2))
        return;
    User &u = user();
    PageJournal journal;
    if (!journal.begin(u, QStringLiteral("record"),
                       QStringLiteral("删除 %1 (%2)").arg(record->host, domain->name)))
        return;
    const QString status = journal.send(*domain, recordStep(StepOps::Delete, record.data()));
    journal.finish();
    if (status.isEmpty())
        return;
    if (status != StepStatus::Done) {
        User::showMsgBox(u.errorText, QString(), 1);
        return;
    }
    showToast(QStringLiteral("删除成功"));
    domain->records.removeOne(record.data());
    if (m_domain == domain)
        showRecordPage(domain);
}

void RecordPage::pauseComboActivated(int index)
{
    const QSharedPointer<Domain> domain = m_domain;
    const QList<QSharedPointer<Record>> records = checkedRecords();
    if (!domain || records.isEmpty()) {
        showToast(QStringLiteral("请勾选欲操作的主机记录"));
        return;
    }
    User &u = user();
    const bool pause = index == 0;
    // A bulk action is one job.
    PageJournal journal;
    if (!journal.begin(
            u, QStringLiteral("record"),
            (pause ? QStringLiteral("暂停 %1 个记录 (%2)") : QStringLiteral("启用 %1 个记录 (%2)"))
                .arg(records.size())
                .arg(domain->name)))
        return;
    QString lastFailure;
    bool allDone = true;
    for (const QSharedPointer<Record> &record : records) {
        const QString status = journal.send(
            *domain, recordStep(pause ? StepOps::Pause : StepOps::Start, record.data()));
        // Nothing goes out unjournaled: a journal that failed ends the loop.
        if (status.isEmpty()) {
            allDone = false;
            lastFailure = QStringLiteral("写入操作记录失败，操作已停止");
            break;
        }
        if (status == StepStatus::Done) {
            record->state = pause ? 2 : 0;
        } else {
            allDone = false;
            lastFailure = u.errorText;
        }
        fillRecordRow(record);
    }
    journal.finish();
    showToast(allDone ? QStringLiteral("操作成功") : lastFailure);
}

void RecordPage::deleteCheckedClicked()
{
    const QSharedPointer<Domain> domain = m_domain;
    const QList<QSharedPointer<Record>> records = checkedRecords();
    if (!domain || records.isEmpty()) {
        showToast(QStringLiteral("请勾选欲删除的主机记录"));
        return;
    }
    QStringList ids;
    for (const QSharedPointer<Record> &record : records)
        ids.append(QString::number(record->id));
    if (!User::showMsgBox(QStringLiteral("确定要删除 %1 个记录吗?").arg(records.size()),
                          QStringLiteral("是否删除"), 2))
        return;

    User &u = user();
    PageJournal journal;
    if (!journal.begin(u, QStringLiteral("record"),
                       QStringLiteral("删除 %1 个记录 (%2)").arg(records.size()).arg(domain->name)))
        return;
    // One call deletes them all: each is written pending before it and settled by what the
    // call says of it.
    QList<qint64> steps;
    for (const QSharedPointer<Record> &record : records)
        steps.append(journal.pendingStep(u, *domain, recordStep(StepOps::Delete, record.data())));
    if (steps.contains(0)) {
        journal.finish();
        return;
    }
    QStringList failedIds;
    QStringList messages;
    const bool allDeleted =
        u.delRecordS(domain.data(), ids.join(QLatin1Char(',')), failedIds, messages);
    for (int i = 0; i < records.size(); ++i) {
        const bool gone = allDeleted || (!failedIds.isEmpty() &&
                                         !failedIds.contains(QString::number(records.at(i)->id)));
        journal.settle(steps.at(i), gone, u);
    }
    journal.finish();
    // Per-record failures come back in failedIds and are reported record by record; only a
    // failure that names no record is a failure of the whole call.
    if (!allDeleted && failedIds.isEmpty()) {
        User::showMsgBox(QStringLiteral("批量删除失败,原因:") + u.errorText, QStringLiteral("失败"),
                         1);
    } else if (failedIds.isEmpty()) {
        showToast(QStringLiteral("批量删除成功"));
    } else {
        QStringList successes;
        QStringList failures;
        for (const QSharedPointer<Record> &record : records) {
            const int at = failedIds.indexOf(QString::number(record->id));
            if (at < 0)
                successes.append(record->host);
            else
                failures.append(record->host + QStringLiteral(":") + messages.value(at));
        }
        m_window.showJobResults(successes, failures);
    }
    u.getRecord(domain.data());
    if (m_domain == domain)
        showRecordPage(domain);
}

void RecordPage::refreshClicked()
{
    const QSharedPointer<Domain> domain = m_domain;
    if (!domain)
        return;
    QPushButton *button = m_w.pushButton_30;
    button->setEnabled(false);
    User &u = user();
    const int count = u.getRecord(domain.data());
    QTimer::singleShot(2000, button, [button] { button->setEnabled(true); });
    if (count == 0 && !u.errorText.isEmpty()) {
        // The list stays as it was; say so instead of claiming a refresh.
        showToast(u.errorText);
        return;
    }
    showToast(QStringLiteral("已刷新，%1个解析记录").arg(count));
    if (m_domain == domain)
        showRecordPage(domain);
    m_w.checkBoxR->setChecked(false);
}

void RecordPage::batchClicked()
{
    m_window.showBatchEdit(m_domain ? m_domain->name : QString(), checkedRecords());
}
