// In-place editors of the record table: an existing record's row, or a new row at the top.
#include "manage/records/RecordPage.h"

#include "client/RecordValidation.h"
#include "client/User.h"
#include "client/journal/JobSteps.h"
#include "client/plan/ChangePlan.h"
#include "client/plan/RecordJson.h"
#include "manage/records/RecordRowText.h"
#include "manage/shared/FieldKeys.h"
#include "manage/shared/LineMenu.h"
#include "manage/shared/PageJournal.h"
#include "manage/shared/PageShell.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {

const QString kFieldStyle = QStringLiteral("margin:6px 5px;");

QLineEdit *fieldEdit(const QString &text)
{
    auto *edit = new QLineEdit(text);
    edit->setStyleSheet(kFieldStyle);
    return edit;
}

QComboBox *typeCombo(const QStringList &names, const QStringList &codes)
{
    auto *combo = new QComboBox;
    combo->setStyleSheet(QStringLiteral("QComboBox{margin:6px 5px;}"));
    int widest = 0;
    for (int i = 0; i < names.size(); ++i) {
        combo->addItem(names.at(i), codes.value(i));
        widest = qMax(widest, combo->fontMetrics().horizontalAdvance(names.at(i)));
    }
    combo->setFixedWidth(widest + 30);
    return combo;
}

QPushButton *smallButton(const QString &text, const QString &style, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setFixedSize(40, 28);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(style);
    return button;
}

// Trimmed editor texts; a change sends only the non-empty ones.
RecordDraft draftOf(const QLineEdit *host, const QComboBox *type, const QLineEdit *value,
                    const QLineEdit *ttl, const QLineEdit *mx, bool isNew)
{
    return RecordDraft{host->text().trimmed(),  type->currentData().toString(),
                       value->text().trimmed(), ttl->text().trimmed(),
                       mx->text().trimmed(),    isNew};
}

bool editorAlive(const QPointer<QLineEdit> &host, const QPointer<QComboBox> &type,
                 const QPointer<QLineEdit> &value, const QPointer<QPushButton> &line,
                 const QPointer<QLineEdit> &mx, const QPointer<QLineEdit> &ttl)
{
    return host && type && value && line && mx && ttl;
}

void setBusy(const QPointer<QPushButton> &save, const QPointer<QPushButton> &cancel, bool busy)
{
    if (save)
        save->setEnabled(!busy);
    if (cancel)
        cancel->setEnabled(!busy);
}

void refuseSave(const QString &reason)
{
    User::showMsgBox(QStringLiteral("保存失败:") + reason, QString(), 1);
}

} // namespace

QPushButton *RecordPage::makeLineButton(Record *record)
{
    auto *button = new QPushButton;
    button->setObjectName(QStringLiteral("xlbtn"));
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("#xlbtn{margin:6px 5px;text-align:center;border:1px solid #E1E1E1;}"));
    buildLineMenu(m_window, button, record, m_domain.data());
    return button;
}

RecordPage::Editor RecordPage::placeEditor(int row, QPushButton *lineButton, const Record *record)
{
    User &u = user();
    Editor e;
    e.host = fieldEdit(record ? record->host : QString());
    e.type = typeCombo(u.recordTypes, u.recordTypes2);
    if (record) {
        const int at =
            e.type->findData(record->type, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at >= 0)
            e.type->setCurrentIndex(at);
    }
    e.value = fieldEdit(record ? record->value : QString());
    e.line = lineButton;
    e.mx = fieldEdit(QString());
    e.ttl = fieldEdit(record ? QString::number(record->ttl) : QString());

    auto *actions = new QWidget;
    auto *layout = new QHBoxLayout(actions);
    layout->setContentsMargins(2, 0, 0, 0);
    e.save = smallButton(QStringLiteral("保存"),
                         QStringLiteral("color:#fff;border-radius:2px;font:12px;"
                                        "background:#1eb6f6;"),
                         actions);
    e.cancel = smallButton(
        QStringLiteral("取消"),
        QStringLiteral("QPushButton{color:#1eb6f6;border-radius:2px;border:1px solid #1eb6f6;"
                       "background:#fff;font:12px;}\n"
                       "QPushButton:hover{color:#fff;background:#1eb6f6;}"),
        actions);
    layout->addWidget(e.save);
    layout->addWidget(e.cancel);
    layout->addStretch();

    paintRowItems(row);
    placeCellWidget(row, 0, e.host);
    placeCellWidget(row, 1, e.type);
    placeCellWidget(row, 2, e.value);
    placeCellWidget(row, 3, e.line);
    placeCellWidget(row, 4, e.mx);
    placeCellWidget(row, 5, e.ttl);
    placeCellWidget(row, 6, actions);
    acceptDigitsOnly(e.mx);
    acceptDigitsOnly(e.ttl);
    bindEditorKeys({e.host, e.value, e.mx, e.ttl}, e.save, e.cancel);
    chainTabOrder({e.host, e.type, e.value, e.line, e.mx, e.ttl, e.save, e.cancel});
    e.host->setFocus();
    return e;
}

