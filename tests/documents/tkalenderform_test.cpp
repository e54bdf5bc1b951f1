// SPDX-License-Identifier: GPL-3.0-or-later
// The calendar: what a caller reads after OK, Abbruch, the close button and a
// double-click, and where it starts.
#include "data/dates.h"
#include "documents/tkalenderform.h"
#include "printing/reporthelp.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Calendar : ::testing::Test
{
    void SetUp() override { SetTodayForTests(QDate(2026, 12, 9)); }
    void TearDown() override { SetTodayForTests(QDate()); }
};

TEST_F(Calendar, OkAtOnceGivesTodayAndAbbruchOrCloseGiveNothing)
{
    TKalenderform ok;
    ok.show();
    ok.BTOK->click();
    EXPECT_EQ(ok.result(), QDialog::Accepted);
    EXPECT_EQ(ok.SelectedDateText, QStringLiteral("09.12.2026"));

    TKalenderform cancel;
    cancel.show();
    cancel.Kalender->setSelectedDate(QDate(2026, 12, 24));
    cancel.BTAbbruch->click();
    EXPECT_EQ(cancel.result(), QDialog::Rejected);
    EXPECT_TRUE(cancel.SelectedDateText.isEmpty());

    TKalenderform closed;
    closed.show();
    closed.close();
    EXPECT_TRUE(closed.SelectedDateText.isEmpty());
}

TEST_F(Calendar, AStartDateShowsItsMonthAndADoubleClickIsOk)
{
    TKalenderform dialog;
    dialog.setStartDate(QDate(2005, 3, 1));
    dialog.show();
    EXPECT_EQ(dialog.Kalender->yearShown(), 2005);
    EXPECT_EQ(dialog.Kalender->monthShown(), 3);
    EXPECT_EQ(dialog.Kalender->selectedDate(), QDate(2005, 3, 1));
    EXPECT_EQ(dialog.Kalender->verticalHeaderFormat(), QCalendarWidget::ISOWeekNumbers);

    // Double-click on the 15th in the calendar's own table.
    auto *view = dialog.Kalender->findChild<QTableView *>();
    ASSERT_NE(view, nullptr);
    QModelIndex day;
    for (int r = 0; r < view->model()->rowCount() && !day.isValid(); ++r)
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            const QModelIndex i = view->model()->index(r, c);
            if (r > 0 && c > 0 && i.data().toInt() == 15 && r < 4) {
                day = i;
                break;
            }
        }
    ASSERT_TRUE(day.isValid());
    const QPoint at = view->visualRect(day).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedDateText, QStringLiteral("15.03.2005"));
}

TEST_F(Calendar, AnInvalidStartDateMeansTodayAndF1ShowsItsHelp)
{
    TKalenderform dialog;
    dialog.setStartDate(QDate());
    dialog.show();
    EXPECT_EQ(dialog.Kalender->selectedDate(), QDate(2026, 12, 9));
    QTest::keyClick(&dialog, Qt::Key_F1);
    ASSERT_NE(ReportHelp::current(), nullptr);
    EXPECT_EQ(ReportHelp::current()->topic(), 1005);
    ReportHelp::current()->close();
}

} // namespace
