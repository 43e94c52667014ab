#include "client/User.h"
#include "client/copy/CopyKeeper.h"
#include "client/copy/CopyRefresh.h"
#include "client/copy/CopyWriter.h"
#include "client/copy/LocalCopy.h"
#include "localservice/storage/Storage.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QVector<CopyHit> find(const LocalCopy &copy, const QString &text)
{
    QVector<CopyHit> hits;
    QString error;
    if (!copy.search({text, false, {}, -1}, hits, error))
        qWarning("search failed: %s", qPrintable(error));
    return hits;
}

} // namespace

// The copy kept fresh against the stand-in service: own changes at once, other clients'
// changes with a refresh, gone domains gone, and refreshes that are cut off or stopped.
class TestCopyFresh : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void ownChangesFoundWithoutRefresh_data();
    void ownChangesFoundWithoutRefresh();
    void otherClientsChangesFoundAfterRefresh();
    void domainOfMoreThanOnePageReadWhole();
    void refreshCutOffKeepsWhatItRead();
    void stoppedRefreshKeepsWhatItRead();
    void storeFailureEndsRefreshWithCopysError();

private:
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingPresenter> m_presenter;
    std::unique_ptr<User> m_user;
    std::unique_ptr<LocalCopy> m_copy;
};

void TestCopyFresh::init()
{
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_dir = std::make_unique<QTemporaryDir>();
    m_presenter = std::make_unique<RecordingPresenter>();
    User::setMsgPresenter(m_presenter.get());
    m_user = std::make_unique<User>();
    QVERIFY(m_service->loginDemo(*m_user));
    m_copy = std::make_unique<LocalCopy>();
    QVERIFY(m_copy->open(m_dir->filePath(QStringLiteral("copy.sqlite"))));
    QVERIFY(m_copy->setAccount(m_user->email));
}

void TestCopyFresh::cleanup()
{
    m_copy.reset();
    m_user.reset();
    User::setMsgPresenter(nullptr);
    m_presenter.reset();
    m_service.reset();
    m_dir.reset();
}

void TestCopyFresh::ownChangesFoundWithoutRefresh_data()
{
    QTest::addColumn<bool>("onWriterThread");
    QTest::newRow("written at once") << false;
    // As halvik-cli keeps it: each write handed to the writer's thread, in order.
    QTest::newRow("written on the writer's thread") << true;
}

void TestCopyFresh::ownChangesFoundWithoutRefresh()
{
    QFETCH(bool, onWriterThread);
    CopyRefresh refresh(*m_user, *m_copy);
    const CopyRefresh::Outcome built = refresh.run();
    QVERIFY(built.listComplete);
    QCOMPARE(built.failed, 0);
    QCOMPARE(built.done, built.total);

    CopyWriter writer;
    std::unique_ptr<CopyKeeper> keeper;
    if (onWriterThread) {
        QString notice;
        QString error;
        QVERIFY2(writer.open(m_copy->path(), m_user->email, notice, error), qPrintable(error));
        keeper = std::make_unique<CopyKeeper>(*m_user, writer);
    } else {
        keeper = std::make_unique<CopyKeeper>(*m_user, *m_copy);
    }
    const auto found = [&](const QString &text) {
        writer.wait();
        return find(*m_copy, text);
    };

    QVERIFY(m_user->getDomain() > 0);
    Domain *dm = m_user->domain2ptr(QStringLiteral("aurora-demo.cn"));
    QVERIFY(dm);
    Record added;
    QVERIFY(m_user->addRecord(dm, QStringLiteral("203.0.113.201"), QStringLiteral("A"),
                              QStringLiteral("0"), QStringLiteral("Move-Me"), QStringLiteral("600"),
                              QStringLiteral("10"), &added));
    QVector<CopyHit> hits = found(QStringLiteral("move-me.aurora-demo.cn."));
    QCOMPARE(hits.size(), 1);
    QCOMPARE(hits.first().value, QStringLiteral("203.0.113.201"));
    QCOMPARE(hits.first().lineName, QStringLiteral("默认"));

    QVERIFY(m_user->editRecord(dm, added.id, {}, {}, QStringLiteral("203.0.113.202")));
    QVERIFY(found(QStringLiteral("203.0.113.201")).isEmpty());
    QCOMPARE(found(QStringLiteral("203.0.113.202")).size(), 1);
    QVERIFY(m_user->pauseRecord(dm, added.id));
    QCOMPARE(found(QStringLiteral("203.0.113.202")).first().state, 2);
    QVERIFY(m_user->delRecord(dm, added.id));
    QVERIFY(found(QStringLiteral("203.0.113.202")).isEmpty());

    // Deleting a domain takes its records out of every search.
    const int before = found(QStringLiteral("aurora-demo.cn")).size();
    QVERIFY(before > 0);
    QVERIFY(m_user->delDomain(dm->id));
    QVERIFY(found(QStringLiteral("aurora-demo.cn")).isEmpty());
    QVERIFY2(keeper->lastError().isEmpty(), qPrintable(keeper->lastError()));
}

