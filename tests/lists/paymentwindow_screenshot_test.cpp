// SPDX-License-Identifier: GPL-3.0-or-later
// The payment window for the README, made offscreen on an invoice of the demo
// database, at its own size and once more on a large screen's font size.
#include "tests/screenshot.h"
#include "tests/testdb.h"

#include "data/dates.h"
#include "data/programfolder.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "lists/tfvbezahlen.h"
#include "widgets/dbedit.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <gtest/gtest.h>

TEST(PaymentWindowScreenshot, OpenInvoiceOfTheDemoFirm)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    SetTodayForTests(QDate(2026, 3, 20));
    TestDb db(true);
    ProgramFolder::setDirForTests(db.folder());
    {
        Tdataa addresses;
        TData documents(&addresses.Datenbank);
        dataa = &addresses;
        Data = &documents;
        addresses.DataModuleCreate(db.path());
        documents.DataCreate();
        const qint64 id =
            db.scalar(QStringLiteral("select id from Vorgang1 where typ = 'R' and vorgangnr = '10024'"))
                .rawInt();
        ASSERT_GT(id, 0);

        for (const int points : {9, 11}) {
            QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), points));
            TFVbezahlen window(nullptr, id);
            window.show();
            EXPECT_EQ(window.sVnr->text(), QStringLiteral("10024"));
            // Every control at least as large as it wants to be: nothing cut.
            EXPECT_GE(window.width(), window.minimumSizeHint().width());
            EXPECT_GE(window.height(), window.minimumSizeHint().height());
            const QImage image = window.grab().toImage();
            ExpectNotBlank(image);
            SavePng(image, points == 9 ? ReadmePictures() : MorePictures(), QStringLiteral("zahlung.png"));
        }
        QApplication::setFont(QFont());
        dataa = nullptr;
        Data = nullptr;
    }
    ProgramFolder::setDirForTests(QString());
    SetTodayForTests(QDate());
}
