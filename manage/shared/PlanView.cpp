#include "manage/shared/PlanView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Which count of a domain row a step adds to; -1 for none.
int countColumn(const PlanStep &step)
{
    if (step.op == StepOps::Create || step.op == StepOps::DomainCreate)
        return 0;
    if (step.op == StepOps::Delete || step.op == StepOps::DomainDelete)
        return 2;
    if (opSendsRequest(step.op))
        return 1;
    if (step.op == StepOps::Unchanged || step.op == StepOps::AlreadyReverted)
        return -1;
    return 3;
}

} // namespace

QTableView *newRowTable(QAbstractItemModel *model, QWidget *parent)
{
    auto *t = new QTableView(parent);
    t->setModel(model);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->hide();
    // Fixed row heights keep a plan of a thousand domains from measuring every row.
    t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    t->verticalHeader()->setDefaultSectionSize(26);
    t->horizontalHeader()->setStretchLastSection(true);
    t->setWordWrap(false);
    return t;
}

namespace PlanText {

QString opName(const QString &op)
{
    static const QHash<QString, QString> names{
        {StepOps::Create, QStringLiteral("新增记录")},
        {StepOps::Change, QStringLiteral("修改记录")},
        {StepOps::Delete, QStringLiteral("删除记录")},
        {StepOps::Pause, QStringLiteral("暂停记录")},
        {StepOps::Start, QStringLiteral("启用记录")},
        {StepOps::DomainPause, QStringLiteral("暂停域名")},
        {StepOps::DomainStart, QStringLiteral("启用域名")},
        {StepOps::DomainLock, QStringLiteral("锁定域名")},
        {StepOps::DomainUnlock, QStringLiteral("解锁域名")},
        {StepOps::DomainMove, QStringLiteral("移动分组")},
        {StepOps::DomainDelete, QStringLiteral("删除域名")},
        {StepOps::DomainCreate, QStringLiteral("重新添加域名")},
        {StepOps::Unchanged, QStringLiteral("无需修改")},
        {StepOps::NotFound, QStringLiteral("未找到记录")},
        {StepOps::UnknownDomain, QStringLiteral("域名不在账户中")},
        {StepOps::Locked, QStringLiteral("域名已锁定")},
        {StepOps::Paused, QStringLiteral("域名已暂停")},
        {StepOps::Problem, QStringLiteral("无法处理")},
        {StepOps::AlreadyReverted, QStringLiteral("已是原样")},
        {StepOps::Conflict, QStringLiteral("冲突")},
    };
    return names.value(op, op);
}

QString stateText(const QString &op, const QJsonObject &state)
{
    if (state.isEmpty())
        return QString();
    if (op.startsWith(QLatin1String("domain-")))
        return state.value(QLatin1String("name")).toString();
    QString text = QStringLiteral("%1 %2 %3")
                       .arg(state.value(QLatin1String("host")).toString(),
                            state.value(QLatin1String("type")).toString(),
                            state.value(QLatin1String("value")).toString());
    const QString line = state.value(QLatin1String("lineName")).toString();
    if (!line.isEmpty())
        text += QStringLiteral(" (%1)").arg(line);
    if (state.value(QLatin1String("type")).toString() == QLatin1String("MX"))
        text += QStringLiteral(" MX %1").arg(state.value(QLatin1String("mx")).toInt());
    const int ttl = state.value(QLatin1String("ttl")).toInt();
    if (ttl > 0)
        text += QStringLiteral(" TTL %1").arg(ttl);
    return text;
}

QString changeText(const QString &op, const QJsonObject &before, const QJsonObject &after)
{
    if (op.startsWith(QLatin1String("domain-")) || before.isEmpty() || after.isEmpty())
        return QString();
    // The fields a person tells records by, in the order the record page shows them.
    static const struct
    {
        const char *key;
        const char *name;
    } fields[] = {{"host", "主机记录"}, {"type", "类型"}, {"value", "记录值"},
                  {"lineName", "线路"}, {"mx", "MX"},     {"ttl", "TTL"}};
    QStringList changes;
    for (const auto &f : fields) {
        const QJsonValue from = before.value(QLatin1String(f.key));
        const QJsonValue to = after.value(QLatin1String(f.key));
        // A field one side does not carry is not a change (an older journal, a value-only plan).
        if (from.isUndefined() || to.isUndefined() || from == to)
            continue;
        if (QLatin1String(f.key) == QLatin1String("mx") &&
            after.value(QLatin1String("type")).toString() != QLatin1String("MX"))
            continue;
        const auto text = [](const QJsonValue &v) {
            return v.isDouble() ? QString::number(v.toInt()) : v.toString();
        };
        changes.append(
            QStringLiteral("%1 %2 → %3").arg(QString::fromUtf8(f.name), text(from), text(to)));
    }
    return changes.join(QStringLiteral("；"));
}

QString summary(const ChangePlan &plan)
{
    int counts[4] = {0, 0, 0, 0};
    for (const DomainPlan &d : plan.domains) {
        for (const PlanStep &s : d.steps) {
            const int c = countColumn(s);
            if (c >= 0)
                ++counts[c];
        }
    }
    return QStringLiteral("共 %1 个域名：新增 %2，修改 %3，删除 %4，问题 %5")
        .arg(plan.domains.size())
        .arg(counts[0])
        .arg(counts[1])
        .arg(counts[2])
        .arg(counts[3]);
}

QList<WarningGroup> warningGroups(const QList<PlanWarning> &warnings)
{
    static const QHash<QString, QString> headings{
        {QStringLiteral("cname-beside-others"), QStringLiteral("将有 CNAME 与其他记录并存")},
        {QStringLiteral("ns-at-apex"), QStringLiteral("主机记录 @ 将有 NS 记录")},
        {QStringLiteral("second-spf"), QStringLiteral("将有多条 SPF 记录")},
        {QStringLiteral("large-change"), QStringLiteral("三成以上的记录将被修改或删除")},
        {QStringLiteral("domain-created-anew"), QStringLiteral("将重新添加为新域名")},
    };
    QList<WarningGroup> groups;
    QHash<QString, int> indexOf;
    QHash<QString, QSet<QString>> domainsOf;
    for (const PlanWarning &w : warnings) {
        auto found = indexOf.find(w.code);
        if (found == indexOf.end()) {
            WarningGroup g;
            g.code = w.code;
            // A kind without a heading of its own is named by its first warning.
            g.heading = headings.value(w.code, w.text);
            found = indexOf.insert(w.code, groups.size());
            groups.append(g);
        }
        WarningGroup &g = groups[*found];
        g.texts.append(w.text);
        QSet<QString> &domains = domainsOf[w.code];
        domains.insert(w.domain);
        g.domains = domains.size();
    }
    return groups;
}

QString groupLine(const WarningGroup &group)
{
    return QStringLiteral("%1：%2 个域名").arg(group.heading).arg(group.domains);
}

} // namespace PlanText

