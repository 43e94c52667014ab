#include "client/copy/LocalCopy.h"
#include "tests/support/TestRecords.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

Record rec(int id, const QString &host, const QString &type, const QString &value, int line = 0,
           const QString &lineName = QStringLiteral("默认"))
{
    Record r = testRecord(id, host, type, value, line);
    r.viewName = lineName;
    r.mx = 10;
    return r;
}

// Hits as "domain host type", sorted, for comparing with a table.
QStringList keys(const QVector<CopyHit> &hits)
{
    QStringList out;
    for (const CopyHit &h : hits)
        out.append(QStringLiteral("%1 %2 %3").arg(h.domain, h.host, h.type));
    out.sort();
    return out;
}

} // namespace

// The SQLite copy on its own: what a search finds, what each write keeps and drops, and a
// damaged file.
class TestLocalCopy : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void searches_data();
    void searches();
    void onlyACompleteListRemovesDomains();
    void readReplacesTheDomainsRecords();
    void changesFollowed();
    void deferredStoreKeepsItsPlace();
    void damagedFileIsRebuilt();
    void windowAndCliShareTheFile();
    void twoProcessesWriteAtOnce();

private:
    void fill();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalCopy> m_copy;
};

void TestLocalCopy::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_copy = std::make_unique<LocalCopy>();
    QVERIFY2(m_copy->open(m_dir->filePath(QStringLiteral("copy.sqlite"))),
             qPrintable(m_copy->errorText()));
    QVERIFY(m_copy->setAccount(QStringLiteral("Ops@Example.com")));
}

void TestLocalCopy::cleanup()
{
    m_copy.reset();
    m_dir.reset();
}

