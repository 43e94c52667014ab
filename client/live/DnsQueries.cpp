#include "client/live/DnsQueries.h"

#include "client/zone/RrText.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <ldns/ldns.h>

#include <cstdlib>
#include <memory>
#include <netinet/in.h>
#include <unistd.h>

namespace {

struct FreePkt
{
    void operator()(ldns_pkt *p) const { ldns_pkt_free(p); }
};
struct FreeBuffer
{
    void operator()(ldns_buffer *b) const { ldns_buffer_free(b); }
};
struct FreeMalloc
{
    void operator()(void *p) const { std::free(p); }
};
using PktPtr = std::unique_ptr<ldns_pkt, FreePkt>;
using BufferPtr = std::unique_ptr<ldns_buffer, FreeBuffer>;

// The question as wire bytes with a random id; empty when ldns cannot build it.
QByteArray buildPacket(const DnsQuestion &q)
{
    ldns_rdf *name = ldns_dname_new_frm_str((q.name + QLatin1Char('.')).toUtf8().constData());
    if (!name)
        return {};
    PktPtr pkt(ldns_pkt_query_new(name, ldns_rr_type(q.type), LDNS_RR_CLASS_IN,
                                  q.recursive ? LDNS_RD : 0));
    if (!pkt)
        return {};
    ldns_pkt_set_id(pkt.get(), quint16(QRandomGenerator::system()->generate()));
    // A size that crosses the Internet unfragmented; larger replies come over TCP.
    ldns_pkt_set_edns_udp_size(pkt.get(), 1232);
    if (!q.subnet.cidr.isEmpty()) {
        const QByteArray option = clientSubnetOption(q.subnet);
        ldns_edns_option_list *list = ldns_edns_option_list_new();
        ldns_edns_option_list_push(list, ldns_edns_new_from_data(LDNS_EDNS_CLIENT_SUBNET,
                                                                 size_t(option.size()),
                                                                 option.constData()));
        ldns_pkt_set_edns_option_list(pkt.get(), list);
    }
    uint8_t *wire = nullptr;
    size_t size = 0;
    if (ldns_pkt2wire(&wire, pkt.get(), &size) != LDNS_STATUS_OK)
        return {};
    const QByteArray bytes(reinterpret_cast<const char *>(wire), int(size));
    std::free(wire);
    return bytes;
}

bool serverAddress(const QString &server, quint16 port, sockaddr_storage &to, socklen_t &length)
{
    const QHostAddress address(server);
    if (address.isNull())
        return false;
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    ldns_rdf *rdf = ldns_rdf_new_frm_str(v6 ? LDNS_RDF_TYPE_AAAA : LDNS_RDF_TYPE_A,
                                         address.toString().toLatin1().constData());
    if (!rdf)
        return false;
    size_t size = 0;
    sockaddr_storage *native = ldns_rdf2native_sockaddr_storage(rdf, port, &size);
    ldns_rdf_deep_free(rdf);
    if (!native)
        return false;
    to = *native;
    length = socklen_t(size);
    std::free(native);
    return true;
}

timeval timeoutOf(int ms)
{
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

QList<ServedRecord> recordsOf(const ldns_rr_list *list, const ldns_rdf *owner, int onlyType)
{
    QList<ServedRecord> out;
    for (size_t i = 0; list && i < ldns_rr_list_rr_count(list); ++i) {
        const ldns_rr *rr = ldns_rr_list_rr(list, i);
        if (ldns_dname_compare(ldns_rr_owner(rr), owner) != 0)
            continue;
        if (onlyType && int(ldns_rr_get_type(rr)) != onlyType)
            continue;
        ServedRecord r;
        r.owner = nameText(ldns_rr_owner(rr));
        r.type = int(ldns_rr_get_type(rr));
        r.typeName = takeLdnsText(ldns_rr_type2str(ldns_rr_get_type(rr)));
        r.ttl = ldns_rr_ttl(rr);
        // A type the service does not keep is still shown, as ldns prints its data.
        if (serviceValueOf(rr, r.value, r.mx) != RrValue::Ok) {
            QStringList fields;
            for (size_t f = 0; f < ldns_rr_rd_count(rr); ++f)
                fields.append(rdfText(ldns_rr_rdf(rr, f)));
            r.value = fields.join(QLatin1Char(' '));
        }
        out.append(r);
    }
    return out;
}

} // namespace

struct DnsQueries::Flight
{
    int index = 0;
    int attempt = 0;
    bool tcp = false;
    int fd = -1;
    // Children of the queries, so that none outlives them.
    QSocketNotifier *notifier = nullptr;
    QTimer *timer = nullptr;
};

DnsQueries::DnsQueries(QObject *parent) : QObject(parent) {}

DnsQueries::~DnsQueries()
{
    const QList<Flight *> flights = m_flights.values();
    for (Flight *f : flights) {
        delete f->notifier;
        delete f->timer;
        f->notifier = nullptr;
        f->timer = nullptr;
        end(f);
    }
}

int DnsQueries::add(const DnsQuestion &question)
{
    m_questions.append(question);
    m_replies.append(DnsReply());
    // Built when first sent: building thousands at once would hold the event loop.
    m_wire.append(QByteArray());
    return m_questions.size() - 1;
}

void DnsQueries::start()
{
    m_running = true;
    m_next = 0;
    m_done = 0;
    if (m_questions.isEmpty()) {
        m_running = false;
        // Queued, so that a caller connecting after start() still hears it.
        QTimer::singleShot(0, this, &DnsQueries::finished);
        return;
    }
    sendNext();
}

void DnsQueries::stop()
{
    if (!m_running)
        return;
    const QList<Flight *> flights = m_flights.values();
    for (Flight *f : flights)
        end(f);
    for (DnsReply &r : m_replies) {
        if (r.outcome == DnsReply::Pending)
            r.outcome = DnsReply::Stopped;
    }
    m_next = m_questions.size();
    m_running = false;
    emit finished();
}

void DnsQueries::sendNext()
{
    while (m_running && m_next < m_questions.size() && m_flights.size() < m_limits.inFlight)
        send(m_next++, 1, false);
}

void DnsQueries::send(int index, int attempt, bool tcp)
{
    const DnsQuestion &q = m_questions.at(index);
    auto *flight = new Flight;
    flight->index = index;
    flight->attempt = attempt;
    flight->tcp = tcp;
    m_flights.insert(index, flight);

    sockaddr_storage to{};
    socklen_t length = 0;
    if (m_wire.at(index).isEmpty())
        m_wire[index] = buildPacket(q);
    const QByteArray &wire = m_wire.at(index);
    if (wire.isEmpty()) {
        settle(flight, DnsReply::NoAnswer, QStringLiteral("无法构造查询：%1").arg(q.name));
        return;
    }
    if (!serverAddress(q.server, q.port, to, length)) {
        settle(flight, DnsReply::NoAnswer, QStringLiteral("地址无效：%1").arg(q.server));
        return;
    }
    BufferPtr buffer(ldns_buffer_new(size_t(wire.size())));
    // ldns sends the bytes up to the position: written, not flipped.
    ldns_buffer_write(buffer.get(), wire.constData(), size_t(wire.size()));
    const timeval timeout = timeoutOf(m_limits.timeoutMs);
    flight->fd = tcp ? ldns_tcp_bgsend2(buffer.get(), &to, length, timeout)
                     : ldns_udp_bgsend2(buffer.get(), &to, length, timeout);
    if (flight->fd < 0) {
        settle(flight, DnsReply::NoAnswer,
               tcp ? QStringLiteral("无法建立TCP连接") : QStringLiteral("无法发送查询"));
        return;
    }
    flight->notifier = new QSocketNotifier(flight->fd, QSocketNotifier::Read, this);
    connect(flight->notifier, &QSocketNotifier::activated, this,
            [this, flight] { readable(flight); });
    flight->timer = new QTimer(this);
    flight->timer->setSingleShot(true);
    connect(flight->timer, &QTimer::timeout, this, [this, flight] { timedOut(flight); });
    flight->timer->start(m_limits.timeoutMs);
}

void DnsQueries::readable(Flight *flight)
{
    size_t size = 0;
    uint8_t *raw = nullptr;
    if (flight->tcp) {
        // The reply is on its way: what remains of it is waited for within the time-out.
        raw = ldns_tcp_read_wire_timeout(flight->fd, &size, timeoutOf(m_limits.timeoutMs));
    } else {
        sockaddr_storage from{};
        socklen_t fromLength = sizeof(from);
        raw = ldns_udp_read_wire(flight->fd, &size, &from, &fromLength);
        const DnsQuestion &q = m_questions.at(flight->index);
        const QHostAddress sender(reinterpret_cast<const sockaddr *>(&from));
        const quint16 port = from.ss_family == AF_INET6
                                 ? ntohs(reinterpret_cast<const sockaddr_in6 *>(&from)->sin6_port)
                                 : ntohs(reinterpret_cast<const sockaddr_in *>(&from)->sin_port);
        if (raw && (!sender.isEqual(QHostAddress(q.server)) || port != q.port)) {
            std::free(raw);
            return; // not from the server asked: keep waiting for its reply
        }
    }
    std::unique_ptr<uint8_t, FreeMalloc> wire(raw);
    if (!wire) {
        // A socket error, a closed or stalled connection: this attempt is over.
        timedOut(flight);
        return;
    }
    takeReply(flight, QByteArray(reinterpret_cast<const char *>(wire.get()), int(size)));
}

bool DnsQueries::takeReply(Flight *flight, const QByteArray &bytes)
{
    ldns_pkt *raw = nullptr;
    if (ldns_wire2pkt(&raw, reinterpret_cast<const uint8_t *>(bytes.constData()),
                      size_t(bytes.size())) != LDNS_STATUS_OK)
        return false;
    PktPtr reply(raw);
    ldns_pkt *askedRaw = nullptr;
    const QByteArray &wire = m_wire.at(flight->index);
    ldns_wire2pkt(&askedRaw, reinterpret_cast<const uint8_t *>(wire.constData()),
                  size_t(wire.size()));
    PktPtr asked(askedRaw);
    const ldns_rr *question = ldns_rr_list_rr(ldns_pkt_question(asked.get()), 0);
    const ldns_rr *echoed = ldns_pkt_qdcount(reply.get()) == 1
                                ? ldns_rr_list_rr(ldns_pkt_question(reply.get()), 0)
                                : nullptr;
    if (!ldns_pkt_qr(reply.get()) || ldns_pkt_id(reply.get()) != ldns_pkt_id(asked.get()) ||
        !echoed || ldns_rr_get_type(echoed) != ldns_rr_get_type(question) ||
        ldns_dname_compare(ldns_rr_owner(echoed), ldns_rr_owner(question)) != 0)
        return false;
    if (ldns_pkt_tc(reply.get()) && !flight->tcp) {
        const int index = flight->index;
        const int attempt = flight->attempt;
        end(flight);
        send(index, attempt, true);
        return true;
    }
    DnsReply &r = m_replies[flight->index];
    r.rcode = int(ldns_pkt_get_rcode(reply.get()));
    r.authoritative = ldns_pkt_aa(reply.get());
    r.overTcp = flight->tcp;
    const ldns_rdf *owner = ldns_rr_owner(question);
    r.answer = recordsOf(ldns_pkt_answer(reply.get()), owner, 0);
    r.authority = recordsOf(ldns_pkt_authority(reply.get()), owner, LDNS_RR_TYPE_NS);
    settle(flight, DnsReply::Answered);
    return true;
}

void DnsQueries::timedOut(Flight *flight)
{
    if (flight->attempt < m_limits.attempts) {
        const int index = flight->index;
        const int attempt = flight->attempt + 1;
        const bool tcp = flight->tcp;
        end(flight);
        send(index, attempt, tcp);
        return;
    }
    settle(flight, DnsReply::NoAnswer, QStringLiteral("%1次查询均无应答").arg(flight->attempt));
}

void DnsQueries::settle(Flight *flight, DnsReply::Outcome outcome, const QString &error)
{
    DnsReply &r = m_replies[flight->index];
    r.outcome = outcome;
    if (!error.isEmpty())
        r.error = error;
    const int index = flight->index;
    end(flight);
    ++m_done;
    emit settled(index);
    emit progress(m_done, m_questions.size());
    if (!m_running)
        return;
    if (m_done == m_questions.size()) {
        m_running = false;
        emit finished();
        return;
    }
    sendNext();
}

void DnsQueries::end(Flight *flight)
{
    m_flights.remove(flight->index);
    // Deleted later: this may run inside the flight's own notifier or timer.
    if (flight->notifier) {
        flight->notifier->setEnabled(false);
        flight->notifier->disconnect(this);
        flight->notifier->deleteLater();
    }
    if (flight->timer) {
        flight->timer->stop();
        flight->timer->disconnect(this);
        flight->timer->deleteLater();
    }
    if (flight->fd >= 0)
        ::close(flight->fd);
    delete flight;
}
