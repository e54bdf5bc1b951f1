// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bound controls of a window as one: before a window asks its closing
// question, closes, or hands its datasets to a command from elsewhere, every
// control writes the text it still holds into its field, so that no typed
// value is lost and the question sees the whole change.
class QWidget;

class PendingEdits
{
  public:
    // Writes the pending text of every bound control and open grid cell
    // inside the window (the window itself included). A value that its field
    // refuses shows the layer's message and takes the focus back for the
    // correction; the result is false then and the rest stays unwritten.
    static bool writeAll(QWidget *window);
    // A shown control or open grid cell of the window that holds a text its
    // field refused, unchanged since; null when there is none.
    static QWidget *refusedControl(QWidget *window);
    // The window a control belongs to: its top-level window, or the child
    // window of the main window's area that holds it.
    static QWidget *formOf(const QWidget *control);
};
