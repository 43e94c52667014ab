#include "manage/domains/DomainTableRow.h"
#include "tests/support/WindowHarness.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

// Types text as key presses, which is what marks a row as edited; QTest::keyClicks takes only
// ASCII.
void typeInto(QLineEdit *field, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(field, &press);
    }
}

} // namespace

// The group editor against the stand-in service: its rows, the new-group row and its order,
// the name limit, saving every row, saving unsaved edits before add and delete, closing.
class TestGroupEditor : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void editorShowsEveryGroup();
    void newGroupOrder_data();
    void newGroupOrder();
    void addChecksTheName_data();
    void addChecksTheName();
    void addSavesUnsavedEditsFirst();
    void saveWritesEveryRow();
    void saveAddsTypedGroupFirst();
    void saveStopsAtARefusal_data();
    void saveStopsAtARefusal();
    void deleteSavesUnsavedEditsFirst_data();
    void deleteSavesUnsavedEditsFirst();
    void closeDiscardsEdits_data();
    void closeDiscardsEdits();

private:
    void openEditor();
    // The editor's widgets of the current build (those of earlier builds are gone first).
    QList<QLineEdit *> nameFields() const;
    QLineEdit *newNameField() const;
    // The widget in column of the group editor's grid row that holds name.
    QWidget *cellBeside(QLineEdit *name, int column) const;
    QLineEdit *orderFieldBeside(QLineEdit *name) const;
    QPushButton *stripButton(const QString &text) const;
    QPushButton *deleteButtonBeside(QLineEdit *name) const;
    QStringList serviceGroupNames() const;
    bool editorOpen() const { return h.widget("widget_5")->isVisible(); }

    WindowHarness h;
    QStringList m_names; // the demo's group names, in order
};

void TestGroupEditor::init()
{
    h.init();
    QVERIFY(h.openDomainPage());
    m_names.clear();
    for (const Group &g : theUser().groups)
        m_names.append(g.groupName);
    QCOMPARE(m_names.size(), 4);
}

void TestGroupEditor::cleanup()
{
    h.cleanup();
}

void TestGroupEditor::openEditor()
{
    h.button("pushButton_Gedit")->click();
}

QList<QLineEdit *> TestGroupEditor::nameFields() const
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<QLineEdit *> fields;
    for (QLineEdit *e : h.widget("scrollAreaWidgetContents_6")->findChildren<QLineEdit *>()) {
        if (e->placeholderText() == QStringLiteral("分组名称"))
            fields.append(e);
    }
    return fields;
}

QLineEdit *TestGroupEditor::newNameField() const
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QLineEdit *e : h.widget("scrollAreaWidgetContents_6")->findChildren<QLineEdit *>()) {
        if (e->placeholderText() == QStringLiteral("新增组名"))
            return e;
    }
    return nullptr;
}

QWidget *TestGroupEditor::cellBeside(QLineEdit *name, int column) const
{
    auto *grid = h.widget<QWidget>("scrollAreaWidgetContents_6")
                     ->findChild<QGridLayout *>(QStringLiteral("gridLayout_3"));
    int row = 0;
    int nameColumn = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    grid->getItemPosition(grid->indexOf(name), &row, &nameColumn, &rowSpan, &columnSpan);
    return grid->itemAtPosition(row, column)->widget();
}

QLineEdit *TestGroupEditor::orderFieldBeside(QLineEdit *name) const
{
    return cellBeside(name, 1)->findChild<QLineEdit *>();
}

QPushButton *TestGroupEditor::deleteButtonBeside(QLineEdit *name) const
{
    return qobject_cast<QPushButton *>(cellBeside(name, 3));
}

QPushButton *TestGroupEditor::stripButton(const QString &text) const
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QPushButton *b : h.widget("widget_8")->findChildren<QPushButton *>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

QStringList TestGroupEditor::serviceGroupNames() const
{
    std::unique_ptr<User> other = h.probe();
    QStringList names;
    if (other && other->getGroup() >= 0) {
        for (const Group &g : other->groups)
            names.append(g.groupName);
    }
    return names;
}

