#include "manage/shared/LiveCheckDialog.h"

#include "client/RecordIdentity.h"
#include "client/User.h"
#include "client/WholeRecordList.h"
#include "client/journal/Journal.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

bool LiveCheckDialog::jobChecks(User &user, qint64 job,
                                QList<QPair<QString, QList<LiveTarget>>> &checks, QString &error)
{
    Journal journal;
    if (!journal.open(Journal::defaultPath(), false)) {
        error = journal.errorText();
        return false;
    }
    const QMap<QString, QList<RecordSetKey>> sets = jobRecordSets(journal.steps(job));
    if (sets.isEmpty()) {
        error = QStringLiteral("作业#%1没有改动解析记录").arg(job);
        return false;
    }
    for (auto it = sets.cbegin(); it != sets.cend(); ++it) {
        QSharedPointer<Domain> domain;
        for (int i = 0; i < user.domains.size(); ++i) {
            if (normalizeName(user.domains.at(i).name) == normalizeName(it.key()))
                domain = user.domains.shared(i);
        }
        if (!domain) {
            error = QStringLiteral("账号中没有域名%1").arg(it.key());
            return false;
        }
        // Every page: the job's record may lie past the first list a read returns (999), and
        // its set is judged by all of its records.
        QList<Record> records;
        if (!readWholeRecordList(user, *domain, records, true)) {
            error = QStringLiteral("无法读取%1的解析记录：%2").arg(it.key(), user.errorText);
            return false;
        }
        LiveScope scope;
        scope.onlySets = true;
        scope.sets = it.value();
        checks.append({it.key(), liveTargets(records, scope)});
    }
    return true;
}

LiveCheckDialog *LiveCheckDialog::openForJob(User &user, qint64 job, const QString &title,
                                             QWidget *parent)
{
    LiveSettings settings;
    QString error;
    QList<QPair<QString, QList<LiveTarget>>> checks;
    if (!LiveSettings::load(settings, error) || !jobChecks(user, job, checks, error)) {
        User::showMsgBox(QStringLiteral("无法检测：") + error, QString(), 1);
        return nullptr;
    }
    auto *dialog = new LiveCheckDialog(parent, title, settings);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->start(checks);
    return dialog;
}

LiveCheckDialog::LiveCheckDialog(QWidget *parent, const QString &title,
                                 const LiveSettings &settings)
    : QDialog(parent), m_settings(settings), m_status(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_list(new QListWidget(this)),
      m_stop(new QPushButton(QStringLiteral("停止"), this))
{
    setWindowTitle(title);
    resize(640, 400);
    m_status->setWordWrap(true);
    m_list->setObjectName(QStringLiteral("liveNotLive"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_bar);
    layout->addWidget(new QLabel(QStringLiteral("未生效的记录："), this));
    layout->addWidget(m_list);
    layout->addWidget(m_stop, 0, Qt::AlignRight);
    connect(m_stop, &QPushButton::clicked, this, &LiveCheckDialog::stopClicked);
}

void LiveCheckDialog::start(const QList<QPair<QString, QList<LiveTarget>>> &checks)
{
    m_checks = checks;
    m_reports.clear();
    m_list->clear();
    m_stopped = false;
    m_stop->setText(QStringLiteral("停止"));
    next();
}

void LiveCheckDialog::next()
{
    if (m_stopped || m_reports.size() == m_checks.size()) {
        int notLive = 0;
        QStringList summaries;
        for (const LiveReport &r : qAsConst(m_reports)) {
            summaries.append(QStringLiteral("%1：%2").arg(r.domain, liveSummaryText(r)));
            for (const RecordVerdict &v : recordVerdicts(r))
                notLive += v.live ? 0 : 1;
        }
        if (notLive == 0 && !m_stopped && m_list->count() == 0)
            m_list->addItem(QStringLiteral("无：每条记录均已生效"));
        m_status->setText(summaries.join(QLatin1Char('\n')));
        m_stop->setText(QStringLiteral("关闭"));
        emit finished();
        return;
    }
    const auto &check = m_checks.at(m_reports.size());
    m_status->setText(QStringLiteral("正在检测%1（%2/%3）…")
                          .arg(check.first)
                          .arg(m_reports.size() + 1)
                          .arg(m_checks.size()));
    m_bar->setRange(0, 0);
    m_check = new LiveCheck(m_settings, this);
    connect(m_check, &LiveCheck::progress, this, [this](int done, int total) {
        // Every reply moving the bar would repaint it thousands of times.
        if (done % 50 != 0 && done != total)
            return;
        m_bar->setRange(0, total);
        m_bar->setValue(done);
    });
    connect(m_check, &LiveCheck::finished, this, &LiveCheckDialog::checked);
    m_check->start(check.first, check.second);
}

void LiveCheckDialog::checked()
{
    LiveCheck *check = m_check;
    m_check = nullptr;
    if (!check)
        return;
    check->deleteLater();
    const LiveReport &report = check->report();
    m_reports.append(report);
    if (!report.error.isEmpty())
        m_list->addItem(QStringLiteral("%1：无法检测：%2").arg(report.domain, report.error));
    QStringList lines;
    for (const LiveResult &r : report.results) {
        if (r.state != LiveState::Live)
            lines.append(resultText(report, r));
    }
    for (const QString &line : qAsConst(lines))
        m_list->addItem(QStringLiteral("%1：%2").arg(report.domain, line));
    next();
}

void LiveCheckDialog::stopClicked()
{
    if (!m_check) {
        accept();
        return;
    }
    m_stopped = true;
    m_check->stop();
}
