#pragma once

#include <QString>

// The application id and scope a QR-connect request must carry.
QString wxAppId();
QString wxScope();

// The QR-connect page: the QR image (class "qrcode lightBorder") and the script that long-polls
// the platform at origin. It also works in a browser, which shows the status as it changes.
QString wxQrConnectPage(const QString &origin, const QString &uuid);

// The page the platform shows for a request it does not accept.
QString wxErrorPage(const QString &reason);

// A long-poll reply: "window.wx_errcode=N;window.wx_code='CODE';".
QString wxPollReply(int status, const QString &code);

// What the simulated phone's three actions are reached by.
QString wxSimulationUrl(const QString &origin, const QString &action, const QString &uuid);
