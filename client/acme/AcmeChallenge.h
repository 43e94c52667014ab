#pragma once

#include "client/plan/BatchPlanner.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A DNS-01 challenge as an ACME client hands it to its hook: the TXT record that proves
// control of a name.
struct AcmeChallenge
{
    QString fqdn;  // where the record goes: lower case, ASCII, no final dot
    QString value; // the TXT value: a SHA-256 digest in unpadded base64url (43 characters)
};

// From the operands of lego's exec provider in its default mode ("present|cleanup FQDN VALUE";
// the FQDN ends in a dot and may be where a CNAME of _acme-challenge leads). False with the
// reason when they are not a challenge.
bool legoChallenge(const QStringList &operands, AcmeChallenge &challenge, QString &error);

// From the environment of certbot's manual hooks: CERTBOT_DOMAIN is proven at
// _acme-challenge.CERTBOT_DOMAIN (a wildcard "*.x" at _acme-challenge.x) with
// CERTBOT_VALIDATION. An HTTP-01 challenge (CERTBOT_TOKEN set) is refused.
bool certbotChallenge(const QProcessEnvironment &environment, AcmeChallenge &challenge,
                      QString &error);

// Where a name lies in the account: the domain that is its longest suffix (an index into
// domains, compared without case and in ASCII form) and the host within it ("@" for the domain
// itself). False when no domain of the list holds the name.
struct ChallengePlace
{
    int domain = -1;
    QString host;
};
bool placeName(const QStringList &domains, const QString &fqdn, ChallengePlace &place);

// The TTL of a challenge record: short, so that a stale answer fades quickly; the least the
// service accepts.
constexpr int kChallengeTtl = 60;

// The batch that publishes the challenge at host (a TXT record on the default line) or, for
// cleanup, removes exactly that record: same host, type, line and value.
BatchRequest challengeRequest(const QString &host, const AcmeChallenge &challenge, bool cleanup);