void RecordPage::activateRow(Record *rcp)
{
    const int row = rowOf(rcp);
    if (row < 0 || headerItem(row)->data(EditingRole).toBool())
        return;
    const QSharedPointer<Record> record = recordAt(row);
    const QSharedPointer<Domain> domain = m_domain;
    headerItem(row)->setData(EditingRole, true);

    // The line list may have to be fetched; the page can change meanwhile.
    QPushButton *line = makeLineButton(record.data());
    const int at = rowOf(rcp);
    if (at < 0 || m_domain != domain) {
        delete line;
        return;
    }
    View current = record->view;
    if (current.viewName.isEmpty())
        current = View{recordLineText(current), record->viewID, kAbsent, {}};
    setChosenLine(line, current);

    const Editor e = placeEditor(at, line, record.data());
    connect(e.save, &QPushButton::clicked, this,
            [this, record, domain, e] { saveEdit(record, domain, e); });
    connect(e.cancel, &QPushButton::clicked, this, [this, record] { fillRecordRow(record); });
}

void RecordPage::activateRowAdd()
{
    const QSharedPointer<Domain> domain = m_domain;
    if (!domain)
        return;
    QPushButton *line = makeLineButton(nullptr);
    if (m_domain != domain) {
        delete line;
        return;
    }
    setChosenLine(line, View{QStringLiteral("默认"), 0, 1, {}});

    QTableWidget *table = m_w.tableR;
    table->insertRow(0);
    auto *header = new QTableWidgetItem;
    header->setData(EditingRole, true);
    table->setVerticalHeaderItem(0, header);
    setPendingNewRows(pendingNewRows() + 1);
    updateOperationsWidth();

    const Editor e = placeEditor(0, line, nullptr);
    connect(e.save, &QPushButton::clicked, this, [this, domain, e] { saveNew(domain, e); });
    connect(e.cancel, &QPushButton::clicked, this, [this, e] { cancelNew(e); });
}

namespace {

// record as the edit in draft leaves it: fields left empty are not sent, so the service keeps
// them.
Record editedByDraft(const Record &record, const RecordDraft &draft, const View &line)
{
    Record r = record;
    if (!draft.host.isEmpty())
        r.host = draft.host;
    r.type = draft.type;
    if (!draft.value.isEmpty())
        r.value = draft.value;
    bool isNumber = false;
    const int ttl = draft.ttl.toInt(&isNumber);
    if (isNumber)
        r.ttl = ttl;
    const int mx = draft.mx.toInt(&isNumber);
    if (isNumber)
        r.mx = mx;
    r.setLine(line);
    r.viewName = recordLineText(line);
    return r;
}

} // namespace

