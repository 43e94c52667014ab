#include "signin/DeviceCheck.h"

#include "client/User.h"
#include "signin/WebLinks.h"

int checkDevice(User &user, const QString &deviceId, const QString &localHostName)
{
    QString hostName;
    switch (user.chkCid(deviceId, &hostName)) {
    case 1:
        return 0;
    case 2: {
        const QString question =
            QStringLiteral("当前设备(%1)已提交,但仍未开启授权,请前往web端开启。是否打开网页？")
                .arg(hostName);
        if (User::showMsgBox(question, QString(), 2) != 0)
            openServicePage(user, QStringLiteral("/member/editcpuid/"));
        return 2;
    }
    case 3:
        (void)user.addCid(deviceId, localHostName);
        return 0;
    default:
        return 2;
    }
}