void TestGroupEditor::editorShowsEveryGroup()
{
    openEditor();
    QVERIFY(editorOpen());
    QVERIFY(h.widget("frame_zdgedit")->isVisible());
    QVERIFY(h.button("pushButton_Gedit")->isChecked());

    const QList<QLineEdit *> names = nameFields();
    QCOMPARE(names.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(names.at(i)->text(), m_names.at(i));
        QCOMPARE(orderFieldBeside(names.at(i))->text(), QString::number(i + 1));
        QPushButton *del = deleteButtonBeside(names.at(i));
        QCOMPARE(del->text(), QStringLiteral("删除"));
        QCOMPARE(del->property("mygn").value<QObject *>(), names.at(i));
    }
    const QList<QLabel *> labels = h.widget("scrollAreaWidgetContents_6")->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *l) {
        return l->text() == QStringLiteral("域名数：40  ");
    }));
    QCOMPARE(orderFieldBeside(newNameField())->text(), QStringLiteral("5"));

    QPushButton *save = stripButton(QStringLiteral("保存"));
    QVERIFY(save && save->isHidden());
    QCOMPARE(save->property("changedText").toBool(), false);
    QPushButton *close = stripButton(QStringLiteral("关闭分组"));
    QVERIFY(close);
    QCOMPARE(h.widget<QWidget>("scrollAreaWidgetContents_6")
                 ->findChild<QGridLayout *>(QStringLiteral("gridLayout_3"))
                 ->property("btnClose")
                 .value<QObject *>(),
             close);
    QTRY_VERIFY(h.widget("widget_8")->isVisible());

    // Editing shows Save; a rebuild starts over with one row per group.
    typeInto(names.at(1), QStringLiteral("x"));
    QVERIFY(!save->isHidden());
    QCOMPARE(save->property("changedText").toBool(), true);
    openEditor();
    QCOMPARE(nameFields().size(), 4);
    QCOMPARE(nameFields().at(1)->text(), m_names.at(1));
    QVERIFY(stripButton(QStringLiteral("保存"))->isHidden());
}

void TestGroupEditor::newGroupOrder_data()
{
    QTest::addColumn<QList<int>>("orders"); // for the first groups; the others are deleted
    QTest::addColumn<QString>("offered");
    QTest::newRow("no group") << QList<int>() << "0";
    QTest::newRow("1, 5, 3") << QList<int>{1, 5, 3} << "6";
}

void TestGroupEditor::newGroupOrder()
{
    QFETCH(QList<int>, orders);
    QFETCH(QString, offered);
    std::unique_ptr<User> other = h.probe();
    QVERIFY(other);
    other->getGroup();
    for (int i = 0; i < other->groups.size(); ++i) {
        Group *g = &other->groups[i];
        if (i < orders.size())
            QVERIFY(other->editGroup(g, g->groupName, orders.at(i)));
        else
            QVERIFY(other->delGroup(g));
    }
    openEditor();
    QCOMPARE(nameFields().size(), orders.size());
    QCOMPARE(orderFieldBeside(newNameField())->text(), offered);
}

void TestGroupEditor::addChecksTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("nine characters") << "一二三四五六七八九"
                                     << "";
    QTest::newRow("ten characters") << "一二三四五六七八九十"
                                    << "分组名长度超过系统限制(9)";
    QTest::newRow("empty") << ""
                           << "请输入欲新增的分组名";
}

