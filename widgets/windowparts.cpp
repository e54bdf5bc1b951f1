// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowparts.h"

#include "data/tvexdaotable.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

namespace WindowParts {

bool editingOrInserting(const TVexDaoTable &ds)
{
    return ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert;
}

int chars(const QWidget *w, int n)
{
    return w->fontMetrics().averageCharWidth() * n + 12;
}

int dateWidth(const QWidget *w)
{
    // Digits are wider than the average character.
    return w->fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000")) + 16;
}

QToolButton *toolButton(QToolBar *bar, const char *name, const QString &hint, const QIcon &image, QMenu *menu)
{
    auto *b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setIcon(image);
    b->setAutoRaise(true);
    if (menu) {
        b->setMenu(menu);
        b->setPopupMode(QToolButton::MenuButtonPopup);
    }
    bar->addWidget(b);
    return b;
}

QAction *menuItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QAction *separator(QMenu *menu, const char *name)
{
    QAction *a = menu->addSeparator();
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QLabel *label(const QString &caption, QWidget *buddy)
{
    auto *l = new QLabel(caption);
    if (buddy) l->setBuddy(buddy);
    return l;
}

void deleteChildren(QWidget *window)
{
    // The controls and grids go; what a window holds as members (a dataset,
    // a data source) is not the helper's to delete, and with nothing bound
    // to it any more it has nobody left to tell. A control half taken down
    // still sends events: the window's filters on them go first.
    for (QObject *child : window->findChildren<QObject *>())
        child->removeEventFilter(window);
    for (;;) {
        const QList<QWidget *> widgets = window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        if (widgets.isEmpty()) return;
        delete widgets.constFirst(); // one at a time: a child may take others with it
    }
}

} // namespace WindowParts
