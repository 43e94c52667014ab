#include "tests/support/WindowHarness.h"

#include "app/AppGlobals.h"
#include "app/Startup.h"
#include "client/User.h"
#include "localservice/storage/Storage.h"
#include "manage/domains/DomainTableRow.h"
#include "manage/shell/MainWindow2.h"
#include "signin/MainWindow.h"
#include "signin/WxQrPage.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>

namespace {

// The client's limits in window tests: far above what any request to the stand-in takes on a
// busy machine, or a slow but sound reply would end as a time-out. Tests of time-outs set their
// own.
constexpr int kIdleLimitMs = 20000;
constexpr int kTotalLimitMs = 60000;

// Counts what the application delivers while settle() runs, and notes its own marker event.
class DeliveryCounter : public QObject
{
public:
    static QEvent::Type markerType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == this && event->type() == markerType())
            markerSeen = true;
        else
            ++delivered;
        return false;
    }

    int delivered = 0;
    bool markerSeen = false;
};

} // namespace

WindowHarness::WindowHarness() = default;

WindowHarness::~WindowHarness()
{
    m_keepService = false;
    cleanup();
}

void WindowHarness::init()
{
    static const bool resources = [] {
        initResources();
        return true;
    }();
    Q_UNUSED(resources)
    resetUser();
    // Nothing in a test may reach the real service: a refused local port fails every call at
    // once. A suite's own server or service takes its place.
    theUser().baseUrl = QStringLiteral("https://127.0.0.1:9");
    theUser().webBaseUrl = theUser().baseUrl;
    // A service kept from an earlier test stays the one the client talks to.
    if (service) {
        service->configure(theUser());
        wxOrigin() = service->baseUrl();
    }
    toasts.reset();
    boxes.reset();
    opened.reset();
    boxes = std::make_unique<RecordingPresenter>();
    toasts = std::make_unique<RecordingToasts>();
    opened = std::make_unique<OpenedUrls>();
    // Settings and the autostart entry go to a folder of the test's own.
    if (!m_settingsDir)
        m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    m_settingsDir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settingsDir->path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir->path());
    if (!m_dataDir)
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
    m_dataDir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataDir->path()));
}

void WindowHarness::cleanup()
{
    closeWindows();
    if (!m_keepService)
        stopService();
    else if (service)
        service->clearFaults();
    toasts.reset();
    boxes.reset();
    opened.reset();
    if (m_settingsDir) {
        m_settingsDir.reset();
        qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    }
    if (m_dataDir) {
        m_dataDir.reset();
        qputenv("XDG_DATA_HOME", m_savedDataHome);
    }
    email.clear();
    resetUser();
}

bool WindowHarness::startService(const LocalServiceFixture::Options &options)
{
    service = std::make_unique<LocalServiceFixture>(options);
    if (service->start()) {
        service->configure(theUser());
        wxOrigin() = service->baseUrl();
        return true;
    }
    qWarning("stand-in service: %s", qPrintable(service->errorText()));
    service.reset();
    return false;
}

void WindowHarness::stopService()
{
    service.reset();
}

bool WindowHarness::signIn(const QString &account, bool fetchDomains)
{
    if (!service)
        return false;
    User &u = theUser();
    service->configure(u);
    email = account.isEmpty() ? LocalServiceFixture::demoEmail() : account;
    if (!u.login(email, LocalServiceFixture::demoPassword()))
        return false;
    if (!fetchDomains)
        return true;
    if (u.getDomain() <= 0)
        return false;
    u.needDomainReload = false;
    u.needGroupReload = false;
    return true;
}

MainWindow2 &WindowHarness::openManagement(Show show, const QSize &size)
{
    closeWindows();
    m_ownManagement = std::make_unique<MainWindow2>();
    window = m_ownManagement.get();
    window->firstShowPending = false;
    if (size.isValid()) {
        ::widget<QTimer>(*window, "startupResizeTimer")->stop();
        window->resize(size);
    }
    if (show == Show::Shown) {
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            qWarning("management window not exposed");
    }
    m_root = window;
    return *window;
}

MainWindow &WindowHarness::openSignIn(Show show)
{
    closeWindows();
    signInWindow = std::make_unique<MainWindow>();
    window = &signInWindow->managementWindow();
    window->firstShowPending = false;
    if (show == Show::Shown) {
        signInWindow->show();
        if (!QTest::qWaitForWindowExposed(signInWindow.get()))
            qWarning("sign-in window not exposed");
    }
    m_root = signInWindow.get();
    return *signInWindow;
}

void WindowHarness::closeWindows()
{
    m_root = nullptr;
    window = nullptr;
    m_ownManagement.reset();
    signInWindow.reset();
}

bool WindowHarness::openAfterSignIn()
{
    if (!startService() || !signIn())
        return false;
    theUser().needDomainReload = true;
    theUser().needGroupReload = true;
    openManagement();
    return true;
}

bool WindowHarness::openDomainPage(int seedDomains)
{
    LocalServiceFixture::Options options;
    options.seedDomains = seedDomains;
    if (!startService(options))
        return false;
    const QString account = seedDomains > 0 ? LocalServiceFixture::loadEmail(seedDomains)
                                            : LocalServiceFixture::demoEmail();
    if (!signIn(account, false))
        return false;
    // The size the shell's start-up resize would give it.
    openManagement(Show::Shown, QSize(900, 620));
    theUser().needDomainReload = true;
    theUser().needGroupReload = true;
    button("commandLinkButton")->click();
    return theUser().domains.size() > 0;
}

