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
// A flat tool button with its hint also in the status bar; with a menu it
// drops the menu down from its arrow.
QToolButton *toolButton(QToolBar *bar, const char *name, const QString &hint, const QIcon &image,
                        QMenu *menu = nullptr);
QAction *menuItem(QMenu *menu, const char *name, const QString &caption);
QAction *separator(QMenu *menu, const char *name);
QLabel *label(const QString &caption, QWidget *buddy = nullptr);

} // namespace WindowParts
