#include "app/CrashBox.h"

#include "app/CrashReport.h"
#include "app/Startup.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QScopedPointer>
#include <QTranslator>

QMessageBox *createCrashBox(const QString &code)
{
    auto *box = new QMessageBox(QMessageBox::Critical, crashBoxTitle(), crashBoxText(code),
                                QMessageBox::Ok);
    box->setTextFormat(Qt::RichText);
    return box;
}

int runCrashReport(int &argc, char **argv)
{
    CrashReportRequest request;
    findCrashReportRequest(argc, argv, &request);
    if (!request.dumpPath.isEmpty())
        compressDumpFile(request.dumpPath, nullptr);
    if (!crashBoxWanted(QProcessEnvironment::systemEnvironment()))
        return 0;

    initResources();
    QCoreApplication::addLibraryPath(QStringLiteral("./lib"));
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/image/image/100.ico")));
    QTranslator toolkitTranslator;
    QTranslator ownTranslator;
    installTranslators(app, toolkitTranslator, ownTranslator);
    chooseApplicationFont();
    const QScopedPointer<QMessageBox> box(createCrashBox(request.code));
    box->exec();
    return 0;
}
