#pragma once

#include "client/Types.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

// Readers of the "data" member of the service's replies. Each takes whatever JSON arrived and
// never fails: a member of the wrong kind reads as its default. The list results are named
// ...Reply: the management window's page classes (RecordPage, MessagePage) own the ...Page
// names, and two classes of one name in one program break each other.

// Whether data has the shape its reader expects: a page is an object whose "data" member, when
// present, is an array, and whose "recordCount", when present, reads as an int; a list is an array
// (null for none). A reply of another shape is not the service's, and must not replace what the
// cache holds.
bool isPageData(const QJsonValue &data);
bool isListData(const QJsonValue &data);

// One page of "/api/domain/list/". Domains come without views; the caller adds them.
struct DomainPage
{
    QList<Domain> domains;
    int recordCount = 0; // the account's total
};
DomainPage readDomainPage(const QJsonValue &data);

// "/api/record/list/". Records come without line, line name and domain; the caller adds them.
struct RecordListReply
{
    QList<Record> records;
    int recordCount = 0; // the domain's total, which may exceed the records listed
};
RecordListReply readRecordPage(const QJsonValue &data);
// The fields one record of the service names it by (host, id, state, type, MX, TTL, value and
// line), as "/api/record/list/" lists it and "/api/record/create/" answers; the others stay.
void readRecordFields(const QJsonObject &o, Record &r);

// "/api/domain/getgrouplist/": an array of groups.
QList<Group> readGroupList(const QJsonValue &data);

// One page of "/api/news/getmsg/" (the public kinds) or "/api/user/message/" (DMsgInform).
struct MessageListReply
{
    QList<DMsg> messages;
    int recordCount = 0;
    int pageCount = 0;
};
MessageListReply readMessagePage(const QJsonValue &data, DMsgType type);

// "/api/user/appInfo/": the latest version of the program.
struct AppInfo
{
    double versionCode = 0;
    QString versionName;
    QString versionInfo;
    QString downloadUrl;
};
AppInfo readAppInfo(const QJsonValue &data, const QString &defaultUrl);
