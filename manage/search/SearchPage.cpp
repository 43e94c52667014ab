#include "manage/search/SearchPage.h"

#include "client/PackageLines.h"
#include "client/ProcessObjects.h"
#include "client/User.h"
#include "client/copy/CopyRefresh.h"
#include "client/copy/HitCsv.h"
#include "client/copy/LocalCopy.h"
#include "client/plan/HitEditPreview.h"
#include "manage/search/HitEditForm.h"
#include "manage/search/SearchHits.h"
#include "manage/shared/PageShell.h"
#include "manage/shared/PlanDialog.h"
#include "manage/shared/PlanView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>

namespace {

const QStringList kTypes = {QStringLiteral("A"),   QStringLiteral("AAAA"), QStringLiteral("CNAME"),
                            QStringLiteral("MX"),  QStringLiteral("TXT"),  QStringLiteral("NS"),
                            QStringLiteral("SRV"), QStringLiteral("CAA"),  QStringLiteral("URL")};

void addLines(QComboBox *combo, const QList<View> &views)
{
    for (const View &v : views) {
        if (combo->findData(v.viewID) < 0)
            combo->addItem(v.viewName, v.viewID);
        addLines(combo, v.subViews);
    }
}

} // namespace

SearchPage::SearchPage(PageShell &window, const SearchPageWidgets &widgets)
    : ManagePage(window), m_w(widgets), m_model(new SearchHitModel(this))
{
    m_w.comboBox_gtype->addItem(QStringLiteral("全部类型"), QString());
    for (const QString &type : kTypes)
        m_w.comboBox_gtype->addItem(type, type);
    m_w.comboBox_gline->addItem(QStringLiteral("全部线路"), -1);
    m_w.comboBox_gline->addItem(QStringLiteral("默认"), 0);

    QTableView *view = m_w.tableView_gsearch;
    view->setModel(m_model);
    view->verticalHeader()->hide();
    // Fixed row heights keep scrolling through many hits from measuring every row.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(28);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->horizontalHeader()->setSectionResizeMode(SearchHitModel::ValueColumn,
                                                   QHeaderView::Stretch);
    view->setColumnWidth(SearchHitModel::TickColumn, 28);
    view->setColumnWidth(SearchHitModel::DomainColumn, 150);
    view->setColumnWidth(SearchHitModel::HostColumn, 90);
    view->setColumnWidth(SearchHitModel::TypeColumn, 60);
    view->setColumnWidth(SearchHitModel::LineColumn, 70);
    view->setColumnWidth(SearchHitModel::TtlColumn, 60);
    view->setColumnWidth(SearchHitModel::StatusColumn, 50);
    view->setColumnWidth(SearchHitModel::AgeColumn, 80);

    connect(m_w.lineEdit_gsearch, &QLineEdit::returnPressed, this, &SearchPage::searchClicked);
    connect(m_w.pushButton_gsearch, &QPushButton::clicked, this, &SearchPage::searchClicked);
    connect(m_w.pushButton_grefresh, &QPushButton::clicked, this, &SearchPage::refreshClicked);
    connect(m_w.pushButton_gstop, &QPushButton::clicked, this, &SearchPage::stopClicked);
    connect(view, &QTableView::doubleClicked, this, &SearchPage::hitActivated);
    // The tick column's header ticks every hit, or none when all are ticked.
    view->horizontalHeader()->setSectionsClickable(true);
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section == SearchHitModel::TickColumn)
            m_model->setAllTicked(m_model->tickedCount() < m_model->rowCount());
    });
    connect(m_w.pushButton_gedit, &QPushButton::clicked, this, &SearchPage::editClicked);
    connect(m_model, &SearchHitModel::tickedChanged, m_w.pushButton_gedit,
            [this](int count) { m_w.pushButton_gedit->setEnabled(count > 0); });
    m_w.pushButton_gedit->setEnabled(false);
    connect(m_w.pushButton_gexport, &QPushButton::clicked, this, &SearchPage::exportClicked);
    connect(m_model, &QAbstractItemModel::modelReset, m_w.pushButton_gexport,
            [this] { m_w.pushButton_gexport->setEnabled(m_model->rowCount() > 0); });
    m_w.pushButton_gexport->setEnabled(false);
    m_w.label_gfresh->installEventFilter(this);
    setRunning(false);
}

SearchPage::~SearchPage()
{
    // A running refresh may be waiting inside the client's request loop right now, with its
    // step on the stack: it must not die with the page. It lets go of the page, ends after the
    // current domain and then deletes itself (the client and the copy outlive every window).
    if (m_refresh && m_refresh->isRunning()) {
        m_refresh->disconnect(this);
        m_refresh->setParent(nullptr);
        connect(m_refresh, &CopyRefresh::finished, m_refresh, &QObject::deleteLater);
        m_refresh->stop();
    }
}

