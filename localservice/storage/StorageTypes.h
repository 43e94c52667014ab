#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Rows of the service's tables as the handlers see them.

struct AccountRow
{
    qint64 id = 0;
    QString email;
    QString nickname;
    QString apiKey; // empty: the account has no API access
    QString apiSecret;
    QString wxOpenId;
    bool autoAuthoriseDevices = false;
    qint64 created = 0;
};

// A domain's running state; non-zero means paused.
enum DomainState
{
    DomainRunning = 0,
    DomainPaused = 1
};

// A record's running state; non-zero means paused.
enum RecordState
{
    RecordRunning = 0,
    RecordPaused = 2
};

struct DomainRow
{
    qint64 id = 0;
    qint64 accountId = 0;
    QString name;
    int state = DomainRunning;
    int userLock = 0;
    qint64 groupId = 0;
    QString viewType = QStringLiteral("1");
    int serviceId = 1000;
    qint64 created = 0;
};

struct GroupRow
{
    qint64 id = 0;
    qint64 accountId = 0;
    QString name;
    int displayOrder = 0;
};

struct RecordRow
{
    qint64 id = 0;
    qint64 domainId = 0;
    QString host;
    QString type;
    QString value;
    int ttl = 600;
    int mx = 10;
    int viewId = 0;
    int state = RecordRunning;
};

struct NewsRow
{
    qint64 id = 0;
    int kind = 0; // 0 news, 1 notices
    QString title;
    QString url;
    QString content;
    qint64 publishDate = 0;
};

// An account message's read state.
enum MessageState
{
    MessageUnread = 0,
    MessageRead = 1,
    MessageDeleted = 2
};

struct MessageRow
{
    qint64 id = 0;
    qint64 accountId = 0;
    QString title;
    QString content;
    qint64 created = 0;
    int state = MessageUnread;
};

struct DeviceRow
{
    qint64 id = 0;
    qint64 accountId = 0;
    QString cpuId;
    QString hostName;
    bool authorised = false;
    qint64 created = 0;
};

struct AppInfoRow
{
    int type = 1;
    QString versionCode;
    QString versionName;
    QString versionInfo;
    QString downUrl; // a path starting with "/" is relative to the service's own origin
};

// One page of a longer list, and the list's total size.
template <typename T>
struct Page
{
    QList<T> rows;
    int total = 0;
};

// Everything a new account starts with; written in one transaction.
struct SeedAccount
{
    QString email;
    QString password;
    bool withApiKey = true;
    QString wxOpenId;
    bool autoAuthoriseDevices = true;
    QString nickname;
    QList<GroupRow> groups; // id is the position + 1 inside this seed, mapped on insert
    struct Domain
    {
        DomainRow row; // groupId refers to the seed's group positions (1-based, 0 = none)
        QList<RecordRow> records;
    };
    QList<Domain> domains;
    QList<MessageRow> messages;
};

struct SeedSet
{
    QList<SeedAccount> accounts;
    QList<NewsRow> news;
    QList<AppInfoRow> appInfo;
};
