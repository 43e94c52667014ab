#pragma once

#include <QString>
#include <QStringList>

class QTextEdit;

// Appends line to a job's success or failure list as plain text: a name or value that looks
// like markup is shown as typed, and the padding of the columns is kept. The list follows its
// end while the user has not scrolled away from it.
void appendResultLine(QTextEdit *list, const QString &line);
// The same for many lines at once: one edit of the document instead of one per line.
void appendResultLines(QTextEdit *list, const QStringList &lines);
