// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real Qt message boxes in place of the scripted seam, for the places
// where focus and modal boxes meet. Each box is closed from its own event
// loop with its default button as soon as it shows, and then no window is
// active, as under a window manager that has not yet given the focus back:
// what the program does next must not rely on the focus being anywhere.
#include "widgets/dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class RealMessageBoxes : public QObject
{
  public:
    RealMessageBoxes() : m_previous(&Dialogs::instance())
    {
        Dialogs::setInstance(nullptr);
        qApp->installEventFilter(this);
    }
    ~RealMessageBoxes() override
    {
        qApp->removeEventFilter(this);
        Dialogs::setInstance(m_previous == &Dialogs::instance() ? nullptr : m_previous);
    }
    RealMessageBoxes(const RealMessageBoxes &) = delete;
    RealMessageBoxes &operator=(const RealMessageBoxes &) = delete;

    QStringList texts; // of every box shown, in order

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show) return false;
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (!box || m_seen.contains(box)) return false;
        m_seen << box;
        texts << box->text();
        QPointer<QMessageBox> guard(box);
        QTimer::singleShot(0, box, [guard] {
            if (!guard) return;
            if (QAbstractButton *b = guard->defaultButton() ? guard->defaultButton() : guard->escapeButton())
                b->click();
            else
                guard->reject();
            QApplication::setActiveWindow(nullptr);
        });
        return false;
    }

  private:
    Dialogs *m_previous;
    QList<QPointer<QMessageBox>> m_seen;
};
