#include "client/zone/ZoneParser.h"

#include "client/RecordIdentity.h"
#include "client/zone/RrText.h"

#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <ldns/ldns.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct FreeRdf
{
    void operator()(ldns_rdf *rdf) const { ldns_rdf_deep_free(rdf); }
};
struct FreeRr
{
    void operator()(ldns_rr *rr) const { ldns_rr_free(rr); }
};
struct CloseFile
{
    void operator()(FILE *f) const { std::fclose(f); }
};
using RdfPtr = std::unique_ptr<ldns_rdf, FreeRdf>;
using RrPtr = std::unique_ptr<ldns_rr, FreeRr>;

// The first word of a line and the one after it, a comment cut off.
QStringList directiveWords(const QByteArray &line)
{
    QByteArray code = line;
    const int comment = code.indexOf(';');
    if (comment >= 0)
        code.truncate(comment);
    return QString::fromUtf8(code).split(QRegularExpression(QStringLiteral("\\s+")),
                                         Qt::SkipEmptyParts);
}

// Our own pass before ldns sees the text: the directives ldns would follow or take as
// relative, and which lines hold something (a record starts on the first of them after the
// previous record).
void precheck(const QList<QByteArray> &lines, QList<ZoneError> &errors, QList<int> &contentLines)
{
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(';'))
            contentLines.append(i + 1);
        if (!line.startsWith('$'))
            continue;
        const QStringList words = directiveWords(line);
        const QString directive = words.value(0).toUpper();
        if (directive == QLatin1String("$TTL"))
            continue;
        if (directive == QLatin1String("$INCLUDE")) {
            errors.append({i + 1, QStringLiteral("不支持$INCLUDE：导入不读取本机的其他文件")});
        } else if (directive == QLatin1String("$ORIGIN")) {
            if (!words.value(1).endsWith(QLatin1Char('.')) || words.size() != 2)
                errors.append(
                    {i + 1, QStringLiteral("$ORIGIN须为以点结尾的完整域名，不能是相对名称")});
        } else {
            errors.append({i + 1, QStringLiteral("不支持的指令%1").arg(words.value(0))});
        }
    }
}

// The first line where text is not the text of a zone file: a NUL byte, or bytes that are
// not UTF-8 outside a quoted string (inside one, the TXT check speaks). Such input is another
// kind of file (a binary, /dev/zero, another encoding) that ldns would read as a smaller or
// empty zone. One error is enough: the rest of such a file says nothing more.
bool checkText(const QList<QByteArray> &lines, QList<ZoneError> &errors)
{
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.contains('\0')) {
            errors.append({i + 1, QStringLiteral("含有NUL字节，不是文本的区域文件")});
            return false;
        }
        // The parts outside quotes, a comment included; a backslash keeps the next byte from
        // opening or closing a quote.
        QByteArray outside;
        bool quoted = false;
        bool comment = false;
        for (int j = 0; j < line.size(); ++j) {
            const char c = line.at(j);
            if (c == '\\' && !comment) {
                if (!quoted)
                    outside += line.mid(j, 2);
                ++j;
                continue;
            }
            if (c == '"' && !comment) {
                quoted = !quoted;
                continue;
            }
            if (!quoted) {
                comment = comment || c == ';';
                outside += c;
            }
        }
        if (QString::fromUtf8(outside).toUtf8() != outside) {
            errors.append({i + 1, QStringLiteral("引号之外有不是UTF-8的字节，不是文本的区域文件")});
            return false;
        }
    }
    return true;
}

// The owner relative to the domain: "@" for the apex, empty when it lies outside.
QString hostOf(const QString &owner, const QString &origin)
{
    const QStringList labels = owner.split(QLatin1Char('.'));
    const int originLabels = origin.count(QLatin1Char('.')) + 1;
    if (labels.size() < originLabels)
        return QString();
    const int hostLabels = labels.size() - originLabels;
    if (normalizeName(labels.mid(hostLabels).join(QLatin1Char('.'))) != origin)
        return QString();
    // Letter case of the file kept: the service keeps what it is sent.
    return hostLabels == 0 ? QStringLiteral("@") : labels.mid(0, hostLabels).join(QLatin1Char('.'));
}

