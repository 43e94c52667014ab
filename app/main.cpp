#include "app/CrashBox.h"
#include "app/CrashHandler.h"
#include "app/CrashReport.h"
#include "app/CrashTest.h"
#include "app/Startup.h"
#include "client/KeyringStore.h"
#include "client/ProcessObjects.h"
#include "client/ServiceConfig.h"
#include "client/User.h"
#include "client/copy/CopyKeeper.h"
#include "client/copy/LocalCopy.h"
#include "signin/MainWindow.h"
#include "signin/WindowPointers.h"
#include "signin/WxQrPage.h"
#include "widgets/MsgBoxPresenter.h"

#include <QApplication>
#include <QIcon>
#include <QTextCodec>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (findCrashReportRequest(argc, argv, nullptr))
        return runCrashReport(argc, argv);
    installCrashHandler();
    runCrashTestIfAsked(argc, argv);

    initResources();
    QCoreApplication::addLibraryPath(QStringLiteral("./lib"));
    QApplication app(argc, argv);
    theApp() = &app;

    ServiceConfig config;
    QString error;
    if (!loadServiceConfig(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment(),
                           config, error)) {
        std::fprintf(stderr, "halvik: %s\n", error.toLocal8Bit().constData());
        return 64;
    }
    applyServiceConfig(theUser(), config);
    if (!loadWxOrigin(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment(),
                      wxOrigin(), error)) {
        std::fprintf(stderr, "halvik: %s\n", error.toLocal8Bit().constData());
        return 64;
    }

    MsgBoxPresenter presenter;
    User::setMsgPresenter(&presenter);
    KeyringStore keyring;
    setPasswordStore(&keyring);

    // Every read and change of the run goes into the local copy behind the account-wide search,
    // whichever page makes it.
    LocalCopy copy;
    copy.open();
    CopyKeeper copyKeeper(theUser(), copy);
    localCopy() = &copy;

    seedRandomGenerator();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/image/image/100.ico")));
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    QTranslator toolkitTranslator;
    QTranslator ownTranslator;
    installTranslators(app, toolkitTranslator, ownTranslator);
    chooseApplicationFont();
    applyApplicationStyle(app);

    int code = 0;
    {
        MainWindow window;
        signInWindow() = &window;
        window.show();
        code = app.exec();
        signInWindow() = nullptr;
    }
    localCopy() = nullptr;
    User::setMsgPresenter(nullptr);
    setPasswordStore(nullptr);
    return code;
}
