#include "manage/adddomains/AddDomainsPage.h"

#include "client/JsonRead.h"
#include "client/User.h"
#include "client/plan/NameLines.h"
#include "manage/shared/PageShell.h"
#include "manage/shared/ResultList.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QStackedWidget>
#include <QTextEdit>

namespace {

// The id of the domain that the reply to a successful add describes, or 0.
int addedDomainId(const QString &reply)
{
    const QJsonObject envelope = QJsonDocument::fromJson(reply.toUtf8()).object();
    const QJsonObject data = envelope.value(QStringLiteral("data")).toObject();
    return qMax(0, readInt(data.value(QStringLiteral("domainsID")), 0));
}

// Four random lower-case letters and ".com".
QString testDomainName()
{
    QString name;
    for (int i = 0; i < 4; ++i) {
        const int r = QRandomGenerator::global()->bounded(32768);
        name.append(QChar('a' + static_cast<int>(r / 32767.0 * 25)));
    }
    return name + QStringLiteral(".com");
}

} // namespace

AddDomainsPage::AddDomainsPage(PageShell &window, const AddDomainsWidgets &widgets)
    : ManagePage(window), m_w(widgets), m_runner(widgets.job, this)
{}

void AddDomainsPage::startClicked()
{
    if (m_runner.isRunning())
        return;
    const QStringList names = namesToAdd(m_w.plainTextEdit->toPlainText());
    if (names.isEmpty()) {
        User::showMsgBox(QStringLiteral("请输入欲添加的域名"), QString(), 1);
        PageJobRunner::flashInput(m_w.plainTextEdit);
        return;
    }
    // Read before the job: the choice is refreshed whenever the input page shows again.
    const int groupId =
        m_w.comboBox_18->currentIndex() > 0 ? m_w.comboBox_18->currentData().toInt() : 0;

    m_w.stackedWidget_add->setCurrentWidget(m_w.page_p_add2);
    m_runner.start();
    m_w.textEdit_3->clear();
    m_w.textEdit_5->clear();
    appendResultLine(m_w.textEdit_3, QStringLiteral("开始批量添加域名..."));
    for (int i = 0; i < names.size(); ++i) {
        if (!m_runner.next(i, names.size()))
            break;
        addOne(names.at(i), groupId);
    }
    appendResultLine(m_w.textEdit_3, QStringLiteral("处理结束。"));
    m_runner.finish();
}

void AddDomainsPage::addOne(const QString &name, int groupId)
{
    User &u = user();
    if (!u.addDomain(name)) {
        appendResultLine(m_w.textEdit_5, name + QStringLiteral("\t失败\t") + u.errorText);
        return;
    }
    u.needDomainReload = true;
    QString line = name + QStringLiteral("\t成功");
    if (groupId > 0) {
        const QString moveError = moveAddedDomain(name, groupId);
        if (!moveError.isEmpty())
            line += QStringLiteral("\t移入分组失败\t") + moveError;
    }
    appendResultLine(m_w.textEdit_3, line);
}

QString AddDomainsPage::moveAddedDomain(const QString &name, int groupId)
{
    User &u = user();
    Domain added;
    added.id = addedDomainId(u.lastReply);
    if (added.id == 0) {
        if (const Domain *cached = u.domain2ptr(name))
            added.id = cached->id;
    }
    if (added.id == 0)
        return QStringLiteral("未能取得域名编号");
    if (!u.editDMGroup(&added, groupId))
        return u.errorText;
    u.needGroupReload = true;
    return QString();
}

void AddDomainsPage::backClicked()
{
    m_window.showDomainList();
}

void AddDomainsPage::cancelClicked()
{
    m_window.showDomainList();
}

void AddDomainsPage::continueClicked()
{
    m_w.plainTextEdit->clear();
    m_w.stackedWidget_add->setCurrentWidget(m_w.page_p_add1);
}

void AddDomainsPage::pageChanged(int index)
{
    if (m_w.stackedWidget_add->widget(index) == m_w.page_p_add1)
        refreshGroupChoice();
}

void AddDomainsPage::refreshGroupChoice()
{
    QComboBox *combo = m_w.comboBox_18;
    combo->clear();
    combo->addItem(QStringLiteral("分组选择"));
    User &u = user();
    // Without credentials the request could only fail; the cached groups are offered then.
    if (u.loggedIn)
        u.getGroup();
    for (int i = 0; i < u.groups.size(); ++i) {
        const Group &g = u.groups.at(i);
        combo->addItem(g.groupName, g.groupID);
    }
}

void AddDomainsPage::textChanged()
{
    const QString text = m_w.plainTextEdit->toPlainText();
    int count = 0;
    if (text == QLatin1String("`gr10"))
        count = 10;
    else if (text == QLatin1String("`gr99"))
        count = 99;
    if (count == 0)
        return;
    m_w.plainTextEdit->clear();
    for (int i = 0; i < count; ++i)
        m_w.plainTextEdit->appendPlainText(testDomainName());
}
