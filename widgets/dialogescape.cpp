// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogescape.h"

#include "pendingedits.h"

#include <QDialog>
#include <QKeyEvent>

DialogEscape::DialogEscape(QDialog *dialog) : QObject(dialog)
{
    dialog->installEventFilter(this);
}

void DialogEscape::setAction(QDialog *dialog, std::function<void()> action)
{
    auto *escape = dialog->findChild<DialogEscape *>(QString(), Qt::FindDirectChildrenOnly);
    if (!escape) escape = new DialogEscape(dialog);
    escape->m_action = std::move(action);
}

void DialogEscape::acceptOnEscape(QDialog *dialog)
{
    setAction(dialog, [dialog] {
        if (PendingEdits::writeAll(dialog)) dialog->accept();
    });
}

bool DialogEscape::claims(const QWidget *control)
{
    const QWidget *window = control ? control->window() : nullptr;
    const auto *escape =
        window ? window->findChild<DialogEscape *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return escape && escape->m_action;
}

bool DialogEscape::eventFilter(QObject *watched, QEvent *event)
{
    // The key reaches the dialog when the focused control passed it on; no
    // Esc shortcut of the dialog's buttons takes it away before.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) && m_action) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            event->accept();
            if (event->type() == QEvent::KeyPress) m_action();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
