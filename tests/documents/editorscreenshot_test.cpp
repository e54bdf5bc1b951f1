// SPDX-License-Identifier: GPL-3.0-or-later
// The picture of the document editor for the README, made offscreen from the
// demo database: an invoice with several positions at 1280 x 800, then the
// same at 1920 x 1080, which must look as tidy (see tests/screenshot.h for
// where they are written).
#include "editorfixture.h"
#include "tests/screenshot.h"

#include <QFontDatabase>
#include <QImage>
#include <QScrollBar>

namespace {

class EditorScreenshot : public EditorFixture
{
  protected:
    void SetUp() override
    {
        demo = true;
        EditorFixture::SetUp();
    }
    void TearDown() override
    {
        EditorFixture::TearDown();
        QApplication::setFont(QFont());
    }
    void save(const QString &folder, const QString &name, const QSize &size)
    {
        window->resize(size);
        // The text panel lays out its text in a call it posts to itself.
        QCoreApplication::sendPostedEvents();
        EXPECT_FALSE(window->BMemo1->horizontalScrollBar()->isVisible());
        const QImage image = window->grab().toImage();
        EXPECT_EQ(image.size(), size);
        ExpectNotBlank(image);
        // Every column of the positions in view.
        EXPECT_FALSE(window->Tab->horizontalScrollBar()->isVisible()) << size.width();
        SavePng(image, folder, name);
    }
};

TEST_F(EditorScreenshot, AnInvoiceWithItsPositions)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    // An invoice with work and material.
    const qint64 id =
        db->scalar(QStringLiteral("select v.id from Vorgang1 v where v.typ = 'R' and v.storniert = 0 "
                                  "and (select count(*) from Vorgang2 p where p.vorgangID = v.id) "
                                  "between 5 and 6 order by v.id"))
            .rawInt();
    ASSERT_GT(id, 0);
    openEditor(id);
    positions().Next();
    window->Tab->setFocus();
    save(ReadmePictures(), QStringLiteral("vorgang.png"), QSize(1280, 800));
    save(MorePictures(), QStringLiteral("vorgang-1920.png"), QSize(1920, 1080));
}

} // namespace
