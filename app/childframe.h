// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frame of a child window in the main window's client area. The window
// inside may close itself (its own button or code): the frame then closes
// with it, so that the window list, the menus and the window's program-wide
// reference never keep a window that is gone. The frame frees itself, and the
// window with it, when it closes.
#include <QMdiSubWindow>

class ChildFrame : public QMdiSubWindow
{
    Q_OBJECT
  public:
    explicit ChildFrame(QWidget *content, QWidget *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

  Q_SIGNALS:
    void closed(); // after an accepted close, before the frame is freed

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    bool m_closing = false;
};