void TestGroupEditor::addChecksTheName()
{
    QFETCH(QString, name);
    QFETCH(QString, refusal);
    openEditor();
    QLineEdit *field = newNameField();
    field->setText(name);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QPushButton *b : h.widget("scrollAreaWidgetContents_6")->findChildren<QPushButton *>()) {
        if (b->text() == QStringLiteral("新增分组"))
            b->click();
    }
    if (refusal.isEmpty()) {
        QCOMPARE(h.boxes->count(), 0);
        QCOMPARE(h.toast(), name + QStringLiteral(" 新增成功!"));
        QCOMPARE(serviceGroupNames(), m_names + QStringList{name});
        QCOMPARE(nameFields().size(), 5);
        QCOMPARE(nameFields().last()->text(), name);
        QCOMPARE(orderFieldBeside(newNameField())->text(), QStringLiteral("6"));
    } else {
        QCOMPARE(h.boxes->contents(), QStringList{refusal});
        QCOMPARE(h.boxes->shown.first().buttonMode, 1);
        QCOMPARE(serviceGroupNames(), m_names);
        QCOMPARE(newNameField(), field); // nothing rebuilt
    }
    QVERIFY(editorOpen());
}

void TestGroupEditor::addSavesUnsavedEditsFirst()
{
    openEditor();
    typeInto(nameFields().at(2), QStringLiteral("改"));
    newNameField()->setText(QStringLiteral("新组"));
    // The service refuses the add: the edit was saved all the same, and the editor stays.
    h.refuse(QStringLiteral("/api/domain/editgroup/"), 3, QStringLiteral("不行"), 4, 1);
    for (QPushButton *b : h.widget("scrollAreaWidgetContents_6")->findChildren<QPushButton *>()) {
        if (b->text() == QStringLiteral("新增分组"))
            b->click();
    }
    QStringList expected = m_names;
    expected[2] += QStringLiteral("改");
    QCOMPARE(serviceGroupNames(), expected);
    QCOMPARE(h.boxes->contents(), QStringList{QStringLiteral("新增失败不行")});
    QCOMPARE(newNameField()->text(), QStringLiteral("新组"));
}

void TestGroupEditor::saveWritesEveryRow()
{
    openEditor();
    // Renamed elsewhere while the editor shows the old name: Save writes that row back too.
    std::unique_ptr<User> other = h.probe();
    other->getGroup();
    QVERIFY(other->editGroup(&other->groups[1], QStringLiteral("别处改名"), 2));
    QLineEdit *first = nameFields().at(0);
    first->selectAll();
    typeInto(first, QStringLiteral("新名字"));
    QSignalSpy reload(h.button("commandLinkButton"), &QAbstractButton::clicked);

    stripButton(QStringLiteral("保存"))->click();
    QStringList expected = m_names;
    expected[0] = QStringLiteral("新名字");
    QCOMPARE(serviceGroupNames(), expected);
    QCOMPARE(h.toast(), QStringLiteral("保存成功"));
    QVERIFY(!editorOpen());
    QVERIFY(h.widget("frame_zdgedit")->isHidden());
    QVERIFY(!h.button("pushButton_Gedit")->isChecked());
    QCOMPARE(reload.count(), 1);
    // The group column shows the saved names.
    QCOMPARE(theUser().groups.at(0).groupName, QStringLiteral("新名字"));
    QCOMPARE(h.groupButton(theUser().groups.at(0).groupID)->toolTip(),
             QStringLiteral("新名字(40)"));
}

void TestGroupEditor::saveAddsTypedGroupFirst()
{
    openEditor();
    newNameField()->setText(QStringLiteral("新组"));
    // The add is the first request; the fifth row written after it (the new group's own row)
    // is refused, so Save added first and then wrote every row.
    h.refuse(QStringLiteral("/api/domain/editgroup/"), 3, QStringLiteral("第六次"), 5, 1);

    stripButton(QStringLiteral("保存"))->click();
    QCOMPARE(h.boxes->contents(), QStringList{QStringLiteral("保存失败:第六次")});
    QCOMPARE(serviceGroupNames(), m_names + QStringList{QStringLiteral("新组")});
    QVERIFY(editorOpen());
    QCOMPARE(newNameField()->text(), QString());

    // Without the refusal the editor saves and closes.
    typeInto(nameFields().at(0), QStringLiteral("改"));
    stripButton(QStringLiteral("保存"))->click();
    QVERIFY(!editorOpen());
    QCOMPARE(serviceGroupNames().value(0), m_names.at(0) + QStringLiteral("改"));
}

