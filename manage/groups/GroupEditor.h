#pragma once

#include "client/Types.h"
#include "manage/shell/ManagePage.h"

#include <QList>
#include <QPointer>
#include <QSharedPointer>

class QLineEdit;
class QPushButton;
class QSpacerItem;
class QWidget;

// The group editor panel over the domain page: one editable row per group, a row for a new
// group, "保存" and "关闭分组".
class GroupEditor : public ManagePage
{
    Q_OBJECT
public:
    explicit GroupEditor(MainWindow2 &window);

    // Writes every group row back; stops at the first refusal.
    bool saveGroups();

    // By-name slots handed over by the window.
    void openEditor();
    void overlayClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void discardBuild();
    QWidget *remember(QWidget *widget);
    // The "排序：" label with its order field, as one cell.
    QWidget *orderBox(QLineEdit **order, int value);
    bool hasUnsavedEdits() const;
    void addGroupRow(int row, const QSharedPointer<Group> &group);
    void addNewGroupRow(int row);
    void addButtons();
    void placeButtonStrip();
    void markChanged();

    // Adds the group typed in the new-group row; false when it was not added.
    bool addNewGroup();
    void saveClicked();
    void deleteClicked(QPushButton *button);
    void closeEditor();
    // Points at an input the user must correct.
    void pointAt(QLineEdit *field);

    // Everything the last build made, deleted by the next one.
    QList<QPointer<QWidget>> m_built;
    // The group rows' delete buttons in build order, with "mygp", "mygn" and "mygo".
    QList<QPointer<QPushButton>> m_deleteButtons;
    QPointer<QPushButton> m_save;
    QPointer<QPushButton> m_close;
    QPointer<QLineEdit> m_newName;
    QPointer<QLineEdit> m_newOrder;
    QPointer<QWidget> m_lastRow;
    QSpacerItem *m_spacer = nullptr;
    // Counts builds, so that work begun on one build stops once another replaced it.
    int m_build = 0;
};
