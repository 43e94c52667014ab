#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// Reads one HTTP/1.1 response as its bytes arrive: status line, header fields, then a body
// framed by Content-Length, by chunks or by the end of the connection. Interim 1xx responses
// are skipped. Anything malformed or oversized fails the response rather than guessing.
class HttpResponseParser
{
public:
    enum class State
    {
        Incomplete,
        Complete,
        Failed
    };

    // Appends bytes from the connection and parses as far as they go.
    State feed(const QByteArray &bytes);
    // The connection has ended: completes a body that runs until the end, fails anything cut.
    State endOfInput();

    State state() const { return m_state; }
    bool headersDone() const { return m_phase > Phase::Headers; }
    int status() const { return m_status; }
    QByteArray reasonPhrase() const { return m_reason; }
    // Header fields in the order received; names as sent.
    QList<QPair<QByteArray, QByteArray>> headers() const { return m_headers; }
    // The value of the first field named name (compared case-insensitively).
    QByteArray header(const QByteArray &name) const;
    // The declared body length, -1 when the framing does not say.
    qint64 contentLength() const { return m_contentLength; }
    qint64 bodyReceived() const { return m_bodyReceived; }
    // The body bytes decoded so far; takeBody hands them over and forgets them.
    const QByteArray &body() const { return m_body; }
    QByteArray takeBody();

    static constexpr int kMaxHeaderBytes = 64 * 1024;
    static constexpr int kMaxFramingLine = 1024; // a chunk size line with its extensions

private:
    enum class Phase
    {
        StatusLine,
        Headers,
        LengthBody,
        UntilClose,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailers,
        Done
    };

    bool parseStatusLine(const QByteArray &line);
    bool parseHeaderLine(const QByteArray &line);
    bool startBody();
    bool takeLine(QByteArray &line);
    State fail();
    State parse();

    QByteArray m_buffer;
    int m_pos = 0;
    int m_headerBytes = 0;
    Phase m_phase = Phase::StatusLine;
    State m_state = State::Incomplete;
    int m_status = 0;
    QByteArray m_reason;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    qint64 m_contentLength = -1;
    qint64 m_remaining = 0; // of the current length-framed body or chunk
    qint64 m_bodyReceived = 0;
    QByteArray m_body;
};
