#pragma once

#include "client/ApiPaths.h"
#include "client/ApiRequest.h"
#include "client/HttpRequest.h"
#include "client/RecordChange.h"
#include "client/Types.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class HttpExchange;
class MsgPresenter;

// The service client: every call to the service API and the account's cached data.
class User : public QObject
{
    Q_OBJECT
public:
    explicit User(QObject *parent = nullptr);
    ~User() override;

    // --- Cached state -------------------------------------------------------------------
    QMap<int, QString> viewNames;
    QMap<int, QString> resultMessages;
    QStringList lineCategoryNames;
    QStringList lineCategoryIds;
    QStringList recordTypes;
    QStringList recordTypes2;
    bool loggedIn = false;
    bool registered = false;
    int resultCode = 0;
    // Whether the last request got an answer with a code (then in resultCode); false after a
    // network failure, a time-out or a reply that was not the service's. A request refused by
    // the service was not carried out; one without an answer may or may not have been.
    bool answered = false;
    QString errorText;
    // Why the service's certificate was refused, told beside errorText; empty otherwise.
    QString errorReason;
    QString lastReply;
    DomainList domains;
    GroupList groups;
    DMsgList msgsPublic0;
    DMsgList msgsPublic1;
    DMsgList msgsInform;
    QList<View> allViews;
    QMap<QString, QList<View>> viewsByType;
    bool needDomainReload = true;
    bool needGroupReload = true;
    QJsonObject userDetail;
    QString email;
    QString pwdScrambled;
    QString password;
    QString apiKey;
    QString apiSecret;
    QString baseUrl;
    QString webBaseUrl;
    const ApiPaths paths;

    // The domain list page's view state; User itself never reads it.
    int filterGroupId = 0;
    int matchCount = 0;
    int nextIndex = 0;
    int filling = 0;

    // Limits of one request: no data for idleLimitMs, or longer than totalLimitMs in all.
    int idleLimitMs = 15000;
    int totalLimitMs = 20000;
    // How recently a kept-alive connection must have been used to carry a change.
    int changeReuseMs = HttpLimits().changeReuseMs;

    // --- Configuration -----------------------------------------------------------------
    // CA certificates trusted for the service in addition to the system's.
    void setExtraCaCertificates(const QList<QSslCertificate> &certificates);
    QList<QSslCertificate> extraCaCertificates() const { return m_extraCa; }
    // Whom every request trusts: the system's roots and the extra CAs.
    HttpTrust trust() const;
    // The same trust for Qt's own network stack (tests, tools; built once).
    QSslConfiguration sslConfiguration() const;

    // Installs the presenter behind showMsgBox (not owned); null restores the stderr one.
    static void setMsgPresenter(MsgPresenter *presenter);
    static MsgPresenter *msgPresenter();

    // --- Lookups over the cache ----------------------------------------------------------
    int domain2dmid(const QString &domain) const;
    Domain *domain2ptr(const QString &domain) const;
    QString groupIDtoName(int id) const;
    int getGroupDmNum(int gid) const;
    int getGroupDmNum(const Group *group) const;
    View getVID2V(const QList<View> &vlist, int vid) const;

    // --- Message box ---------------------------------------------------------------------
    static int showMsgBox(const QString &content, const QString &title = QString(),
                          int buttonMode = 1, int countdownMs = -1, bool hasInput = false,
                          const QString &inputText = QString(), QString *out = nullptr,
                          const QString &okText = QString(), const QString &cancelText = QString());

    // --- Account operations --------------------------------------------------------------
    bool login(const QString &email, const QString &pwd);
    bool loginwx(const QString &code, const QString &state);
    int chkCid(const QString &cpuid, QString *hostName);
    int chkCid(const QString &cpuid);
    bool addCid(const QString &cpuid, const QString &hostname);
    bool reg(const QString &email, const QString &pwd);
    bool getUserDetail();
    bool getChkVer(double &vCode, QString &vName, QString &vInfo, QString &vUrl);

    // --- Domains and groups --------------------------------------------------------------
    int getDomain();
    bool addDomain(const QString &domain, int serviceID = 1000, int months = 1);
    bool lockDomain(int domainID);
    bool unlockDomain(int domainID);
    bool pauseDomain(int domainID);
    bool startDomain(int domainID);
    bool delDomain(int domainID);
    bool delDomainS(const QString &domainS, QStringList &errlist);
    int getGroup();
    bool addGroup(const QString &name, int order);
    bool editGroup(Group *g, const QString &name, int order);
    bool delGroup(Group *g);
    bool editDMGroup(Domain *dm, int gid);

    // --- Records -------------------------------------------------------------------------
    int getRecord(Domain *dm);
    bool delRecord(Domain *dm, int recordID);
    bool delRecordS(Domain *dm, const QString &recordS, QStringList &errlist, QStringList &msglist);
    bool pauseRecord(Domain *dm, int recordID);
    bool startRecord(Domain *dm, int recordID);

