#include "app/AppGlobals.h"
#include "client/User.h"
#include "localservice/dns/NameServers.h"
#include "manage/records/RecordPage.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/WindowHarness.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QtTest>

namespace {

const QString kDomain = QStringLiteral("halvik-demo.com");
constexpr int kLiveWithinMs = 30000; // generous: the machine may be busy

} // namespace

// "检测生效" on the record page against the stand-in's two name servers: the summary line above
// the table, each row's mark with what is not live in its tool tip, and stop.
class TestRecordLive : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void rowsMarkedLiveThenNotAnswered();
    void stopEndsTheCheck();

private:
    // Clicks "检测生效" and waits for the check to end.
    void runCheck();
    // The mark on the row of the record with id; null when the row has none.
    QLabel *badgeOf(int id) const;
    RecordPage &page() const { return h.window->recordPage(); }

    WindowHarness h;
    int m_id = 0;
};

void TestRecordLive::initTestCase()
{
    h.init();
    h.keepService(true);
    LocalServiceFixture::Options options;
    options.nameServers = true;
    QVERIFY(h.startService(options));
    QVERIFY(h.signIn());
    h.openManagement(WindowHarness::Show::Shown, QSize(1026, 675));
    // The check's settings as the user keeps them: where the name servers are, and the
    // stand-in's line table as line-subnets.txt.
    QSettings settings(QStringLiteral("halvik"), QStringLiteral("halvik"));
    const quint16 port = h.service->dnsPort();
    settings.setValue(QStringLiteral("live/resolver"), QStringLiteral("127.0.0.1:%1").arg(port));
    settings.setValue(QStringLiteral("live/dnsPort"), port);
    settings.sync();
    QVERIFY(QDir(h.settingsPath()).mkpath(QStringLiteral("halvik")));
    QVERIFY(QFile::copy(h.service->dataDir() + QStringLiteral("/dns/line-subnets.txt"),
                        h.settingsPath() + QStringLiteral("/halvik/line-subnets.txt")));

    User &u = theUser();
    Domain *domain = u.domain2ptr(kDomain);
    QVERIFY(domain);
    Record added;
    QVERIFY(u.addRecord(domain, QStringLiteral("192.0.2.70"), QStringLiteral("A"),
                        QStringLiteral("0"), QStringLiteral("page-live"), QStringLiteral("600"),
                        QStringLiteral("10"), &added));
    m_id = added.id;
    page().showDomain(u.domains.sharedOf(domain));
}

void TestRecordLive::cleanupTestCase()
{
    h.keepService(false);
    h.cleanup();
}

void TestRecordLive::cleanup()
{
    h.service->service().nameServers()->setNs2Fault(Ns2Fault());
}

void TestRecordLive::runCheck()
{
    QPushButton *button = h.widget<QPushButton>("pushButton_Rlive");
    QCOMPARE(button->text(), QStringLiteral("检测生效"));
    button->click();
    QVERIFY(page().liveRunning());
    QCOMPARE(button->text(), QStringLiteral("停止检测"));
    QTRY_VERIFY_WITH_TIMEOUT(!page().liveRunning(), kLiveWithinMs);
    QCOMPARE(button->text(), QStringLiteral("检测生效"));
}

QLabel *TestRecordLive::badgeOf(int id) const
{
    QTableWidget *table = h.widget<QTableWidget>("tableR");
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto record = table->verticalHeaderItem(row)
                                ->data(RecordPage::RecordRole)
                                .value<QSharedPointer<Record>>();
        if (!record || record->id != id)
            continue;
        // Rows get their widgets when they come into view.
        table->scrollTo(table->model()->index(row, 0));
        QCoreApplication::processEvents();
        QWidget *cell = table->cellWidget(row, 6);
        return cell ? cell->findChild<QLabel *>(QStringLiteral("liveBadge")) : nullptr;
    }
    return nullptr;
}

void TestRecordLive::rowsMarkedLiveThenNotAnswered()
{
    // The record was just added: checked again until both name servers serve it.
    QTRY_VERIFY_WITH_TIMEOUT((runCheck(), page().liveVerdicts().value(m_id).live), kLiveWithinMs);
    QLabel *summary = h.widget<QLabel>("label_live");
    QVERIFY(summary->isVisible());
    QVERIFY2(summary->text().startsWith(
                 QStringLiteral("2台DNS服务器（ns1.halvik-local.test、ns2.halvik-local.test）：")),
             qPrintable(summary->text()));
    QLabel *badge = badgeOf(m_id);
    QVERIFY(badge);
    QCOMPARE(badge->text(), QStringLiteral("已生效"));

    Ns2Fault fault;
    fault.stopped = true;
    h.service->service().nameServers()->setNs2Fault(fault);
    QTRY_VERIFY_WITH_TIMEOUT((runCheck(), !page().liveVerdicts().value(m_id).live), kLiveWithinMs);
    QVERIFY2(summary->text().contains(QStringLiteral("ns2.halvik-local.test无应答")),
             qPrintable(summary->text()));
    badge = badgeOf(m_id);
    QVERIFY(badge);
    QCOMPARE(badge->text(), QStringLiteral("未生效"));
    QVERIFY2(badge->toolTip().contains(QStringLiteral("page-live A 默认 @ ns2.halvik-local.test")),
             qPrintable(badge->toolTip()));
    QVERIFY2(badge->toolTip().contains(QStringLiteral("无应答")), qPrintable(badge->toolTip()));
}

void TestRecordLive::stopEndsTheCheck()
{
    // ns2 silent: the check would wait on it.
    Ns2Fault fault;
    fault.stopped = true;
    h.service->service().nameServers()->setNs2Fault(fault);
    QPushButton *button = h.widget<QPushButton>("pushButton_Rlive");
    button->click();
    QVERIFY(page().liveRunning());
    button->click();
    QVERIFY(!page().liveRunning());
    QCOMPARE(button->text(), QStringLiteral("检测生效"));
    QLabel *summary = h.widget<QLabel>("label_live");
    QVERIFY2(summary->text().contains(QStringLiteral("检测已停止")), qPrintable(summary->text()));
}

QTEST_MAIN(TestRecordLive)
#include "tst_recordlive.moc"
