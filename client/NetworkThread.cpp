#include "client/NetworkThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The hashed directory of the system's roots: OpenSSL reads a root from it only when a chain
// names its issuer, where a bundle file would be read whole for every new connection.
const char *systemRootsDir()
{
    static const QByteArray dir = [] {
        const QString debian = QStringLiteral("/etc/ssl/certs");
        return QDir(debian).exists() ? QFile::encodeName(debian) : QByteArray();
    }();
    return dir.isEmpty() ? nullptr : dir.constData();
}

struct Transfer
{
    quint64 ticket = 0;
    CURL *easy = nullptr;
    HttpRequest request;
    NetworkThread::Delivery deliver;
    HttpResult result;
    curl_slist *headerList = nullptr;
    QByteArray url;
    QByteArray proxy;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Clock::time_point lastByte;
    qint64 headerBytes = 0;
    QByteArray contentLength;
    int attempts = 0;
    // This transfer opened a connection of its own (rather than reusing a kept-alive one).
    bool newSocket = false;
    curl_socket_t socket = CURL_SOCKET_BAD;
    // The kept-alive connection it was given had been closed by the peer: nothing was sent,
    // and the transfer starts again on a fresh connection.
    bool stale = false;
    bool sessionChecked = false;
    // The TLS object of the connection it ran on, once known.
    void *tls = nullptr;
    // Set when a callback stopped the transfer; curl's own code then says little.
    QNetworkReply::NetworkError refusal = QNetworkReply::NoError;
    QString refusalText;

    ~Transfer()
    {
        if (easy)
            curl_easy_cleanup(easy);
        curl_slist_free_all(headerList);
    }

    void refuse(QNetworkReply::NetworkError error, const QString &text)
    {
        if (refusal != QNetworkReply::NoError)
            return;
        refusal = error;
        refusalText = text;
    }
};

// The socket under each TLS connection and when it last finished a request, for the checks
// before a kept-alive one is used (network thread only). libcurl names the connection only by
// its TLS object.
struct TlsSocket
{
    curl_socket_t fd = CURL_SOCKET_BAD;
    Clock::time_point idleSince;
};
std::map<void *, TlsSocket> g_tlsSockets;

int onSocket(void *user, curl_socket_t fd, curlsocktype)
{
    auto *t = static_cast<Transfer *>(user);
    t->newSocket = true;
    t->socket = fd;
    return CURL_SOCKOPT_OK;
}

int onCloseSocket(void *, curl_socket_t fd)
{
    for (auto it = g_tlsSockets.begin(); it != g_tlsSockets.end();) {
        if (it->second.fd == fd)
            it = g_tlsSockets.erase(it);
        else
            ++it;
    }
    return ::close(fd);
}

void *tlsObject(CURL *easy)
{
    curl_tlssessioninfo *info = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_TLS_SSL_PTR, &info) != CURLE_OK || !info ||
        info->backend != CURLSSLBACKEND_OPENSSL)
        return nullptr;
    return info->internals;
}

