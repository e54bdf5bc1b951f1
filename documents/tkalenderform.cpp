// SPDX-License-Identifier: GPL-3.0-or-later
#include "tkalenderform.h"

#include "data/dates.h"
#include "printing/reporthelp.h"

#include <QCalendarWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace {
const int kHelpContext = 1005;
}

TKalenderform::TKalenderform(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Kalenderform"));
    setWindowTitle(QStringLiteral("Kalender"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint | Qt::WindowStaysOnTopHint);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    Kalender = new QCalendarWidget(this);
    Kalender->setObjectName(QStringLiteral("Kalender"));
    Kalender->setLocale(QLocale(QLocale::German, QLocale::Germany));
    Kalender->setFirstDayOfWeek(Qt::Monday);
    Kalender->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    Kalender->setGridVisible(false);
    layout->addWidget(Kalender, 1);

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    BTOK = new QPushButton(QStringLiteral("&OK"), this);
    BTOK->setObjectName(QStringLiteral("BTOK"));
    BTOK->setDefault(true);
    BTAbbruch = new QPushButton(QStringLiteral("&Abbruch"), this);
    BTAbbruch->setObjectName(QStringLiteral("BTAbbruch"));
    buttons->addWidget(BTOK);
    buttons->addWidget(BTAbbruch);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(BTOK, &QPushButton::clicked, this, &TKalenderform::BTOKClick);
    connect(BTAbbruch, &QPushButton::clicked, this, &TKalenderform::BTAbbruchClick);
    // A double-click on a day is OK; the calendar reports it as activation.
    connect(Kalender, &QCalendarWidget::activated, this, [this](const QDate &) { BTOKClick(); });

    Kalender->setSelectedDate(Today());
    adjustSize();
}

void TKalenderform::setStartDate(const QDate &date)
{
    Kalender->setSelectedDate(date.isValid() ? date : Today());
    Kalender->setCurrentPage(Kalender->selectedDate().year(), Kalender->selectedDate().month());
}

void TKalenderform::showEvent(QShowEvent *event)
{
    if (!Kalender->selectedDate().isValid()) setStartDate(QDate());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TKalenderform::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        ReportHelp::showTopic(kHelpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TKalenderform::BTOKClick()
{
    SelectedDateText = Kalender->selectedDate().toString(QStringLiteral("dd.MM.yyyy"));
    accept();
}

void TKalenderform::BTAbbruchClick()
{
    SelectedDateText.clear();
    reject();
}
