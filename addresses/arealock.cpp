// SPDX-License-Identifier: GPL-3.0-or-later
#include "arealock.h"

#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

namespace {

bool isScrollOnlyKind(const QWidget *w)
{
    return qobject_cast<const DBMemo *>(w) || qobject_cast<const DBGrid *>(w);
}

bool isInput(const QWidget *w)
{
    return isScrollOnlyKind(w) || qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w) ||
           qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QAbstractScrollArea *>(w) ||
           qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QAbstractSlider *>(w);
}

bool readOnly(const QWidget *w)
{
    if (auto *memo = qobject_cast<const DBMemo *>(w)) return memo->isReadOnly();
    if (auto *grid = qobject_cast<const DBGrid *>(w)) return grid->isReadOnly();
    return false;
}

void setReadOnly(QWidget *w, bool on)
{
    if (auto *memo = qobject_cast<DBMemo *>(w)) memo->setReadOnly(on);
    if (auto *grid = qobject_cast<DBGrid *>(w)) grid->setReadOnly(on);
}

void collect(QWidget *w, QList<QWidget *> &out)
{
    if (isInput(w)) {
        out << w;
        return;
    }
    for (QObject *child : w->children()) {
        auto *cw = qobject_cast<QWidget *>(child);
        if (cw && !cw->isWindow()) collect(cw, out);
    }
}

// Locked fields are drawn in the palette's disabled group: give it the text
// colours of the active group, and the window colour as field background so
// that a locked field still looks locked.
void makeDisabledReadable(QWidget *area)
{
    QPalette p = area->palette();
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, p.color(QPalette::Active, role));
    p.setColor(QPalette::Disabled, QPalette::Base, p.color(QPalette::Active, QPalette::Window));
    area->setPalette(p);
}

} // namespace

QList<QWidget *> AreaLock::inputControls(QWidget *area)
{
    QList<QWidget *> out;
    collect(area, out);
    return out;
}

bool AreaLock::refusesInput(const QWidget *control)
{
    return !control->isEnabled() || (readOnly(control) && control->focusPolicy() == Qt::NoFocus &&
                                     control->contextMenuPolicy() != Qt::CustomContextMenu);
}

void AreaLock::setLocked(const QList<QWidget *> &areas, bool locked)
{
    if (locked == m_locked) return;
    m_locked = locked;
    if (locked) {
        // A change typed into a field of the areas is written as leaving the
        // field writes it, before the field stops taking input.
        QWidget *focus = QApplication::focusWidget();
        for (QWidget *area : areas)
            if (focus && (focus == area || area->isAncestorOf(focus))) focus->clearFocus();
        for (QWidget *area : areas) {
            makeDisabledReadable(area);
            lock(area);
        }
        return;
    }
    for (const ScrollOnly &s : std::as_const(m_scrollOnly)) {
        if (!s.widget) continue;
        setReadOnly(s.widget, s.readOnly);
        s.widget->setFocusPolicy(s.focus);
        s.widget->setContextMenuPolicy(s.menu);
        s.widget->setPalette(s.ownPalette ? s.palette : QPalette());
    }
    m_scrollOnly.clear();
    for (const QPointer<QWidget> &w : std::as_const(m_disabled))
        if (w) w->setEnabled(true);
    m_disabled.clear();
}

void AreaLock::lock(QWidget *area)
{
    for (QWidget *w : inputControls(area)) {
        if (isScrollOnlyKind(w)) {
            lockScrollOnly(w);
        } else if (!w->testAttribute(Qt::WA_ForceDisabled)) {
            // Only what the lock disabled is enabled again.
            w->setEnabled(false);
            m_disabled << w;
        }
    }
}

void AreaLock::lockScrollOnly(QWidget *control)
{
    m_scrollOnly << ScrollOnly{control,
                               readOnly(control),
                               control->focusPolicy(),
                               control->contextMenuPolicy(),
                               control->testAttribute(Qt::WA_SetPalette),
                               control->palette()};
    setReadOnly(control, true);
    control->setFocusPolicy(Qt::NoFocus);
    // The window's own context menus act on the data; the standard one of a
    // read-only text offers copying only.
    if (control->contextMenuPolicy() == Qt::CustomContextMenu)
        control->setContextMenuPolicy(Qt::PreventContextMenu);
    // A locked memo looks like the locked fields; a grid stays a list as
    // every other list.
    if (qobject_cast<DBMemo *>(control)) {
        QPalette p = control->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            p.setColor(group, QPalette::Base, p.color(group, QPalette::Window));
        control->setPalette(p);
    }
}
