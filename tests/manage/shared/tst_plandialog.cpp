#include "app/Startup.h"
#include "manage/history/HistoryModels.h"
#include "manage/shared/PlanDialog.h"
#include "manage/shared/PlanView.h"
#include "tests/support/RecordingPresenter.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// A plan of count domains, each creating "www" beside an existing record, with a warning of
// kind code for each.
ChangePlan warnedPlan(int count, const QString &code = QStringLiteral("cname-beside-others"))
{
    ChangePlan plan;
    for (int i = 0; i < count; ++i) {
        DomainPlan d;
        d.domain = QStringLiteral("d%1.example").arg(i);
        PlanStep s;
        s.op = StepOps::Create;
        s.after = QJsonObject{{QStringLiteral("host"), QStringLiteral("www")},
                              {QStringLiteral("type"), QStringLiteral("CNAME")},
                              {QStringLiteral("value"), QStringLiteral("t.example.")}};
        d.steps.append(s);
        plan.domains.append(d);
        plan.warnings.append(
            {code, d.domain, QStringLiteral("www"), d.domain + QStringLiteral(" …")});
    }
    return plan;
}

// Whether w lies wholly inside the visible area of top.
bool whollyInside(const QWidget *w, const QWidget *top)
{
    return w->isVisibleTo(top) && top->rect().contains(QRect(w->mapTo(top, QPoint()), w->size()));
}

} // namespace

Q_DECLARE_METATYPE(QList<PlanWarning>)

// The preview dialog as an administrator meets it: any plan fits the screen with its buttons in
// view, the warnings grouped by kind, every field that changes shown and marked, and a plan
// with warnings run only when confirmed.
class TestPlanDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }
    void init() { m_boxes = std::make_unique<RecordingPresenter>(); }
    void cleanup() { m_boxes.reset(); }

    void warningGroups_data();
    void warningGroups();
    void fitsTheScreenAtAnyPlanSize_data();
    void fitsTheScreenAtAnyPlanSize();
    void recordTexts_data();
    void recordTexts();
    void changeMarkedInBothModels();
    void conflictsFirstAndOnly();
    void undoStepsReadAtDefaultSize_data();
    void undoStepsReadAtDefaultSize();
    void jobStateNames_data();
    void jobStateNames();
    void runWithWarningsAsksFirst_data();
    void runWithWarningsAsksFirst();

private:
    std::unique_ptr<RecordingPresenter> m_boxes;
};

void TestPlanDialog::warningGroups_data()
{
    QTest::addColumn<QList<PlanWarning>>("warnings");
    QTest::addColumn<QStringList>("lines");

    const auto w = [](const char *code, const char *domain, const char *text = "t") {
        return PlanWarning{QLatin1String(code), QLatin1String(domain), QStringLiteral("@"),
                           QString::fromUtf8(text)};
    };
    QTest::newRow("none") << QList<PlanWarning>{} << QStringList{};
    QTest::newRow("one kind over domains")
        << QList<PlanWarning>{w("cname-beside-others", "a.com"), w("cname-beside-others", "b.com")}
        << QStringList{QStringLiteral("将有 CNAME 与其他记录并存：2 个域名")};
    // Two hosts of one domain are one domain in the count.
    QTest::newRow("domain counted once")
        << QList<PlanWarning>{w("second-spf", "a.com"), w("second-spf", "a.com")}
        << QStringList{QStringLiteral("将有多条 SPF 记录：1 个域名")};
    QTest::newRow("kinds in order of first appearance")
        << QList<PlanWarning>{w("large-change", "a.com"), w("ns-at-apex", "b.com"),
                              w("large-change", "c.com")}
        << QStringList{QStringLiteral("三成以上的记录将被修改或删除：2 个域名"),
                       QStringLiteral("主机记录 @ 将有 NS 记录：1 个域名")};
    QTest::newRow("unknown kind named by its text")
        << QList<PlanWarning>{w("new-kind", "a.com", "某种新情况")}
        << QStringList{QStringLiteral("某种新情况：1 个域名")};
}