// An idle HTTP/1.1 connection has nothing to read: a byte waiting (TLS's close message) or
// the end of the stream means the peer has closed it. libcurl's own check takes the close
// message for data and would send on it.
bool peerClosed(const TlsSocket &connection)
{
    char byte = 0;
    const ssize_t n = ::recv(connection.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

// Whether a kept-alive connection may carry this request, or it goes on a fresh one.
bool mayReuse(const Transfer *t)
{
    const auto it = g_tlsSockets.find(t->tls);
    if (it == g_tlsSockets.end())
        return t->request.mayRepeat;
    if (peerClosed(it->second))
        return false;
    return t->request.mayRepeat || Clock::now() - it->second.idleSince <
                                       std::chrono::milliseconds(t->request.limits.changeReuseMs);
}

// Whom a request trusts, as one key: connections, sessions and the certificate store are kept
// per trust, so that nothing verified under one is reused under another.
QByteArray trustKey(const HttpTrust &trust)
{
    return QFile::encodeName(trust.rootsDir) + '\0' + trust.extraCaPem;
}

// The certificates one trust accepts, built once and shared by every connection made under
// it: the roots directory (read as chains need its roots, each kept once read) and the extra
// CAs, parsed once instead of on every new connection. Flags as libcurl sets on its own.
X509_STORE *newStore(const HttpTrust &trust)
{
    X509_STORE *store = X509_STORE_new();
    X509_STORE_set_flags(store, X509_V_FLAG_TRUSTED_FIRST | X509_V_FLAG_PARTIAL_CHAIN);
    const QByteArray dir =
        trust.rootsDir.isEmpty() ? QByteArray(systemRootsDir()) : QFile::encodeName(trust.rootsDir);
    if (!dir.isEmpty())
        X509_STORE_load_path(store, dir.constData());
    else
        X509_STORE_set_default_paths(store);
    if (!trust.extraCaPem.isEmpty()) {
        BIO *bio = BIO_new_mem_buf(trust.extraCaPem.constData(), int(trust.extraCaPem.size()));
        while (X509 *cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
            X509_STORE_add_cert(store, cert);
            X509_free(cert);
        }
        BIO_free(bio);
        // The end of the text reads as an error.
        ERR_clear_error();
    }
    return store;
}

CURLcode onSslContext(CURL *, void *context, void *store)
{
    SSL_CTX_set1_cert_store(static_cast<SSL_CTX *>(context), static_cast<X509_STORE *>(store));
    return CURLE_OK;
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t n = size * count;
    t->lastByte = Clock::now();
    if (qint64(t->result.body.size()) + qint64(n) > t->request.limits.maxBodyBytes) {
        t->refuse(QNetworkReply::ProtocolFailure, QStringLiteral("Reply larger than allowed"));
        return 0;
    }
    t->result.body.append(data, int(n));
    return n;
}

void checkResumed(Transfer *t)
{
    if (t->sessionChecked)
        return;
    // Through a proxy the CONNECT reply's headers come before there is a TLS connection.
    void *tls = tlsObject(t->easy);
    if (!tls)
        return;
    t->sessionChecked = true;
    t->tls = tls;
    if (t->newSocket) {
        g_tlsSockets[tls] = TlsSocket{t->socket, Clock::now()};
        t->result.resumedSession = SSL_session_reused(static_cast<SSL *>(tls)) == 1;
    }
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t n = size * count;
    t->lastByte = Clock::now();
    checkResumed(t);
    t->headerBytes += qint64(n);
    if (t->headerBytes > t->request.limits.maxHeaderBytes) {
        t->refuse(QNetworkReply::ProtocolFailure, QStringLiteral("Reply headers too long"));
        return 0;
    }
    const QByteArray line = QByteArray(data, int(n)).trimmed();
    HttpResult &r = t->result;
    if (line.startsWith("HTTP/")) {
        // A new response (after an interim one): only its own fields count.
        r.headers.clear();
        t->contentLength.clear();
        const QList<QByteArray> parts = line.split(' ');
        r.status = parts.value(1).toInt();
        const int reasonAt = line.indexOf(' ', line.indexOf(' ') + 1);
        r.reasonPhrase = reasonAt < 0 ? QByteArray() : line.mid(reasonAt + 1);
        return n;
    }
    const int colon = line.indexOf(':');
    if (colon <= 0)
        return n;
    const QByteArray name = line.left(colon).trimmed();
    const QByteArray value = line.mid(colon + 1).trimmed();
    if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
        // Two different lengths leave the end of the body to whoever reads it: refused.
        if (!t->contentLength.isNull() && t->contentLength != value) {
            t->refuse(QNetworkReply::ProtocolFailure,
                      QStringLiteral("Conflicting Content-Length in the reply"));
            return 0;
        }
        t->contentLength = value;
    }
    r.headers.append({name, value});
    return n;
}

int onRequestReady(void *user, char *, char *, int, int)
{
    auto *t = static_cast<Transfer *>(user);
    if (!t->newSocket && t->attempts == 0) {
        t->tls = tlsObject(t->easy);
        if (!mayReuse(t)) {
            // Nothing sent on it: the request starts again on a fresh connection.
            t->stale = true;
            return CURL_PREREQFUNC_ABORT;
        }
    }
    ++t->attempts;
    t->result.sent = true;
    // A second attempt means curl found a kept-alive connection dead after the request had
    // left on it: the service may have received it, so a change is not sent again.
    if (t->attempts > 1 && !t->request.mayRepeat) {
        t->refuse(QNetworkReply::RemoteHostClosedError,
                  QStringLiteral("Connection closed after the request was sent"));
        return CURL_PREREQFUNC_ABORT;
    }
    return CURL_PREREQFUNC_OK;
}

QNetworkReply::NetworkError errorForCurl(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_CONNECT:
        return QNetworkReply::ConnectionRefusedError;
    case CURLE_COULDNT_RESOLVE_HOST:
        return QNetworkReply::HostNotFoundError;
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QNetworkReply::ProxyNotFoundError;
    case CURLE_OPERATION_TIMEDOUT:
        return QNetworkReply::TimeoutError;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return QNetworkReply::SslHandshakeFailedError;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return QNetworkReply::RemoteHostClosedError;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return QNetworkReply::ProtocolUnknownError;
    case CURLE_URL_MALFORMAT:
        return QNetworkReply::ProtocolInvalidOperationError;
    case CURLE_PROXY:
        return QNetworkReply::ProxyConnectionRefusedError;
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_WRITE_ERROR:
        return QNetworkReply::ProtocolFailure;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

TlsProblem tlsProblemOf(CURL *easy, CURLcode code)
{
    if (code != CURLE_PEER_FAILED_VERIFICATION)
        return code == CURLE_SSL_CONNECT_ERROR ? TlsProblem::Other : TlsProblem::None;
    long verify = X509_V_OK;
    curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify);
    switch (verify) {
    case X509_V_OK:
    case X509_V_ERR_UNSPECIFIED:
        // The chain was good; libcurl's own check of the name refused it.
        return TlsProblem::WrongName;
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return TlsProblem::Expired;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return TlsProblem::WrongName;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return TlsProblem::UnknownIssuer;
    default:
        return TlsProblem::Other;
    }
}

class Engine
{
public:
    Engine()
    {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        m_multi = curl_multi_init();
        m_thread = std::thread([this] { run(); });
    }

    ~Engine()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        curl_multi_wakeup(m_multi);
        m_thread.join();
        for (auto &entry : m_running)
            curl_multi_remove_handle(m_multi, entry.second->easy);
        m_running.clear();
        m_incoming.clear();
        curl_multi_cleanup(m_multi);
        dropTrusts();
    }

    quint64 submit(const HttpRequest &request, NetworkThread::Delivery deliver)
    {
        auto t = std::make_unique<Transfer>();
        t->request = request;
        t->deliver = std::move(deliver);
        t->proxy = desktopProxy(request.url);
        std::lock_guard<std::mutex> lock(m_mutex);
        t->ticket = ++m_lastTicket;
        const quint64 ticket = t->ticket;
        m_incoming.push_back(std::move(t));
        curl_multi_wakeup(m_multi);
        return ticket;
    }

    void cancel(quint64 ticket)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_cancelled.push_back(ticket);
        curl_multi_wakeup(m_multi);
    }

    void forget()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_forget = true;
        curl_multi_wakeup(m_multi);
    }

