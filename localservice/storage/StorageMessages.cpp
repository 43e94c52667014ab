#include "localservice/storage/Storage.h"

namespace {

NewsRow readNews(const Statement &q)
{
    NewsRow n;
    n.id = q.int64(0);
    n.kind = q.integer(1);
    n.title = q.text(2);
    n.url = q.text(3);
    n.content = q.text(4);
    n.publishDate = q.int64(5);
    return n;
}

MessageRow readMessage(const Statement &q)
{
    MessageRow m;
    m.id = q.int64(0);
    m.accountId = q.int64(1);
    m.title = q.text(2);
    m.content = q.text(3);
    m.created = q.int64(4);
    m.state = q.integer(5);
    return m;
}

} // namespace

Page<NewsRow> Storage::news(int kind, int offset, int limit)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Page<NewsRow> page;
    Statement count(m_db, "SELECT COUNT(*) FROM news WHERE kind = ?");
    count.bind(1, kind);
    page.total = count.next() ? count.integer(0) : 0;
    // The list leaves the bodies out: the detail request brings them.
    Statement q(m_db, "SELECT id, kind, title, url, '', publish_date FROM news WHERE kind = ? "
                      "ORDER BY publish_date DESC, id DESC LIMIT ? OFFSET ?");
    q.bind(1, kind).bind(2, limit).bind(3, offset);
    while (q.next())
        page.rows.append(readNews(q));
    return page;
}

bool Storage::newsItem(qint64 id, NewsRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, kind, title, url, content, publish_date FROM news WHERE id = ?");
    q.bind(1, id);
    if (!q.next())
        return false;
    if (out)
        *out = readNews(q);
    return true;
}

Page<MessageRow> Storage::messages(qint64 accountId, int state, int offset, int limit)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Page<MessageRow> page;
    Statement count(m_db, "SELECT COUNT(*) FROM messages WHERE account_id = ? AND state = ?");
    count.bind(1, accountId).bind(2, state);
    page.total = count.next() ? count.integer(0) : 0;
    Statement q(m_db, "SELECT id, account_id, title, content, created, state FROM messages "
                      "WHERE account_id = ? AND state = ? ORDER BY created DESC, id DESC "
                      "LIMIT ? OFFSET ?");
    q.bind(1, accountId).bind(2, state).bind(3, limit).bind(4, offset);
    while (q.next())
        page.rows.append(readMessage(q));
    return page;
}

int Storage::setMessageState(qint64 accountId, qint64 msgId, int state)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    // A deleted message stays deleted; it can no longer be found to be marked.
    Statement q(m_db, "UPDATE messages SET state = ? WHERE id = ? AND account_id = ? "
                      "AND state <> 2");
    q.bind(1, state).bind(2, msgId).bind(3, accountId).exec();
    const bool found = m_db.changes() > 0;
    if (!tx.commit())
        return 2;
    return found ? 0 : 3;
}

bool Storage::appInfo(int type, AppInfoRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT type, version_code, version_name, version_info, downurl "
                      "FROM app_info WHERE type = ?");
    q.bind(1, type);
    if (!q.next())
        return false;
    out->type = q.integer(0);
    out->versionCode = q.text(1);
    out->versionName = q.text(2);
    out->versionInfo = q.text(3);
    out->downUrl = q.text(4);
    return true;
}