    // --- Messages ------------------------------------------------------------------------
    int getMsg(DMsgType type, DMsgState state = DMsgUnread);
    int getMsg_inform();
    bool updateMsg(int msgID, int state);
    QString getDetail(DMsg *m);

    // --- Lines ---------------------------------------------------------------------------
    QList<View> getTaoCanView_2(const QString &viewTypeStr = QStringLiteral("1"));

    // The read the caller makes next (api and params as doAPI will be given them; reads only):
    // sent once the reply to the next call has arrived, before that reply is parsed, and
    // taken by the doAPI that asks for the same. Any other call drops it unread first.
    void readNext(const QString &api, const ApiParams &params);

public slots:
    // One signed request: true exactly when a JSON object with "code" 0 came back.
    bool doAPI(const QString &api, ApiParams post, QJsonValue &res, bool hasTimeStamp, int *resCode,
               QString *retJSON, bool isQuiet);
    bool doAPI(const QString &api, const ApiParams &post);
    bool doAPI(const QString &api, const ApiParams &post, QJsonValue &res);
    bool doAPI(const QString &api, const ApiParams &post, QJsonValue &res, bool hasTimeStamp);
    bool doAPI(const QString &api, const ApiParams &post, QJsonValue &res, bool hasTimeStamp,
               int *resCode);
    bool doAPI(const QString &api, const ApiParams &post, QJsonValue &res, bool hasTimeStamp,
               int *resCode, QString *retJSON);

    bool addRecord(int dmid, const QString &value, const QString &type, const QString &viewID,
                   const QString &host, const QString &TTL, const QString &MX, Record *okRec);
    bool addRecord(int dmid, const QString &value, const QString &type = QStringLiteral("A"),
                   const QString &viewID = QStringLiteral("0"),
                   const QString &host = QStringLiteral("@"),
                   const QString &TTL = QStringLiteral("600"),
                   const QString &MX = QStringLiteral("10"));
    bool addRecord(Domain *dm, const QString &value, const QString &type, const QString &viewID,
                   const QString &host, const QString &TTL, const QString &MX, Record *okRec);
    bool addRecord(Domain *dm, const QString &value, const QString &type = QStringLiteral("A"),
                   const QString &viewID = QStringLiteral("0"),
                   const QString &host = QStringLiteral("@"),
                   const QString &TTL = QStringLiteral("600"),
                   const QString &MX = QStringLiteral("10"));
    bool editRecord(Domain *dm, int recordID, const QString &newhost = QString(),
                    const QString &newtype = QString(), const QString &newvalue = QString(),
                    const QString &newttl = QString(), const QString &newmx = QString(),
                    const QString &newviewID = QString());

signals:
    // Told after the service accepted or answered, so that a copy of the account (the local
    // copy behind the search) follows every change made through this client.
    // A read of the domain list; complete when every domain the service counts arrived.
    void domainListRead(bool complete);
    void domainRemoved(int domainID);
    // A read of a domain's records into dm->records; complete when none was left out.
    void recordsRead(Domain *dm, bool complete);
    void recordChanged(const RecordChange &change);

private:
    // A request on its way: doAPI in two halves, so a read can be sent before the reply in
    // hand is parsed.
    struct SentCall
    {
        SentCall();
        ~SentCall();
        SentCall(SentCall &&) noexcept;
        SentCall &operator=(SentCall &&) noexcept;
        QUrl url;
        std::unique_ptr<HttpExchange> exchange; // none: refused before it went out
    };
    void sendCall(const QString &api, ApiParams post, bool hasTimeStamp, SentCall &call);
    // Waits for call's reply and reads it as doAPI does; arrived runs once it is there whole,
    // before it is parsed.
    bool readCall(SentCall &call, QJsonValue &res, int *resCode, QString *retJSON, bool isQuiet,
                  const std::function<void()> &arrived = {});
    // readNext's read: asked for, then on its way.
    struct ReadAhead
    {
        QString api;
        ApiParams params;
    };
    ReadAhead m_readNext;
    ReadAhead m_readAhead;
    SentCall m_ahead;
    // Waits for reply; false when the wait loop ended first (exitCode is its return value).
    bool waitForReply(HttpExchange *reply, int &exitCode);
    // A call that only reads, and may be sent again.
    bool isRead(const QString &api) const;
    void showNetworkFailure(bool isQuiet, const QString &text);
    // A reply that arrived with "code" 0 but "data" of the wrong shape: told as an unreadable
    // reply; returns false for the caller to pass on.
    bool refuseReplyData(bool isQuiet = false);
    // getMsg's pages; replace empties the kind's list when the first page has arrived.
    int readMsgPages(DMsgType type, DMsgState state, bool replace, bool *failedAtOnce);
    // Emits recordChanged for a change of kind (RecordChange::Kind) of one record; true.
    bool told(int kind, const Domain *dm, int recordID);
    // text without the password or the API secret in it.
    QString withoutSecrets(const QString &text) const;

    QList<QSslCertificate> m_extraCa;
    QByteArray m_extraCaPem;
};
