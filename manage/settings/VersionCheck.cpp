#include "manage/settings/VersionCheck.h"

VersionStanding compareVersions(double running, double latest)
{
    if (running > latest)
        return VersionStanding::Newer;
    if (running == latest)
        return VersionStanding::Same;
    return VersionStanding::Behind;
}

QString upToDateText(VersionStanding standing)
{
    return standing == VersionStanding::Same ? QStringLiteral("当前已是最新版本。")
                                             : QStringLiteral("当前已是最新版本");
}

QString updateQuestion(double running, double latest)
{
    return QStringLiteral("本地版本是 %1，最新版本是 %2，是否前往下载更新？")
        .arg(running, 0, 'g')
        .arg(latest, 0, 'g');
}

QString downloadAddress(const QString &downloadUrl, const QString &webBaseUrl)
{
    QString url = downloadUrl.isEmpty() ? webBaseUrl : downloadUrl;
    if (!url.startsWith(QLatin1String("http")))
        url.prepend(QLatin1String("http://"));
    return url;
}
