#pragma once

#include <QList>
#include <QString>

// One id of a comma-separated list, with the piece as the caller wrote it.
struct IdPiece
{
    QString text;
    int id = 0;
};

// The positive decimal ids of a comma-separated list, in order; empty, non-numeric, zero and
// negative pieces are dropped.
QList<IdPiece> positiveIds(const QString &text);
