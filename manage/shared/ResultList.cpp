#include "manage/shared/ResultList.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

void appendResultLine(QTextEdit *list, const QString &line)
{
    QScrollBar *bar = list->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QTextCursor cursor(list->document());
    cursor.movePosition(QTextCursor::End);
    if (!list->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line);
    if (atEnd)
        bar->setValue(bar->maximum());
}