PlanDomainModel::PlanDomainModel(QObject *parent)
    : RowTableModel({QStringLiteral("域名"), QStringLiteral("新增"), QStringLiteral("修改"),
                     QStringLiteral("删除"), QStringLiteral("问题"), QStringLiteral("警告")},
                    parent)
{}

void PlanDomainModel::setPlan(const ChangePlan &plan, bool problemsFirst, bool problemsOnly)
{
    QSet<QString> warned;
    for (const PlanWarning &w : plan.warnings)
        warned.insert(w.domain);
    QList<PlanDomainRow> rows;
    rows.reserve(plan.domains.size());
    for (int i = 0; i < plan.domains.size(); ++i) {
        const DomainPlan &d = plan.domains.at(i);
        PlanDomainRow r;
        r.domain = d.domain;
        r.warned = warned.contains(d.domain);
        r.index = i;
        for (const PlanStep &s : d.steps) {
            const int c = countColumn(s);
            if (c >= 0)
                ++r.counts[c];
        }
        if (!problemsOnly || r.needsEye())
            rows.append(r);
    }
    if (problemsFirst)
        std::stable_sort(rows.begin(), rows.end(),
                         [](const PlanDomainRow &a, const PlanDomainRow &b) {
                             return a.needsEye() && !b.needsEye();
                         });
    setRows(rows);
}

QVariant PlanDomainModel::cell(const PlanDomainRow &r, int column, int role) const
{
    if (role == Qt::ForegroundRole && (r.warned || r.counts[3] > 0))
        return problemColor();
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (column) {
    case Domain:
        return r.domain;
    case Warned:
        return r.warned ? QStringLiteral("⚠ 有警告") : QString();
    default:
        return r.counts[column - Creates];
    }
}

PlanStepModel::PlanStepModel(QObject *parent)
    : RowTableModel({QStringLiteral("操作"), QStringLiteral("原记录"), QStringLiteral("新记录"),
                     QStringLiteral("说明"), QStringLiteral("改动")},
                    parent)
{}

