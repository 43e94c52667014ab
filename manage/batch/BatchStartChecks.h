#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The three batch record jobs.
enum class BatchKind
{
    Add,
    Edit,
    Delete
};

// The texts of one row's editors that the start checks read and fix up. For the edit tab,
// host, type and value describe the old record and the new* fields the new one; type is the
// API type code.
struct BatchRowTexts
{
    QString host;
    QString type;
    QString value;
    QString ttl;
    QString mx;
    QString newHost;
    QString newType;
    QString newValue;
    QString newTtl;
    QString newMx;
};

struct StartCheck
{
    enum Outcome
    {
        Passed,
        NoDomains, // focus and flash the domain list
        NoRows,
        RowIncomplete, // focus and flash the value editor of row
        RowInvalid     // a value the service would refuse: focus and flash editor of row
    };
    Outcome outcome = Passed;
    QString message; // shown in a message box; empty when passed
    int row = -1;
    // RowInvalid: the offending editor, by the name the row's host editor keeps it under
    // ("valuew", "ttlw2", ...); empty for the host editor itself.
    QString editor;

    bool passed() const { return outcome == Passed; }
};

// Checks a start in order: the domain list, then that there are rows, then each row from the
// top, fixing up its texts in place as it goes (a blank host becomes "@", a blank TTL "600",
// the edit tab's blank new value the old one, a CNAME value gets its final dot). The first
// row without its required value, or with a host, value, TTL or MX that the record editors
// refuse (the same check and texts, after "第 N 行："), stops the checks; rows below it are
// left as they were.
StartCheck checkBatchStart(BatchKind kind, const QStringList &domains, QList<BatchRowTexts> &rows);

// Fixes up one row; returns the message of its missing required value, or an empty string.
QString fixUpRow(BatchKind kind, BatchRowTexts &row);

// Why the record editors would refuse what a fixed-up row describes (the record to find and,
// for an edit, what it becomes), with the offending editor's name as in StartCheck::editor;
// empty when none.
QString rowProblem(BatchKind kind, const BatchRowTexts &row, QString *editor = nullptr);
