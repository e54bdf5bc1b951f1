// SPDX-License-Identifier: GPL-3.0-or-later
#include "lettertabs.h"

#include <QButtonGroup>
#include <QToolButton>
#include <QVBoxLayout>

LetterTabs::LetterTabs(QWidget *parent) : QWidget(parent), m_group(new QButtonGroup(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    m_group->setExclusive(true);
    for (char c = 'A'; c <= 'Z'; ++c) {
        auto *b = new QToolButton(this);
        b->setText(QString(QLatin1Char(c)));
        b->setObjectName(QStringLiteral("tab") + QLatin1Char(c));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumSize(24, 18);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        b->setStyleSheet(QStringLiteral("QToolButton { padding: 0px; }"
                                        "QToolButton:checked { font-weight: bold; }"));
        m_group->addButton(b, c - 'A');
        layout->addWidget(b);
    }
    layout->addStretch(1);
    m_group->button(0)->setChecked(true);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == m_current) return;
        m_current = id;
        Q_EMIT currentChanged(id);
    });
}

int LetterTabs::count() const
{
    return int(m_group->buttons().size());
}

QString LetterTabs::tabText(int index) const
{
    const QAbstractButton *b = m_group->button(index);
    return b ? b->text() : QString();
}

QAbstractButton *LetterTabs::tab(int index) const
{
    return m_group->button(index);
}

int LetterTabs::currentIndex() const
{
    return m_current;
}

void LetterTabs::setCurrentIndex(int index)
{
    if (QAbstractButton *b = m_group->button(index)) {
        b->setChecked(true);
        m_current = index;
    }
}