QVariant PlanStepModel::cell(const PlanStep &s, int column, int role) const
{
    if (role == Qt::ForegroundRole && countColumn(s) == 3)
        return problemColor();
    if (role == Qt::FontRole && column == 2 &&
        !PlanText::changeText(s.op, s.before, s.after).isEmpty())
        return boldFont();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (column) {
    case 0:
        return QString(PlanText::opName(s.op) + (s.forced ? QStringLiteral(" (强制)") : QString()));
    case 1:
        return PlanText::stateText(s.op, s.before);
    case 2:
        return PlanText::stateText(s.op, s.after);
    case 3:
        return s.problem;
    default:
        return PlanText::changeText(s.op, s.before, s.after);
    }
}

UndoStepModel::UndoStepModel(QObject *parent)
    : RowTableModel({QStringLiteral("操作"), QStringLiteral("现在"), QStringLiteral("操作留下的"),
                     QStringLiteral("撤销后"), QStringLiteral("说明")},
                    parent)
{}

QVariant UndoStepModel::cell(const PlanStep &s, int column, int role) const
{
    const bool conflict = s.op == StepOps::Conflict || s.forced;
    if (role == Qt::ForegroundRole && (countColumn(s) == 3 || (conflict && column == Now)))
        return problemColor();
    // What differs from what the job left is the conflict: the record now, in bold.
    if (role == Qt::FontRole && conflict && column == Now)
        return boldFont();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    // A domain's state, by its name, whatever the step's operation.
    const QString op = s.now.contains(QLatin1String("host")) ||
                               s.after.contains(QLatin1String("host")) ||
                               s.left.contains(QLatin1String("host"))
                           ? s.op
                           : StepOps::DomainPause;
    switch (column) {
    case Op:
        return QString(PlanText::opName(s.op) + (s.forced ? QStringLiteral(" (强制)") : QString()));
    case Now:
        return s.now.isEmpty() && role == Qt::DisplayRole && !s.left.isEmpty()
                   ? QStringLiteral("(已不存在)")
                   : PlanText::stateText(op, s.now);
    case Left:
        return PlanText::stateText(op, s.left);
    case Goal: {
        const QString goal = PlanText::stateText(op, s.after);
        if (role != Qt::ToolTipRole)
            return goal;
        const QString change = PlanText::changeText(StepOps::Change, s.now, s.after);
        return change.isEmpty() ? goal : goal + QLatin1Char('\n') + change;
    }
    default:
        return s.problem;
    }
}

PlanView::PlanView(QWidget *parent)
    : QWidget(parent), m_domainModel(new PlanDomainModel(this)),
      m_stepModel(new PlanStepModel(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    // However many warnings, the list keeps to a few lines and scrolls: the tables and the
    // buttons below stay in view.
    m_warnings = new QTreeWidget(this);
    m_warnings->setObjectName(QStringLiteral("planWarnings"));
    m_warnings->setHeaderHidden(true);
    m_warnings->setColumnCount(1);
    m_warnings->setUniformRowHeights(true);
    m_warnings->setStyleSheet(QStringLiteral("QTreeWidget{color:#e04b3c;}"));
    m_warnings->setMaximumHeight(5 * 24);
    m_warnings->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    m_warnings->hide();
    m_domains = newRowTable(m_domainModel, this);
    m_steps = newRowTable(m_stepModel, this);
    m_domains->horizontalHeader()->resizeSection(PlanDomainModel::Domain, 220);
    m_steps->horizontalHeader()->resizeSection(0, 110);
    m_steps->horizontalHeader()->resizeSection(1, 220);
    m_steps->horizontalHeader()->resizeSection(2, 220);

    auto *buttons = new QHBoxLayout;
    m_stop = new QPushButton(QStringLiteral("停止"), this);
    m_close = new QPushButton(QStringLiteral("返回"), this);
    m_run = new QPushButton(QStringLiteral("执行此计划"), this);
    m_run->setEnabled(false);
    buttons->addWidget(m_stop);
    buttons->addStretch();
    buttons->addWidget(m_close);
    buttons->addWidget(m_run);

    m_problemsOnly = new QCheckBox(QStringLiteral("只看问题"), this);
    m_problemsOnly->setObjectName(QStringLiteral("planProblemsOnly"));
    m_problemsOnly->hide();
    connect(m_problemsOnly, &QCheckBox::toggled, this, &PlanView::listDomains);
    m_force = new QCheckBox(QStringLiteral("有冲突时仍然撤销"), this);
    m_force->setObjectName(QStringLiteral("planForce"));
    m_force->setToolTip(QStringLiteral("记录在此之后又被修改过时，仍改回修改前的样子"));
    m_force->hide();
    connect(m_force, &QCheckBox::toggled, this, &PlanView::forceToggled);
    auto *choices = new QHBoxLayout;
    choices->addWidget(m_problemsOnly);
    choices->addStretch();
    choices->addWidget(m_force);

    layout->addWidget(m_summary);
    layout->addWidget(m_warnings);
    layout->addLayout(choices);
    layout->addWidget(m_domains, 3);
    layout->addWidget(m_steps, 2);
    layout->addLayout(buttons);

    connect(m_domains->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showDomain(current.row()); });
    connect(m_run, &QPushButton::clicked, this, &PlanView::runRequested);
    connect(m_stop, &QPushButton::clicked, this, &PlanView::stopRequested);
    connect(m_close, &QPushButton::clicked, this, &PlanView::closeRequested);
}

