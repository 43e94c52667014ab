#pragma once

#include "client/Types.h"
#include "client/plan/HitEditPlanner.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The small form of "修改选中记录": a new value, TTL and line for the ticked records, each left
// empty (or "不修改") to keep that field. OK is refused, with the reason in the form, while the
// form asks nothing or holds a bad TTL.
class HitEditForm : public QDialog
{
    Q_OBJECT
public:
    // lines: the lines to offer, finer lines under their parents.
    HitEditForm(QWidget *parent, int count, const QList<View> &lines);

    HitEdit edit() const;

    QLineEdit *ttlEdit() const { return m_ttl; }
    QComboBox *lineBox() const { return m_line; }
    QPushButton *okButton() const { return m_ok; }
    QLabel *errorLabel() const { return m_error; }

private:
    void okClicked();

    QLineEdit *m_value;
    QLineEdit *m_ttl;
    QComboBox *m_line;
    QLabel *m_error;
    QPushButton *m_ok;
};
