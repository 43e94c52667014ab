#include "client/ServiceConfig.h"
#include "client/User.h"
#include "localservice/dns/KnotServer.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegExp>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Whether nothing listens on address:port (the name servers take TCP as well as UDP): a refused
// connection is what a gone server gives, never one merely slow to answer on a busy machine.
bool nothingListens(const QString &address, quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(address, port);
    return !socket.waitForConnected(5000) &&
           socket.error() == QAbstractSocket::ConnectionRefusedError;
}

} // namespace

// The halvik-localservice program as scripts/run starts it: its banner, HTTPS with the CA it
// prints, the demo account, the "wx" commands that play the phone, and a clean stop.
class TestLocalServiceProcess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void servesWhatItPrints();
    void wxCommandsPlayThePhone();
    void busyPortIsReported();
    void plainHttpForDebugging();
    void nameServersServeWhatItPrints();

private:
    // Starts the program on a free port; fills the URL and CA file it prints.
    bool launch(QProcess &process, const QStringList &extra, QString *url, QString *caFile);
    QString get(const QString &url, const QString &caFile);
    // POSTs a form; the reply's status.
    int post(const QString &url, const QByteArray &form, const QString &caFile);
    int runWx(const QString &action, const QStringList &extra, QString *output);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_service;
    std::unique_ptr<RecordingPresenter> m_boxes;
    QString m_banner;
};

void TestLocalServiceProcess::init()
{
    m_boxes = std::make_unique<RecordingPresenter>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<QProcess>();
}

void TestLocalServiceProcess::cleanup()
{
    if (m_service->state() != QProcess::NotRunning) {
        m_service->terminate();
        m_service->waitForFinished();
    }
    m_service.reset();
    m_dir.reset();
    m_boxes.reset();
}

bool TestLocalServiceProcess::launch(QProcess &process, const QStringList &extra, QString *url,
                                     QString *caFile)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QStringLiteral(HALVIK_LOCALSERVICE_BIN),
                  QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                              QStringLiteral("--data"), m_dir->path()} +
                      extra);
    static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    static const QRegularExpression ca(QStringLiteral("CA certificate[^:]*: (\\S+)"));
    QString banner;
    while (!banner.contains(QLatin1String("WeChat")) && process.waitForReadyRead(20000))
        banner += QString::fromUtf8(process.readAllStandardOutput());
    m_banner = banner;
    *url = listening.match(banner).captured(1);
    if (caFile)
        *caFile = ca.match(banner).captured(1);
    return !url->isEmpty();
}

QString TestLocalServiceProcess::get(const QString &url, const QString &caFile)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(caFile));
    request.setSslConfiguration(tls);
    QNetworkReply *reply = manager.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(20000);
    const QString body = QString::fromUtf8(reply->readAll());
    delete reply;
    return body;
}

int TestLocalServiceProcess::post(const QString &url, const QByteArray &form, const QString &caFile)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(caFile));
    request.setSslConfiguration(tls);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    QNetworkReply *reply = manager.post(request, form);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(20000);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;
    return status;
}

int TestLocalServiceProcess::runWx(const QString &action, const QStringList &extra, QString *output)
{
    QProcess wx;
    wx.start(QStringLiteral(HALVIK_LOCALSERVICE_BIN),
             QStringList{QStringLiteral("wx"), action, QStringLiteral("--data"), m_dir->path()} +
                 extra);
    wx.waitForFinished(20000);
    *output = QString::fromUtf8(wx.readAllStandardOutput() + wx.readAllStandardError());
    return wx.exitCode();
}

void TestLocalServiceProcess::servesWhatItPrints()
{
    QString url;
    QString caFile;
    QVERIFY(launch(*m_service, {}, &url, &caFile));
    QVERIFY2(url.startsWith(QLatin1String("https://127.0.0.1:")), qPrintable(url));
    QCOMPARE(caFile, m_dir->filePath(QStringLiteral("ca.pem")));
    QVERIFY(get(url + QLatin1Char('/'), caFile).contains(QLatin1String("demo@example.com")));

    User user;
    user.baseUrl = url;
    user.setExtraCaCertificates(QSslCertificate::fromPath(caFile));
    QVERIFY(user.login(LocalServiceFixture::demoEmail(), LocalServiceFixture::demoPassword()));
    QCOMPARE(user.getDomain(), 120);

    m_service->terminate();
    QVERIFY(m_service->waitForFinished(20000));
    QCOMPARE(m_service->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_service->exitCode(), 0);
}

