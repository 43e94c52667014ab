#include "tests/support/LocalServiceFixture.h"

#include "client/HttpExchange.h"
#include "client/User.h"
#include "localservice/storage/SeedData.h"
#include "localservice/storage/Storage.h"

#include <QFile>
#include <QMetaObject>

LocalServiceFixture::LocalServiceFixture() : LocalServiceFixture(Options()) {}

LocalServiceFixture::LocalServiceFixture(const Options &options) : m_options(options) {}

LocalServiceFixture::~LocalServiceFixture()
{
    stop();
}

bool LocalServiceFixture::start()
{
    stop();
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("No temporary directory");
        return false;
    }
    ServiceOptions o;
    o.dataDir = m_dir.path();
    o.port = 0;
    o.useTls = m_options.tls;
    o.testFaults = m_options.faultAdmin;
    o.seedDemo = m_options.seedDemo;
    o.seedDomains = m_options.seedDomains;
    o.wxPollHoldMs = m_options.wxPollHoldMs;
    o.wxQrLifetimeSecs = m_options.wxQrLifetimeSecs;
    o.nameServers = m_options.nameServers;
    o.log = [](const QString &) {};
    m_service = std::make_unique<LocalService>(o);
    QObject *watcher = &m_watcher;
    m_service->faults().setOnStrike([this, watcher] {
        QMetaObject::invokeMethod(
            watcher, [this] { checkWatches(); }, Qt::QueuedConnection);
    });
    if (m_service->start(&m_error))
        return true;
    m_service.reset();
    return false;
}

void LocalServiceFixture::stop()
{
    // This process's idle connections would hold the service's stop up to its idle timeout.
    HttpExchange::forgetConnections();
    if (m_service)
        m_service->stop();
    m_service.reset();
}

bool LocalServiceFixture::restart()
{
    return start();
}

QString LocalServiceFixture::baseUrl() const
{
    return m_service ? m_service->baseUrl() : QString();
}

QString LocalServiceFixture::caFile() const
{
    return m_service ? m_service->caFile() : QString();
}

QList<QSslCertificate> LocalServiceFixture::caCertificates() const
{
    QFile file(caFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QSslCertificate::fromData(file.readAll(), QSsl::Pem);
}

QString LocalServiceFixture::dataDir() const
{
    return m_dir.path();
}

quint16 LocalServiceFixture::port() const
{
    return m_service ? m_service->port() : 0;
}

quint16 LocalServiceFixture::dnsPort() const
{
    return m_service ? m_service->dnsPort() : 0;
}

void LocalServiceFixture::configure(User &user) const
{
    user.baseUrl = baseUrl();
    user.webBaseUrl = baseUrl();
    user.setExtraCaCertificates(caCertificates());
}

bool LocalServiceFixture::loginDemo(User &user) const
{
    configure(user);
    return user.login(demoEmail(), demoPassword());
}

void LocalServiceFixture::setFault(const QString &path, const Fault &fault)
{
    m_service->faults().set(path, fault);
}

void LocalServiceFixture::whenStruck(const QString &path, int count, QObject *context,
                                     const std::function<void()> &action)
{
    m_watches.append(Watch{path, count, context, action});
    // The requests may have come already: looked at from the event loop, as after a strike.
    QMetaObject::invokeMethod(
        &m_watcher, [this] { checkWatches(); }, Qt::QueuedConnection);
}

void LocalServiceFixture::checkWatches()
{
    for (int i = 0; i < m_watches.size();) {
        const Watch &w = m_watches.at(i);
        if (!w.context) {
            m_watches.removeAt(i);
            continue;
        }
        if (!m_service || m_service->faults().struck(w.path) < w.count) {
            ++i;
            continue;
        }
        // Taken out first: the action may stop the service or watch again.
        const std::function<void()> action = m_watches.takeAt(i).action;
        action();
        i = 0;
    }
}

void LocalServiceFixture::clearFaults()
{
    m_service->faults().clear();
}

LocalService &LocalServiceFixture::service()
{
    return *m_service;
}

bool LocalServiceFixture::storeDemoRecords(const QString &domain, int count)
{
    Storage &storage = m_service->storage();
    AccountRow account;
    if (!storage.accountByEmail(demoEmail(), &account))
        return false;
    qint64 domainId = 0;
    for (const DomainRow &d : storage.allDomains()) {
        if (d.accountId == account.id && d.name == domain)
            domainId = d.id;
    }
    if (!domainId)
        return false;
    for (int i = 1; i <= count; ++i) {
        RecordRow r;
        r.host = QStringLiteral("h%1").arg(i);
        r.type = QStringLiteral("A");
        r.value = QStringLiteral("10.1.%1.%2").arg(i / 256).arg(i % 256);
        if (storage.createRecord(account.id, domainId, r) != 0)
            return false;
    }
    return true;
}

QString LocalServiceFixture::demoEmail()
{
    return demo::email();
}

QString LocalServiceFixture::demoPassword()
{
    return demo::password();
}

QString LocalServiceFixture::noKeyEmail()
{
    return demo::noKeyEmail();
}

QString LocalServiceFixture::loadEmail(int domainCount)
{
    return loadAccountEmail(domainCount);
}
