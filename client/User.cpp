#include "client/User.h"

#include "client/LineTable.h"
#include "client/MsgPresenter.h"
#include "client/ResultMessages.h"
#include "client/ServiceConfig.h"
#include "client/TlsSettings.h"

namespace {

MsgPresenter *g_presenter = nullptr;

MsgPresenter &currentPresenter()
{
    static StderrPresenter fallback;
    return g_presenter ? *g_presenter : fallback;
}

} // namespace

User::User(QObject *parent)
    : QObject(parent), viewNames(buildViewNames()), resultMessages(buildResultMessages()),
      lineCategoryNames(lineCategoryNameList()), lineCategoryIds(lineCategoryIdList()),
      recordTypes(recordTypeList()), recordTypes2(recordTypeList()), baseUrl(defaultServiceUrl()),
      webBaseUrl(defaultServiceUrl())
{}

User::~User() = default;

void User::setExtraCaCertificates(const QList<QSslCertificate> &certificates)
{
    m_extraCa = certificates;
    m_extraCaPem.clear();
    for (const QSslCertificate &certificate : certificates)
        m_extraCaPem += certificate.toPem();
}

HttpTrust User::trust() const
{
    HttpTrust t;
    t.extraCaPem = m_extraCaPem;
    return t;
}

QSslConfiguration User::sslConfiguration() const
{
    return serviceTlsConfiguration(m_extraCa);
}

void User::setMsgPresenter(MsgPresenter *presenter)
{
    g_presenter = presenter;
}

MsgPresenter *User::msgPresenter()
{
    return &currentPresenter();
}

int User::showMsgBox(const QString &content, const QString &title, int buttonMode, int countdownMs,
                     bool hasInput, const QString &inputText, QString *out, const QString &okText,
                     const QString &cancelText)
{
    MsgBoxRequest request;
    request.content = content;
    request.title = title;
    request.buttonMode = buttonMode;
    request.countdownMs = countdownMs;
    request.hasInput = hasInput;
    request.inputText = inputText;
    request.out = out;
    request.okText = okText;
    request.cancelText = cancelText;
    return currentPresenter().present(request);
}

int User::domain2dmid(const QString &domain) const
{
    const Domain *dm = domain2ptr(domain);
    return dm ? dm->id : -1;
}

Domain *User::domain2ptr(const QString &domain) const
{
    // Views, not trimmed copies: a batch looks up each of its domains among thousands.
    const QStringView wanted = QStringView(domain).trimmed();
    for (Domain &dm : domains) {
        if (QStringView(dm.name).trimmed() == wanted)
            return &dm;
    }
    return nullptr;
}

QString User::groupIDtoName(int id) const
{
    for (const Group &g : groups) {
        if (g.groupID == id)
            return g.groupName;
    }
    return QString();
}

int User::getGroupDmNum(int gid) const
{
    if (gid == 0)
        return domains.size();
    int n = 0;
    for (const Domain &dm : domains) {
        if (dm.groupID == gid)
            ++n;
    }
    return n;
}

int User::getGroupDmNum(const Group *group) const
{
    return getGroupDmNum(group->groupID);
}
