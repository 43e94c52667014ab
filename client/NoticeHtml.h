#pragma once

#include <QString>

// Makes a notice's HTML displayable outside the service's site: every relative image source
// becomes baseUrl + "/" + source (all occurrences of that text), and each "<br .../>" becomes
// "<br />".
QString rewriteNoticeHtml(QString content, const QString &baseUrl);
