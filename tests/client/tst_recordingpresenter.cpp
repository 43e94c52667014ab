#include "client/User.h"
#include "tests/support/RecordingPresenter.h"

#include <QtTest>

class TestRecordingPresenter : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void recordsRequest();
    void installsForItsLifetime();
};

void TestRecordingPresenter::answers_data()
{
    QTest::addColumn<int>("buttonMode");
    QTest::addColumn<int>("questionDefault");
    QTest::addColumn<QList<int>>("script"); // empty = nothing scripted
    QTest::addColumn<QString>("typed");     // null = leave the line alone
    QTest::addColumn<bool>("hasInput");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("out");

    const QString before = QStringLiteral("before");
    const QString initial = QStringLiteral("initial");
    const QString typed = QStringLiteral("typed");
    QTest::newRow("notice acknowledged")
        << 1 << 0 << QList<int>() << QString() << false << 1 << before;
    QTest::newRow("question declined by default")
        << 2 << 0 << QList<int>() << QString() << false << 0 << before;
    QTest::newRow("question default set")
        << 2 << 1 << QList<int>() << QString() << false << 1 << before;
    QTest::newRow("script beats notice")
        << 1 << 0 << QList<int>{0} << QString() << false << 0 << before;
    QTest::newRow("typed text written") << 1 << 0 << QList<int>{1} << typed << true << 1 << typed;
    QTest::newRow("untouched line gives input text")
        << 1 << 0 << QList<int>{1} << QString() << true << 1 << initial;
    QTest::newRow("declined writes nothing")
        << 2 << 0 << QList<int>{0} << typed << true << 0 << before;
    QTest::newRow("no input line writes nothing")
        << 1 << 0 << QList<int>{1} << typed << false << 1 << before;
}

void TestRecordingPresenter::answers()
{
    QFETCH(int, buttonMode);
    QFETCH(int, questionDefault);
    QFETCH(QList<int>, script);
    QFETCH(QString, typed);
    QFETCH(bool, hasInput);
    QFETCH(int, result);
    QFETCH(QString, out);

    RecordingPresenter recorder;
    recorder.setQuestionDefault(questionDefault);
    for (int answer : script)
        recorder.answer(answer, typed);

    QString written = QStringLiteral("before");
    QCOMPARE(User::showMsgBox(QStringLiteral("c"), QString(), buttonMode, -1, hasInput,
                              QStringLiteral("initial"), &written),
             result);
    QCOMPARE(written, out);
    QCOMPARE(recorder.count(), 1);
}

void TestRecordingPresenter::recordsRequest()
{
    RecordingPresenter recorder;
    recorder.answer(0);
    QCOMPARE(User::showMsgBox(QStringLiteral("当前页内容较多,是否全部加载?"), QStringLiteral("t"),
                              2, 3000, true, QStringLiteral("in"), nullptr, QStringLiteral("是"),
                              QStringLiteral("否")),
             0);
    QCOMPARE(User::showMsgBox(QStringLiteral("second")), 1); // queue empty again

    QCOMPARE(recorder.contents(), QStringList({QStringLiteral("当前页内容较多,是否全部加载?"),
                                               QStringLiteral("second")}));
    const RecordedMsgBox &box = recorder.shown.first();
    QCOMPARE(box.title, QStringLiteral("t"));
    QCOMPARE(box.buttonMode, 2);
    QCOMPARE(box.countdownMs, 3000);
    QVERIFY(box.hasInput);
    QCOMPARE(box.inputText, QStringLiteral("in"));
    QVERIFY(!box.hadOut);
    QCOMPARE(box.okText, QStringLiteral("是"));
    QCOMPARE(box.cancelText, QStringLiteral("否"));
}

void TestRecordingPresenter::installsForItsLifetime()
{
    MsgPresenter *const before = User::msgPresenter();
    {
        RecordingPresenter outer;
        {
            RecordingPresenter inner;
            QCOMPARE(User::msgPresenter(), &inner);
            User::showMsgBox(QStringLiteral("x"));
            QCOMPARE(inner.count(), 1);
        }
        QCOMPARE(User::msgPresenter(), &outer);
        QCOMPARE(outer.count(), 0);
    }
    QCOMPARE(User::msgPresenter(), before);
}

QTEST_GUILESS_MAIN(TestRecordingPresenter)
#include "tst_recordingpresenter.moc"
