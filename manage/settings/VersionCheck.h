#pragma once

#include <QString>

// The help page's version check: how the running version stands against the service's latest
// one, and where an update is downloaded from.

enum class VersionStanding
{
    Newer,  // the running version is newer than the latest one
    Same,   // it is the latest one
    Behind, // an update is offered; also when the codes cannot be ordered (not a number)
};

VersionStanding compareVersions(double running, double latest);

// The notice for Newer ("当前已是最新版本") and Same (the same with a full stop).
QString upToDateText(VersionStanding standing);

// "本地版本是 1.31，最新版本是 1.4，是否前往下载更新？"
QString updateQuestion(double running, double latest);

// The download URL, or the web base URL when the service gave none; "http://" is put in front
// of an address that does not start with "http".
QString downloadAddress(const QString &downloadUrl, const QString &webBaseUrl);
