#pragma once

#include "client/Types.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QSharedPointer>
#include <QString>

// What the message centre's lists show: which messages a list holds and the texts and looks
// of a row. Rows hold their message by its shared handle, so a reload of the list cannot leave
// a row pointing at a freed entry.
Q_DECLARE_METATYPE(QSharedPointer<DMsg>)

// The entries of list in its order: all of them, or only the unread ones.
QList<QSharedPointer<DMsg>> listedMessages(const DMsgList &list, bool unreadOnly);

// Marks every entry of list with the given id read; returns how many were unread.
int markReadInList(const DMsgList &list, int id);

// Style sheets of the three cells of a row; an unread title is bold.
QString messageCheckStyle();
QString messageTitleStyle(DMsgState state);
QString messageTimeStyle();

// The time as a row shows it ("yyyy/MM/dd HH:mm " with a trailing space) and as the detail
// page shows it (without).
QString messageRowTime(const QDateTime &time);
QString messageDetailTime(const QDateTime &time);

// Texts of the page.
QString noMessageTickedText();
QString deleteQuestion(int count);
QString refreshedToast(int count);