void TestGroupEditor::saveStopsAtARefusal_data()
{
    QTest::addColumn<bool>("tooLong");
    QTest::newRow("name of ten characters") << true;
    QTest::newRow("refused by the service") << false;
}

void TestGroupEditor::saveStopsAtARefusal()
{
    QFETCH(bool, tooLong);
    openEditor();
    QLineEdit *second = nameFields().at(1);
    second->selectAll();
    typeInto(second, tooLong ? QStringLiteral("一二三四五六七八九十") : QStringLiteral("乙"));
    if (!tooLong)
        h.refuse(QStringLiteral("/api/domain/editgroup/"), 3, QStringLiteral("名称重复"), 1, 1);

    stripButton(QStringLiteral("保存"))->click();
    QCOMPARE(h.boxes->contents(), QStringList{tooLong ? QStringLiteral("分组名长度超过系统限制(9)")
                                                      : QStringLiteral("保存失败:名称重复")});
    QVERIFY(editorOpen());
    QCOMPARE(serviceGroupNames(), m_names);
    QCOMPARE(nameFields().at(1), second);
}

void TestGroupEditor::deleteSavesUnsavedEditsFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("refused");
    QTest::newRow("deleted") << 1 << false;
    QTest::newRow("cancelled") << 0 << false;
    QTest::newRow("refused") << 1 << true;
}

void TestGroupEditor::deleteSavesUnsavedEditsFirst()
{
    QFETCH(int, answer);
    QFETCH(bool, refused);
    openEditor();
    QLineEdit *third = nameFields().at(2);
    third->selectAll();
    typeInto(third, QStringLiteral("改名"));
    if (refused)
        h.refuse(QStringLiteral("/api/domain/delgroup/"), 3, QStringLiteral("分组不存在"));
    h.boxes->answer(answer);

    deleteButtonBeside(nameFields().at(0))->click();
    const RecordedMsgBox asked = h.boxes->shown.first();
    QCOMPARE(asked.title, QStringLiteral("是否删除"));
    QCOMPARE(asked.content, QStringLiteral("是否确定删除分组?\n") + m_names.at(0));
    QCOMPARE(asked.buttonMode, 2);
    QStringList expected = m_names;
    if (answer) {
        expected[2] = QStringLiteral("改名");
        if (!refused)
            expected.removeFirst();
    }
    QCOMPARE(serviceGroupNames(), expected);
    QVERIFY(editorOpen());
    if (!answer) {
        QCOMPARE(h.boxes->count(), 1);
        return;
    }
    if (refused) {
        QCOMPARE(h.boxes->contents().last(), QStringLiteral("删除失败:分组不存在"));
        return;
    }
    QCOMPARE(h.toast(), QStringLiteral("删除成功"));
    QCOMPARE(nameFields().size(), 3);
    QCOMPARE(nameFields().at(1)->text(), QStringLiteral("改名"));
}

void TestGroupEditor::closeDiscardsEdits_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("关闭分组") << "close";
    QTest::newRow("overlay over the group column") << "overlay";
}

void TestGroupEditor::closeDiscardsEdits()
{
    QFETCH(QString, how);
    openEditor();
    typeInto(nameFields().at(0), QStringLiteral("改"));
    QSignalSpy reload(h.button("commandLinkButton"), &QAbstractButton::clicked);
    if (how == QLatin1String("close"))
        stripButton(QStringLiteral("关闭分组"))->click();
    else
        h.button("pushButton_zdgedit")->click();

    QVERIFY(!editorOpen());
    QVERIFY(h.widget("frame_zdgedit")->isHidden());
    QVERIFY(!h.button("pushButton_Gedit")->isChecked());
    QCOMPARE(reload.count(), 1);
    QCOMPARE(serviceGroupNames(), m_names);
    QCOMPARE(h.boxes->count(), 0);

    // Opened again, the editor shows the service's names.
    openEditor();
    QCOMPARE(nameFields().at(0)->text(), m_names.at(0));
}

QTEST_MAIN(TestGroupEditor)
#include "tst_groupeditor.moc"