// Top-level domains that make a relative target look like a name written without its final
// dot ("cdn.example.net" meaning cdn.example.net., not cdn.example.net.<origin>).
bool isCommonTopLevel(const QString &label)
{
    static const QSet<QString> names = {
        QStringLiteral("com"),  QStringLiteral("net"),  QStringLiteral("org"),
        QStringLiteral("cn"),   QStringLiteral("io"),   QStringLiteral("info"),
        QStringLiteral("biz"),  QStringLiteral("top"),  QStringLiteral("xyz"),
        QStringLiteral("edu"),  QStringLiteral("gov"),  QStringLiteral("cc"),
        QStringLiteral("tv"),   QStringLiteral("me"),   QStringLiteral("co"),
        QStringLiteral("uk"),   QStringLiteral("de"),   QStringLiteral("jp"),
        QStringLiteral("hk"),   QStringLiteral("tw"),   QStringLiteral("us"),
        QStringLiteral("app"),  QStringLiteral("dev"),  QStringLiteral("site"),
        QStringLiteral("vip"),  QStringLiteral("club"), QStringLiteral("ltd"),
        QStringLiteral("tech"), QStringLiteral("asia"), QStringLiteral("cloud")};
    return names.contains(label);
}

// The target as the file wrote it, when it is relative yet reads like a full name: the last
// word of the record's text.
QString suspiciousTarget(const QList<QByteArray> &lines, int first, int last, const QString &origin)
{
    QByteArray code;
    for (int i = first; i <= last && i <= lines.size(); ++i) {
        QByteArray line = lines.at(i - 1);
        const int comment = line.indexOf(';');
        if (comment >= 0)
            line.truncate(comment);
        code += line.replace('(', ' ').replace(')', ' ') + ' ';
    }
    const QList<QByteArray> words = code.simplified().split(' ');
    const QString target = QString::fromUtf8(words.last()).toLower();
    if (target.endsWith(QLatin1Char('.')) || !target.contains(QLatin1Char('.')))
        return QString();
    const QString top = target.section(QLatin1Char('.'), -1);
    const bool repeatsOrigin = target == origin || target.endsWith(QLatin1Char('.') + origin);
    return repeatsOrigin || isCommonTopLevel(top) ? QString::fromUtf8(words.last()) : QString();
}

// Turns one parsed record into a record, a skip or an error of file. originInside: whether the
// origin the record was read under lies in the domain.
void takeRecord(const ldns_rr *rr, int line, const QString &origin, bool originInside,
                ZoneFile &file)
{
    // Held as a number: ldns keeps types it does not know ("TYPE194203") beyond the enum's range.
    const int type = int(ldns_rr_get_type(rr));
    const QString typeName = takeLdnsText(ldns_rr_type2str(ldns_rr_type(type)));
    const QString owner = nameText(ldns_rr_owner(rr));
    const QString host = hostOf(owner, origin);
    const QString outside = QStringLiteral("%1不在域名%2之内").arg(owner, origin);
    if (host.isEmpty() && !originInside) {
        // Under an $ORIGIN of another domain the whole rest is another zone's.
        file.errors.append({line, outside});
        return;
    }
    if (host.isEmpty()) {
        // One name written in full for another domain: that record is left out, the rest
        // imports. Written absolute, so that it does not read as a host of the domain.
        file.skipped.append({line, owner + QLatin1Char('.'), typeName, outside});
        return;
    }
    if (ldns_rr_get_class(rr) != LDNS_RR_CLASS_IN) {
        const QString cls = takeLdnsText(ldns_rr_class2str(ldns_rr_get_class(rr)));
        file.errors.append({line, QStringLiteral("只支持IN类的记录，不支持%1").arg(cls)});
        return;
    }
    if (type == LDNS_RR_TYPE_SOA) {
        file.skipped.append({line, host, typeName, QStringLiteral("SOA由服务商的域名服务器生成")});
        return;
    }
    if (type == LDNS_RR_TYPE_NS && host == QLatin1String("@")) {
        file.skipped.append(
            {line, host, typeName, QStringLiteral("根域名的NS由服务商的域名服务器提供")});
        return;
    }
    ZoneRecord r;
    r.line = line;
    r.host = host;
    r.type = typeName;
    r.ttl = int(qMin<uint32_t>(ldns_rr_ttl(rr), 0x7fffffff));
    switch (serviceValueOf(rr, r.value, r.mx)) {
    case RrValue::Ok:
        break;
    case RrValue::NotUtf8:
        file.errors.append({line, QStringLiteral("TXT记录不是UTF-8文本")});
        return;
    case RrValue::HasNul:
        // A NUL (\000) cannot travel as text: it would be dropped on the way, and the record
        // saved as another text.
        file.errors.append({line, QStringLiteral("TXT记录含有NUL字节（\\000），无法导入")});
        return;
    case RrValue::Unsupported:
        file.skipped.append({line, host, typeName, QStringLiteral("服务不支持此类型的记录")});
        return;
    }
    file.records.append(r);
}

} // namespace

