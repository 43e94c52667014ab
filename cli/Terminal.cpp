#include "cli/Terminal.h"

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

void writeAll(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Restores the terminal however the read ends.
class EchoOff
{
public:
    explicit EchoOff(int fd) : m_fd(fd)
    {
        if (tcgetattr(fd, &m_saved) != 0)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        m_active = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (m_active)
            tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

} // namespace

bool readPasswordFromTerminal(const QString &prompt, QString &password)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const QByteArray question = prompt.toUtf8();
    bool ok = ::write(fd, question.constData(), size_t(question.size())) == question.size();
    QByteArray line;
    if (ok) {
        EchoOff echoOff(fd);
        char c = 0;
        ssize_t n = 0;
        while ((n = ::read(fd, &c, 1)) == 1 && c != '\n')
            line.append(c);
        ok = n >= 0;
    }
    ::close(fd);
    if (line.endsWith('\r'))
        line.chop(1);
    password = QString::fromUtf8(line);
    line.fill('\0');
    return ok;
}

QByteArray readStandardInput()
{
    QByteArray all;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        all.append(buffer, int(n));
    return all;
}

QString terminalSafe(const QString &text)
{
    const auto isControl = [](QChar c) {
        const ushort u = c.unicode();
        return (u < 0x20 && u != '\n' && u != '\t') || (u >= 0x7f && u <= 0x9f);
    };
    // Most text has none: it is kept as it is, not copied.
    if (std::none_of(text.cbegin(), text.cend(), isControl))
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool control = (u < 0x20 && u != '\n' && u != '\t') || (u >= 0x7f && u <= 0x9f);
        if (control)
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void printOut(const QString &text)
{
    writeAll(stdout, terminalSafe(text).toUtf8());
}

bool standardErrorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void printErr(const QString &text)
{
    writeAll(stderr, terminalSafe(text).toUtf8());
}

void writeOutBytes(const QByteArray &bytes)
{
    writeAll(stdout, bytes);
}

void writeErrBytes(const QByteArray &bytes)
{
    writeAll(stderr, bytes);
}