void TestPlanDialog::warningGroups()
{
    QFETCH(QList<PlanWarning>, warnings);
    QFETCH(QStringList, lines);
    QStringList got;
    int texts = 0;
    for (const PlanText::WarningGroup &g : PlanText::warningGroups(warnings)) {
        got.append(PlanText::groupLine(g));
        texts += g.texts.size();
    }
    QCOMPARE(got, lines);
    // No warning is lost in the grouping.
    QCOMPARE(texts, warnings.size());
}

void TestPlanDialog::fitsTheScreenAtAnyPlanSize_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("domains");
    for (const QSize &size : {QSize(900, 620), QSize(1280, 800)}) {
        const QByteArray name =
            QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
        for (int domains : {20, 120, 1000})
            QTest::addRow("%s, %d domains", name.constData(), domains) << size << domains;
    }
}

void TestPlanDialog::fitsTheScreenAtAnyPlanSize()
{
    QFETCH(QSize, window);
    QFETCH(int, domains);
    QWidget parent;
    parent.resize(window);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    PlanDialog dialog(&parent, QStringLiteral("预览"));
    dialog.setPlan(warnedPlan(domains));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QRect screen = dialog.screen()->availableGeometry();
    QVERIFY2(dialog.width() <= screen.width() && dialog.height() <= screen.height(),
             qPrintable(QStringLiteral("%1x%2").arg(dialog.width()).arg(dialog.height())));
    PlanView &view = dialog.view();
    QVERIFY(whollyInside(view.runButton(), &dialog));
    QVERIFY(whollyInside(view.closeButton(), &dialog));
    // The warnings: one line per kind with its count, in a list that keeps to a few lines.
    QTreeWidget *warnings = view.warningList();
    QCOMPARE(warnings->topLevelItemCount(), 1);
    QCOMPARE(warnings->topLevelItem(0)->text(0),
             QStringLiteral("⚠ 将有 CNAME 与其他记录并存：%1 个域名").arg(domains));
    QCOMPARE(warnings->topLevelItem(0)->childCount(), domains);
    QVERIFY(warnings->height() <= dialog.height() / 4);
    // Both tables keep room for several rows.
    const int rows = view.domainTable()->verticalHeader()->defaultSectionSize();
    QVERIFY2(view.domainTable()->viewport()->height() >= 4 * rows,
             qPrintable(QString::number(view.domainTable()->viewport()->height())));
    QVERIFY2(view.stepTable()->viewport()->height() >= 2 * rows,
             qPrintable(QString::number(view.stepTable()->viewport()->height())));
}

void TestPlanDialog::recordTexts_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QJsonObject>("before");
    QTest::addColumn<QJsonObject>("after");
    QTest::addColumn<QString>("beforeText");
    QTest::addColumn<QString>("afterText");
    QTest::addColumn<QString>("change");

    const auto a = [](const char *value, const char *line, int ttl) {
        return QJsonObject{{QStringLiteral("host"), QStringLiteral("@")},
                           {QStringLiteral("type"), QStringLiteral("A")},
                           {QStringLiteral("value"), QLatin1String(value)},
                           {QStringLiteral("lineName"), QString::fromUtf8(line)},
                           {QStringLiteral("ttl"), ttl},
                           {QStringLiteral("mx"), 0}};
    };
    QJsonObject mx10 = a("mail.example.", "默认", 600);
    mx10[QStringLiteral("type")] = QStringLiteral("MX");
    mx10[QStringLiteral("mx")] = 10;
    QJsonObject mx20 = mx10;
    mx20[QStringLiteral("mx")] = 20;
    // A step journaled before TTLs were kept.
    QJsonObject bare = a("203.0.113.11", "电信", 0);
    bare.remove(QStringLiteral("ttl"));

    // Reported as reading the same before and after.
    QTest::newRow("TTL only") << StepOps::Change << a("203.0.113.11", "电信", 600)
                              << a("203.0.113.11", "电信", 60) << "@ A 203.0.113.11 (电信) TTL 600"
                              << "@ A 203.0.113.11 (电信) TTL 60"
                              << "TTL 600 → 60";
    QTest::newRow("MX priority") << StepOps::Change << mx10 << mx20
                                 << "@ MX mail.example. (默认) MX 10 TTL 600"
                                 << "@ MX mail.example. (默认) MX 20 TTL 600"
                                 << "MX 10 → 20";
    QTest::newRow("line") << StepOps::Change << a("203.0.113.11", "默认", 600)
                          << a("203.0.113.11", "电信", 600) << "@ A 203.0.113.11 (默认) TTL 600"
                          << "@ A 203.0.113.11 (电信) TTL 600"
                          << "线路 默认 → 电信";
    QTest::newRow("value and TTL")
        << StepOps::Change << a("203.0.113.11", "默认", 600) << a("203.0.113.12", "默认", 60)
        << "@ A 203.0.113.11 (默认) TTL 600"
        << "@ A 203.0.113.12 (默认) TTL 60"
        << "记录值 203.0.113.11 → 203.0.113.12；TTL 600 → 60";
    QTest::newRow("create") << StepOps::Create << QJsonObject() << a("203.0.113.11", "默认", 600)
                            << ""
                            << "@ A 203.0.113.11 (默认) TTL 600"
                            << "";
    QTest::newRow("field missing on one side")
        << StepOps::Change << bare << a("203.0.113.11", "电信", 600) << "@ A 203.0.113.11 (电信)"
        << "@ A 203.0.113.11 (电信) TTL 600"
        << "";
}

