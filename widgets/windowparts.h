// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small pieces every window builds its layout from, so that tool buttons,
// menu entries and widths look and behave alike in all of them.
#include <QString>

class QAction;
class QIcon;
class QLabel;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;
class TVexDaoTable;

namespace WindowParts {

// True while the dataset holds an unsaved row.
bool editingOrInserting(const TVexDaoTable &ds);
// A width of so many average characters of the widget's font.
int chars(const QWidget *w, int n);
// The width an edit needs to show a whole date (dd.mm.yyyy) in the widget's font.
int dateWidth(const QWidget *w);
// A flat tool button with its hint also in the status bar; with a menu it
// drops the menu down from its arrow.
QToolButton *toolButton(QToolBar *bar, const char *name, const QString &hint, const QIcon &image,
                        QMenu *menu = nullptr);
QAction *menuItem(QMenu *menu, const char *name, const QString &caption);
QAction *separator(QMenu *menu, const char *name);
QLabel *label(const QString &caption, QWidget *buddy = nullptr);
// A window's destructor calls this: its child widgets go while the window
// is still whole, so that what they send on their way out (a grid writing
// its last cell, a data source telling its grid, the grid its window) never
// reaches a window whose own part is already gone.
void deleteChildren(QWidget *window);

} // namespace WindowParts
