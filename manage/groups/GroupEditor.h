#pragma once

#include "client/Types.h"
#include "manage/shared/ManagePage.h"

#include <QList>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

class QFrame;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpacerItem;
class QWidget;

// The widgets the group editor owns, under the form's object names.
struct GroupEditorWidgets
{
    QPushButton *pushButton_Gedit = nullptr; // "编辑分组" over the group column
    QWidget *widget_5 = nullptr;             // the editor panel
    QScrollArea *scrollArea_6 = nullptr;     // its rows
    QWidget *scrollAreaWidgetContents_6 = nullptr;
    QGridLayout *gridLayout_3 = nullptr;  // one row per group
    QGridLayout *gridLayout_11 = nullptr; // the button strip's layout
    QWidget *widget_8 = nullptr;          // the button strip
    QFrame *frame_zdgedit = nullptr;      // the overlay over the rest of the window
    // The looks of the domain page's buttons, which the editor's buttons share.
    QString buttonStyle;       // "保存", "添加"
    QString deleteButtonStyle; // a row's delete button
};

// The group editor panel over the domain page: one editable row per group, a row for a new
// group, "保存" and "关闭分组".
class GroupEditor : public ManagePage
{
    Q_OBJECT
public:
    GroupEditor(PageShell &window, const GroupEditorWidgets &widgets);

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

    const GroupEditorWidgets m_w;
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
