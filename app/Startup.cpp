#include "app/Startup.h"

#include "client/Scramble.h"

#include <QApplication>
#include <QDateTime>
#include <QFont>
#include <QFontInfo>
#include <QTranslator>

static void initResourceTrees()
{
    Q_INIT_RESOURCE(halvik);
    Q_INIT_RESOURCE(translations);
}

void initResources()
{
    initResourceTrees();
}

void seedRandomGenerator()
{
    scrambleRandom().seed(quint32(QDateTime::currentMSecsSinceEpoch() & 0xffffffffu));
}

void installTranslators(QApplication &app, QTranslator &toolkit, QTranslator &ours)
{
    (void)toolkit.load(QStringLiteral(":/image/image/qt_zh_CN2.qm"));
    app.installTranslator(&toolkit);
    (void)ours.load(QStringLiteral(":/image/image/mywidgets.qm"));
    app.installTranslator(&ours);
}

QStringList applicationFontCandidates()
{
    return {QStringLiteral("微软雅黑"), QStringLiteral("黑体"), QStringLiteral("Noto Sans CJK SC"),
            QString()};
}

void chooseApplicationFont()
{
    const QFont initial = QApplication::font();
    for (const QString &family : applicationFontCandidates()) {
        QFont font = family.isEmpty() ? initial : QApplication::font();
        if (!family.isEmpty())
            font.setFamily(family);
        font.setPixelSize(14);
        QApplication::setFont(font);
        if (QFontInfo(QApplication::font()).exactMatch())
            break;
    }
}

QString applicationStyleSheet()
{
    // An outline: no button's own sheet sets one, so it shows whatever their borders and
    // backgrounds; the colour is told apart from the white pages and the blue buttons alike.
    return QStringLiteral("QPushButton:focus{outline:2px solid #005bb5;color:#000;}");
}

void applyApplicationStyle(QApplication &app)
{
    const QString rules = applicationStyleSheet();
    if (!app.styleSheet().contains(rules))
        app.setStyleSheet(app.styleSheet() + QLatin1Char('\n') + rules);
}
