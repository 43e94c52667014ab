// "检测生效" on the record page: the check of every record of the domain, its progress in the
// summary line, and a mark on each row.
#include "manage/records/RecordPage.h"

#include "client/User.h"
#include "client/WholeRecordList.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace {

const QString kCheck = QStringLiteral("检测生效");
const QString kStop = QStringLiteral("停止检测");

} // namespace

void RecordPage::liveClicked()
{
    if (m_live) {
        m_live->stop();
        return;
    }
    const QSharedPointer<Domain> domain = m_domain;
    if (!domain)
        return;
    LiveSettings settings;
    QString error;
    if (!LiveSettings::load(settings, error)) {
        m_w.label_live->setText(QStringLiteral("无法检测：%1").arg(error));
        m_w.label_live->show();
        return;
    }
    // The whole list, page by page: the rows hold the first list a read returns (999), and a
    // set with records past it would be judged by part of them.
    QList<Record> records;
    m_w.pushButton_Rlive->setEnabled(false); // the read lets clicks through
    const bool read = readWholeRecordList(user(), *domain, records, true);
    m_w.pushButton_Rlive->setEnabled(true);
    if (!read) {
        m_w.label_live->setText(QStringLiteral("无法检测：%1").arg(user().errorText));
        m_w.label_live->show();
        return;
    }
    const QList<LiveTarget> targets = liveTargets(records, LiveScope());
    if (targets.isEmpty()) {
        m_w.label_live->setText(QStringLiteral("没有可检测的记录"));
        m_w.label_live->show();
        return;
    }
    forgetLive();
    m_liveDomain = domain;
    m_live = new LiveCheck(settings, this);
    connect(m_live, &LiveCheck::progress, this, [this](int done, int total) {
        // Every reply changing the label would repaint the page thousands of times.
        if (done % 50 == 0 || done == total)
            m_w.label_live->setText(QStringLiteral("正在检测… %1/%2").arg(done).arg(total));
    });
    connect(m_live, &LiveCheck::finished, this, &RecordPage::liveFinished);
    m_w.label_live->setText(QStringLiteral("正在查找%1的DNS服务器…").arg(domain->name));
    m_w.label_live->show();
    m_w.pushButton_Rlive->setText(kStop);
    m_live->start(domain->name, targets);
}

void RecordPage::liveFinished()
{
    LiveCheck *check = m_live;
    m_live = nullptr;
    m_w.pushButton_Rlive->setText(kCheck);
    if (!check)
        return;
    check->deleteLater();
    const LiveReport &report = check->report();
    if (m_liveDomain && report.error.isEmpty() && !report.servers.isEmpty()) {
        QStringList names;
        for (const LiveServer &server : report.servers)
            names.append(server.name);
        m_liveDomain->nameServers = names;
    }
    m_verdicts = recordVerdicts(report);
    m_w.label_live->setText(liveSummaryText(report));
    if (m_domain != m_liveDomain)
        return;
    updateOperationsWidth();
    // The rows built take their marks now, the others when they are built; rows being edited
    // are left as they are.
    QTableWidget *table = m_w.tableR;
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem *header = headerItem(row);
        const QSharedPointer<Record> record = recordAt(row);
        if (record && header && !header->data(EditingRole).toBool() && table->cellWidget(row, 6))
            table->setCellWidget(row, 6, operationsCell(record));
    }
}

void RecordPage::forgetLive()
{
    if (m_live) {
        m_live->disconnect(this);
        m_live->stop();
        m_live->deleteLater();
        m_live = nullptr;
    }
    m_verdicts.clear();
    m_liveDomain.reset();
    updateOperationsWidth();
    m_w.label_live->hide();
    m_w.pushButton_Rlive->setText(kCheck);
}

QWidget *RecordPage::liveBadge(const Record &record, QWidget *parent) const
{
    const auto it = m_verdicts.constFind(record.id);
    if (it == m_verdicts.cend())
        return nullptr;
    auto *badge =
        new QLabel(it->live ? QStringLiteral("已生效") : QStringLiteral("未生效"), parent);
    badge->setObjectName(QStringLiteral("liveBadge"));
    badge->setStyleSheet(it->live ? QStringLiteral("color:#19a15f;font:12px;")
                                  : QStringLiteral("color:#e6542e;font:12px;"));
    badge->setToolTip(it->live ? QStringLiteral("每台DNS服务器的每条线路均已生效")
                               : it->problems.join(QLatin1Char('\n')));
    return badge;
}
