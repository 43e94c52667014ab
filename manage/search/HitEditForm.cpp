#include "manage/search/HitEditForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void addLines(QComboBox *combo, const QList<View> &lines, int depth)
{
    for (const View &v : lines) {
        if (combo->findData(v.viewID) < 0)
            combo->addItem(QString(depth * 2, QLatin1Char(' ')) + v.viewName, v.viewID);
        addLines(combo, v.subViews, depth + 1);
    }
}

} // namespace

HitEditForm::HitEditForm(QWidget *parent, int count, const QList<View> &lines)
    : QDialog(parent), m_value(new QLineEdit(this)), m_ttl(new QLineEdit(this)),
      m_line(new QComboBox(this)), m_error(new QLabel(this)), m_ok(nullptr)
{
    setObjectName(QStringLiteral("hitEditForm"));
    setWindowTitle(QStringLiteral("修改选中记录"));
    m_value->setObjectName(QStringLiteral("lineEdit_hvalue"));
    m_value->setPlaceholderText(QStringLiteral("留空则不修改"));
    m_ttl->setObjectName(QStringLiteral("lineEdit_httl"));
    m_ttl->setPlaceholderText(QStringLiteral("留空则不修改"));
    m_line->setObjectName(QStringLiteral("comboBox_hline"));
    m_line->addItem(QStringLiteral("不修改"), -1);
    addLines(m_line, lines, 0);
    if (m_line->findData(0) < 0)
        m_line->insertItem(1, QStringLiteral("默认"), 0);
    m_error->setObjectName(QStringLiteral("label_herror"));
    m_error->setStyleSheet(QStringLiteral("color:#e04b3c;"));
    m_error->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("将修改选中的 %1 条记录，留空的项保持原样。").arg(count), this));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("记录值"), m_value);
    form->addRow(QStringLiteral("TTL"), m_ttl);
    form->addRow(QStringLiteral("线路"), m_line);
    layout->addLayout(form);
    layout->addWidget(m_error);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(QStringLiteral("预览"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(m_ok, &QPushButton::clicked, this, &HitEditForm::okClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

HitEdit HitEditForm::edit() const
{
    HitEdit e;
    e.newValue = m_value->text().trimmed();
    e.newTtl = m_ttl->text().trimmed();
    e.newLineID = m_line->currentData().toInt();
    if (e.newLineID >= 0)
        e.newLineName = m_line->currentText().trimmed();
    return e;
}

void HitEditForm::okClicked()
{
    QString error;
    if (!checkHitEdit(edit(), error)) {
        m_error->setText(error);
        return;
    }
    accept();
}
