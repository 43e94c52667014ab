#include "localservice/dns/ServedZone.h"

#include "client/zone/ZoneNames.h"
#include "localservice/storage/ServiceLines.h"

#include <QHostAddress>
#include <QSet>

#include <algorithm>

namespace nameserver {
QString zone()
{
    return QStringLiteral("halvik-local.test");
}
QString ns1()
{
    return QStringLiteral("ns1.halvik-local.test");
}
QString ns2()
{
    return QStringLiteral("ns2.halvik-local.test");
}
QString ns1Address()
{
    return QStringLiteral("127.0.0.1");
}
QString ns2Address()
{
    return QStringLiteral("127.0.0.2");
}
} // namespace nameserver

namespace {

constexpr int kZoneTtl = 600;
constexpr int kTxtChunk = 255;
// Owners in the geoip module's file are keys of at most 127 characters; a longer one would
// make the module refuse the whole file, and every line of the zone go unanswered.
constexpr int kMaxModuleOwner = 127;

// An RRset: one owner, line and type.
struct RecordSet
{
    int ttl = 0;
    QList<QByteArray> data;
};

using TypeSets = QMap<QString, RecordSet>; // type -> set

bool isZoneNameChar(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.' ||
           u == '*';
}

// The absolute owner of host in zone ("www" -> "www.example.com."); empty when unusable.
QString ownerName(const QString &host, const QString &zone)
{
    const QString h = host.trimmed();
    if (h.isEmpty() || h == QLatin1String("@"))
        return zone + QLatin1Char('.');
    const QString ascii = comparableName(h);
    if (ascii.isEmpty() || !std::all_of(ascii.cbegin(), ascii.cend(), isZoneNameChar))
        return QString();
    return ascii + QLatin1Char('.') + zone + QLatin1Char('.');
}

QByteArray targetName(const QString &value)
{
    const QString ascii = comparableName(value);
    if (ascii.isEmpty() || !std::all_of(ascii.cbegin(), ascii.cend(), isZoneNameChar))
        return QByteArray();
    return ascii.toLatin1() + '.';
}

bool isPlainTextByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '=' || c == ':' || c == '/' || c == '+';
}

// TXT data as unquoted character strings of at most 255 bytes, every other byte as \DDD.
QByteArray txtData(const QString &value)
{
    const QByteArray bytes = value.toUtf8();
    QByteArray out;
    for (int at = 0; at < bytes.size(); at += kTxtChunk) {
        if (at > 0)
            out += ' ';
        for (const char c : bytes.mid(at, kTxtChunk)) {
            if (isPlainTextByte(c))
                out += c;
            else
                out += '\\' + QByteArray::number(uchar(c)).rightJustified(3, '0');
        }
    }
    return out;
}

QByteArray addressData(const QString &value, QAbstractSocket::NetworkLayerProtocol protocol)
{
    const QHostAddress address(value.trimmed());
    if (address.isNull() || address.protocol() != protocol)
        return QByteArray();
    return address.toString().toLatin1();
}

void addRecordLine(QByteArray &text, const QString &owner, int ttl, const QString &type,
                   const QByteArray &data)
{
    text += owner.toLatin1() + ' ' + QByteArray::number(ttl) + " IN " + type.toLatin1() + ' ' +
            data + '\n';
}

QByteArray soaAndNs(const QString &zone, quint32 serial)
{
    const QString apex = zone + QLatin1Char('.');
    QByteArray text = "$TTL " + QByteArray::number(kZoneTtl) + '\n';
    addRecordLine(text, apex, kZoneTtl, QStringLiteral("SOA"),
                  nameserver::ns1().toLatin1() + ". hostmaster." + nameserver::zone().toLatin1() +
                      ". " + QByteArray::number(serial) + " 3600 600 86400 60");
    addRecordLine(text, apex, kZoneTtl, QStringLiteral("NS"), nameserver::ns1().toLatin1() + '.');
    addRecordLine(text, apex, kZoneTtl, QStringLiteral("NS"), nameserver::ns2().toLatin1() + '.');
    return text;
}

// A line's answer at one name: its own sets, then what its parents and the default line add.
TypeSets effectiveSets(const QMap<int, TypeSets> &byLine, int line,
                       const QHash<int, int> &lineParents)
{
    TypeSets out = byLine.value(line);
    const bool ownCname = out.contains(QStringLiteral("CNAME"));
    if (ownCname)
        return out;
    QSet<int> seen{line};
    int next = lineParents.value(line, 0);
    while (true) {
        const TypeSets fallback = byLine.value(next);
        for (auto it = fallback.cbegin(); it != fallback.cend(); ++it) {
            if (!out.contains(it.key()))
                out.insert(it.key(), it.value());
        }
        if (next == 0 || seen.contains(next))
            break;
        seen.insert(next);
        next = lineParents.value(next, 0);
    }
    // A CNAME taken from a fallback line cannot stand beside the line's own records.
    if (out.size() > 1)
        out.remove(QStringLiteral("CNAME"));
    return out;
}

} // namespace