void TestCopyFresh::otherClientsChangesFoundAfterRefresh()
{
    CopyKeeper keeper(*m_user, *m_copy);
    CopyRefresh refresh(*m_user, *m_copy);
    QVERIFY(refresh.run().listComplete);

    // Another client (the web console, a colleague's halvik) changes the account.
    User other;
    QVERIFY(m_service->loginDemo(other));
    QVERIFY(other.getDomain() > 0);
    Domain *dm = other.domain2ptr(QStringLiteral("aurora-demo.com"));
    Domain *gone = other.domain2ptr(QStringLiteral("aurora-demo.cn"));
    QVERIFY(dm && gone);
    const int goneId = gone->id;
    QVERIFY(other.addRecord(dm, QStringLiteral("2001:db8:0:0:0:0:0:99"), QStringLiteral("AAAA"),
                            QStringLiteral("0"), QStringLiteral("v6new")));
    QVERIFY(other.delDomain(goneId));

    QVERIFY(find(*m_copy, QStringLiteral("2001:db8::99")).isEmpty());
    QVERIFY(!find(*m_copy, QStringLiteral("aurora-demo.cn")).isEmpty());

    // A complete read of the domain list, as the domain page makes it, drops the gone domain.
    QVERIFY(m_user->getDomain() > 0);
    QVERIFY(find(*m_copy, QStringLiteral("aurora-demo.cn")).isEmpty());
    bool listed = false;
    for (const CopyDomain &d : m_copy->domains())
        listed = listed || d.id == goneId;
    QVERIFY(!listed);

    QVERIFY(refresh.run().listComplete);
    const QVector<CopyHit> hits = find(*m_copy, QStringLiteral("2001:db8::/32"));
    bool found = false;
    for (const CopyHit &h : hits)
        found = found || (h.host == QLatin1String("v6new") && h.domain == dm->name);
    QVERIFY(found);
}

void TestCopyFresh::domainOfMoreThanOnePageReadWhole()
{
    Storage &storage = m_service->service().storage();
    AccountRow account;
    QVERIFY(storage.accountByEmail(LocalServiceFixture::demoEmail(), &account));
    QVERIFY(m_user->getDomain() > 0);
    const int domainId = m_user->domain2dmid(QStringLiteral("aurora-demo.net"));
    QVERIFY(domainId > 0);
    for (int i = 1; i <= 1200; ++i) {
        RecordRow r;
        r.host = QStringLiteral("h%1").arg(i);
        r.type = QStringLiteral("A");
        r.value = QStringLiteral("10.1.%1.%2").arg(i / 256).arg(i % 256);
        QCOMPARE(storage.createRecord(account.id, domainId, r), 0);
    }
    CopyRefresh refresh(*m_user, *m_copy);
    QCOMPARE(refresh.run().failed, 0);
    QCOMPARE(find(*m_copy, QStringLiteral("10.1.0.0/16")).size(), 1200);
    QCOMPARE(find(*m_copy, QStringLiteral("h1200.aurora-demo.net")).size(), 1);
}

