#pragma once

#include "localservice/dns/ChildProcess.h"
#include "localservice/dns/ServedZone.h"

#include <QMap>
#include <QSet>
#include <QString>

// One knotd of the stand-in: its own folder with configuration, run folder (control socket),
// storage and zone files, listening on address:port (UDP and TCP). Not thread-safe: one thread
// drives it.
class KnotServer
{
public:
    KnotServer(const QString &name, const QString &dir, const QString &address);
    ~KnotServer();
    KnotServer(const KnotServer &) = delete;
    KnotServer &operator=(const KnotServer &) = delete;

    // Writes the configuration and the zones and starts knotd for port. False with the reason
    // in errorText.
    bool launch(quint16 port, const QList<ServedZone> &zones, quint32 serial, QString *errorText);
    // Waits (bounded) until the launched knotd answers; else ends it and says why in errorText.
    // portTaken tells a port that someone else holds.
    bool waitUntilAnswering(QString *errorText, bool *portTaken);
    void stop();

    // Writes the zones given and removes those of removed domains; knotd loads them again.
    void apply(const QList<ServedZone> &zones, const QList<qint64> &removed);

    // Stops answering (the process is paused) or answers again.
    void pause();
    void resume();
    bool isPaused() const { return m_paused; }

    QString name() const { return m_name; }
    QString address() const { return m_address; }
    QString folder() const { return m_dir; }

private:
    struct Loaded
    {
        QString name;
        QList<int> ttls;
    };

    QString zoneFile(qint64 domainId) const;
    QString geoFile(qint64 domainId, int ttl) const;
    QByteArray configText() const;
    bool writeZone(const ServedZone &zone, bool atomic);
    void removeZone(qint64 domainId);
    bool knotc(const QStringList &arguments, bool force = false);
    bool answers(int timeoutMs);

    QString m_name;
    QString m_dir;
    QString m_address;
    quint16 m_port = 0;
    QString m_knotd;
    QString m_knotc;
    ChildProcess m_process;
    QMap<qint64, Loaded> m_zones;
    QByteArray m_config;
    bool m_paused = false;
};

// Whether the name server at address:port answers a query for its own zone's SOA within
// timeoutMs.
bool nameServerAnswers(const QString &address, quint16 port, int timeoutMs);
