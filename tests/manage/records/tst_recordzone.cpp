#include "client/User.h"
#include "client/journal/Journal.h"
#include "manage/records/RecordPage.h"
#include "manage/records/ZoneImportDialog.h"
#include "manage/records/ZonePlanModel.h"
#include "manage/shared/Toast.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QString kShowcase = QStringLiteral("halvik-demo.com"); // records on several lines

} // namespace

// "导入" and "导出" on the record page against the stand-in service: zone files per line, the
// preview of an import and its run as a journaled job.
class TestRecordZone : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void exportWritesALoadableFilePerLine();
    void exportNoticeNamesTheFolderAndFitsTheWindow();
    void exportIntoMissingFolderWritesNothing();
    void exportReplacesNoFifo();
    void importPreviewsThenRunsAsJournaledJob();
    void unwritableJournalStopsBeforeAnyRequest();

private:
    void open(const QString &name);
    QStringList serverRecords(const QString &name);
    // Opens the preview of a file with text, answering the file chooser.
    ZoneImportDialog *preview(const QByteArray &text);

    RecordPage &page() const { return h.window->recordPage(); }

    WindowHarness h;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_checker;
};

void TestRecordZone::initTestCase()
{
    m_checker =
        QStandardPaths::findExecutable(QStringLiteral("named-checkzone"),
                                       {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    QVERIFY2(!m_checker.isEmpty(), "named-checkzone (bind9-utils) is needed: scripts/deps.sh");
}

void TestRecordZone::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    h.init();
    // The journal goes under the harness's data folder, never the user's.
    QVERIFY(Journal::defaultPath().startsWith(h.dataPath()));
    QVERIFY(h.startService());
    QVERIFY(h.signIn());
    h.openManagement(WindowHarness::Show::Shown, QSize(900, 620));
}

void TestRecordZone::cleanup()
{
    h.cleanup();
    m_dir.reset();
}

void TestRecordZone::open(const QString &name)
{
    User &u = theUser();
    const QSharedPointer<Domain> domain = u.domains.sharedOf(u.domain2ptr(name));
    QVERIFY(domain);
    page().showDomain(domain);
    QCOMPARE(h.window->currentDomain, domain);
}

// The service's records of the domain as "host type value ttl line state", sorted.
QStringList TestRecordZone::serverRecords(const QString &name)
{
    User &u = theUser();
    Domain scratch;
    Domain *dm = u.domain2ptr(name);
    scratch.id = dm->id;
    scratch.name = name;
    u.getRecord(&scratch);
    QStringList rows;
    for (const Record &r : scratch.records)
        rows.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                        .arg(r.host, r.type, r.value)
                        .arg(r.ttl)
                        .arg(r.lineID)
                        .arg(r.state));
    rows.sort();
    return rows;
}

