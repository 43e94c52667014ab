#pragma once

#include "localservice/storage/StorageTypes.h"

#include <QJsonObject>

// The JSON entries the service sends, with the member names clients read.

QJsonObject domainJson(const DomainRow &d);
QJsonObject groupJson(const GroupRow &g);
QJsonObject recordJson(const RecordRow &r, const QString &domainName);
QJsonObject newsListJson(const NewsRow &n, const QString &origin);
QJsonObject newsDetailJson(const NewsRow &n, const QString &origin);
QJsonObject messageJson(const MessageRow &m);
QJsonObject appInfoJson(const AppInfoRow &a, const QString &origin);
QJsonObject accountDetailJson(const AccountRow &a, int domainCount);

// A page of a list: {"recordCount", "pageCount", "page", "pageSize", "data": [...]}.
QJsonObject pageJson(const QJsonArray &entries, int total, int page, int pageSize);

// A link the service gives out: a path starting with "/" is made absolute on origin.
QString absoluteUrl(const QString &link, const QString &origin);
