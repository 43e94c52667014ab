#pragma once

#include "client/live/LiveCheck.h"

#include <QDialog>
#include <QList>
#include <QPair>
#include <QPointer>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class User;

// "检测生效" over the records one journaled job changed: checks them domain by domain on each
// name server, with progress and "停止", and lists the records not yet live.
class LiveCheckDialog : public QDialog
{
    Q_OBJECT
public:
    // The record sets of job, per domain, with the domains' records read from the service; the
    // reason in error when there is nothing to check or the records cannot be read.
    static bool jobChecks(User &user, qint64 job, QList<QPair<QString, QList<LiveTarget>>> &checks,
                          QString &error);

    // Opens the check of job over parent and starts it; null (the reason shown) when there is
    // nothing to check. The window deletes itself when closed.
    static LiveCheckDialog *openForJob(User &user, qint64 job, const QString &title,
                                       QWidget *parent);

    LiveCheckDialog(QWidget *parent, const QString &title, const LiveSettings &settings);

    // Starts checking; finished() follows once every domain is checked or the user stopped.
    void start(const QList<QPair<QString, QList<LiveTarget>>> &checks);
    bool isRunning() const { return m_check != nullptr; }
    const QList<LiveReport> &reports() const { return m_reports; }

    QListWidget *notLiveList() const { return m_list; }
    QPushButton *stopButton() const { return m_stop; }

signals:
    void finished();

private:
    void next();
    void checked();
    void stopClicked();

    LiveSettings m_settings;
    QList<QPair<QString, QList<LiveTarget>>> m_checks;
    QList<LiveReport> m_reports;
    QPointer<LiveCheck> m_check;
    bool m_stopped = false;
    QLabel *m_status;
    QProgressBar *m_bar;
    QListWidget *m_list;
    QPushButton *m_stop;
};
