#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Catches what the program hands the desktop to open (http and https), for its lifetime: no
// test starts a browser, and a test reads what would have opened.
class OpenedUrls : public QObject
{
    Q_OBJECT
public:
    OpenedUrls();
    ~OpenedUrls() override;
    OpenedUrls(const OpenedUrls &) = delete;
    OpenedUrls &operator=(const OpenedUrls &) = delete;

    QList<QUrl> urls;

public slots:
    void openUrl(const QUrl &url) { urls.append(url); }
};