void TestLocalServiceProcess::wxCommandsPlayThePhone()
{
    QString url;
    QString caFile;
    QVERIFY(launch(*m_service, {QStringLiteral("--wx-hold"), QStringLiteral("1")}, &url, &caFile));
    const QString port = QString::number(QUrl(url).port());
    const QString page = get(url + QStringLiteral("/connect/qrconnect?appid=wx73c1e0a2b94d58f6&"
                                                  "redirect_uri=x&scope=snsapi_login&state=s1"),
                             caFile);
    QRegExp ajax(QStringLiteral("\\.ajax\\(.*url:\"https(.*)\""));
    ajax.setMinimal(true);
    QVERIFY(ajax.indexIn(page) >= 0);
    const QString poll = QStringLiteral("https") + ajax.cap(1);

    QString output;
    QCOMPARE(runWx(QStringLiteral("scan"), {QStringLiteral("--port"), port}, &output), 0);
    QVERIFY2(output.contains(QLatin1String("scan done")), qPrintable(output));
    QVERIFY(get(poll, caFile).contains(QLatin1String("wx_errcode=404")));
    QCOMPARE(runWx(QStringLiteral("confirm"), {QStringLiteral("--port"), port}, &output), 0);
    QVERIFY(get(poll, caFile).contains(QLatin1String("wx_errcode=405")));
    // Nothing left to act on.
    QCOMPARE(runWx(QStringLiteral("cancel"), {QStringLiteral("--port"), port}, &output), 1);
    QCOMPARE(
        runWx(QStringLiteral("scan"), {QStringLiteral("--port"), QStringLiteral("1")}, &output), 1);
}

void TestLocalServiceProcess::busyPortIsReported()
{
    QString url;
    QVERIFY(launch(*m_service, {}, &url, nullptr));
    QProcess second;
    second.start(QStringLiteral(HALVIK_LOCALSERVICE_BIN),
                 {QStringLiteral("--port"), QString::number(QUrl(url).port()),
                  QStringLiteral("--data"), m_dir->path()});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardError().contains("Cannot listen"));
}

void TestLocalServiceProcess::plainHttpForDebugging()
{
    QString url;
    QVERIFY(launch(*m_service, {QStringLiteral("--http")}, &url, nullptr));
    QVERIFY2(url.startsWith(QLatin1String("http://127.0.0.1:")), qPrintable(url));
    // The client itself sends nothing in clear, the password least of all.
    User user;
    user.baseUrl = url;
    QJsonValue res;
    QVERIFY(!user.doAPI(user.paths.verify, {}, res, true, nullptr, nullptr, true));
    QCOMPARE(user.errorText, serviceUrlRefusal(url));
}

void TestLocalServiceProcess::nameServersServeWhatItPrints()
{
    QString url;
    QString caFile;
    QVERIFY(launch(*m_service, {QStringLiteral("--test-faults")}, &url, &caFile));
    const QRegularExpression printed(
        QStringLiteral("name servers: ns1 127\\.0\\.0\\.1:(\\d+), ns2 127\\.0\\.0\\.2:(\\d+)"));
    const QRegularExpressionMatch m = printed.match(m_banner);
    QVERIFY2(m.hasMatch(), qPrintable(m_banner));
    QCOMPARE(m.captured(1), m.captured(2));
    const quint16 port = quint16(m.captured(1).toUInt());
    QVERIFY(nameServerAnswers(QStringLiteral("127.0.0.1"), port, 5000));
    QVERIFY(nameServerAnswers(QStringLiteral("127.0.0.2"), port, 5000));

    // The fault path stops ns2 and brings it back; nonsense is refused.
    QCOMPARE(post(url + QStringLiteral("/__test/dns"), "ns2=lag&seconds=soon", caFile), 400);
    QCOMPARE(post(url + QStringLiteral("/__test/dns"), "ns2=stop", caFile), 200);
    QTRY_VERIFY_WITH_TIMEOUT(!nameServerAnswers(QStringLiteral("127.0.0.2"), port, 300), 20000);
    QVERIFY(nameServerAnswers(QStringLiteral("127.0.0.1"), port, 5000));
    QCOMPARE(post(url + QStringLiteral("/__test/dns"), "ns2=normal", caFile), 200);
    QTRY_VERIFY_WITH_TIMEOUT(nameServerAnswers(QStringLiteral("127.0.0.2"), port, 300), 20000);

    // Killed outright, the service takes its name servers with it.
    QVERIFY(!nothingListens(QStringLiteral("127.0.0.1"), port));
    m_service->kill();
    QVERIFY(m_service->waitForFinished(20000));
    QTRY_VERIFY_WITH_TIMEOUT(nothingListens(QStringLiteral("127.0.0.1"), port), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(nothingListens(QStringLiteral("127.0.0.2"), port), 20000);
}

QTEST_GUILESS_MAIN(TestLocalServiceProcess)
#include "tst_localservice_process.moc"