ZoneFile parseZoneText(const QByteArray &text, const QString &domain)
{
    ZoneFile file;
    const QString origin = normalizeName(domain);
    if (asciiName(domain).isEmpty()) {
        file.errors.append({0, QStringLiteral("域名%1无效").arg(domain)});
        return file;
    }
    QList<int> contentLines;
    const QList<QByteArray> lines = text.split('\n');
    if (!checkText(lines, file.errors))
        return file;
    precheck(lines, file.errors, contentLines);
    if (!file.errors.isEmpty() || contentLines.isEmpty())
        return file;

    // fmemopen() reads the buffer in place; the text stays alive until the file is closed.
    QByteArray buffer = text;
    std::unique_ptr<FILE, CloseFile> fp(fmemopen(buffer.data(), size_t(buffer.size()), "r"));
    if (!fp) {
        file.errors.append({0, QStringLiteral("无法读取文件内容")});
        return file;
    }
    RdfPtr originRdf(ldns_dname_new_frm_str((origin + QLatin1Char('.')).toUtf8().constData()));
    if (!originRdf) {
        file.errors.append({0, QStringLiteral("域名%1无效").arg(domain)});
        return file;
    }
    ldns_rdf *originRaw = originRdf.release();
    ldns_rdf *prev = nullptr;
    uint32_t defaultTtl = kZoneDefaultTtl;
    int lineNr = 0;
    int next = 0; // index into contentLines of the next record's first line
    // Records are freed together at the end: freeing each at once made malloc give the heap
    // back and take it again for every record (half the reading time went to brk()).
    std::vector<RrPtr> parsed;
    int read = 0;         // records parsed, of every type
    RdfPtr checkedOrigin; // the origin originInside was found for
    bool originInside = true;
    while (!std::feof(fp.get())) {
        const int before = lineNr;
        while (next < contentLines.size() && contentLines.at(next) <= before)
            ++next;
        const int start = contentLines.value(next, before + 1);
        ldns_rr *raw = nullptr;
        const ldns_status status =
            ldns_rr_new_frm_fp_l(&raw, fp.get(), &defaultTtl, &originRaw, &prev, &lineNr);
        if (status == LDNS_STATUS_OK && raw && ++read > kMaxZoneRecords) {
            ldns_rr_free(raw);
            file.errors.append(
                {start, QStringLiteral("文件的记录超过%1条的上限，从这一行起不再读取")
                            .arg(kMaxZoneRecords)});
            break;
        }
        parsed.emplace_back(raw);
        const RrPtr &rr = parsed.back();
        if (status == LDNS_STATUS_OK && rr) {
            // ldns replaces the origin at each $ORIGIN; it is checked again only then.
            if (!originRaw) {
                // An $ORIGIN ldns could not read leaves none: nothing relative to it is known
                // to lie in the domain.
                checkedOrigin.reset();
                originInside = false;
            } else if (!checkedOrigin || ldns_dname_compare(checkedOrigin.get(), originRaw) != 0) {
                checkedOrigin.reset(ldns_rdf_clone(originRaw));
                originInside = !hostOf(nameText(originRaw), origin).isEmpty();
            }
            const int count = file.records.size();
            takeRecord(rr.get(), start, origin, originInside, file);
            const int type = int(ldns_rr_get_type(rr.get()));
            const bool named =
                type == LDNS_RR_TYPE_CNAME || type == LDNS_RR_TYPE_MX || type == LDNS_RR_TYPE_NS;
            if (named && file.records.size() > count)
                file.records.last().relativeTarget = suspiciousTarget(lines, start, lineNr, origin);
        } else if (status != LDNS_STATUS_SYNTAX_EMPTY && status != LDNS_STATUS_SYNTAX_TTL &&
                   status != LDNS_STATUS_SYNTAX_ORIGIN) {
            file.errors.append(
                {start, QStringLiteral("无法解析：%1")
                            .arg(QString::fromUtf8(ldns_get_errorstr_by_id(status)))});
        }
        // ldns consumes at least a line per call; stop rather than spin if it ever does not.
        if (lineNr <= before && !std::feof(fp.get()))
            break;
    }
    ldns_rdf_deep_free(originRaw);
    ldns_rdf_deep_free(prev);
    return file;
}
