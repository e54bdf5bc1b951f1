// SPDX-License-Identifier: GPL-3.0-or-later
// The picture of the document list for the README, made offscreen from the
// demo database at 1280 x 800, and at 1920 x 1080 when
// TAVIREL_WIDE_SCREENSHOTS names a folder (for looking at it).
#include "app/tfmain.h"
#include "lists/tfvliste.h"
#include "tests/app/testwindows.h"
#include "tests/screenshot.h"
#include "tests/windowfixture.h"
#include "widgets/dbgrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

class ListScreenshot : public WindowFixture
{
  protected:
    void SetUp() override
    {
        demo = true;
        today = QDate(2026, 12, 9);
        WindowFixture::SetUp();
        QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql"),
                    db->folder() + QStringLiteral("/vliste.sql"));
        openModules();
        // The editor is there, so that the list offers its way to a document.
        main = std::make_unique<Tfmain>();
        main->registerWindow(WindowKind::Vorgang, [] { return new EditorTestWindow; });
    }
    void TearDown() override
    {
        delete window;
        main.reset();
        WindowFixture::TearDown();
        QApplication::setFont(QFont());
    }
    void save(const QString &folder, const QString &name, const QSize &size)
    {
        window->resize(size);
        window->show();
        QApplication::processEvents();
        const QImage image = window->grab().toImage();
        EXPECT_EQ(image.size(), size);
        ExpectNotBlank(image);
        // Every column in view.
        EXPECT_FALSE(window->liste->horizontalScrollBar()->isVisible()) << size.width();
        SavePng(image, folder, name);
    }

    std::unique_ptr<Tfmain> main;
    TFVListe *window = nullptr;
};

TEST_F(ListScreenshot, InvoicesOfTheDemoFirm)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    window = new TFVListe;
    window->cstatus->setCurrentIndex(3); // "alle Rechnungen"
    window->cstatusChange();
    window->vorganglist->MoveTo(2);
    save(ReadmePictures(), QStringLiteral("vorgangsliste.png"), QSize(1280, 800));
    save(MorePictures(), QStringLiteral("vorgangsliste-1920.png"), QSize(1920, 1080));
}

} // namespace