ZoneImportDialog *TestRecordZone::preview(const QByteArray &text)
{
    const QString path = m_dir->filePath(QStringLiteral("edited.zone"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return nullptr;
    f.close();
    page().chooseZoneFile = [path] { return path; };
    h.widget<QPushButton>("pushButton_Rimport")->click();
    return page().zoneImportDialog();
}

void TestRecordZone::exportWritesALoadableFilePerLine()
{
    open(kShowcase);
    QSet<int> lines;
    for (const QString &row : serverRecords(kShowcase))
        lines.insert(row.section(QLatin1Char(' '), 4, 4).toInt());
    QVERIFY(lines.size() > 2);
    QHash<int, QString> lineNames;
    for (const Record &r : h.window->currentDomain->records)
        lineNames.insert(r.lineID, r.view.viewName);
    page().chooseExportFolder = [this] { return m_dir->path(); };
    h.widget<QPushButton>("pushButton_Rexport")->click();
    QCOMPARE(h.boxes->count(), 0);
    // The notice counts the files and names the folder (the names follow as room allows).
    QVERIFY2(h.toast().startsWith(
                 QStringLiteral("已导出 %1 个文件到 %2").arg(lines.size()).arg(m_dir->path())),
             qPrintable(h.toast()));

    // Each line's file named by the line, as people know it.
    const QStringList files = QDir(m_dir->path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files.size(), lines.size());
    QVERIFY(files.contains(kShowcase + QStringLiteral(".zone")));
    QVERIFY2(files.contains(kShowcase + QStringLiteral(".电信.zone")),
             qPrintable(files.join(QLatin1Char(' '))));
    for (int line : lines) {
        QVERIFY(!lineNames.value(line).isEmpty());
        const QString name =
            line == 0 ? kShowcase + QStringLiteral(".zone")
                      : QStringLiteral("%1.%2.zone").arg(kShowcase, lineNames.value(line));
        QVERIFY2(files.contains(name), qPrintable(files.join(QLatin1Char(' '))));
        QProcess p;
        p.start(m_checker,
                {QStringLiteral("-i"), QStringLiteral("local"), kShowcase, m_dir->filePath(name)});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                 QByteArray(p.readAllStandardOutput() + p.readAllStandardError()).constData());
    }
}

// A folder deep enough to be wider than the window: the notice still names it (its start and
// its end) on a strip that stays inside the window.
void TestRecordZone::exportNoticeNamesTheFolderAndFitsTheWindow()
{
    open(kShowcase);
    QString folder = m_dir->path();
    for (int i = 0; i < 6; ++i)
        folder += QStringLiteral("/") + QString(30, QChar(u'深')) + QString::number(i);
    QVERIFY(QDir().mkpath(folder));
    page().chooseExportFolder = [folder] { return folder; };
    h.widget<QPushButton>("pushButton_Rexport")->click();
    QCOMPARE(h.boxes->count(), 0);
    const QString notice = h.toast();
    QVERIFY2(notice.startsWith(QStringLiteral("已导出 ")), qPrintable(notice));
    QVERIFY2(notice.contains(m_dir->path().left(8)), qPrintable(notice));
    QVERIFY2(notice.contains(QStringLiteral("深5")), qPrintable(notice));

    // Placed as the window places its notices: the label pads its text by 22 on either side.
    const auto *label = h.window->findChild<QLabel *>(QStringLiteral("label_msgtt"));
    const auto *stack = h.window->findChild<QWidget *>(QStringLiteral("stackedWidget"));
    const auto *group = h.window->findChild<QWidget *>(QStringLiteral("widget_3"));
    QVERIFY(label && stack && group);
    const QSize size(label->fontMetrics().horizontalAdvance(notice) + 44,
                     label->fontMetrics().height() + 20);
    // In the coordinates of the strip's parent, as the window sets its geometry.
    const QWidget *area = label->parentWidget()->parentWidget();
    const QRect strip(toastTopLeft(size, stack->geometry(), group->width()), size);
    QVERIFY2(area->rect().contains(strip) && area->width() <= h.window->width(),
             qPrintable(QStringLiteral("%1 px at %2 in %3 px")
                            .arg(strip.width())
                            .arg(strip.left())
                            .arg(area->width())));
}

void TestRecordZone::exportIntoMissingFolderWritesNothing()
{
    open(kShowcase);
    const QString missing = m_dir->filePath(QStringLiteral("gone"));
    page().chooseExportFolder = [missing] { return missing; };
    h.widget<QPushButton>("pushButton_Rexport")->click();
    QCOMPARE(h.boxes->count(), 1);
    QVERIFY(h.boxes->shown.first().content.startsWith(QStringLiteral("导出失败")));
    QVERIFY(
        QDir(m_dir->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

// A FIFO where a line's file would go: the export says so and writes no file at all.
void TestRecordZone::exportReplacesNoFifo()
{
    open(kShowcase);
    const QString fifo = m_dir->filePath(kShowcase + QStringLiteral(".zone"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    page().chooseExportFolder = [this] { return m_dir->path(); };
    h.widget<QPushButton>("pushButton_Rexport")->click();
    QCOMPARE(h.boxes->count(), 1);
    QCOMPARE(h.boxes->shown.first().content,
             QStringLiteral("导出失败：%1.zone（命名管道）已存在且不是普通文件，不会被替换；"
                            "未写入任何文件")
                 .arg(kShowcase));
    struct stat st = {};
    QVERIFY(::lstat(QFile::encodeName(fifo).constData(), &st) == 0);
    QVERIFY(S_ISFIFO(st.st_mode));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{kShowcase + QStringLiteral(".zone")});
}

void TestRecordZone::importPreviewsThenRunsAsJournaledJob()
{
    open(kShowcase);
    const QStringList before = serverRecords(kShowcase);
    ZoneImportDialog *dialog = preview("$ORIGIN halvik-demo.com.\n"
                                       "@ 3600 IN SOA ns1.example.net. h.example.net. 1 2 3 4 5\n"
                                       "@ 600 IN A 203.0.113.10\n"
                                       "ipv6 1200 IN AAAA 2001:db8::10\n"
                                       "added 300 IN A 192.0.2.77\n");
    QVERIFY(dialog);
    QCOMPARE(dialog->lineBox()->currentData().toInt(), 0);
    QCOMPARE(dialog->lineBox()->currentText(), QStringLiteral("默认"));

    // The preview: the skipped SOA with its line, the change shown old → new, the new record.
    const QAbstractItemModel *model = dialog->table()->model();
    QMap<QString, QStringList> rows; // host type -> op, line, ttl, reason
    for (int row = 0; row < model->rowCount(); ++row) {
        auto cell = [&](int column) { return model->index(row, column).data().toString(); };
        rows.insert(cell(ZonePlanModel::Host) + QLatin1Char(' ') + cell(ZonePlanModel::Type),
                    {cell(ZonePlanModel::Op), cell(ZonePlanModel::FileLine),
                     cell(ZonePlanModel::Ttl), cell(ZonePlanModel::Reason)});
    }
    QCOMPARE(rows.value(QStringLiteral("@ SOA")).value(0), QStringLiteral("跳过"));
    QCOMPARE(rows.value(QStringLiteral("@ SOA")).value(1), QStringLiteral("2"));
    QVERIFY(!rows.value(QStringLiteral("@ SOA")).value(3).isEmpty());
    QCOMPARE(rows.value(QStringLiteral("@ A")).value(0), QStringLiteral("不变"));
    QCOMPARE(
        rows.value(QStringLiteral("ipv6 AAAA")).mid(0, 3),
        (QStringList{QStringLiteral("修改"), QStringLiteral("4"), QStringLiteral("600 → 1200")}));
    QCOMPARE(rows.value(QStringLiteral("added A")).value(0), QStringLiteral("新增"));
    QVERIFY(!rows.contains(QStringLiteral("www CNAME")));
    QVERIFY(dialog->summary()->text().startsWith(QStringLiteral("新增 1，修改 1，不变 1，删除 0")));

    // Pruning plans the deletions of the line's other records, the apex NS and paused kept.
    dialog->pruneBox()->setChecked(true);
    QVERIFY(dialog->summary()->text().contains(QStringLiteral("删除 3")));
    // Listed first, as the job runs them.
    for (int row = 0; row < 3; ++row)
        QCOMPARE(model->index(row, ZonePlanModel::Op).data().toString(), QStringLiteral("删除"));
    QCOMPARE(serverRecords(kShowcase), before);

    dialog->runButton()->click();
    QCOMPARE(h.boxes->count(), 0);
    QVERIFY(!page().zoneImportDialog() || !page().zoneImportDialog()->isVisible());
    const QStringList after = serverRecords(kShowcase);
    QCOMPARE(after.size(), before.size() - 2);
    QVERIFY(after.contains(QStringLiteral("ipv6 AAAA 2001:db8::10 1200 0 0")));
    QVERIFY(after.contains(QStringLiteral("added A 192.0.2.77 300 0 0")));
    // The page shows the records as they are now.
    QCOMPARE(h.window->currentDomain->records.size(), after.size());

    Journal journal;
    QVERIFY(journal.open(Journal::defaultPath(), false));
    const QList<JournalJob> jobs = journal.jobs();
    QVERIFY(!jobs.isEmpty());
    QCOMPARE(jobs.first().kind, QStringLiteral("zone-import"));
    QCOMPARE(jobs.first().state, JobState::Done);
    QCOMPARE(journal.steps(jobs.first().id).size(), 5);
}

void TestRecordZone::unwritableJournalStopsBeforeAnyRequest()
{
    open(kShowcase);
    const QStringList before = serverRecords(kShowcase);
    ZoneImportDialog *dialog = preview("added 300 IN A 192.0.2.77\n");
    QVERIFY(dialog);
    // The journal's folder is a file: nothing can be journaled, so nothing may be sent.
    QTemporaryDir blocked;
    QFile(blocked.filePath(QStringLiteral("halvik"))).open(QIODevice::WriteOnly);
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocked.path()));
    dialog->runButton()->click();
    qputenv("XDG_DATA_HOME", QFile::encodeName(h.dataPath()));
    QCOMPARE(h.boxes->count(), 1);
    QVERIFY2(h.boxes->shown.first().content.startsWith(QStringLiteral("无法打开操作记录")),
             qPrintable(h.boxes->shown.first().content));
    QCOMPARE(serverRecords(kShowcase), before);
}

QTEST_MAIN(TestRecordZone)
#include "tst_recordzone.moc"
