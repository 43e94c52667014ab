#include "client/SecretMask.h"

#include <algorithm>

QString maskSecrets(QString text, const QStringList &secrets)
{
    // Longest first, so that a secret containing another is masked whole.
    QStringList ordered = secrets;
    std::sort(ordered.begin(), ordered.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &secret : qAsConst(ordered)) {
        if (secret.size() >= 4)
            text.replace(secret, QStringLiteral("***"));
    }
    return text;
}