QHash<int, int> serviceLineParents()
{
    QHash<int, int> parents;
    for (const ServiceLine &l : serviceLines()) {
        for (const ServiceLine &s : l.subLines)
            parents.insert(s.viewId, l.viewId);
    }
    return parents;
}

QByteArray presentationData(const QString &type, const QString &value, int mx)
{
    if (type == QLatin1String("A"))
        return addressData(value, QAbstractSocket::IPv4Protocol);
    if (type == QLatin1String("AAAA"))
        return addressData(value, QAbstractSocket::IPv6Protocol);
    if (type == QLatin1String("CNAME") || type == QLatin1String("NS"))
        return targetName(value);
    if (type == QLatin1String("MX")) {
        const QByteArray target = targetName(value);
        if (target.isEmpty() || mx < 0 || mx > 65535)
            return QByteArray();
        return QByteArray::number(mx) + ' ' + target;
    }
    if (type == QLatin1String("TXT"))
        return value.isEmpty() ? QByteArray() : txtData(value);
    return QByteArray();
}

ServedZone serveZone(const DomainRow &domain, const QList<RecordRow> &records, quint32 serial,
                     const LineSubnets &table, const QHash<int, int> &lineParents)
{
    ServedZone zone;
    zone.domainId = domain.id;
    zone.name = comparableName(domain.name);
    const QString apex = zone.name + QLatin1Char('.');

    QMap<QString, QMap<int, TypeSets>> byOwner; // owner -> line -> type -> set
    for (const RecordRow &r : records) {
        if (r.state != RecordRunning || (r.viewId != 0 && !table.subnets.contains(r.viewId)))
            continue;
        const QString type = r.type.trimmed().toUpper();
        const QString owner = ownerName(r.host, zone.name);
        if (owner.isEmpty() ||
            (owner == apex && (type == QLatin1String("NS") || type == QLatin1String("CNAME"))))
            continue;
        const QByteArray data = presentationData(type, r.value, r.mx);
        if (data.isEmpty())
            continue;
        RecordSet &set = byOwner[owner][r.viewId][type];
        // One TTL per set: the smallest of its records'.
        set.ttl = set.data.isEmpty() ? r.ttl : std::min(set.ttl, r.ttl);
        if (!set.data.contains(data))
            set.data.append(data);
    }

    zone.zoneText = soaAndNs(zone.name, serial);
    for (auto owner = byOwner.cbegin(); owner != byOwner.cend(); ++owner) {
        const TypeSets defaults = owner.value().value(0);
        for (auto set = defaults.cbegin(); set != defaults.cend(); ++set) {
            for (const QByteArray &data : set.value().data)
                addRecordLine(zone.zoneText, owner.key(), set.value().ttl, set.key(), data);
        }
        for (auto line = owner.value().cbegin(); line != owner.value().cend(); ++line) {
            if (line.key() == 0 || owner.key().size() > kMaxModuleOwner)
                continue;
            const TypeSets sets = effectiveSets(owner.value(), line.key(), lineParents);
            QMap<int, QByteArray> viewsByTtl; // the view's records, one module file per TTL
            for (auto set = sets.cbegin(); set != sets.cend(); ++set) {
                QByteArray &view = viewsByTtl[set.value().ttl];
                for (const QByteArray &data : set.value().data)
                    view += "    " + set.key().toLatin1() + ": \"" + data + "\"\n";
            }
            for (auto view = viewsByTtl.cbegin(); view != viewsByTtl.cend(); ++view) {
                QByteArray &file = zone.geoByTtl[view.key()];
                file += owner.key().toLatin1() + ":\n";
                for (const QString &subnet : table.subnets.value(line.key()))
                    file += "  - net: " + subnet.toLatin1() + '\n' + view.value();
            }
        }
    }
    return zone;
}

QByteArray nameServerZoneText(quint32 serial)
{
    QByteArray text = soaAndNs(nameserver::zone(), serial);
    addRecordLine(text, nameserver::ns1() + QLatin1Char('.'), kZoneTtl, QStringLiteral("A"),
                  nameserver::ns1Address().toLatin1());
    addRecordLine(text, nameserver::ns2() + QLatin1Char('.'), kZoneTtl, QStringLiteral("A"),
                  nameserver::ns2Address().toLatin1());
    return text;
}