void TestLocalCopy::fill()
{
    const QDateTime read = QDateTime::currentDateTimeUtc();
    QVERIFY(m_copy->storeDomains({{1, QStringLiteral("example.com"), {}, {}},
                                  {2, QStringLiteral("工作.cn"), {}, {}},
                                  {3, QStringLiteral("never-read.net"), {}, {}}},
                                 true));
    QVERIFY(m_copy->storeRecords(
        1,
        {rec(11, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.7")),
         rec(12, QStringLiteral("WWW"), QStringLiteral("CNAME"), QStringLiteral("Example.com.")),
         rec(13, QStringLiteral("edge"), QStringLiteral("A"), QStringLiteral("203.0.113.255"), 7,
             QStringLiteral("电信")),
         rec(14, QStringLiteral("next"), QStringLiteral("A"), QStringLiteral("203.0.114.0")),
         rec(15, QStringLiteral("v6"), QStringLiteral("AAAA"),
             QStringLiteral("2001:0DB8:0:0:0:0:0:7")),
         rec(16, QStringLiteral("@"), QStringLiteral("TXT"),
             QStringLiteral("v=spf1 ip4:203.0.113.0/24 -all")),
         rec(17, QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mail.example.com."))},
        read));
    QVERIFY(m_copy->storeRecords(
        2,
        {rec(21, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("203.0.113.7")),
         rec(22, QStringLiteral("v6"), QStringLiteral("AAAA"), QStringLiteral("2001:db9::1"))},
        read));

    // Another account in the same file, with the same address: never among this one's hits.
    QVERIFY(m_copy->setAccount(QStringLiteral("other@example.com")));
    QVERIFY(m_copy->storeDomains({{4, QStringLiteral("other.org"), {}, {}}}, true));
    QVERIFY(m_copy->storeRecords(
        4, {rec(41, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.7"))},
        read));
    QVERIFY(m_copy->setAccount(QStringLiteral("ops@example.com")));
}

void TestLocalCopy::searches_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("contains");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("line");
    QTest::addColumn<QStringList>("expected");
    const QStringList both7 = {"example.com @ A", "工作.cn www A"};
    QTest::newRow("value") << "203.0.113.7" << false << "" << -1 << both7;
    QTest::newRow("value with blanks") << " 203.0.113.7 " << false << "" << -1 << both7;
    QTest::newRow("value is whole, not a prefix")
        << "203.0.113.2" << false << "" << -1 << QStringList();
    QTest::newRow("ipv6 in another form")
        << "2001:db8::7" << false << "" << -1 << QStringList{"example.com v6 AAAA"};
    QTest::newRow("/24 takes .255, not the next")
        << "203.0.113.0/24" << false << "" << -1
        << QStringList{"example.com @ A", "example.com edge A", "工作.cn www A"};
    QTest::newRow("/32") << "203.0.114.0/32" << false << "" << -1
                         << QStringList{"example.com next A"};
    QTest::newRow("v6 /32 leaves 2001:db9::")
        << "2001:db8::/32" << false << "" << -1 << QStringList{"example.com v6 AAAA"};
    QTest::newRow("v6 /31 takes both") << "2001:db8::/31" << false << "" << -1
                                       << QStringList{"example.com v6 AAAA", "工作.cn v6 AAAA"};
    QTest::newRow("full name, case, trailing dot")
        << "WWW.Example.COM." << false << "" << -1 << QStringList{"example.com WWW CNAME"};
    // Records named below the domain (edge.example.com) are found by their own names.
    QTest::newRow("domain name: its apex records and what points at it")
        << "example.com" << false << "" << -1
        << QStringList{"example.com @ A", "example.com @ MX", "example.com @ TXT",
                       "example.com WWW CNAME"};
    QTest::newRow("host alone") << "www" << false << "" << -1
                                << QStringList{"example.com WWW CNAME", "工作.cn www A"};
    QTest::newRow("internationalized full name")
        << "WWW.工作.cn" << false << "" << -1 << QStringList{"工作.cn www A"};
    QTest::newRow("same name in ASCII form")
        << "www.xn--2qq276a.cn" << false << "" << -1 << QStringList{"工作.cn www A"};
    QTest::newRow("name value, trailing dot")
        << "mail.example.com" << false << "" << -1 << QStringList{"example.com @ MX"};
    QTest::newRow("contains in a value")
        << "ip4:203.0.113.0/24" << true << "" << -1 << QStringList{"example.com @ TXT"};
    QTest::newRow("contains, any case")
        << "AIL.EXAMPLE" << true << "" << -1 << QStringList{"example.com @ MX"};
    QTest::newRow("contains, internationalized")
        << "工作" << true << "" << -1 << QStringList{"工作.cn v6 AAAA", "工作.cn www A"};
    QTest::newRow("type filter") << "203.0.113.0/24" << false << "a" << -1
                                 << QStringList{"example.com @ A", "example.com edge A",
                                                "工作.cn www A"};
    QTest::newRow("type filter excludes")
        << "www" << false << "A" << -1 << QStringList{"工作.cn www A"};
    QTest::newRow("line filter") << "203.0.113.0/24" << false << "" << 7
                                 << QStringList{"example.com edge A"};
    QTest::newRow("no hits") << "198.51.100.1" << false << "" << -1 << QStringList();
}

void TestLocalCopy::searches()
{
    QFETCH(QString, text);
    QFETCH(bool, contains);
    QFETCH(QString, type);
    QFETCH(int, line);
    QFETCH(QStringList, expected);
    fill();
    SearchQuery q;
    q.text = text;
    q.contains = contains;
    q.type = type;
    q.lineID = line;
    QVector<CopyHit> hits;
    QString error;
    QVERIFY2(m_copy->search(q, hits, error), qPrintable(error));
    expected.sort();
    QCOMPARE(keys(hits), expected);
}

void TestLocalCopy::onlyACompleteListRemovesDomains()
{
    fill();
    // A list cut off after its first page: what it brought is added, nothing removed.
    QVERIFY(m_copy->storeDomains(
        {{1, QStringLiteral("example.com"), {}, {}}, {5, QStringLiteral("new.com"), {}, {}}},
        false));
    QCOMPARE(m_copy->domainCount(), 4);
    QCOMPARE(m_copy->recordCount(), 9);

    const QDateTime before = m_copy->listedAt();
    QVERIFY(m_copy->storeDomains(
        {{1, QStringLiteral("example.com"), {}, {}}, {5, QStringLiteral("new.com"), {}, {}}},
        true));
    QCOMPARE(m_copy->domainCount(), 2);
    QCOMPARE(m_copy->recordCount(), 7); // 工作.cn's records left with it
    QVERIFY(m_copy->listedAt() >= before);
    // The other account's copy is its own.
    QVERIFY(m_copy->setAccount(QStringLiteral("other@example.com")));
    QCOMPARE(m_copy->recordCount(), 1);
}

void TestLocalCopy::readReplacesTheDomainsRecords()
{
    fill();
    QVERIFY(m_copy->storeReadError(2, QStringLiteral("超时")));
    const QList<CopyDomain> stalest = m_copy->stalestFirst();
    QCOMPARE(stalest.first().name, QStringLiteral("never-read.net"));
    QVERIFY(!stalest.first().fetched.isValid());
    CopyDomain failed;
    for (const CopyDomain &d : stalest) {
        if (d.id == 2)
            failed = d;
    }
    QCOMPARE(failed.error, QStringLiteral("超时"));
    QVERIFY(failed.fetched.isValid()); // its earlier read still stands

    const QDateTime later = QDateTime::currentDateTimeUtc().addSecs(60);
    QVERIFY(m_copy->storeRecords(
        2, {rec(23, QStringLiteral("api"), QStringLiteral("A"), QStringLiteral("192.0.2.9"))},
        later));
    QVector<CopyHit> hits;
    QString error;
    QVERIFY(m_copy->search({QStringLiteral("2001:db9::1"), false, {}, -1}, hits, error));
    QVERIFY(hits.isEmpty());
    QVERIFY(m_copy->search({QStringLiteral("192.0.2.9"), false, {}, -1}, hits, error));
    QCOMPARE(hits.size(), 1);
    QCOMPARE(hits.first().fetched, later);
    QCOMPARE(m_copy->stalestFirst().last().id, 2);
    QVERIFY(m_copy->stalestFirst().last().error.isEmpty());

    // The same records read again after the domain was renamed: found by the new name only.
    QVERIFY(m_copy->storeDomains({{2, QStringLiteral("renamed.cn"), {}, {}}}, false));
    QVERIFY(m_copy->storeRecords(
        2, {rec(23, QStringLiteral("api"), QStringLiteral("A"), QStringLiteral("192.0.2.9"))},
        later));
    QVERIFY(m_copy->search({QStringLiteral("api.renamed.cn"), false, {}, -1}, hits, error));
    QCOMPARE(hits.size(), 1);
    QVERIFY(m_copy->search({QStringLiteral("api.工作.cn"), false, {}, -1}, hits, error));
    QVERIFY(hits.isEmpty());
}

void TestLocalCopy::changesFollowed()
{
    fill();
    auto find = [this](const QString &text) {
        QVector<CopyHit> hits;
        QString error;
        m_copy->search({text, false, {}, -1}, hits, error);
        return hits;
    };
    RecordChange add;
    add.kind = RecordChange::Added;
    add.domainID = 1;
    add.recordID = 18;
    add.record = rec(18, QStringLiteral("new"), QStringLiteral("A"), QStringLiteral("192.0.2.1"));
    QVERIFY(m_copy->applyChange(add));
    QCOMPARE(find(QStringLiteral("new.example.com")).size(), 1);

    RecordChange edit;
    edit.kind = RecordChange::Edited;
    edit.domainID = 1;
    edit.recordID = 18;
    edit.newValue = QStringLiteral("192.0.2.2");
    edit.newLineID = QStringLiteral("7");
    QVERIFY(m_copy->applyChange(edit, QStringLiteral("电信")));
    QVERIFY(find(QStringLiteral("192.0.2.1")).isEmpty());
    const QVector<CopyHit> edited = find(QStringLiteral("192.0.2.0/24"));
    QCOMPARE(edited.size(), 1);
    QCOMPARE(edited.first().host, QStringLiteral("new")); // what was not sent stays
    QCOMPARE(edited.first().lineName, QStringLiteral("电信"));

    RecordChange pause;
    pause.kind = RecordChange::Paused;
    pause.domainID = 1;
    pause.recordID = 18;
    QVERIFY(m_copy->applyChange(pause));
    QCOMPARE(find(QStringLiteral("192.0.2.2")).first().state, 2);

    RecordChange remove = pause;
    remove.kind = RecordChange::Removed;
    QVERIFY(m_copy->applyChange(remove));
    QVERIFY(find(QStringLiteral("192.0.2.2")).isEmpty());

    // A change to a domain the copy does not hold is no failure; its next read brings it.
    add.domainID = 99;
    QVERIFY(m_copy->applyChange(add));
    QVERIFY(find(QStringLiteral("192.0.2.1")).isEmpty());
}

// A store put off is written before any later write, under the account it was read for, and
// at the latest when the copy closes.
void TestLocalCopy::deferredStoreKeepsItsPlace()
{
    fill();
    auto count = [this](const QString &text) {
        QVector<CopyHit> hits;
        QString error;
        m_copy->search({text, false, {}, -1}, hits, error);
        return hits.size();
    };
    // A read of domain 1, then a change the user made after it: the read must not undo it.
    m_copy->storeRecordsLater(
        1, {rec(18, QStringLiteral("new"), QStringLiteral("A"), QStringLiteral("192.0.2.1"))},
        QDateTime::currentDateTimeUtc());
    RecordChange edit;
    edit.kind = RecordChange::Edited;
    edit.domainID = 1;
    edit.recordID = 18;
    edit.newValue = QStringLiteral("192.0.2.2");
    QVERIFY(m_copy->applyChange(edit));
    QVERIFY(!m_copy->hasDeferred());
    QVERIFY(m_copy->flushDeferred());
    QCOMPARE(count(QStringLiteral("192.0.2.1")), 0);
    QCOMPARE(count(QStringLiteral("192.0.2.2")), 1);

    m_copy->storeRecordsLater(
        3, {rec(31, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("192.0.2.31"))},
        QDateTime::currentDateTimeUtc());
    QVERIFY(m_copy->setAccount(QStringLiteral("other@example.com")));
    QVERIFY(m_copy->setAccount(QStringLiteral("ops@example.com")));
    QCOMPARE(count(QStringLiteral("192.0.2.31")), 1);

    m_copy->storeRecordsLater(
        3, {rec(32, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("192.0.2.32"))},
        QDateTime::currentDateTimeUtc());
    m_copy->close();
    QVERIFY(m_copy->open(m_dir->filePath(QStringLiteral("copy.sqlite"))));
    QVERIFY(m_copy->setAccount(QStringLiteral("ops@example.com")));
    QCOMPARE(count(QStringLiteral("192.0.2.32")), 1);

    // A failed deferred store is reported by the next flush, even when another write ran it.
    m_copy->storeRecordsLater(99, {}, QDateTime::currentDateTimeUtc());
    QVERIFY(m_copy->storeReadError(3, QStringLiteral("超时")));
    QVERIFY(!m_copy->flushDeferred());
    QVERIFY(!m_copy->errorText().isEmpty());
    QVERIFY(m_copy->flushDeferred());
}

void TestLocalCopy::damagedFileIsRebuilt()
{
    fill();
    m_copy.reset();
    const QString path = m_dir->filePath(QStringLiteral("copy.sqlite"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(8192, 'x'));
    }
    LocalCopy copy;
    QVERIFY2(copy.open(path), qPrintable(copy.errorText()));
    QVERIFY(!copy.notice().isEmpty());
    QVERIFY(QFile::exists(path + QStringLiteral(".damaged")));
    QVERIFY(copy.setAccount(QStringLiteral("ops@example.com")));
    QVERIFY(!copy.listedAt().isValid()); // no copy: the next search builds one
    QVERIFY(copy.storeDomains({{1, QStringLiteral("example.com"), {}, {}}}, true));
    QCOMPARE(copy.domainCount(), 1);

    LocalCopy again;
    QVERIFY(again.open(path));
    QVERIFY(again.notice().isEmpty());
}

void TestLocalCopy::windowAndCliShareTheFile()
{
    fill();
    LocalCopy other;
    QVERIFY(other.open(m_copy->path()));
    QVERIFY(other.setAccount(QStringLiteral("OPS@example.com")));
    QCOMPARE(other.recordCount(), 9);
    QVERIFY(other.storeDomains({{1, QStringLiteral("example.com"), {}, {}}}, true));
    QCOMPARE(m_copy->domainCount(), 1);
}

void TestLocalCopy::twoProcessesWriteAtOnce()
{
    // A sync beside a batch job, two syncs: both may make the file, and each store reads what
    // the copy holds and then writes. Both writers must get their turn, however their writes
    // interleave.
    constexpr int kRounds = 60;
    const QString path = m_dir->filePath(QStringLiteral("shared/copy.sqlite"));
    QProcess writers[2];
    for (int i = 0; i < 2; ++i) {
        writers[i].start(QStringLiteral(HALVIK_COPY_CHILD),
                         {path, QString::number(10 + 10 * i), QString::number(kRounds)});
        QVERIFY(writers[i].waitForStarted(30000));
    }
    for (QProcess &w : writers) {
        while (!w.canReadLine() && w.state() == QProcess::Running)
            w.waitForReadyRead(30000);
        QCOMPARE(w.readLine().trimmed(), QByteArray("ready"));
    }
    // Both let go before either is waited for.
    for (QProcess &w : writers) {
        w.write("go\n");
        QVERIFY(w.waitForBytesWritten(30000));
    }
    for (QProcess &w : writers) {
        QVERIFY(w.waitForFinished(120000));
        QVERIFY2(w.exitStatus() == QProcess::NormalExit && w.exitCode() == 0,
                 w.readAllStandardError().constData());
    }
    LocalCopy both;
    QVERIFY(both.open(path) && both.setAccount(QStringLiteral("ops@example.com")));
    QCOMPARE(both.domainCount(), 8);
    QCOMPARE(both.recordCount(), 8 * 20);
}

QTEST_GUILESS_MAIN(TestLocalCopy)
#include "tst_localcopy.moc"
