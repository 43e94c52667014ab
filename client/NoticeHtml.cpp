#include "NoticeHtml.h"

#include <QRegularExpression>
#include <QSet>

namespace {

// Minimal matching, and "." crossing line ends: notices wrap their tags over lines.
constexpr QRegularExpression::PatternOptions kMinimal =
    QRegularExpression::InvertedGreedinessOption | QRegularExpression::DotMatchesEverythingOption;

} // namespace

QString rewriteNoticeHtml(QString content, const QString &baseUrl)
{
    static const QRegularExpression image(QStringLiteral("<img.* src=\\\"(.*)\\\""), kMinimal);
    static const QRegularExpression lineBreak(QStringLiteral("<br .*/>"), kMinimal);

    // An empty source would put the prefix between every two characters, and a source that
    // was rewritten once must not be prefixed again: either way the notice would be ruined.
    QSet<QString> rewritten;
    // Each image attribute is rewritten at most once; the budget also ends the search on
    // hostile input where a rewrite before the search position shifts it back.
    int budget = content.count(QLatin1String(" src=\""));
    int from = 0;
    while (budget > 0) {
        const QRegularExpressionMatch match = image.match(content, from);
        if (!match.hasMatch())
            break;
        const QString source = match.captured(1);
        if (!source.isEmpty() && !source.startsWith(QLatin1String("http")) &&
            !rewritten.contains(source)) {
            rewritten.insert(source);
            --budget;
            content.replace(source, baseUrl + QLatin1Char('/') + source);
        }
        from = match.capturedStart() + 1;
    }
    content.replace(lineBreak, QStringLiteral("<br />"));
    return content;
}
