#pragma once

#include <QString>

// Makes a notice's HTML displayable outside the service's site: every relative image source
// becomes baseUrl + "/" + source (all occurrences of that text), and each "<br .../>" becomes
// "<br />". Rewriting stops before the rewrites together would change more places than the
// notice has characters.
QString rewriteNoticeHtml(QString content, const QString &baseUrl);