void SearchPage::prepare()
{
    addLines(m_w.comboBox_gline, user().allViews);
    if (openCopy())
        showFreshness();
}

LocalCopy *SearchPage::openCopy()
{
    LocalCopy *copy = localCopy();
    if (!copy || !copy->isOpen()) {
        const QString why = copy ? copy->errorText() : QString();
        m_freshness = why.isEmpty() ? QStringLiteral("本地副本不可用")
                                    : QStringLiteral("本地副本不可用: %1").arg(why);
        m_w.label_gfresh->setToolTip(m_freshness);
        elideFreshness();
        return nullptr;
    }
    if (!m_noticeShown && !copy->notice().isEmpty()) {
        m_noticeShown = true;
        m_w.label_gstatus->setText(copy->notice());
    }
    if (LocalCopy::accountKey(copy->account()) != LocalCopy::accountKey(user().email))
        copy->setAccount(user().email);
    return copy;
}

void SearchPage::showFreshness()
{
    LocalCopy *copy = openCopy();
    if (!copy)
        return;
    // With hits shown, the line speaks of their domains by the clock of their ages.
    const QVector<CopyHit> &hits = m_model->hits();
    const QString text = hits.isEmpty()
                             ? copyFreshnessText(copy->domains(), QDateTime::currentDateTimeUtc())
                             : searchFreshnessText(copy->domains(), hits, m_model->now());
    m_freshness = text;
    m_w.label_gfresh->setToolTip(text);
    elideFreshness();
}

void SearchPage::elideFreshness()
{
    QLabel *label = m_w.label_gfresh;
    label->setText(label->fontMetrics().elidedText(m_freshness, Qt::ElideRight, label->width()));
}

bool SearchPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_w.label_gfresh && event->type() == QEvent::Resize && !m_freshness.isEmpty())
        elideFreshness();
    return ManagePage::eventFilter(watched, event);
}

void SearchPage::searchClicked()
{
    LocalCopy *copy = openCopy();
    if (!copy)
        return;
    SearchQuery query;
    query.text = m_w.lineEdit_gsearch->text().trimmed();
    query.contains = m_w.checkBox_gcontains->isChecked();
    query.type = m_w.comboBox_gtype->currentData().toString();
    query.lineID = m_w.comboBox_gline->currentData().toInt();
    runSearch(*copy, query);
}

bool SearchPage::runSearch(LocalCopy &copy, const SearchQuery &query)
{
    QVector<CopyHit> found;
    QString error;
    // Bad input searches nothing: the old hits would read as answers to the new query.
    if (!checkSearchQuery(query, error) || !copy.search(query, found, error)) {
        m_shownQuery.reset();
        m_model->setHits({}, QDateTime::currentDateTimeUtc());
        m_w.label_gstatus->setText(error);
        showFreshness();
        return false;
    }
    m_shownQuery = query;
    const int count = found.size();
    m_model->setHits(std::move(found), QDateTime::currentDateTimeUtc());
    m_w.label_gstatus->setText(count == 0 ? QStringLiteral("没有找到匹配的记录")
                                          : QStringLiteral("找到 %1 条记录").arg(count));
    showFreshness();
    return true;
}

void SearchPage::refreshClicked()
{
    if (m_refresh && m_refresh->isRunning())
        return;
    LocalCopy *copy = openCopy();
    if (!copy)
        return;
    if (m_refresh)
        m_refresh->deleteLater();
    m_refresh = new CopyRefresh(user(), *copy, this);
    connect(
        m_refresh, &CopyRefresh::progress, this,
        [this](int done, int total, const QString &domain) {
            m_w.label_gstatus->setText(
                domain.isEmpty()
                    ? QStringLiteral("正在刷新副本 %1/%2").arg(done).arg(total)
                    : QStringLiteral("正在刷新副本 %1/%2: %3").arg(done).arg(total).arg(domain));
        });
    connect(m_refresh, &CopyRefresh::finished, this, &SearchPage::refreshFinished);
    m_w.label_gstatus->setText(QStringLiteral("正在读取域名列表…"));
    setRunning(true);
    if (!m_refresh->start())
        setRunning(false);
}

void SearchPage::stopClicked()
{
    if (m_refresh && m_refresh->isRunning()) {
        m_refresh->stop();
        m_w.label_gstatus->setText(QStringLiteral("正在停止…"));
    }
}

