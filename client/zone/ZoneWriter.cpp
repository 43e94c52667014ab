#include "client/zone/ZoneWriter.h"

#include "client/RecordIdentity.h"
#include "client/RecordValidation.h"
#include "client/zone/ZoneParser.h"

namespace {

bool isPlainNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '*' || c == '.';
}

// A name in zone file form: bytes that would end or change the token as \DDD.
QByteArray escapedName(const QString &asciiForm)
{
    QByteArray out;
    const QByteArray bytes = asciiForm.toUtf8();
    for (const char c : bytes) {
        if (isPlainNameByte(c))
            out.append(c);
        else
            out.append(QByteArray("\\") + QByteArray::number(uchar(c)).rightJustified(3, '0'));
    }
    return out;
}

QByteArray ownerOf(const Record &r)
{
    const QString host = r.host.trimmed();
    if (host.isEmpty() || host == QLatin1String("@"))
        return QByteArrayLiteral("@");
    return escapedName(asciiName(host));
}

// A character string in quotes; the zone file form of every byte a parser could misread.
QByteArray quotedChunk(const QByteArray &bytes)
{
    QByteArray out("\"");
    for (const char ch : bytes) {
        const uchar c = uchar(ch);
        if (c == '"' || c == '\\') {
            out.append('\\').append(ch);
        } else if (c < 0x20 || c >= 0x7f) {
            out.append('\\').append(QByteArray::number(c).rightJustified(3, '0'));
        } else {
            out.append(ch);
        }
    }
    return out.append('"');
}

QByteArray txtData(const QString &value)
{
    const QByteArray bytes = value.toUtf8();
    if (bytes.isEmpty())
        return QByteArrayLiteral("\"\"");
    QByteArray out;
    for (int at = 0; at < bytes.size(); at += 255) {
        if (at > 0)
            out.append(' ');
        out.append(quotedChunk(bytes.mid(at, 255)));
    }
    return out;
}

QByteArray targetOf(const QString &value)
{
    return escapedName(asciiName(value)) + '.';
}

QByteArray rdataOf(Record r)
{
    r.type = r.type.toUpper();
    if (r.type == QLatin1String("MX"))
        return QByteArray::number(r.mx) + ' ' + targetOf(r.value);
    if (r.type == QLatin1String("CNAME") || r.type == QLatin1String("NS"))
        return targetOf(r.value);
    if (r.type == QLatin1String("TXT"))
        return txtData(r.value);
    return r.value.trimmed().toUtf8();
}

QByteArray recordLine(const Record &r)
{
    return ownerOf(r) + '\t' + QByteArray::number(r.ttl) + "\tIN\t" + r.type.toUpper().toUtf8() +
           '\t' + rdataOf(r);
}

// One line of text as a comment: line breaks in service data must not end the comment.
QByteArray commented(const QString &text)
{
    QByteArray line = text.toUtf8();
    line.replace('\n', ' ').replace('\r', ' ');
    return "; " + line + '\n';
}

bool isApexNs(const Record &r)
{
    const QString host = r.host.trimmed();
    return r.type == QLatin1String("NS") && (host.isEmpty() || host == QLatin1String("@"));
}

} // namespace

QString zoneExportProblem(Record r)
{
    r.type = r.type.toUpper();
    const QString host = r.host.trimmed();
    const bool apex = host.isEmpty() || host == QLatin1String("@");
    if (!apex && asciiName(host).isEmpty())
        return QStringLiteral("主机记录无法转换为ASCII形式");
    if (r.ttl < 0)
        return QStringLiteral("TTL无效");
    const QString value = r.value.trimmed();
    if (r.type == QLatin1String("A"))
        return isIPv4Address(value) ? QString() : QStringLiteral("IP格式有误");
    if (r.type == QLatin1String("AAAA"))
        return isIPv6Address(value) ? QString() : QStringLiteral("IP格式有误");
    if (r.type == QLatin1String("CNAME") || r.type == QLatin1String("MX") ||
        r.type == QLatin1String("NS")) {
        if (asciiName(value).isEmpty())
            return QStringLiteral("记录值无法转换为ASCII形式");
        // At the apex a CNAME would stand beside the SOA and NS every zone has.
        if (r.type == QLatin1String("CNAME") && apex)
            return QStringLiteral("根域名的CNAME不能与SOA、NS并存，标准工具无法载入");
        return QString();
    }
    if (r.type == QLatin1String("TXT"))
        return QString();
    return QStringLiteral("不支持的记录类型");
}

ZoneExport writeZone(const QString &domain, const QList<Record> &records, int lineID,
                     const QStringList &nameServers)
{
    ZoneExport out;
    const QByteArray origin = escapedName(asciiName(domain)) + '.';
    QByteArray body;
    bool hasApexNs = false;
    QStringList apexNs; // the line's own apex NS targets, compared
    for (const Record &r : records) {
        if (r.lineID != lineID)
            continue;
        const QString problem = zoneExportProblem(r);
        if (!problem.isEmpty()) {
            ++out.unwritable;
            body += commented(
                QStringLiteral("无法写出（%1）：%2 %3 %4").arg(problem, r.host, r.type, r.value));
        } else if (r.state != 0) {
            ++out.paused;
            body += "; 已暂停: " + recordLine(r) + '\n';
        } else {
            ++out.written;
            if (isApexNs(r)) {
                hasApexNs = true;
                apexNs.append(normalizeName(r.value));
            }
            body += recordLine(r) + '\n';
        }
    }
    // The service's name servers as names a zone file can carry; a name that has no ASCII form
    // is left out rather than written wrong.
    QList<QByteArray> servers;
    QStringList serverNames;
    for (const QString &ns : nameServers) {
        const QString ascii = asciiName(ns);
        if (!ascii.isEmpty() && !serverNames.contains(normalizeName(ns))) {
            serverNames.append(normalizeName(ns));
            servers.append(escapedName(ascii) + '.');
        }
    }

    const QByteArray ttl = QByteArray::number(kZoneDefaultTtl);
    QByteArray &text = out.text;
    text += commented(QStringLiteral("%1 线路%2的解析记录").arg(domain).arg(lineID));
    text += "$ORIGIN " + origin + '\n';
    text += "$TTL " + ttl + '\n';
    if (servers.isEmpty()) {
        text += commented(QStringLiteral("以下SOA%1只是占位，让标准工具能载入此文件；"
                                         "域名服务器由服务商提供，导入时会跳过它们")
                              .arg(hasApexNs ? QString() : QStringLiteral("和NS")));
        text += "@\t" + ttl +
                "\tIN\tSOA\tns.placeholder.invalid. hostmaster.placeholder.invalid. "
                "1 3600 600 604800 600\n";
        if (!hasApexNs)
            text += "@\t" + ttl + "\tIN\tNS\tns.placeholder.invalid.\n";
    } else {
        text += commented(QStringLiteral("以下SOA和NS取自服务商为此域名提供的域名服务器，"
                                         "导入时会跳过它们"));
        text += "@\t" + ttl + "\tIN\tSOA\t" + servers.first() + " hostmaster." + origin +
                " 1 3600 600 604800 600\n";
        for (int i = 0; i < servers.size(); ++i) {
            if (!apexNs.contains(serverNames.at(i)))
                text += "@\t" + ttl + "\tIN\tNS\t" + servers.at(i) + '\n';
        }
    }
    text += body;
    return out;
}
