#pragma once

#include "manage/shell/MainWindow2.h"
#include "signin/PageFetcher.h"

#include <QMainWindow>
#include <QPointer>
#include <QScopedPointer>
#include <QString>

class HttpExchange;
class QTimer;

namespace Ui {
class MainWindow;
}

// The sign-in window: e-mail and password, or a WeChat QR code. It owns the management window
// and hands over to it once the user is signed in.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Remembers the account and, when remember is set, the password (see LoginSettings.h).
    bool saveLoginSettings(bool remember);

    MainWindow2 &managementWindow() { return m_manage; }
    PageFetcher &pageFetcher() { return m_fetcher; }

public slots:
    // Prepares a fresh QR code on the WeChat page and starts polling for its state.
    void doQRCode();
    // 0 when this computer may finish a WeChat sign-in, 2 when it may not.
    int doCpuId();

private slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_6_clicked();
    void on_pushButton_7_clicked();
    void on_pushButton_8_clicked();
    void on_pushButton_9_clicked();
    void on_tabWidget_currentChanged(int index);
    // One long-poll of the QR code's state; run by qrTimer.
    void pollQrState();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void restoreLoginSettings();
    void warmUpConnection();
    void handOver(int delayMs);
    bool onWeChatPage() const;
    void showQrImage(const QByteArray &bytes);
    void signInWithWxCode(const QString &code);
    void stopQrTimer();
    void paceQrTimer(int intervalMs);
    QByteArray fetchForFlow(const QString &address, bool decode, int flow);
    bool watchFetch(int flow) const;

    MainWindow2 m_manage;
    QTimer *qrTimer = nullptr;
    QScopedPointer<Ui::MainWindow> ui;
    PageFetcher m_fetcher;
    QPointer<HttpExchange> m_warmUp;
    QString pollUrl;
    QString lastWxCode;
    int m_flow = 0; // bumped by every doQRCode; a wait of an older flow is dropped
};
