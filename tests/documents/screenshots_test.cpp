// SPDX-License-Identifier: GPL-3.0-or-later
// A picture of the address chooser for the README, made offscreen from the
// demo database at 1280 x 800 for a new invoice; with TAVIREL_WIDE_SCREENSHOTS
// also the chooser at 1920 x 1080 and the editor's other dialogs at their own
// size, to look at.
#include "dialogfixture.h"
#include "tests/screenshot.h"

#include "documents/tfvadr.h"
#include "documents/tfvartikel.h"
#include "documents/tfvinfo.h"
#include "documents/tfvpostext.h"
#include "documents/tfvtext.h"
#include "widgets/dbgrid.h"

#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>

namespace {

class DocumentDialogShots : public DialogFixture
{
  protected:
    void SetUp() override
    {
        demo = true;
        DialogFixture::SetUp();
        QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
        openModules();
    }
    void TearDown() override
    {
        DialogFixture::TearDown();
        QApplication::setFont(QFont());
    }
    // The window as it is drawn, checked to hold more than an empty frame.
    QImage shot(QWidget *window, const QSize &size)
    {
        if (size.isValid()) window->resize(size);
        window->show();
        QApplication::processEvents();
        const QImage image = window->grab().toImage();
        if (size.isValid()) {
            EXPECT_EQ(image.size(), size);
        }
        ExpectNotBlank(image);
        return image;
    }
};

TEST_F(DocumentDialogShots, AddressChooserForANewInvoice)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    vorgang().Insert();
    doc("typ")->SetAsString(QStringLiteral("R"));
    auto *chooser = new TFVadr;
    FVadrRef() = chooser;
    chooser->typpanel->show();
    chooser->setWindowTitle(QStringLiteral("Neuen Vorgang anlegen"));
    chooser->OpenAddressList(QStringLiteral("kunde = true"));
    chooser->nameTab->setCurrentIndex(0);
    // The user searched a name and took the address of a firm with a contact line.
    TVexDaoTable &adr = *chooser->adr;
    for (adr.First(); !adr.Eof(); adr.Next())
        if (!adr.FieldByName(QStringLiteral("Namen"))->AsString().trimmed().isEmpty()) break;
    ASSERT_FALSE(adr.Eof());
    const QString name = adr.FieldByName(QStringLiteral("name1"))->AsString();
    chooser->findfast->setText(name.left(3));
    adr.Locate(QStringLiteral("name1"), Value(name), 0);
    chooser->uebernahmeClick();
    chooser->Liste->setFocus();

    SavePng(shot(chooser, QSize(1280, 800)), ReadmePictures(), QStringLiteral("adresswahl.png"));
    EXPECT_FALSE(chooser->Liste->horizontalScrollBar()->isVisible());
    const QString more = MorePictures();
    if (!more.isEmpty())
        SavePng(shot(chooser, QSize(1920, 1080)), more, QStringLiteral("adresswahl-1920.png"));
    delete chooser;
    vorgang().Cancel();
}

// Only for looking at: the other dialogs on a demo contract at their own size.
TEST_F(DocumentDialogShots, OtherDialogsOfTheEditor)
{
    const QString more = MorePictures();
    if (more.isEmpty()) GTEST_SKIP() << "TAVIREL_WIDE_SCREENSHOTS names no folder";
    for (vorgang().First(); !vorgang().Eof(); vorgang().Next())
        if (doc("typ")->AsString() == QLatin1String("V") && positions().RecordCount() > 1) break;
    ASSERT_FALSE(vorgang().Eof());
    QWidget editor;
    auto *articles = new Tfvartikel(&editor);
    EXPECT_TRUE(shot(articles, QSize()).save(more + QStringLiteral("/artikelwahl.png"), "PNG"));
    articles->hide();
    {
        TFVtext texts(&editor);
        EXPECT_TRUE(shot(&texts, QSize()).save(more + QStringLiteral("/vorgangstexte.png"), "PNG"));
    }
    {
        TFVPostext position(&editor);
        position.vkbr->setText(QStringLiteral("119,00"));
        EXPECT_TRUE(shot(&position, QSize()).save(more + QStringLiteral("/position.png"), "PNG"));
    }
    {
        TFvInfo info(&editor);
        EXPECT_TRUE(shot(&info, QSize()).save(more + QStringLiteral("/vorgangsinfo.png"), "PNG"));
    }
    vorgang().Cancel();
}

} // namespace
