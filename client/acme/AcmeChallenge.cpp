#include "client/acme/AcmeChallenge.h"

#include "client/RecordIdentity.h"

#include <QUrl>

namespace {

const QString kChallengeLabel = QStringLiteral("_acme-challenge.");

bool isNameChar(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('_');
}

// name as a record's owner in the form the account's names are compared in: lower case, ASCII,
// without its one final dot. False for anything that is not such a name (blanks, empty labels,
// a wildcard, more than DNS allows).
bool ownerName(const QString &given, QString &name, QString &error)
{
    QString n = given;
    if (n.endsWith(QLatin1Char('.')))
        n.chop(1);
    n = n.toLower();
    bool ascii = true;
    for (const QChar c : n)
        ascii = ascii && c.unicode() <= 0x7f;
    if (!ascii)
        n = QString::fromLatin1(QUrl::toAce(n));
    bool ok = !n.isEmpty() && n.size() <= 253 && n.contains(QLatin1Char('.'));
    const QStringList labels = n.split(QLatin1Char('.'));
    for (const QString &label : labels) {
        ok = ok && !label.isEmpty() && label.size() <= 63;
        for (const QChar c : label)
            ok = ok && isNameChar(c);
    }
    if (!ok) {
        error = QStringLiteral("\"%1\" is not a DNS name").arg(given.left(300));
        return false;
    }
    name = n;
    return true;
}

bool checkValue(const QString &value, QString &error)
{
    bool ok = value.size() == 43;
    for (const QChar c : value)
        ok = ok && (isNameChar(c) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')));
    if (!ok)
        error = QStringLiteral("the challenge value must be 43 characters of base64url (a "
                               "SHA-256 digest), not \"%1\"")
                    .arg(value.left(100));
    return ok;
}

} // namespace

bool legoChallenge(const QStringList &operands, AcmeChallenge &challenge, QString &error)
{
    if (operands.size() != 2) {
        error = QStringLiteral("expected FQDN and VALUE (lego's exec provider in its default "
                               "mode; leave EXEC_MODE unset)");
        return false;
    }
    AcmeChallenge c;
    c.value = operands.at(1);
    if (!ownerName(operands.at(0), c.fqdn, error) || !checkValue(c.value, error))
        return false;
    challenge = c;
    return true;
}

bool certbotChallenge(const QProcessEnvironment &environment, AcmeChallenge &challenge,
                      QString &error)
{
    const QString domainVariable = QStringLiteral("CERTBOT_DOMAIN");
    const QString valueVariable = QStringLiteral("CERTBOT_VALIDATION");
    if (!environment.value(QStringLiteral("CERTBOT_TOKEN")).isEmpty()) {
        error = QStringLiteral("certbot asks for an HTTP-01 challenge; run it with "
                               "--preferred-challenges dns");
        return false;
    }
    if (!environment.contains(domainVariable) || !environment.contains(valueVariable)) {
        error = QStringLiteral("CERTBOT_DOMAIN and CERTBOT_VALIDATION are not set: run this as "
                               "certbot's --manual-auth-hook or --manual-cleanup-hook");
        return false;
    }
    QString name = environment.value(domainVariable);
    // A wildcard is proven at the name it covers.
    if (name.startsWith(QLatin1String("*.")))
        name = name.mid(2);
    AcmeChallenge c;
    c.value = environment.value(valueVariable);
    if (!ownerName(kChallengeLabel + name, c.fqdn, error) || !checkValue(c.value, error))
        return false;
    challenge = c;
    return true;
}

bool placeName(const QStringList &domains, const QString &fqdn, ChallengePlace &place)
{
    ChallengePlace best;
    int bestLength = -1;
    for (int i = 0; i < domains.size(); ++i) {
        const QString domain = normalizeName(domains.at(i));
        if (domain.isEmpty() || domain.size() <= bestLength)
            continue;
        if (fqdn == domain) {
            best = {i, QStringLiteral("@")};
        } else if (fqdn.endsWith(QLatin1Char('.') + domain)) {
            best = {i, fqdn.left(fqdn.size() - domain.size() - 1)};
        } else {
            continue;
        }
        bestLength = domain.size();
    }
    place = best;
    return best.domain >= 0;
}

BatchRequest challengeRequest(const QString &host, const AcmeChallenge &challenge, bool cleanup)
{
    BatchRequest r;
    r.kind = cleanup ? BatchRequest::Delete : BatchRequest::Add;
    r.match = RecordPattern{QStringLiteral("TXT"), host, 0, challenge.value};
    r.ttl = kChallengeTtl;
    return r;
}
