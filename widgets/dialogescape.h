// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What Esc does in a dialog. By default Esc in a bound control that holds
// typed text only reverts that text, and the dialog's own Esc (its reject)
// acts only when there is nothing to revert. A dialog may instead give Esc an
// action of its own, such as closing as OK with what was typed; that action
// then wins over every control's revert, whatever control has the focus.
#include <QObject>
#include <functional>

class QDialog;
class QWidget;

class DialogEscape : public QObject
{
    Q_OBJECT
  public:
    // Esc anywhere in the dialog runs the action (replacing an earlier one).
    static void setAction(QDialog *dialog, std::function<void()> action);
    // Esc closes the dialog as OK does, keeping what was typed: the bound
    // controls write their text first, and a value a field refuses keeps the
    // dialog open with its message.
    static void acceptOnEscape(QDialog *dialog);
    // The control's window has an Esc action of its own.
    static bool claims(const QWidget *control);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    explicit DialogEscape(QDialog *dialog);

    std::function<void()> m_action;
};