void TestPlanDialog::recordTexts()
{
    QFETCH(QString, op);
    QFETCH(QJsonObject, before);
    QFETCH(QJsonObject, after);
    QFETCH(QString, beforeText);
    QFETCH(QString, afterText);
    QFETCH(QString, change);
    QCOMPARE(PlanText::stateText(op, before), beforeText);
    QCOMPARE(PlanText::stateText(op, after), afterText);
    QCOMPARE(PlanText::changeText(op, before, after), change);
}

// The preview's and the history's step tables mark the same change the same way.
void TestPlanDialog::changeMarkedInBothModels()
{
    const QJsonObject before{{QStringLiteral("host"), QStringLiteral("www")},
                             {QStringLiteral("type"), QStringLiteral("A")},
                             {QStringLiteral("value"), QStringLiteral("192.0.2.1")},
                             {QStringLiteral("ttl"), 600}};
    QJsonObject after = before;
    after[QStringLiteral("ttl")] = 60;
    PlanStep step;
    step.op = StepOps::Change;
    step.before = before;
    step.after = after;
    PlanStepModel plan;
    PlanStep create;
    create.op = StepOps::Create;
    create.after = after;
    plan.setSteps({step, create});
    JournalStep done;
    done.op = step.op;
    done.before = before;
    done.after = after;
    done.status = StepStatus::Done;
    JobStepModel history;
    history.setSteps({done});

    const int planChange = plan.columnCount() - 1;
    QCOMPARE(plan.headerData(planChange, Qt::Horizontal).toString(), QStringLiteral("改动"));
    QCOMPARE(plan.index(0, planChange).data().toString(), QStringLiteral("TTL 600 → 60"));
    QVERIFY(plan.index(0, 2).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!plan.index(1, 2).data(Qt::FontRole).isValid());
    const int historyChange = history.columnCount() - 1;
    QCOMPARE(history.headerData(historyChange, Qt::Horizontal).toString(), QStringLiteral("改动"));
    QCOMPARE(history.index(0, historyChange).data().toString(), QStringLiteral("TTL 600 → 60"));
    QVERIFY(history.index(0, 3).data(Qt::FontRole).value<QFont>().bold());
}