void TestCopyFresh::refreshCutOffKeepsWhatItRead()
{
    CopyRefresh refresh(*m_user, *m_copy);
    Fault drop;
    drop.kind = FaultKind::Drop;
    drop.skip = 5;
    m_service->setFault(QStringLiteral("/api/record/list/"), drop);
    const CopyRefresh::Outcome cut = refresh.run();
    QVERIFY(cut.listComplete);
    QVERIFY(cut.stopped);
    QVERIFY(cut.networkFailure);
    QVERIFY(cut.done < cut.total);
    QCOMPARE(m_presenter->count(), 0); // a refresh shows no box

    QSet<int> read;
    for (const CopyDomain &d : m_copy->domains()) {
        if (d.fetched.isValid())
            read.insert(d.id);
    }
    QCOMPARE(read.size(), 5);

    // The next refresh starts with the domains never read.
    m_service->clearFaults();
    QStringList order;
    connect(&refresh, &CopyRefresh::progress, this,
            [&order](int, int, const QString &domain) { order.append(domain); });
    const CopyRefresh::Outcome whole = refresh.run();
    QCOMPARE(whole.failed, 0);
    QCOMPARE(whole.done, whole.total);
    const QList<CopyDomain> domains = m_copy->domains();
    for (const CopyDomain &d : domains) {
        QVERIFY(d.fetched.isValid());
        QVERIFY(d.error.isEmpty());
        if (read.contains(d.id))
            QVERIFY(order.indexOf(d.name) >= whole.total - 5);
    }
}

void TestCopyFresh::stoppedRefreshKeepsWhatItRead()
{
    CopyRefresh refresh(*m_user, *m_copy);
    connect(&refresh, &CopyRefresh::progress, &refresh, [&refresh](int done, int, const QString &) {
        if (done == 3)
            refresh.stop();
    });
    QSignalSpy finished(&refresh, &CopyRefresh::finished);
    QVERIFY(refresh.start());
    QVERIFY(!refresh.start()); // one at a time
    QVERIFY(refresh.isRunning());
    QVERIFY(finished.wait(60000));
    QVERIFY(!refresh.isRunning());
    QVERIFY(refresh.outcome().stopped);
    QCOMPARE(refresh.outcome().done, 3);
    int read = 0;
    for (const CopyDomain &d : m_copy->domains())
        read += d.fetched.isValid() ? 1 : 0;
    QCOMPARE(read, 3);
}

void TestCopyFresh::storeFailureEndsRefreshWithCopysError()
{
    // Never read, the domains go by name: the third one's records cannot be written.
    QVERIFY(m_user->getDomain() > 2);
    QStringList names;
    for (const Domain &dm : m_user->domains)
        names.append(dm.name);
    std::sort(names.begin(), names.end());
    const QString refused = names.at(2);
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("refuse"));
        db.setDatabaseName(m_copy->path());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY2(q.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON records WHEN "
                                       "(SELECT name FROM domains WHERE id = NEW.domain) = '%1' "
                                       "BEGIN SELECT RAISE(ABORT, 'disk refused'); END")
                            .arg(refused)),
                 qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("refuse"));

    CopyRefresh refresh(*m_user, *m_copy);
    const CopyRefresh::Outcome out = refresh.run();
    // Said as a failure to store, not to read: every domain tried was read.
    QVERIFY2(out.storeError.contains(QLatin1String("disk refused")), qPrintable(out.storeError));
    QCOMPARE(out.failed, 0);
    QVERIFY(out.error.isEmpty());
    QVERIFY(!out.stopped);
    QVERIFY(out.done < out.total);
    for (const CopyDomain &d : m_copy->domains()) {
        if (d.name < refused)
            QVERIFY2(d.fetched.isValid(), qPrintable(d.name));
        else if (d.name == refused)
            QVERIFY(!d.fetched.isValid());
    }
    QCOMPARE(m_presenter->count(), 0);
}

QTEST_GUILESS_MAIN(TestCopyFresh)
#include "tst_copyfresh.moc"
