// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Buttons that move and edit a dataset: first, prior, next, last, insert,
// delete, post, cancel, refresh. Each is enabled by the dataset's state. The
// navigator asks nothing itself: a window that wants a question before
// deleting answers it in BeforeAction.
#include <QPointer>
#include <QWidget>
#include <functional>

#include "data/tvexdaotable.h"

class QToolButton;

class DBNavigator : public QWidget
{
    Q_OBJECT
  public:
    enum Button {
        First = 0x1,
        Prior = 0x2,
        Next = 0x4,
        Last = 0x8,
        Insert = 0x10,
        Delete = 0x20,
        Post = 0x40,
        Cancel = 0x80,
        Refresh = 0x100,
    };
    Q_ENUM(Button)
    Q_DECLARE_FLAGS(Buttons, Button)
    static constexpr int AllButtons = 0x1ff;

    explicit DBNavigator(QWidget *parent = nullptr, Buttons visible = Buttons(AllButtons));

    void setDataSource(TDataSource *source);
    TDataSource *dataSource() const { return m_source; }
    void setVisibleButtons(Buttons visible);
    Buttons visibleButtons() const { return m_visible; }
    QToolButton *button(Button which) const;
    // Carries out a button's action as a click does (nothing when it is disabled).
    void click(Button which);

    // Runs before a button's action; returning false leaves it undone.
    std::function<bool(Button)> BeforeAction;

  Q_SIGNALS:
    // After a button's action was carried out.
    void clicked(DBNavigator::Button which);

  private:
    void updateButtons();

    QPointer<TDataSource> m_source;
    Buttons m_visible;
    QList<QToolButton *> m_buttons; // in the order of the enum
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DBNavigator::Buttons)
