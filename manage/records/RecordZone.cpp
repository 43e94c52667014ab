#include "manage/records/RecordPage.h"

#include "client/User.h"
#include "client/WholeRecordList.h"
#include "client/journal/Journal.h"
#include "client/journal/RunPlan.h"
#include "client/plan/RecordJson.h"
#include "client/zone/ZoneFolder.h"
#include "client/zone/ZoneInput.h"
#include "client/zone/ZoneParser.h"
#include "client/zone/ZonePlanner.h"
#include "manage/records/ZoneImportDialog.h"
#include "manage/shared/PageShell.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPushButton>

namespace {

void tell(const QString &text)
{
    User::showMsgBox(text, QString(), 1);
}

} // namespace

bool RecordPage::readAllRecords(const QSharedPointer<Domain> &domain, QList<Record> &records)
{
    // The whole list, page by page: a zone compared or written in part would be wrong in
    // silence.
    if (!readWholeRecordList(user(), *domain, records, false)) {
        tell(QStringLiteral("无法读取解析记录：") + user().errorText);
        return false;
    }
    return true;
}

void RecordPage::exportClicked()
{
    const QSharedPointer<Domain> domain = m_domain;
    if (!domain)
        return;
    const QString folder = chooseExportFolder
                               ? chooseExportFolder()
                               : QFileDialog::getExistingDirectory(m_window.dialogParent(),
                                                                   QStringLiteral("导出到文件夹"));
    if (folder.isEmpty())
        return;
    QList<Record> records;
    if (!readAllRecords(domain, records))
        return;
    QStringList written;
    QString error;
    if (!writeZoneFolder(folder, domain->name, records, written, error, domain->nameServers)) {
        tell(QStringLiteral("导出失败：") + error);
        return;
    }
    showToast(exportNotice(folder, written));
}

QString RecordPage::exportNotice(const QString &folder, const QStringList &written) const
{
    // One line that fits the window however deep the folder and however many lines: the
    // folder keeps its start and its end, the names take what room is left.
    const QWidget *window = m_window.dialogParent();
    const QFontMetrics metrics(window->font());
    // The strip is centred right of the navigation column and pads its text.
    const int room = qMax(200, window->width() * 3 / 5 - 44);
    const QString lead = QStringLiteral("已导出 %1 个文件到 ").arg(written.size());
    // The folder first; the names get what it leaves.
    const int folderRoom = room - metrics.horizontalAdvance(lead + QStringLiteral("：…"));
    const QString text =
        lead + metrics.elidedText(QDir::toNativeSeparators(folder), Qt::ElideMiddle, folderRoom) +
        QStringLiteral("：") + written.join(QStringLiteral("、"));
    return metrics.elidedText(text, Qt::ElideRight, room);
}

void RecordPage::importClicked()
{
    const QSharedPointer<Domain> domain = m_domain;
    if (!domain)
        return;
    const QString path =
        chooseZoneFile
            ? chooseZoneFile()
            : QFileDialog::getOpenFileName(m_window.dialogParent(), QStringLiteral("导入区域文件"),
                                           QString(),
                                           QStringLiteral("区域文件 (*.zone *.db *.txt);;"
                                                          "所有文件 (*)"));
    if (path.isEmpty())
        return;
    QByteArray text;
    QString readError;
    if (!readZoneInput(path, text, readError)) {
        tell(readError);
        return;
    }
    const ZoneFile zone = parseZoneText(text, domain->name);
    if (!zone.errors.isEmpty()) {
        // Nothing of a faulty file is imported; the first faults say where to look.
        QStringList lines;
        for (const ZoneError &e : zone.errors.mid(0, 5))
            lines.append(QStringLiteral("第%1行：%2").arg(e.line).arg(e.message.toHtmlEscaped()));
        tell(QStringLiteral("区域文件有错误，未导入：<br/>") + lines.join(QStringLiteral("<br/>")));
        return;
    }
    QList<Record> live;
    if (!readAllRecords(domain, live))
        return;

    QList<QPair<int, QString>> lines{{0, QStringLiteral("默认")}};
    for (int id : zoneLinesInUse(live)) {
        if (id == 0)
            continue;
        QString name;
        for (const Record &r : live) {
            if (r.lineID == id && !r.viewName.isEmpty()) {
                name = r.viewName;
                break;
            }
        }
        lines.append({id, name.isEmpty() ? QString::number(id) : name});
    }
    if (m_importDialog)
        m_importDialog->deleteLater();
    m_importDialog = new ZoneImportDialog(domain->name, QFileInfo(path).fileName(), zone, live,
                                          lines, m_window.dialogParent());
    m_importDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_importDomain = domain;
    connect(m_importDialog, &ZoneImportDialog::runRequested, this, &RecordPage::runZoneImport);
    m_importDialog->show();
}

void RecordPage::runZoneImport()
{
    const QPointer<ZoneImportDialog> dialog = m_importDialog;
    // The domain the plan was made for, whatever the page shows by now.
    const QSharedPointer<Domain> domain = m_importDomain;
    if (!dialog || !domain || !dialog->plan().changesAnything())
        return;
    // Exactly the plan shown: the job skips the domain if it changed since.
    const ChangePlan job = zoneImportJob(dialog->plan(), domain->id);
    const QStringList warnings = job.warningTexts();
    if (!warnings.isEmpty() &&
        !User::showMsgBox(QStringLiteral("导入后将有以下问题：<br/>") +
                              warnings.join(QStringLiteral("<br/>")).toHtmlEscaped() +
                              QStringLiteral("<br/>仍要执行吗？"),
                          QString(), 2))
        return;
    Journal journal;
    if (!journal.open(Journal::defaultPath(), true)) {
        tell(QStringLiteral("无法打开操作记录，未做任何改动：") + journal.errorText());
        return;
    }
    const QString summary =
        zoneImportSummary(domain->name, dialog->lineID(), dialog->prune(), dialog->fileName());
    dialog->runButton()->setEnabled(false);
    const PlanRun run = runPlan(user(), journal, job, QStringLiteral("zone-import"), summary);
    if (!run.jobId) {
        tell(QStringLiteral("无法写入操作记录，未做任何改动：") + run.errorText);
        if (dialog)
            dialog->runButton()->setEnabled(true);
        return;
    }
    int done = 0;
    QStringList failed;
    for (const StepOutcome &o : run.outcomes) {
        if (o.status == StepStatus::Done) {
            ++done;
            continue;
        }
        const Record r =
            recordFromJson(o.step.op == StepOps::Delete ? o.step.before : o.step.after);
        failed.append(QStringLiteral("%1 %2 %3：%4").arg(r.host, r.type, r.value, o.error));
    }
    if (!run.errorText.isEmpty())
        failed.append(QStringLiteral("操作记录写入失败，作业已停止：") + run.errorText);
    if (dialog)
        dialog->close();
    if (failed.isEmpty())
        showToast(QStringLiteral("已导入，%1项改动").arg(done));
    else
        tell(QStringLiteral("导入完成 %1 项，未完成 %2 项：<br/>").arg(done).arg(failed.size()) +
             failed.join(QStringLiteral("<br/>")).toHtmlEscaped());
    if (m_domain == domain)
        showDomain(domain);
}
