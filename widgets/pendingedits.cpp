// SPDX-License-Identifier: GPL-3.0-or-later
#include "pendingedits.h"

#include "dbgrid.h"
#include "fieldlink.h"

#include <QMdiSubWindow>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

namespace {

// The control with the refused value may lie on a page not shown: its page
// comes to the front, so that the user sees what the message is about.
void showForCorrection(QWidget *control)
{
    for (QWidget *child = control, *parent = control->parentWidget(); parent;
         child = parent, parent = parent->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(parent);
        if (!stack) continue;
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
            tabs->setCurrentWidget(child);
        else
            stack->setCurrentWidget(child);
    }
    control->setFocus(Qt::OtherFocusReason);
}

} // namespace

QWidget *PendingEdits::formOf(const QWidget *control)
{
    QWidget *w = const_cast<QWidget *>(control);
    while (w && !w->isWindow() && !qobject_cast<QMdiSubWindow *>(w->parentWidget()))
        w = w->parentWidget();
    return w;
}

QWidget *PendingEdits::refusedControl(QWidget *window)
{
    if (!window) return nullptr;
    for (FieldLink *link : window->findChildren<FieldLink *>())
        if (link->refused() && link->control()->isVisible()) return link->control();
    QList<DBGrid *> grids = window->findChildren<DBGrid *>();
    if (auto *grid = qobject_cast<DBGrid *>(window)) grids.prepend(grid);
    for (DBGrid *grid : std::as_const(grids))
        if (grid->cellRefused() && grid->isVisible()) return grid->cellEditor();
    return nullptr;
}

bool PendingEdits::writeAll(QWidget *window)
{
    if (!window) return true;
    const QList<FieldLink *> links = window->findChildren<FieldLink *>();
    for (FieldLink *link : links) {
        if (link->modified() && !link->commit()) {
            showForCorrection(link->control());
            return false;
        }
    }
    QList<DBGrid *> grids = window->findChildren<DBGrid *>();
    if (auto *grid = qobject_cast<DBGrid *>(window)) grids.prepend(grid);
    for (DBGrid *grid : std::as_const(grids)) {
        if (!grid->writeEditor()) {
            if (QWidget *editor = grid->cellEditor()) showForCorrection(editor);
            return false;
        }
    }
    return true;
}
