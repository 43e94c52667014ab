#include "manage/shared/ResultList.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

void appendResultLine(QTextEdit *list, const QString &line)
{
    appendResultLines(list, QStringList{line});
}

void appendResultLines(QTextEdit *list, const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    QScrollBar *bar = list->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QTextCursor cursor(list->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const QString &line : lines) {
        if (!list->document()->isEmpty())
            cursor.insertBlock();
        cursor.insertText(line);
    }
    cursor.endEditBlock();
    if (atEnd)
        bar->setValue(bar->maximum());
}
