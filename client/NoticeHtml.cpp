#include "client/NoticeHtml.h"

#include <QRegularExpression>

namespace {

// Minimal matching, and "." crossing line ends: notices wrap their tags over lines.
constexpr QRegularExpression::PatternOptions kMinimal =
    QRegularExpression::InvertedGreedinessOption | QRegularExpression::DotMatchesEverythingOption;

} // namespace

QString rewriteNoticeHtml(QString content, const QString &baseUrl)
{
    static const QRegularExpression image(QStringLiteral("<img.* src=\\\"(.*)\\\""), kMinimal);
    static const QRegularExpression lineBreak(QStringLiteral("<br .*/>"), kMinimal);

    const QString prefix = baseUrl + QLatin1Char('/');
    // Each image attribute needs one rewrite at most; the budget ends the search even where a
    // hostile base URL would let rewrites create new attributes.
    int budget = content.count(QLatin1String(" src=\""));
    // A source that also occurs in the prefix is found again inside every prefix inserted
    // before it, so each rewrite could multiply the text; together the rewrites change no more
    // places than the notice has characters.
    int places = content.size();
    int from = 0;
    while (budget > 0) {
        const QRegularExpressionMatch match = image.match(content, from);
        if (!match.hasMatch())
            break;
        const QString source = match.captured(1);
        // An empty source would put the prefix between every two characters; a prefixed one
        // was rewritten already (a rewrite before the match shifts the search back onto it).
        if (!source.isEmpty() && !source.startsWith(QLatin1String("http")) &&
            !source.startsWith(prefix)) {
            --budget;
            places -= content.count(source);
            if (places < 0)
                break;
            content.replace(source, prefix + source);
        }
        from = match.capturedStart() + 1;
    }
    content.replace(lineBreak, QStringLiteral("<br />"));
    return content;
}
