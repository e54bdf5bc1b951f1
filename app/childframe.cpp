// SPDX-License-Identifier: GPL-3.0-or-later
#include "childframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

ChildFrame::ChildFrame(QWidget *content, QWidget *parent) : QMdiSubWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(content);
    // The frame's own menu carries Ctrl+F4 (and Ctrl+W) too; the main menu's
    // "&Schließen" owns Ctrl+F4, and two owners would leave the key dead.
    if (QMenu *menu = systemMenu()) {
        const QList<QAction *> actions = menu->actions();
        for (QAction *a : actions)
            a->setShortcuts({});
    }
}

bool ChildFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget() && event->type() == QEvent::Close && !m_closing) {
        // The window closes itself: it decides by its own rules, and when it
        // agrees the frame goes with it. Closing the frame then does not ask
        // the window a second time, since the window is already closing.
        static_cast<QObject *>(widget())->event(event);
        if (event->isAccepted()) close();
        return true;
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void ChildFrame::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    QMdiSubWindow::closeEvent(event);
    m_closing = false;
    if (event->isAccepted()) Q_EMIT closed();
}