void PlanView::setProgress(int position, int total)
{
    m_summary->setText(QStringLiteral("正在读取记录 %1/%2 …").arg(position).arg(total));
    m_stop->show();
    m_run->setEnabled(false);
    m_force->setEnabled(false);
}

void PlanView::setPlan(const ChangePlan &plan)
{
    m_plan = plan;
    m_summary->setText(PlanText::summary(plan));
    m_warnings->clear();
    for (const PlanText::WarningGroup &g : PlanText::warningGroups(plan.warnings)) {
        auto *group =
            new QTreeWidgetItem(m_warnings, {QStringLiteral("⚠ ") + PlanText::groupLine(g)});
        for (const QString &text : g.texts)
            new QTreeWidgetItem(group, {text});
    }
    // A single kind opens at once; several stay folded to their counts.
    if (m_warnings->topLevelItemCount() == 1)
        m_warnings->expandAll();
    m_warnings->setVisible(!plan.warnings.isEmpty());
    m_stop->hide();
    m_run->setEnabled(plan.changesAnything());
    m_force->setEnabled(true);
    listDomains();
    bool anyProblem = false;
    for (const PlanDomainRow &r : m_domainModel->rows())
        anyProblem = anyProblem || r.needsEye();
    m_problemsOnly->setVisible(anyProblem || m_problemsOnly->isChecked());
}

void PlanView::setProblemsFirst(bool first)
{
    m_problemsFirst = first;
    listDomains();
}

void PlanView::setUndo()
{
    setProblemsFirst(true);
    auto *steps = new UndoStepModel(this);
    QItemSelectionModel *oldSelection = m_steps->selectionModel();
    m_steps->setModel(steps);
    delete oldSelection;
    delete m_stepModel;
    m_stepModel = steps;
    m_force->setChecked(false);
    m_force->show();
    // The three records and the why share the width, each on up to three lines, so that a
    // conflict's record now and what the job left read whole side by side at 900 wide.
    QHeaderView *columns = m_steps->horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Stretch);
    columns->setSectionResizeMode(UndoStepModel::Op, QHeaderView::ResizeToContents);
    m_steps->setWordWrap(true);
    // Taller rows, so the steps take the larger share: an undo is read step by step.
    if (auto *box = qobject_cast<QBoxLayout *>(layout())) {
        box->setStretchFactor(m_domains, 2);
        box->setStretchFactor(m_steps, 3);
    }
    m_steps->verticalHeader()->setDefaultSectionSize(
        std::max(m_steps->verticalHeader()->defaultSectionSize(),
                 3 * m_steps->fontMetrics().lineSpacing() + 10));
    listDomains();
}

void PlanView::listDomains()
{
    m_domainModel->setPlan(m_plan, m_problemsFirst, m_problemsOnly->isChecked());
    if (m_domainModel->rowCount() > 0)
        m_domains->setCurrentIndex(m_domainModel->index(0, 0));
    else
        m_stepModel->setRows({});
}

void PlanView::setRunProgress(int done, int total)
{
    const bool running = done >= 0;
    if (running)
        m_summary->setText(QStringLiteral("正在执行 %1/%2 …").arg(done).arg(total));
    else
        m_summary->setText(PlanText::summary(m_plan));
    m_stop->setVisible(running);
    m_stop->setEnabled(running);
    m_run->setEnabled(false);
    m_close->setEnabled(!running);
    // The plan that runs is the one shown: its choice waits too.
    m_force->setEnabled(false);
}

void PlanView::setRunText(const QString &text)
{
    m_run->setText(text);
}

void PlanView::showDomain(int row)
{
    const int index =
        row >= 0 && row < m_domainModel->rowCount() ? m_domainModel->row(row).index : -1;
    m_stepModel->setRows(index >= 0 && index < m_plan.domains.size()
                             ? m_plan.domains.at(index).steps
                             : QList<PlanStep>());
}
