#include "client/zone/RrText.h"

#include <QByteArray>

#include <cctype>
#include <cstdlib>

namespace {

QString withoutDot(QString name)
{
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name;
}

QString txtValue(const ldns_rr *rr, bool &ok, bool &nul)
{
    QByteArray joined;
    for (size_t i = 0; i < ldns_rr_rd_count(rr); ++i) {
        const ldns_rdf *rdf = ldns_rr_rdf(rr, i);
        const size_t size = ldns_rdf_size(rdf);
        const uint8_t *data = ldns_rdf_data(rdf);
        if (size < 1)
            continue;
        // A character string on the wire: its length byte, then the bytes.
        const size_t length = qMin<size_t>(data[0], size - 1);
        joined.append(reinterpret_cast<const char *>(data + 1), int(length));
    }
    nul = joined.contains('\0');
    const QString text = QString::fromUtf8(joined);
    ok = text.toUtf8() == joined;
    return text;
}

} // namespace

QString takeLdnsText(char *text)
{
    const QString s = text ? QString::fromUtf8(text) : QString();
    std::free(text);
    return s;
}

QString rdfText(const ldns_rdf *rdf)
{
    return rdf ? takeLdnsText(ldns_rdf2str(rdf)) : QString();
}

QString nameText(const ldns_rdf *rdf)
{
    const QString printed = rdfText(rdf);
    QByteArray bytes;
    const QByteArray in = printed.toLatin1();
    for (int i = 0; i < in.size(); ++i) {
        if (in.at(i) == '\\' && i + 3 < in.size() && std::isdigit(uchar(in.at(i + 1))) &&
            std::isdigit(uchar(in.at(i + 2))) && std::isdigit(uchar(in.at(i + 3)))) {
            const int value = in.mid(i + 1, 3).toInt();
            if (value >= 0x80 && value <= 0xff) {
                bytes.append(char(value));
                i += 3;
                continue;
            }
        }
        bytes.append(in.at(i));
    }
    const QString text = QString::fromUtf8(bytes);
    return withoutDot(text.toUtf8() == bytes ? text : printed);
}

RrValue serviceValueOf(const ldns_rr *rr, QString &value, int &mx)
{
    switch (int(ldns_rr_get_type(rr))) {
    case LDNS_RR_TYPE_A:
    case LDNS_RR_TYPE_AAAA:
        value = rdfText(ldns_rr_rdf(rr, 0));
        return RrValue::Ok;
    case LDNS_RR_TYPE_CNAME:
    case LDNS_RR_TYPE_NS:
        value = nameText(ldns_rr_rdf(rr, 0));
        return RrValue::Ok;
    case LDNS_RR_TYPE_MX:
        mx = ldns_rr_rdf(rr, 0) ? ldns_rdf2native_int16(ldns_rr_rdf(rr, 0)) : 0;
        value = nameText(ldns_rr_rdf(rr, 1));
        return RrValue::Ok;
    case LDNS_RR_TYPE_TXT: {
        bool utf8 = true;
        bool nul = false;
        value = txtValue(rr, utf8, nul);
        return nul ? RrValue::HasNul : utf8 ? RrValue::Ok : RrValue::NotUtf8;
    }
    default:
        return RrValue::Unsupported;
    }
}
