// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The letter tabs "A" to "Z" down the right edge of the address window. A
// column of narrow tabs rather than a rotated tab bar, so that the letters
// stay upright and all 26 fit beside the pages at 800 pixels of height.
#include <QWidget>

class QAbstractButton;
class QButtonGroup;

class LetterTabs : public QWidget
{
    Q_OBJECT
  public:
    explicit LetterTabs(QWidget *parent = nullptr);

    int count() const;
    QString tabText(int index) const;
    QAbstractButton *tab(int index) const;
    int currentIndex() const;
    // Selects a tab without announcing it, as the window does at creation.
    void setCurrentIndex(int index);

  Q_SIGNALS:
    // Another tab was chosen by the user.
    void currentChanged(int index);

  private:
    QButtonGroup *m_group;
    int m_current = 0;
};
