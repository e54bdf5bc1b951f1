// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Locks parts of a window against input while keeping them readable. A
// locked area takes no focus, no typing, no clicks that change data; its
// texts keep the normal text colour on a field background of the window
// colour (disabled grey on grey cannot be read). Memos and grids stay
// enabled but read-only, so that long texts and lists can still be scrolled.
#include <QList>
#include <QPointer>
#include <QWidget>

class AreaLock
{
  public:
    // Locks or unlocks the given areas (each a container or a single control).
    void setLocked(const QList<QWidget *> &areas, bool locked);
    bool isLocked() const { return m_locked; }

    // True when the control takes no input now: disabled, or read-only
    // without focus as the lock leaves a memo or grid.
    static bool refusesInput(const QWidget *control);
    // Controls of an area that would take input when unlocked, in the order
    // of the widget tree (not the internals of combo boxes or views).
    static QList<QWidget *> inputControls(QWidget *area);

  private:
    struct ScrollOnly
    {
        QPointer<QWidget> widget;
        bool readOnly;
        Qt::FocusPolicy focus;
        Qt::ContextMenuPolicy menu;
        bool ownPalette;
        QPalette palette;
    };
    void lock(QWidget *area);
    void lockScrollOnly(QWidget *control);

    bool m_locked = false;
    QList<QPointer<QWidget>> m_disabled;
    QList<ScrollOnly> m_scrollOnly;
};
