#include "tests/support/WidgetOverlap.h"

#include <QWidget>

namespace {

QString describe(const QWidget *w)
{
    const QRect r = w->geometry();
    const QString name = w->objectName().isEmpty()
                             ? QString::fromLatin1(w->metaObject()->className())
                             : w->objectName();
    return QStringLiteral("%1 [%2,%3 %4x%5]")
        .arg(name)
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
}

void visit(const QWidget *parent, const QStringList &overlays, QStringList *found)
{
    QList<const QWidget *> shown;
    for (const QObject *o : parent->children()) {
        const auto *w = qobject_cast<const QWidget *>(o);
        if (!w || w->isWindow() || !w->isVisible())
            continue;
        shown.append(w);
    }
    for (int i = 0; i < shown.size(); ++i) {
        // Only the part inside the parent can be seen, so only that part can cover another.
        const QRect a = shown.at(i)->geometry() & parent->rect();
        for (int j = i + 1; j < shown.size(); ++j) {
            const QRect b = shown.at(j)->geometry() & parent->rect();
            const bool overlay = overlays.contains(shown.at(i)->objectName()) ||
                                 overlays.contains(shown.at(j)->objectName());
            if (!overlay && a.intersects(b))
                found->append(describe(parent) + QStringLiteral(": ") + describe(shown.at(i)) +
                              QStringLiteral(" / ") + describe(shown.at(j)));
        }
        visit(shown.at(i), overlays, found);
    }
}

} // namespace

QStringList overlappingSiblings(const QWidget *root, const QStringList &overlays)
{
    QStringList found;
    visit(root, overlays, &found);
    return found;
}