private:
    static CURLSH *newShare()
    {
        // Every handle lives on the network thread, so the share needs no lock.
        CURLSH *share = curl_share_init();
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        return share;
    }

    struct Trusted
    {
        CURLSH *share = nullptr;
        X509_STORE *store = nullptr;
    };

    Trusted &trusted(const HttpTrust &trust)
    {
        Trusted &t = m_trusts[trustKey(trust)];
        if (!t.share) {
            t.share = newShare();
            t.store = newStore(trust);
        }
        return t;
    }

    void dropTrusts()
    {
        for (auto &entry : m_trusts) {
            curl_share_cleanup(entry.second.share);
            // Connections still open hold their own reference.
            X509_STORE_free(entry.second.store);
        }
        m_trusts.clear();
    }

    // Where Qt reads the desktop's proxy setting (Windows, macOS); elsewhere libcurl reads
    // https_proxy and no_proxy itself.
    static QByteArray desktopProxy(const QUrl &url)
    {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
        // The variables, when set, win as they do everywhere else.
        if (qEnvironmentVariableIsSet("https_proxy") || qEnvironmentVariableIsSet("HTTPS_PROXY"))
            return QByteArray();
        const QList<QNetworkProxy> proxies =
            QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
        for (const QNetworkProxy &p : proxies) {
            if (p.type() == QNetworkProxy::HttpProxy)
                return QStringLiteral("http://%1:%2").arg(p.hostName()).arg(p.port()).toUtf8();
            if (p.type() == QNetworkProxy::NoProxy)
                return QByteArray("");
        }
        return QByteArray();
#else
        Q_UNUSED(url)
        return QByteArray();
#endif
    }

    void run()
    {
        for (;;) {
            std::vector<std::unique_ptr<Transfer>> incoming;
            std::vector<quint64> cancelled;
            bool forget = false;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_stopping)
                    return;
                incoming.swap(m_incoming);
                cancelled.swap(m_cancelled);
                forget = m_forget;
                m_forget = false;
            }
            for (const quint64 ticket : cancelled)
                drop(ticket, incoming);
            if (forget)
                m_forgetPending = true;
            if (m_forgetPending && m_running.empty()) {
                // Nothing uses the shares now: new ones hold no connection and no session.
                dropTrusts();
                m_forgetPending = false;
            }
            for (auto &t : incoming)
                begin(std::move(t));

            int active = 0;
            curl_multi_perform(m_multi, &active);
            collect();
            const int wait = endStalled();

            long curlWait = -1;
            curl_multi_timeout(m_multi, &curlWait);
            int timeout = wait;
            if (curlWait >= 0)
                timeout = int(std::min<long>(curlWait, timeout));
            if (timeout > 0)
                curl_multi_poll(m_multi, nullptr, 0, timeout, nullptr);
        }
    }

    void drop(quint64 ticket, std::vector<std::unique_ptr<Transfer>> &incoming)
    {
        incoming.erase(std::remove_if(incoming.begin(), incoming.end(),
                                      [ticket](const std::unique_ptr<Transfer> &t) {
                                          return t->ticket == ticket;
                                      }),
                       incoming.end());
        const auto it = m_running.find(ticket);
        if (it == m_running.end())
            return;
        curl_multi_remove_handle(m_multi, it->second->easy);
        m_running.erase(it);
    }

    void begin(std::unique_ptr<Transfer> t, bool fresh = false)
    {
        const HttpRequest &r = t->request;
        CURL *e = curl_easy_init();
        if (fresh)
            curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
        t->easy = e;
        t->url = r.url.toEncoded();
        t->lastByte = Clock::now();
        curl_easy_setopt(e, CURLOPT_PRIVATE, t.get());
        const Trusted &trust = trusted(r.trust);
        curl_easy_setopt(e, CURLOPT_SHARE, trust.share);
        curl_easy_setopt(e, CURLOPT_URL, t->url.constData());
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->errorBuffer);
        // https only, on every hop; a redirect is an answer, never followed.
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "https");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "https");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(e, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
        // The trust's store in place of libcurl's default bundle file, read whole otherwise.
        curl_easy_setopt(e, CURLOPT_CAINFO, nullptr);
        curl_easy_setopt(e, CURLOPT_CAPATH, nullptr);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, onSslContext);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, trust.store);
        // libcurl's own store cache is the multi handle's, for every trust alike: it would hand
        // one trust's store to another.
        curl_easy_setopt(e, CURLOPT_CA_CACHE_TIMEOUT, 0L);
        if (!t->proxy.isNull())
            curl_easy_setopt(e, CURLOPT_PROXY, t->proxy.constData());

        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(r.limits.connectMs));
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, long(r.limits.totalMs));
        // A declared length over the cap is refused before any of the body is read.
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(r.limits.maxBodyBytes));

        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, t.get());
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, t.get());
        curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION, onSocket);
        curl_easy_setopt(e, CURLOPT_SOCKOPTDATA, t.get());
        curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, onCloseSocket);
        curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, nullptr);
        curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, onRequestReady);
        curl_easy_setopt(e, CURLOPT_PREREQDATA, t.get());

        // The request and its body leave together; nothing waits for a "100 Continue".
        t->headerList = curl_slist_append(t->headerList, "Expect:");
        for (const auto &field : r.headers) {
            const QByteArray line = field.first + ": " + field.second;
            t->headerList = curl_slist_append(t->headerList, line.constData());
        }
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->headerList);
        if (r.method == "POST") {
            curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(r.body.size()));
            curl_easy_setopt(e, CURLOPT_POSTFIELDS, t->request.body.constData());
        } else if (r.method != "GET") {
            curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, t->request.method.constData());
        }
        curl_multi_add_handle(m_multi, e);
        const quint64 ticket = t->ticket;
        m_running.emplace(ticket, std::move(t));
    }

    void collect()
    {
        int left = 0;
        while (CURLMsg *msg = curl_multi_info_read(m_multi, &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            Transfer *t = nullptr;
            curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &t);
            finish(t, msg->data.result);
        }
    }

    // Ends the transfers that heard nothing for their stall limit; returns how long the loop
    // may sleep before the next one is due.
    int endStalled()
    {
        const Clock::time_point now = Clock::now();
        int wait = 60000;
        std::vector<Transfer *> stalled;
        for (auto &entry : m_running) {
            Transfer *t = entry.second.get();
            const auto due = t->lastByte + std::chrono::milliseconds(t->request.limits.stallMs);
            if (due <= now) {
                stalled.push_back(t);
                continue;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count() + 1;
            wait = int(std::min<long long>(wait, left));
        }
        for (Transfer *t : stalled) {
            t->refuse(QNetworkReply::TimeoutError, QStringLiteral("No data from the server"));
            t->result.timedOut = true;
            finish(t, CURLE_OPERATION_TIMEDOUT);
        }
        return wait;
    }

    void finish(Transfer *t, CURLcode code)
    {
        if (t->stale && code == CURLE_ABORTED_BY_CALLBACK) {
            // Nothing was sent on the connection passed over; the same request on a new one.
            auto again = std::make_unique<Transfer>();
            again->ticket = t->ticket;
            again->request = t->request;
            again->deliver = std::move(t->deliver);
            again->proxy = t->proxy;
            release(t);
            begin(std::move(again), true);
            return;
        }
        const auto used = g_tlsSockets.find(t->tls);
        if (used != g_tlsSockets.end())
            used->second.idleSince = Clock::now();
        HttpResult &r = t->result;
        if (t->refusal != QNetworkReply::NoError) {
            r.error = t->refusal;
            r.errorString = t->refusalText;
        } else if (code != CURLE_OK) {
            r.error = errorForCurl(code);
            r.errorString =
                QString::fromUtf8(t->errorBuffer[0] ? t->errorBuffer : curl_easy_strerror(code));
            r.timedOut = code == CURLE_OPERATION_TIMEDOUT;
            r.tlsProblem = tlsProblemOf(t->easy, code);
        } else {
            long status = 0;
            curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
            r.status = int(status);
            r.error = errorForStatus(r.status);
            if (!framed(t)) {
                // Without a length or chunks only the connection's end ends the body, and a
                // cut one (no TLS close message) cannot be told from a whole one.
                r.error = QNetworkReply::RemoteHostClosedError;
                r.errorString = QStringLiteral("Reply body without a length");
            } else if (r.error != QNetworkReply::NoError)
                r.errorString =
                    QStringLiteral("Error transferring %1 - server replied: %2")
                        .arg(t->request.url.toString(), QString::fromLatin1(r.reasonPhrase));
        }
        // A body cut short is no reply; an error status's body is whole and kept.
        if (t->refusal != QNetworkReply::NoError || code != CURLE_OK || !framed(t))
            r.body.clear();
        std::unique_ptr<Transfer> owned = release(t);
        owned->deliver(std::move(owned->result));
    }

    std::unique_ptr<Transfer> release(Transfer *t)
    {
        curl_multi_remove_handle(m_multi, t->easy);
        const auto it = m_running.find(t->ticket);
        std::unique_ptr<Transfer> owned = std::move(it->second);
        m_running.erase(it);
        return owned;
    }

    static bool framed(const Transfer *t)
    {
        const HttpResult &r = t->result;
        if (r.status < 200 || r.status == 204 || r.status == 304 || t->request.method == "HEAD")
            return true;
        return !r.header("Content-Length").isNull() ||
               r.header("Transfer-Encoding").toLower().contains("chunked");
    }

    std::thread m_thread;
    CURLM *m_multi = nullptr;
    // One share (connections, sessions, names) and one store per trust.
    std::map<QByteArray, Trusted> m_trusts;
    // On the network thread only.
    std::map<quint64, std::unique_ptr<Transfer>> m_running;
    bool m_forgetPending = false;

    std::mutex m_mutex;
    std::vector<std::unique_ptr<Transfer>> m_incoming;
    std::vector<quint64> m_cancelled;
    quint64 m_lastTicket = 0;
    bool m_forget = false;
    bool m_stopping = false;
};

std::mutex g_engineMutex;
Engine *g_engine = nullptr;
bool g_stopped = false;

void stopEngine()
{
    std::lock_guard<std::mutex> lock(g_engineMutex);
    delete g_engine;
    g_engine = nullptr;
    g_stopped = true;
}

Engine *engine()
{
    std::lock_guard<std::mutex> lock(g_engineMutex);
    if (!g_engine && !g_stopped) {
        g_engine = new Engine;
        // Stopped with the application, before the libraries it uses are torn down.
        qAddPostRoutine(stopEngine);
    }
    return g_engine;
}

} // namespace

namespace NetworkThread {

quint64 submit(const HttpRequest &request, Delivery deliver)
{
    Engine *e = engine();
    return e ? e->submit(request, std::move(deliver)) : 0;
}

void cancel(quint64 ticket)
{
    if (Engine *e = engine())
        e->cancel(ticket);
}

void forgetConnections()
{
    if (Engine *e = engine())
        e->forget();
}

} // namespace NetworkThread
