#pragma once

#include "client/Types.h"
#include "client/plan/ChangePlan.h"
#include "client/zone/ZoneRecords.h"

#include <QDialog>
#include <QList>
#include <QPair>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class ZonePlanModel;

// The preview of a zone import: the line to import into, whether records missing from the
// file are deleted, and the plan that follows, step by step with the skipped records, the
// counts and the warnings. "执行" asks the record page to run exactly the plan shown.
class ZoneImportDialog : public QDialog
{
    Q_OBJECT
public:
    // lines: the choices of line, id and name, the default line first.
    ZoneImportDialog(const QString &domain, const QString &fileName, const ZoneFile &file,
                     const QList<Record> &live, const QList<QPair<int, QString>> &lines,
                     QWidget *parent = nullptr);

    // The plan shown, made for lineID().
    const ChangePlan &plan() const;
    int lineID() const { return m_lineID; }
    QString fileName() const { return m_fileName; }
    bool prune() const;

    QComboBox *lineBox() const { return m_line; }
    QCheckBox *pruneBox() const { return m_prune; }
    QTableView *table() const { return m_table; }
    QLabel *summary() const { return m_summary; }
    QLabel *warnings() const { return m_warnings; }
    QPushButton *runButton() const { return m_run; }

signals:
    void runRequested();

private:
    void replan();

    QString m_domain;
    QString m_fileName;
    ZoneFile m_file;
    QList<Record> m_live;
    int m_lineID = 0;
    ZonePlanModel *m_model = nullptr;
    QComboBox *m_line = nullptr;
    QCheckBox *m_prune = nullptr;
    QTableView *m_table = nullptr;
    QLabel *m_summary = nullptr;
    QLabel *m_warnings = nullptr;
    QPushButton *m_run = nullptr;
};