void SearchPage::refreshFinished()
{
    setRunning(false);
    const CopyRefresh::Outcome out = m_refresh->outcome();
    QString text;
    if (!out.storeError.isEmpty())
        text = QStringLiteral("刷新中断, 读到的记录无法存入本地副本: %1").arg(out.storeError);
    else if (!out.listRead)
        text = QStringLiteral("刷新失败: %1").arg(out.error);
    else if (out.stopped)
        text = QStringLiteral("刷新已停止: %1/%2 个域名").arg(out.done).arg(out.total);
    else if (out.failed > 0)
        text = QStringLiteral("刷新完成, %1 个域名读取失败: %2").arg(out.failed).arg(out.error);
    else
        text = QStringLiteral("刷新完成: %1 个域名").arg(out.total);
    // The hits shown are read again, so that they and the line above them tell of the copy
    // as it is now.
    LocalCopy *copy = m_shownQuery ? openCopy() : nullptr;
    if (copy && runSearch(*copy, *m_shownQuery))
        text += QStringLiteral("；") + m_w.label_gstatus->text();
    m_w.label_gstatus->setText(text);
    showFreshness();
}

void SearchPage::setRunning(bool running)
{
    m_w.pushButton_grefresh->setEnabled(!running);
    m_w.pushButton_gstop->setEnabled(running);
}

void SearchPage::hitActivated(const QModelIndex &index)
{
    if (!index.isValid() || index.row() >= m_model->hits().size())
        return;
    const CopyHit hit = m_model->hits().at(index.row());
    User &u = user();
    auto find = [&u, &hit]() -> QSharedPointer<Domain> {
        for (int i = 0; i < u.domains.size(); ++i) {
            if (u.domains.at(i).id == hit.domainID)
                return u.domains.shared(i);
        }
        return {};
    };
    QSharedPointer<Domain> domain = find();
    if (!domain && (u.domains.isEmpty() || u.needDomainReload)) {
        m_window.loadStaleDomainLists();
        domain = find();
    }
    if (!domain) {
        m_w.label_gstatus->setText(
            QStringLiteral("域名 %1 不在当前的域名列表中, 请刷新副本").arg(hit.domain));
        return;
    }
    m_window.showHitRecord(domain, hit.id);
}

HitEditForm *SearchPage::editForm() const
{
    return m_form;
}

PlanDialog *SearchPage::planDialog() const
{
    return m_planDialog;
}

void SearchPage::editClicked()
{
    const QVector<CopyHit> ticked = m_model->tickedHits();
    if (ticked.isEmpty() || m_form || m_planDialog)
        return;
    // Every line the service offers, as the record page offers them for any package.
    QList<View> lines = user().getTaoCanView_2(lineTypeFor(nullptr, nullptr, true));
    if (lines.isEmpty())
        lines = user().allViews;
    auto *form = new HitEditForm(m_w.page_search->window(), ticked.size(), lines);
    m_form = form;
    connect(form, &QDialog::finished, form, &QObject::deleteLater);
    connect(form, &QDialog::accepted, this,
            [this, ticked, form] { previewEdit(ticked, form->edit()); });
    form->open();
}

void SearchPage::previewEdit(const QVector<CopyHit> &hits, const HitEdit &edit)
{
    HitEditPreview preview(user(), hits, edit);
    auto *dialog = new PlanDialog(m_w.page_search->window(), QStringLiteral("修改选中记录预览"));
    m_planDialog = dialog;
    dialog->buildAndOpen(preview, this, &SearchPage::runEdit);
}

void SearchPage::runEdit()
{
    PlanDialog *dialog = m_planDialog;
    if (!dialog)
        return;
    const ChangePlan &plan = dialog->view().plan();
    int records = 0;
    for (const DomainPlan &d : plan.domains) {
        records += d.steps.size();
        if (Domain *dm = user().domain2ptr(d.domain))
            dm->recordsDirty = true;
    }
    const QString summary =
        QStringLiteral("%1 条搜索结果：%2").arg(records).arg(PlanText::summary(plan));
    const bool ran = dialog->run(user(), kHitEditKind, summary) != 0;
    const QString outcome = ran ? outcomeSummary(dialog->outcomes()) : QString();
    dialog->deleteLater();
    if (!ran)
        return;
    // The copy took the changes as they were made: the hits show them now.
    if (LocalCopy *copy = m_shownQuery ? openCopy() : nullptr)
        runSearch(*copy, *m_shownQuery);
    m_w.label_gstatus->setText(m_w.label_gstatus->text() + QStringLiteral("；") + outcome);
    showToast(outcome);
}

void SearchPage::exportClicked()
{
    const QVector<CopyHit> &hits = m_model->hits();
    if (hits.isEmpty())
        return;
    const QString path =
        chooseCsvFile
            ? chooseCsvFile()
            : QFileDialog::getSaveFileName(m_window.dialogParent(), QStringLiteral("导出搜索结果"),
                                           QDir::home().filePath(QStringLiteral("搜索结果.csv")),
                                           QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    const QByteArray csv = searchHitsCsv(hits);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        m_w.label_gstatus->setText(QStringLiteral("导出失败: %1").arg(file.errorString()));
        return;
    }
    const QString done = QStringLiteral("已导出 %1 条记录到 %2")
                             .arg(hits.size())
                             .arg(QDir::toNativeSeparators(path));
    m_w.label_gstatus->setText(done);
    showToast(done);
}
