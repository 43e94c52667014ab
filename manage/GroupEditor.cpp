#include "GroupEditor.h"

#include "MainWindow2.h"
#include "User.h"
#include "ui_MainWindow2.h"

GroupEditor::GroupEditor(MainWindow2 &window) : ManagePage(window) {}

void GroupEditor::openEditor() {}

void GroupEditor::overlayClicked() {}