// The undo preview lists the domains with conflicts (or warnings) first, and "只看问题" keeps
// only them; choosing a row shows that domain's own steps.
void TestPlanDialog::conflictsFirstAndOnly()
{
    ChangePlan plan = warnedPlan(4);
    plan.warnings = {plan.warnings.at(3)};
    plan.domains[1].steps = {
        problemStep(StepOps::Conflict, QStringLiteral("记录在此之后又被修改过"))};
    PlanView view;
    view.setProblemsFirst(true);
    view.setPlan(plan);
    QAbstractItemModel *domains = view.domainTable()->model();
    QStringList order;
    for (int r = 0; r < domains->rowCount(); ++r)
        order.append(domains->index(r, PlanDomainModel::Domain).data().toString());
    QCOMPARE(order, (QStringList{"d1.example", "d3.example", "d0.example", "d2.example"}));
    QCOMPARE(view.stepTable()->model()->index(0, 0).data().toString(), QStringLiteral("冲突"));

    QVERIFY(!view.problemsOnlyBox()->isHidden());
    view.problemsOnlyBox()->setChecked(true);
    QCOMPARE(domains->rowCount(), 2);
    view.domainTable()->setCurrentIndex(domains->index(1, 0));
    QCOMPARE(view.stepTable()->model()->index(0, 0).data().toString(), QStringLiteral("新增记录"));
    // The plan that runs is the whole plan, whatever is listed.
    QCOMPARE(view.plan().domains.size(), 4);
}

void TestPlanDialog::undoStepsReadAtDefaultSize_data()
{
    QTest::addColumn<QSize>("window");
    QTest::newRow("900x620") << QSize(900, 620);
    QTest::newRow("1280x800") << QSize(1280, 800);
}

// The undo dialog at its own size: a conflict shows the record now beside what the job left,
// and the "说明" of each step reads whole inside the table.
void TestPlanDialog::undoStepsReadAtDefaultSize()
{
    QFETCH(QSize, window);
    const auto record = [](const char *value, int ttl) {
        return QJsonObject{{QStringLiteral("id"), 12345},
                           {QStringLiteral("host"), QStringLiteral("www")},
                           {QStringLiteral("type"), QStringLiteral("A")},
                           {QStringLiteral("value"), QLatin1String(value)},
                           {QStringLiteral("lineName"), QStringLiteral("默认")},
                           {QStringLiteral("ttl"), ttl}};
    };
    PlanStep edited;
    edited.op = StepOps::Conflict;
    edited.now = record("203.0.113.10", 660);
    edited.left = record("203.0.113.10", 600);
    edited.problem = QStringLiteral("记录在此后已被改动");
    PlanStep reused = edited;
    reused.now = record("203.0.113.99", 600);
    reused.problem = QStringLiteral("现有相同的记录，不是本操作留下的");
    PlanStep gone = edited;
    gone.now = QJsonObject();
    gone.problem = QStringLiteral("记录已不存在");
    ChangePlan plan;
    DomainPlan d;
    d.domain = QStringLiteral("halvik-demo.com");
    d.steps = {edited, reused, gone};
    plan.domains.append(d);

    QWidget parent;
    parent.resize(window);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    PlanDialog dialog(&parent, QStringLiteral("撤销预览"));
    dialog.view().setUndo();
    dialog.setPlan(plan);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QVERIFY(!dialog.view().forceBox()->isChecked());
    QVERIFY(whollyInside(dialog.view().forceBox(), &dialog));
    QTableView *table = dialog.view().stepTable();
    QAbstractItemModel *steps = table->model();
    QCOMPARE(steps->headerData(UndoStepModel::Now, Qt::Horizontal).toString(),
             QStringLiteral("现在"));
    QCOMPARE(steps->headerData(UndoStepModel::Left, Qt::Horizontal).toString(),
             QStringLiteral("操作留下的"));
    QCOMPARE(steps->index(0, UndoStepModel::Now).data().toString(),
             QStringLiteral("www A 203.0.113.10 (默认) TTL 660"));
    QCOMPARE(steps->index(0, UndoStepModel::Left).data().toString(),
             QStringLiteral("www A 203.0.113.10 (默认) TTL 600"));
    QCOMPARE(steps->index(2, UndoStepModel::Now).data().toString(), QStringLiteral("(已不存在)"));
    QVERIFY(steps->index(0, UndoStepModel::Now).data(Qt::FontRole).value<QFont>().bold());

    // Every cell of every step reads whole in its place, inside the table, wrapped within its
    // row (the cell's margins taken off).
    QHeaderView *header = table->horizontalHeader();
    const QFontMetrics metrics(table->font());
    const int last = UndoStepModel::Why;
    const int right = header->sectionViewportPosition(last) + header->sectionSize(last);
    QVERIFY2(right <= table->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(right).arg(table->viewport()->width())));
    QVERIFY(table->viewport()->height() >= 2 * table->rowHeight(0));
    for (int row = 0; row < steps->rowCount(); ++row) {
        for (int column = 0; column < steps->columnCount(); ++column) {
            const QString text = steps->index(row, column).data().toString();
            const int width = header->sectionSize(column) - 6;
            const QRect needs =
                metrics.boundingRect(QRect(0, 0, width, 1000), Qt::TextWordWrap, text);
            QVERIFY2(needs.width() <= width && needs.height() <= table->rowHeight(row),
                     qPrintable(QStringLiteral("\"%1\" needs %2x%3 in %4x%5")
                                    .arg(text)
                                    .arg(needs.width())
                                    .arg(needs.height())
                                    .arg(width)
                                    .arg(table->rowHeight(row))));
        }
    }
}