void WindowHarness::resetUser()
{
    static const User fresh;
    User &u = theUser();
    u.loggedIn = fresh.loggedIn;
    u.registered = fresh.registered;
    u.resultCode = fresh.resultCode;
    u.errorText.clear();
    u.lastReply.clear();
    u.domains.clear();
    u.groups.clear();
    u.msgsPublic0.clear();
    u.msgsPublic1.clear();
    u.msgsInform.clear();
    u.allViews.clear();
    u.viewsByType.clear();
    u.needDomainReload = fresh.needDomainReload;
    u.needGroupReload = fresh.needGroupReload;
    u.userDetail = QJsonObject();
    u.email.clear();
    u.pwdScrambled.clear();
    u.password.clear();
    u.apiKey.clear();
    u.apiSecret.clear();
    u.baseUrl = fresh.baseUrl;
    u.webBaseUrl = fresh.webBaseUrl;
    u.filterGroupId = fresh.filterGroupId;
    u.matchCount = fresh.matchCount;
    u.nextIndex = fresh.nextIndex;
    u.filling = fresh.filling;
    u.setExtraCaCertificates(fresh.extraCaCertificates());
    u.idleLimitMs = kIdleLimitMs;
    u.totalLimitMs = kTotalLimitMs;
    wxOrigin() = defaultWxOrigin();
}

bool WindowHarness::settle()
{
    DeliveryCounter counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    bool quiet = false;
    // A round ends when the marker, posted last with the lowest priority, has come through;
    // chains of queued work take a round per link.
    for (int round = 0; round < 1000 && !quiet; ++round) {
        counter.delivered = 0;
        counter.markerSeen = false;
        QCoreApplication::postEvent(&counter, new QEvent(DeliveryCounter::markerType()),
                                    Qt::LowEventPriority);
        while (!counter.markerSeen)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        quiet = counter.delivered == 0;
    }
    QCoreApplication::instance()->removeEventFilter(&counter);
    return quiet;
}

QAbstractButton *WindowHarness::button(const char *name) const
{
    return widget<QAbstractButton>(name);
}

void WindowHarness::whenStruck(const QString &path, int count, const std::function<void()> &action)
{
    // Goes with the window if the request never comes.
    service->whenStruck(path, count, window, action);
}

void WindowHarness::refuse(const QString &path, int code, const QString &message, int skip,
                           int times) const
{
    Fault f;
    f.kind = FaultKind::Custom;
    f.contentType = "application/json";
    f.body = QStringLiteral("{\"code\":%1,\"message\":\"%2\",\"data\":null}")
                 .arg(code)
                 .arg(message)
                 .toUtf8();
    f.skip = skip;
    f.times = times;
    service->setFault(path, f);
}

std::unique_ptr<User> WindowHarness::probe() const
{
    auto u = std::make_unique<User>();
    service->configure(*u);
    u->idleLimitMs = kIdleLimitMs;
    u->totalLimitMs = kTotalLimitMs;
    if (!u->login(email, LocalServiceFixture::demoPassword()))
        return nullptr;
    return u;
}

QList<Record> WindowHarness::records(const QString &name) const
{
    User &u = theUser();
    Domain *dm = u.domain2ptr(name);
    if (!dm)
        return {};
    u.getRecord(dm);
    QList<Record> list;
    for (const Record &r : dm->records)
        list.append(r);
    return list;
}

Domain WindowHarness::serviceDomain(int id) const
{
    std::unique_ptr<User> u = probe();
    if (u) {
        u->getDomain();
        for (const Domain &dm : u->domains) {
            if (dm.id == id)
                return dm;
        }
    }
    return Domain();
}

qint64 WindowHarness::accountId() const
{
    AccountRow account;
    const QString who = email.isEmpty() ? LocalServiceFixture::demoEmail() : email;
    if (!service || !service->service().storage().accountByEmail(who, &account))
        return 0;
    return account.id;
}

QTableWidget *WindowHarness::table() const
{
    return widget<QTableWidget>("tableWidget");
}

QList<int> WindowHarness::rowIds() const
{
    QList<int> ids;
    for (int row = 0; row < table()->rowCount(); ++row)
        ids.append(rowDomain(table(), row)->id);
    return ids;
}

int WindowHarness::rowOf(const QString &name) const
{
    for (int row = 0; row < table()->rowCount(); ++row) {
        if (rowDomain(table(), row)->name == name)
            return row;
    }
    return -1;
}

bool WindowHarness::reveal(int row) const
{
    table()->scrollToItem(table()->item(row, 0), QAbstractItemView::PositionAtTop);
    return QTest::qWaitFor([this, row] { return rowHasWidgets(table(), row); }, 30000);
}

QPushButton *WindowHarness::rowButton(int row, int which) const
{
    if (!reveal(row))
        return nullptr;
    if (which == 3)
        return table()->cellWidget(row, 0)->findChild<QPushButton *>(QStringLiteral("dmName"));
    const QList<QPushButton *> buttons = table()->cellWidget(row, 1)->findChildren<QPushButton *>();
    return buttons.value(which);
}

QAbstractButton *WindowHarness::groupButton(int groupId) const
{
    for (QAbstractButton *b : widget<QButtonGroup>("buttonGroup_groups")->buttons()) {
        if (b->property("groupID").toInt() == groupId && b->objectName().isEmpty())
            return b;
    }
    return nullptr;
}
