#include "manage/records/ZoneImportDialog.h"

#include "client/zone/ZonePlanner.h"
#include "manage/records/ZonePlanModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char *const kPrimaryStyle =
    "QPushButton{background:#008cee;color:#fff;border:none;border-radius:4px;padding:0px 12px;}"
    "QPushButton:hover{background:#33aaff;}QPushButton:pressed{background:#0074c7;}"
    "QPushButton:disabled{background:#a6d4f7;}";
const char *const kPlainStyle =
    "QPushButton{background:#fff;color:#606266;border:1px solid #dcdfe6;border-radius:4px;"
    "padding:0px 12px;}QPushButton:hover{color:#008cee;border-color:#008cee;}"
    "QPushButton:pressed{color:#0074c7;border-color:#0074c7;}";

QPushButton *button(const QString &text, const char *style, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setFixedSize(80, 30);
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QString::fromLatin1(style));
    return b;
}

} // namespace

ZoneImportDialog::ZoneImportDialog(const QString &domain, const QString &fileName,
                                   const ZoneFile &file, const QList<Record> &live,
                                   const QList<QPair<int, QString>> &lines, QWidget *parent)
    : QDialog(parent), m_domain(domain), m_fileName(fileName), m_file(file), m_live(live),
      m_model(new ZonePlanModel(this))
{
    setWindowTitle(QStringLiteral("导入 %1 到 %2").arg(fileName, domain));
    setWindowModality(Qt::WindowModal);
    resize(820, 520);

    auto *options = new QHBoxLayout;
    options->addWidget(new QLabel(QStringLiteral("导入到线路"), this));
    m_line = new QComboBox(this);
    for (const auto &line : lines)
        m_line->addItem(line.second, line.first);
    m_line->setMinimumWidth(140);
    options->addWidget(m_line);
    m_prune = new QCheckBox(QStringLiteral("删除该线路上文件中没有的记录"), this);
    m_prune->setToolTip(QStringLiteral("@ 的 NS 记录和已暂停的记录不会删除"));
    options->addSpacing(16);
    options->addWidget(m_prune);
    options->addStretch();

    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(ZonePlanModel::Value, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(ZonePlanModel::Reason, QHeaderView::Stretch);

    m_summary = new QLabel(this);
    m_summary->setStyleSheet(QStringLiteral("color:#606266;"));
    m_warnings = new QLabel(this);
    m_warnings->setWordWrap(true);
    m_warnings->setStyleSheet(QStringLiteral("color:#f56c6c;"));

    m_run = button(QStringLiteral("执行"), kPrimaryStyle, this);
    QPushButton *cancel = button(QStringLiteral("取消"), kPlainStyle, this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_summary, 1);
    buttons->addWidget(m_run);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_warnings);
    layout->addLayout(buttons);

    connect(m_line, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ZoneImportDialog::replan);
    connect(m_prune, &QCheckBox::toggled, this, &ZoneImportDialog::replan);
    connect(m_run, &QPushButton::clicked, this, &ZoneImportDialog::runRequested);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    replan();
}

const ChangePlan &ZoneImportDialog::plan() const
{
    return m_model->plan();
}

bool ZoneImportDialog::prune() const
{
    return m_prune->isChecked();
}

void ZoneImportDialog::replan()
{
    m_lineID = m_line->currentData().toInt();
    const ChangePlan plan =
        planZoneImport(m_file, m_domain, m_live, m_lineID, m_prune->isChecked());
    m_model->setPlan(plan);
    m_table->resizeColumnsToContents();
    const QMap<QString, int> counts = plan.counts();
    m_summary->setText(QStringLiteral("新增 %1，修改 %2，不变 %3，删除 %4，无法导入 %5，跳过 %6")
                           .arg(counts.value(StepOps::Create))
                           .arg(counts.value(StepOps::Change))
                           .arg(counts.value(StepOps::Unchanged))
                           .arg(counts.value(StepOps::Delete))
                           .arg(counts.value(StepOps::Problem))
                           .arg(counts.value(StepOps::Skip)));
    QStringList marked;
    for (const PlanWarning &w : plan.warnings)
        marked.append(QStringLiteral("⚠ ") + w.text);
    m_warnings->setText(marked.join(QLatin1Char('\n')));
    m_warnings->setVisible(!marked.isEmpty());
    m_run->setEnabled(plan.changesAnything());
}
