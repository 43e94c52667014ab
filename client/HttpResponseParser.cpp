#include "client/HttpResponseParser.h"

#include <limits>

namespace {

bool isToken(const QByteArray &name)
{
    if (name.isEmpty())
        return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 32 || u >= 127 || QByteArrayLiteral("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    }
    return true;
}

// Decimal digits only, no sign, no overflow.
bool parseLength(const QByteArray &text, qint64 &value)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// A chunk size: hex digits, optionally followed by extensions after ";".
bool parseChunkSize(const QByteArray &line, qint64 &value)
{
    const int end = line.indexOf(';');
    const QByteArray digits = (end < 0 ? line : line.left(end)).trimmed();
    if (digits.isEmpty() || digits.size() > 15)
        return false;
    value = 0;
    for (const char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        value = value * 16 + d;
    }
    return true;
}

} // namespace

QByteArray HttpResponseParser::header(const QByteArray &name) const
{
    for (const auto &field : m_headers) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return QByteArray();
}

QByteArray HttpResponseParser::takeBody()
{
    QByteArray out;
    out.swap(m_body);
    return out;
}

HttpResponseParser::State HttpResponseParser::fail()
{
    m_state = State::Failed;
    m_buffer.clear();
    m_pos = 0;
    return m_state;
}

HttpResponseParser::State HttpResponseParser::feed(const QByteArray &bytes)
{
    if (m_state != State::Incomplete)
        return m_state;
    if (m_phase == Phase::UntilClose) {
        m_body += bytes;
        m_bodyReceived += bytes.size();
        return m_state;
    }
    m_buffer += bytes;
    return parse();
}

HttpResponseParser::State HttpResponseParser::endOfInput()
{
    if (m_state != State::Incomplete)
        return m_state;
    if (m_phase == Phase::UntilClose) {
        m_phase = Phase::Done;
        return m_state = State::Complete;
    }
    return fail();
}

bool HttpResponseParser::takeLine(QByteArray &line)
{
    // The header section as a whole, and every framing line on its own, have a size limit,
    // checked the same way whether or not the line end has arrived yet.
    const bool inHead =
        m_phase == Phase::StatusLine || m_phase == Phase::Headers || m_phase == Phase::Trailers;
    const qint64 used = inHead ? m_headerBytes : 0;
    const qint64 limit = inHead ? kMaxHeaderBytes : kMaxFramingLine;
    const int end = m_buffer.indexOf('\n', m_pos);
    const qint64 length = end < 0 ? m_buffer.size() - m_pos : end - m_pos + 1;
    if (used + length > limit) {
        m_state = State::Failed;
        return false;
    }
    if (end < 0)
        return false;
    if (inHead)
        m_headerBytes += int(length);
    line = m_buffer.mid(m_pos, end - m_pos);
    if (line.endsWith('\r'))
        line.chop(1);
    m_pos = end + 1;
    return true;
}

bool HttpResponseParser::parseStatusLine(const QByteArray &line)
{
    // "HTTP/1.1 200 OK"; the reason may be empty or missing.
    if (!line.startsWith("HTTP/1.") || line.size() < 12 || line.at(8) != ' ')
        return false;
    const QByteArray code = line.mid(9, 3);
    qint64 status = 0;
    if (!parseLength(code, status) || status < 100 || (line.size() > 12 && line.at(12) != ' '))
        return false;
    m_status = int(status);
    m_reason = line.mid(13);
    return true;
}

bool HttpResponseParser::parseHeaderLine(const QByteArray &line)
{
    const int colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    const QByteArray name = line.left(colon);
    if (!isToken(name))
        return false;
    m_headers.append({name, line.mid(colon + 1).trimmed()});
    return true;
}

bool HttpResponseParser::startBody()
{
    if (m_status == 204 || m_status == 304) {
        m_phase = Phase::Done;
        return true;
    }
    QByteArray coding;
    for (const auto &field : m_headers) {
        if (field.first.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0)
            coding += (coding.isEmpty() ? "" : ",") + field.second;
    }
    if (!coding.isEmpty()) {
        // Only chunked, and last, is a framing this reader can trust.
        const QList<QByteArray> codings = coding.toLower().split(',');
        if (codings.last().trimmed() != "chunked")
            return false;
        m_phase = Phase::ChunkSize;
        return true;
    }
    QByteArray declared;
    for (const auto &field : m_headers) {
        if (field.first.compare("Content-Length", Qt::CaseInsensitive) != 0)
            continue;
        // Two different lengths leave the body's end unknown.
        if (!declared.isNull() && declared != field.second)
            return false;
        declared = field.second;
    }
    if (declared.isNull()) {
        m_phase = Phase::UntilClose;
        return true;
    }
    if (!parseLength(declared, m_contentLength))
        return false;
    m_remaining = m_contentLength;
    m_phase = m_remaining > 0 ? Phase::LengthBody : Phase::Done;
    return true;
}

HttpResponseParser::State HttpResponseParser::parse()
{
    QByteArray line;
    while (m_state == State::Incomplete) {
        switch (m_phase) {
        case Phase::StatusLine:
            if (!takeLine(line))
                goto wait;
            if (!parseStatusLine(line))
                return fail();
            m_phase = Phase::Headers;
            break;
        case Phase::Headers:
            if (!takeLine(line))
                goto wait;
            if (!line.isEmpty()) {
                if (!parseHeaderLine(line))
                    return fail();
                break;
            }
            if (m_status < 200 && m_status != 101) {
                // An interim answer; the real one follows.
                m_headers.clear();
                m_phase = Phase::StatusLine;
                break;
            }
            if (!startBody())
                return fail();
            if (m_phase == Phase::UntilClose) {
                m_body += m_buffer.mid(m_pos);
                m_bodyReceived += m_buffer.size() - m_pos;
                m_buffer.clear();
                m_pos = 0;
                return m_state;
            }
            break;
        case Phase::LengthBody:
        case Phase::ChunkData: {
            const qint64 available = m_buffer.size() - m_pos;
            if (available <= 0)
                goto wait;
            const int take = int(qMin(available, m_remaining));
            m_body.append(m_buffer.constData() + m_pos, take);
            m_bodyReceived += take;
            m_pos += take;
            m_remaining -= take;
            if (m_remaining == 0)
                m_phase = m_phase == Phase::LengthBody ? Phase::Done : Phase::ChunkEnd;
            break;
        }
        case Phase::ChunkSize:
            if (!takeLine(line))
                goto wait;
            if (!parseChunkSize(line, m_remaining) ||
                m_bodyReceived > std::numeric_limits<qint64>::max() - m_remaining)
                return fail();
            m_phase = m_remaining > 0 ? Phase::ChunkData : Phase::Trailers;
            break;
        case Phase::ChunkEnd:
            if (!takeLine(line))
                goto wait;
            if (!line.isEmpty())
                return fail();
            m_phase = Phase::ChunkSize;
            break;
        case Phase::Trailers:
            if (!takeLine(line))
                goto wait;
            if (line.isEmpty())
                m_phase = Phase::Done;
            break;
        case Phase::Done:
            // Whatever follows a complete response on a closing connection is ignored.
            m_buffer.clear();
            m_pos = 0;
            return m_state = State::Complete;
        case Phase::UntilClose:
            return m_state;
        }
    }
    return m_state == State::Failed ? fail() : m_state;
wait:
    if (m_state == State::Failed)
        return fail();
    // Drop what was consumed so the buffer holds only what is still to be read.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    return m_state;
}
