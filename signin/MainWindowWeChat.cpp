// The WeChat QR-code sign-in of MainWindow: fetch the QR-connect page, show its code, long-poll
// the platform until the user confirms on the phone, then redeem the code.
#include "signin/MainWindow.h"

#include "client/DeviceId.h"
#include "client/ProcessObjects.h"
#include "client/User.h"
#include "signin/DeviceCheck.h"
#include "signin/WxQrPage.h"
#include "ui_MainWindow.h"

#include <QHideEvent>
#include <QHostInfo>
#include <QPixmap>
#include <QTimer>

namespace {

constexpr int kWeChatHandOverMs = 500;
// The platform holds each poll open, so the next one may follow at once...
constexpr int kPollIntervalMs = 1;
// ...but a poll that fails straight away must not turn into a busy loop.
constexpr int kPollRetryMs = 1000;

const char kMarker[] = "RP";

} // namespace

bool MainWindow::onWeChatPage() const
{
    return ui->tabWidget->currentWidget() == ui->tab_2;
}

void MainWindow::doQRCode()
{
    if (!qrTimer) {
        qrTimer = new QTimer(this);
        qrTimer->setObjectName(QStringLiteral("qrTimer"));
    }
    ++m_flow;
    qrTimer->stop();
    qrTimer->setProperty(kMarker, QStringLiteral("ppre"));
    m_fetcher.watchFetch();
    if (!onWeChatPage())
        return;

    ui->label_5->setPixmap(QPixmap());
    ui->label_5->setText(QStringLiteral("Loading..."));
    ui->label_7->setText(QStringLiteral("加载中..."));

    const int flow = m_flow;
    m_fetcher.setTrust(theUser().trust());
    const QString page =
        QString::fromUtf8(fetchForFlow(qrConnectUrl(wxOrigin(), theUser().baseUrl), true, flow));
    QString imagePath;
    if (flow != m_flow || !findQrImagePath(page, imagePath))
        return;
    const QByteArray image = fetchForFlow(wxOrigin() + imagePath, false, flow);
    if (flow != m_flow || image.isEmpty())
        return;
    showQrImage(image);
    ui->label_7->setText(QStringLiteral("请使用微信扫描二维码"));

    QString address;
    if (!findPollAddress(page, address))
        return;
    pollUrl = address;
    lastWxCode.clear();
    qrTimer->setProperty(kMarker, QStringLiteral("preto"));
    connect(qrTimer, &QTimer::timeout, this, &MainWindow::pollQrState, Qt::UniqueConnection);
    qrTimer->start(kPollIntervalMs);
}

void MainWindow::showQrImage(const QByteArray &bytes)
{
    QPixmap pixmap;
    pixmap.loadFromData(bytes);
    pixmap = pixmap.scaledToHeight(ui->label_5->height(), Qt::FastTransformation);
    pixmap = pixmap.scaledToWidth(ui->label_5->width(), Qt::FastTransformation);
    ui->label_5->setPixmap(pixmap);
}

void MainWindow::pollQrState()
{
    qrTimer->setProperty(kMarker, QStringLiteral("to"));
    if (!onWeChatPage()) {
        stopQrTimer();
        return;
    }
    const int flow = m_flow;
    const QByteArray body = fetchForFlow(pollRequestUrl(pollUrl, lastWxCode), true, flow);
    if (flow != m_flow || !qrTimer->isActive())
        return;
    PollReply reply;
    if (!parsePollReply(QString::fromUtf8(body), reply)) {
        paceQrTimer(kPollRetryMs);
        return;
    }

    const PollStep step = pollStepFor(reply.state);
    if (step.setsStatus)
        ui->label_7->setText(step.status);
    if (step.setsLastCode)
        lastWxCode = step.lastWxCode;
    switch (step.action) {
    case PollStep::KeepPolling:
        paceQrTimer(kPollIntervalMs);
        break;
    case PollStep::Expired:
        stopQrTimer();
        break;
    case PollStep::SignIn:
        signInWithWxCode(reply.code);
        break;
    }
}

void MainWindow::signInWithWxCode(const QString &code)
{
    // The code is redeemed once; nothing may poll while the service checks it.
    stopQrTimer();
    User &user = theUser();
    if (!user.loginwx(code, wxState())) {
        User::showMsgBox(user.errorText, QString(), 1);
        doQRCode();
        return;
    }
    if (doCpuId() != 0) {
        doQRCode();
        return;
    }
    handOver(kWeChatHandOverMs);
}

int MainWindow::doCpuId()
{
    return checkDevice(theUser(), computeDeviceId(), QHostInfo::localHostName());
}

void MainWindow::stopQrTimer()
{
    if (!qrTimer)
        return;
    qrTimer->stop();
    m_fetcher.watchFetch();
}

// Only called when the poll is about to return: restarting the timer re-arms it, and a
// re-armed timer could fire inside a nested wait of the same poll.
void MainWindow::paceQrTimer(int intervalMs)
{
    if (qrTimer->isActive() && qrTimer->interval() != intervalMs)
        qrTimer->start(intervalMs);
}

QByteArray MainWindow::fetchForFlow(const QString &address, bool decode, int flow)
{
    return m_fetcher.fetchPage(address, decode, [this, flow] { return watchFetch(flow); });
}

// True when a fetch of the given flow must be dropped.
bool MainWindow::watchFetch(int flow) const
{
    if (qrTimer && !qrTimer->isActive() && qrTimer->property(kMarker).toString() == "to")
        return true;
    return !onWeChatPage() || !isVisible() || flow != m_flow;
}

void MainWindow::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    // Minimising keeps the window visible; only a real hide ends the flow.
    if (!isVisible())
        stopQrTimer();
}
