#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The state value of every QR-connect request; the service gets it back with the code.
QString wxState();

// Where the WeChat open platform lives unless configured otherwise.
QString defaultWxOrigin();
// The platform origin the QR flow talks to; set once at start-up.
QString &wxOrigin();
// Reads --wx-origin (also --wx-origin=value), falling back to HALVIK_WX_ORIGIN, else the
// default. Anything but http(s)://host[:port] is an error: false with the reason.
bool loadWxOrigin(const QStringList &args, const QProcessEnvironment &env, QString &origin,
                  QString &errorText);

// The QR-connect page's address on origin; the redirect target goes in as it is.
QString qrConnectUrl(const QString &origin, const QString &serviceBaseUrl);

// The QR image's path on the platform's host, taken from the QR-connect page.
bool findQrImagePath(const QString &page, QString &path);
// The long-poll address the QR-connect page gives (an https address).
bool findPollAddress(const QString &page, QString &address);

// What one long-poll reply says.
struct PollReply
{
    int state = 0; // wx_errcode; 0 when not a number
    QString code;  // the authorisation code once confirmed
};
bool parsePollReply(const QString &body, PollReply &reply);

// The next long-poll request: the last reported state goes back as "&last=".
QString pollRequestUrl(const QString &pollUrl, const QString &lastWxCode);

// What the flow does with one state number.
struct PollStep
{
    enum Action
    {
        KeepPolling,
        SignIn, // confirmed on the phone: redeem the code
        Expired // the code is dead: stop and wait for a click on the image
    };
    Action action = KeepPolling;
    bool setsStatus = false;
    QString status;
    bool setsLastCode = false;
    QString lastWxCode;
};
PollStep pollStepFor(int state);
