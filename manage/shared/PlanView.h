#pragma once

#include "client/plan/ChangePlan.h"
#include "manage/shared/RowTableModel.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QTreeWidget;
class QPushButton;
class QTableView;

// Words and counts of a plan for people.
namespace PlanText {
// The Chinese name of a step's operation.
QString opName(const QString &op);
// "主机 类型 值 (线路) MX 10 TTL 600" of a record (MX only for MX records, TTL when known) or
// the name of a domain in a step's before/after.
QString stateText(const QString &op, const QJsonObject &state);
// What a record change alters, field by field: "TTL 600 → 60；线路 默认 → 电信". Empty when
// the step is not a change of a record or alters nothing shown.
QString changeText(const QString &op, const QJsonObject &before, const QJsonObject &after);
// "共 3 个域名：新增 2，修改 1，删除 0，问题 1".
QString summary(const ChangePlan &plan);

// The warnings of one kind: "将有 CNAME 与其他记录并存：118 个域名" and each warning's text.
struct WarningGroup
{
    QString code;
    QString heading;
    int domains = 0; // how many domains the kind names
    QStringList texts;
};
// The warnings grouped by kind, in the order each kind first appears.
QList<WarningGroup> warningGroups(const QList<PlanWarning> &warnings);
// "将有 CNAME 与其他记录并存：118 个域名".
QString groupLine(const WarningGroup &group);
} // namespace PlanText

// The domains of a plan, one row each, with their counts and whether a warning names them.
struct PlanDomainRow
{
    QString domain;
    int counts[4] = {0, 0, 0, 0};
    bool warned = false;
    int index = 0; // in the plan's domains
    // A problem or conflict, or a warning, names this domain.
    bool needsEye() const { return warned || counts[3] > 0; }
};

class PlanDomainModel : public RowTableModel<PlanDomainRow>
{
    Q_OBJECT
public:
    enum Column
    {
        Domain,
        Creates,
        Changes,
        Deletes,
        Problems,
        Warned,
        ColumnCount
    };
    explicit PlanDomainModel(QObject *parent = nullptr);
    // The plan's domains in its order; with problemsFirst those that need the user's eye come
    // first, with problemsOnly only they are listed.
    void setPlan(const ChangePlan &plan, bool problemsFirst = false, bool problemsOnly = false);

protected:
    QVariant cell(const PlanDomainRow &r, int column, int role) const override;
};

// A read-only table of whole rows, one selected at a time, fixed row heights: how the plan and
// history views show their models.
QTableView *newRowTable(QAbstractItemModel *model, QWidget *parent);

// The steps of one domain of a plan: operation, before, after, why and what changes (the after
// of a change in bold).
class PlanStepModel : public RowTableModel<PlanStep>
{
    Q_OBJECT
public:
    explicit PlanStepModel(QObject *parent = nullptr);
    void setSteps(const QList<PlanStep> &steps) { setRows(steps); }

protected:
    QVariant cell(const PlanStep &s, int column, int role) const override;
};

// The steps of one domain of an undo: operation, what the record is now, what the job left,
// what undo makes it, and why. A conflict shows now and left side by side, now marked.
class UndoStepModel : public RowTableModel<PlanStep>
{
    Q_OBJECT
public:
    enum Column
    {
        Op,
        Now,
        Left,
        Goal,
        Why,
        ColumnCount
    };
    explicit UndoStepModel(QObject *parent = nullptr);

protected:
    QVariant cell(const PlanStep &s, int column, int role) const override;
};

// A plan as the batch preview and the undo preview show it: the counts, the warnings, the
// domains and the steps of the chosen one; while the plan is built, its progress and a stop
// button; then a button that runs exactly this plan.
class PlanView : public QWidget
{
    Q_OBJECT
public:
    explicit PlanView(QWidget *parent = nullptr);

    // Shown while the plan is being built; the run button waits.
    void setProgress(int position, int total);
    void setPlan(const ChangePlan &plan);
    const ChangePlan &plan() const { return m_plan; }
    // Shown while the plan runs: "正在执行 3/120 …", "停止" offered, run and close wait;
    // done < 0 when the run has ended.
    void setRunProgress(int done, int total);
    void setRunText(const QString &text);
    // Domains with problems, conflicts or warnings listed first (the undo preview).
    void setProblemsFirst(bool first);
    // Shows an undo: conflicts first, the steps with what is there now beside what the job
    // left, and the choice to overwrite conflicts ("有冲突时仍然撤销", unticked).
    void setUndo();

    QPushButton *runButton() const { return m_run; }
    QPushButton *stopButton() const { return m_stop; }
    QPushButton *closeButton() const { return m_close; }
    QTableView *domainTable() const { return m_domains; }
    // "只看问题": lists only the domains with problems, conflicts or warnings.
    QCheckBox *problemsOnlyBox() const { return m_problemsOnly; }
    QTableView *stepTable() const { return m_steps; }
    // The undo's "有冲突时仍然撤销"; hidden elsewhere. Ticking it asks for the plan again.
    QCheckBox *forceBox() const { return m_force; }
    QLabel *summaryLabel() const { return m_summary; }
    // The warnings, one collapsed entry per kind with its count, of bounded height.
    QTreeWidget *warningList() const { return m_warnings; }

signals:
    void runRequested();
    void stopRequested();
    void closeRequested();
    void forceToggled(bool force);

private:
    void showDomain(int row);
    void listDomains();

    ChangePlan m_plan;
    PlanDomainModel *m_domainModel;
    RowTableModel<PlanStep> *m_stepModel;
    QLabel *m_summary;
    QTreeWidget *m_warnings;
    QCheckBox *m_problemsOnly;
    QCheckBox *m_force;
    bool m_problemsFirst = false;
    QTableView *m_domains;
    QTableView *m_steps;
    QPushButton *m_stop;
    QPushButton *m_run;
    QPushButton *m_close;
};
