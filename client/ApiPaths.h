#pragma once

#include <QString>

// The request path of each operation, appended to the service base URL.
struct ApiPaths
{
    QString verify = QStringLiteral("/api/user/verify/");
    QString wxLogin = QStringLiteral("/api/user/wxlogin/");
    QString chkCpuId = QStringLiteral("/api/user/chkcpuid/");
    QString addCpuId = QStringLiteral("/api/user/addcpuid/");
    QString registerUser = QStringLiteral("/api/user/register/");
    QString userDetail = QStringLiteral("/api/user/detail/");
    QString domainList = QStringLiteral("/api/domain/list/");
    QString domainCreate = QStringLiteral("/api/domain/create/");
    QString domainLock = QStringLiteral("/api/domain/lock/");
    QString domainUnlock = QStringLiteral("/api/domain/unlock/");
    QString domainPause = QStringLiteral("/api/domain/pause/");
    QString domainStart = QStringLiteral("/api/domain/start/");
    QString domainRemove = QStringLiteral("/api/domain/remove/");
    QString domainBatchDelete = QStringLiteral("/api/domain/batchdelete/"); // no operation uses it
    QString groupList = QStringLiteral("/api/domain/getgrouplist/");
    QString groupDelete = QStringLiteral("/api/domain/delgroup/");
    QString groupEdit = QStringLiteral("/api/domain/editgroup/");
    QString domainGroupEdit = QStringLiteral("/api/domain/editdomaingroup/");
    QString recordList = QStringLiteral("/api/record/list/");
    QString recordRemoveUnused = QStringLiteral("/api/record/remove/"); // no operation uses it
    QString recordCreate = QStringLiteral("/api/record/create/");
    QString recordPause = QStringLiteral("/api/record/pause/");
    QString recordStart = QStringLiteral("/api/record/start/");
    QString recordRemove = QStringLiteral("/api/record/remove/");
    QString recordModify = QStringLiteral("/api/record/modify/");
    QString newsList = QStringLiteral("/api/news/getmsg/");
    QString userMessages = QStringLiteral("/api/user/message/");
    QString messageState = QStringLiteral("/api/user/setmsgstate/");
    QString newsDetail = QStringLiteral("/api/news/detail/");
    QString appInfo = QStringLiteral("/api/user/appInfo/");
    QString allViews = QStringLiteral("/api/service/allviews/");
};