void RecordPage::saveEdit(QSharedPointer<Record> record, QSharedPointer<Domain> domain, Editor e)
{
    if (!editorAlive(e.host, e.type, e.value, e.line, e.mx, e.ttl))
        return;
    const RecordDraft draft = draftOf(e.host, e.type, e.value, e.ttl, e.mx, false);
    const QString problem = recordDraftProblem(draft);
    if (!problem.isEmpty()) {
        refuseSave(problem);
        return;
    }
    const View line = chosenLine(e.line);
    PageJournal journal;
    if (!journal.begin(user(), QStringLiteral("record"),
                       QStringLiteral("修改 %1 (%2)").arg(record->host, domain->name)))
        return;
    const Record edited = editedByDraft(*record, draft, line);
    const qint64 step =
        journal.pendingStep(user(), *domain, recordStep(StepOps::Change, record.data(), &edited));
    if (!step) {
        journal.finish();
        return;
    }
    setBusy(e.save, e.cancel, true);
    const bool saved =
        user().editRecord(domain.data(), record->id, draft.host, draft.type, draft.value, draft.ttl,
                          draft.mx, QString::number(line.viewID));
    setBusy(e.save, e.cancel, false);
    journal.settle(step, saved, user());
    journal.finish();
    if (!saved) {
        refuseSave(user().errorText);
        return;
    }

    // Only the edited fields: a reload during the call may have refreshed the rest.
    record->host = edited.host;
    record->type = edited.type;
    record->value = edited.value;
    record->ttl = edited.ttl;
    record->mx = edited.mx;
    record->setLine(edited.view);
    record->viewName = edited.viewName;
    fillRecordRow(record);
}

void RecordPage::saveNew(QSharedPointer<Domain> domain, Editor e)
{
    if (!editorAlive(e.host, e.type, e.value, e.line, e.mx, e.ttl))
        return;
    const RecordDraft draft = draftOf(e.host, e.type, e.value, e.ttl, e.mx, true);
    const QString problem = recordDraftProblem(draft);
    if (!problem.isEmpty()) {
        refuseSave(problem);
        return;
    }
    User &u = user();
    PageJournal journal;
    if (!journal.begin(u, QStringLiteral("record"),
                       QStringLiteral("添加 %1 (%2)").arg(draft.host, domain->name)))
        return;
    Record wanted;
    wanted.host = draft.host;
    wanted.type = draft.type;
    wanted.value = draft.value;
    wanted.setLine(chosenLine(e.line).viewID);
    wanted.ttl = draft.ttl.toInt();
    wanted.mx = draft.type == QLatin1String("MX") ? draft.mx.toInt() : 0;
    const qint64 step =
        journal.pendingStep(u, *domain, recordStep(StepOps::Create, nullptr, &wanted));
    if (!step) {
        journal.finish();
        return;
    }
    Record created;
    setBusy(e.save, e.cancel, true);
    const bool saved = u.addRecord(domain.data(), draft.value, draft.type,
                                   QString::number(chosenLine(e.line).viewID), draft.host,
                                   draft.ttl, draft.mx, &created);
    setBusy(e.save, e.cancel, false);
    // The new record's id, so that an undo deletes exactly it.
    wanted.id = created.id;
    journal.settle(step, saved, u, saved ? recordToJson(wanted) : QJsonObject());
    journal.finish();
    if (!saved) {
        refuseSave(u.errorText);
        return;
    }

    // The line as the account lists it, for the table.
    const View line = u.getVID2V(domain->views, created.lineID);
    if (!line.viewName.isEmpty())
        created.setLine(line);
    // A reload during the call may already have listed it.
    const RecordList &records = domain->records;
    const bool listed = std::any_of(records.begin(), records.end(),
                                    [&created](const Record &r) { return r.id == created.id; });
    if (listed)
        return;
    const QSharedPointer<Record> stored = records.sharedOf(domain->records.append(created));

    const int row = rowOfEditor(e.host);
    if (row < 0 || m_domain != domain)
        return;
    QTableWidget *table = m_w.tableR;
    table->removeRow(row);
    setPendingNewRows(pendingNewRows() - 1);
    table->insertRow(row);
    auto *header = new QTableWidgetItem;
    header->setData(RecordRole, QVariant::fromValue(stored));
    table->setVerticalHeaderItem(row, header);
    fillRecordRow(stored);
    updateOperationsWidth();
}

void RecordPage::cancelNew(const Editor &e)
{
    const int row = rowOfEditor(e.host);
    if (row < 0)
        return;
    m_w.tableR->removeRow(row);
    setPendingNewRows(pendingNewRows() - 1);
    updateOperationsWidth();
}