void TestPlanDialog::jobStateNames_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("failed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<qint64>("partlyUndoneBy");
    QTest::newRow("every step failed") << JobState::Partial << 0 << 3 << "失败" << qint64(0);
    QTest::newRow("some failed") << JobState::Partial << 1 << 2 << "部分失败" << qint64(0);
    QTest::newRow("done") << JobState::Done << 3 << 0 << "已完成" << qint64(0);
    QTest::newRow("stopped before any") << JobState::Stopped << 0 << 0 << "已停止" << qint64(0);
    QTest::newRow("undone in part") << JobState::Done << 3 << 0 << "部分撤销" << qint64(9);
}

void TestPlanDialog::jobStateNames()
{
    QFETCH(QString, state);
    QFETCH(int, done);
    QFETCH(int, failed);
    QFETCH(QString, shown);
    QFETCH(qint64, partlyUndoneBy);
    JournalJob job;
    job.state = state;
    job.partlyUndoneBy = partlyUndoneBy;
    if (done)
        job.counts.insert(StepStatus::Done, done);
    if (failed)
        job.counts.insert(StepStatus::Failed, failed);
    QCOMPARE(HistoryText::jobStateName(job), shown);
    JobListModel model;
    model.setJobs({job});
    QCOMPARE(model.index(0, JobListModel::State).data().toString(), shown);
}

void TestPlanDialog::runWithWarningsAsksFirst_data()
{
    QTest::addColumn<int>("warned");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("no warnings: runs without asking") << 0 << 0 << false << true;
    QTest::newRow("warnings, declined") << 3 << 0 << true << false;
    QTest::newRow("warnings, confirmed") << 3 << 1 << true << true;
}

void TestPlanDialog::runWithWarningsAsksFirst()
{
    QFETCH(int, warned);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, accepted);
    ChangePlan plan = warnedPlan(3);
    plan.warnings = plan.warnings.mid(0, warned);
    QWidget parent;
    PlanDialog dialog(&parent, QStringLiteral("预览"));
    dialog.setPlan(plan);
    bool ran = false;
    connect(&dialog, &QDialog::accepted, this, [&ran] { ran = true; });
    m_boxes->answer(answer);
    dialog.open();
    dialog.view().runButton()->click();

    QCOMPARE(m_boxes->count(), asked ? 1 : 0);
    if (asked) {
        const RecordedMsgBox &box = m_boxes->shown.first();
        QCOMPARE(box.buttonMode, 2);
        QVERIFY2(box.content.contains(QStringLiteral("将有 CNAME 与其他记录并存：3 个域名")),
                 qPrintable(box.content));
        QVERIFY(box.content.endsWith(QStringLiteral("仍要执行吗？")));
    }
    QCOMPARE(ran, accepted);
    QCOMPARE(dialog.isVisible(), !accepted);
}

QTEST_MAIN(TestPlanDialog)
#include "tst_plandialog.moc"
