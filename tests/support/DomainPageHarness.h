#pragma once

#include "app/AppGlobals.h"
#include "app/Startup.h"
#include "client/User.h"
#include "manage/domains/DomainTableRow.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>

#include <memory>

// The management window signed in to a fresh stand-in service, on the domain page: for the
// suites of the domain list and the group editor.
class DomainPageHarness
{
public:
    // Starts a service (the demo account, or with seedDomains an account of that many domains
    // besides it) and opens the domain page signed in to that account. False on failure.
    bool open(int seedDomains = 0)
    {
        resetUser();
        boxes = std::make_unique<RecordingPresenter>();
        LocalServiceFixture::Options options;
        options.seedDomains = seedDomains;
        service = std::make_unique<LocalServiceFixture>(options);
        if (!service->start())
            return false;
        service->configure(theUser());
        email = seedDomains > 0 ? LocalServiceFixture::loadEmail(seedDomains)
                                : LocalServiceFixture::demoEmail();
        if (!theUser().login(email, LocalServiceFixture::demoPassword()))
            return false;
        window = std::make_unique<MainWindow2>();
        window->firstShowPending = false;
        // The size the shell's start-up resize gives it, so that the resize changes nothing
        // in the middle of a test.
        window->resize(900, 620);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        theUser().needDomainReload = true;
        theUser().needGroupReload = true;
        button("commandLinkButton")->click();
        return theUser().domains.size() > 0;
    }

    void close()
    {
        window.reset();
        service.reset();
        boxes.reset();
        resetUser();
    }

    static void resetUser()
    {
        User &u = theUser();
        u.domains.clear();
        u.groups.clear();
        u.filterGroupId = 0;
        u.matchCount = 0;
        u.nextIndex = 0;
        u.filling = 0;
        u.needDomainReload = true;
        u.needGroupReload = true;
        u.errorText.clear();
        u.idleLimitMs = 3000;
        u.totalLimitMs = 6000;
    }

    template <typename T = QWidget>
    T *widget(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QAbstractButton *button(const char *name) const { return widget<QAbstractButton>(name); }
    QTableWidget *table() const { return widget<QTableWidget>("tableWidget"); }

    // The text of the notice strip while it shows.
    QString toast() const
    {
        return widget("frame_msgtt")->isVisible() ? widget<QLabel>("label_msgtt")->text()
                                                  : QString();
    }

    QList<int> rowIds() const
    {
        QList<int> ids;
        for (int row = 0; row < table()->rowCount(); ++row)
            ids.append(rowDomain(table(), row)->id);
        return ids;
    }

    int rowOf(const QString &name) const
    {
        for (int row = 0; row < table()->rowCount(); ++row) {
            if (rowDomain(table(), row)->name == name)
                return row;
        }
        return -1;
    }

    // Scrolls row into view, so that it has its widgets.
    bool reveal(int row) const
    {
        table()->scrollToItem(table()->item(row, 0), QAbstractItemView::PositionAtTop);
        return QTest::qWaitFor([this, row] { return rowHasWidgets(table(), row); }, 2000);
    }

    // The lock, pause and delete buttons of a row (0, 1, 2); the name button is 3.
    QPushButton *rowButton(int row, int which) const
    {
        if (!reveal(row))
            return nullptr;
        if (which == 3)
            return table()->cellWidget(row, 0)->findChild<QPushButton *>(QStringLiteral("dmName"));
        const QList<QPushButton *> buttons =
            table()->cellWidget(row, 1)->findChildren<QPushButton *>();
        return buttons.value(which);
    }

    // The group button of the group column for a group id.
    QAbstractButton *groupButton(int groupId) const
    {
        for (QAbstractButton *b : widget<QButtonGroup>("buttonGroup_groups")->buttons()) {
            if (b->property("groupID").toInt() == groupId && b->objectName().isEmpty())
                return b;
        }
        return nullptr;
    }

    // A second client signed in to the same account, to see what the service holds.
    std::unique_ptr<User> probe() const
    {
        auto u = std::make_unique<User>();
        service->configure(*u);
        u->idleLimitMs = 3000;
        u->totalLimitMs = 6000;
        if (!u->login(email, LocalServiceFixture::demoPassword()))
            return nullptr;
        return u;
    }

    // The service's copy of a domain; id 0 when it no longer exists.
    Domain serviceDomain(int id) const
    {
        std::unique_ptr<User> u = probe();
        if (u) {
            u->getDomain();
            for (const Domain &dm : u->domains) {
                if (dm.id == id)
                    return dm;
            }
        }
        return Domain();
    }

    // A refusal of the service with this code and message for every request to path.
    void refuse(const QString &path, int code, const QString &message, int skip = 0,
                int times = -1) const
    {
        Fault f;
        f.kind = FaultKind::Custom;
        f.contentType = "application/json";
        f.body = QStringLiteral("{\"code\":%1,\"message\":\"%2\",\"data\":null}")
                     .arg(code)
                     .arg(message)
                     .toUtf8();
        f.skip = skip;
        f.times = times;
        service->setFault(path, f);
    }

    std::unique_ptr<RecordingPresenter> boxes;
    std::unique_ptr<LocalServiceFixture> service;
    std::unique_ptr<MainWindow2> window;
    QString email;
};
