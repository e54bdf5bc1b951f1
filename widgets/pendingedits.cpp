#include "pendingedits.h"

#include "dbgrid.h"
#include "fieldlink.h"

#include <QWidget>

bool PendingEdits::writeAll(QWidget *window)
{
    if (!window) return true;
    const QList<FieldLink *> links = window->findChildren<FieldLink *>();
    for (FieldLink *link : links) {
        if (link->modified() && !link->commit()) {
            link->control()->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    QList<DBGrid *> grids = window->findChildren<DBGrid *>();
    if (auto *grid = qobject_cast<DBGrid *>(window)) grids.prepend(grid);
    for (DBGrid *grid : std::as_const(grids))
        if (!grid->writeEditor()) return false;
    return true;
}
