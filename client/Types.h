#pragma once

#include "client/StableList.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Marks an absent integer wherever the service's data may leave one out.
constexpr int kAbsent = -7726;

// One resolution line: a network or region for which a record may answer differently.
struct View
{
    QString viewName;
    int viewID = 0;
    int areaType = 0;
    QList<View> subViews;
};

struct Domain;

// One DNS resolution record of a domain.
struct Record
{
    int id = 0;
    int lineID = 0;
    int state = 0;
    int ttl = 0;
    int mx = 0;
    int viewID = 0;
    QString domainName;
    QString host;
    QString value;
    QString type;
    QString viewName;
    QJsonObject json;
    // Not owning: the domain owns its records. Valid while the domain entry lives; a page
    // that keeps a record across a call keeps the domain's shared handle as well.
    Domain *domain = nullptr;
    View view{QString(), 0, kAbsent, {}};

    // The record's line: the service names it viewID, the program lineID, and view is the line
    // as the account lists it. Set here only, so that the three never name different lines.
    void setLine(int line)
    {
        lineID = viewID = line;
        if (view.viewID != line)
            view = View{QString(), line, kAbsent, {}};
    }
    void setLine(const View &line)
    {
        lineID = viewID = line.viewID;
        view = line;
    }
};

// One domain of the account.
struct Domain
{
    int id = 0;
    int state = 0;
    int userLock = 0;
    int groupID = 0;
    QString viewType = QStringLiteral("1");
    QString name;
    QJsonObject json;
    StableList<Record> records;
    QList<View> views;
    bool recordsDirty = true;
    // The domain's authoritative name servers as a check of this session found them (an
    // export writes its SOA and NS from them); empty while not known.
    QStringList nameServers;
};

// One domain group.
struct Group
{
    int groupID = 0;
    int displayOrder = 0;
    QString groupName;
};

enum DMsgType
{
    DMsgPublic0 = 0,
    DMsgPublic1 = 1,
    DMsgInform = 3
};

enum DMsgState
{
    DMsgUnread = 0,
    DMsgRead = 1,
    DMsgDeleted = 2
};

// One message of the message centre.
struct DMsg
{
    int id = 0;
    DMsgState state = DMsgUnread;
    DMsgType type = DMsgPublic0;
    QString title;
    QString content;
    QString url;
    QDateTime time;
};

using DomainList = StableList<Domain>;
using RecordList = StableList<Record>;
using GroupList = StableList<Group>;
using DMsgList = StableList<DMsg>;
