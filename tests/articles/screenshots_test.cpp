// SPDX-License-Identifier: GPL-3.0-or-later
// A picture of the article window for the README, made offscreen from the
// demo database at 1280 x 800; with TAVIREL_WIDE_SCREENSHOTS also the window
// at 1920 x 1080 and the units editor, to look at.
#include "articlefixture.h"
#include "tests/screenshot.h"

#include "documents/tftedit.h"

#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QPlainTextEdit>

namespace {

class ArticleScreenshot : public ArticleFixture
{
  protected:
    void SetUp() override
    {
        demo = true;
        ArticleFixture::SetUp();
        TextFiles::saveLines(unitsPath(), {QStringLiteral("Stk"), QStringLiteral("h"), QStringLiteral("m"),
                                           QStringLiteral("Psch"), QStringLiteral("t")});
    }
    // The window as it is drawn, checked to hold more than an empty frame.
    QImage shot(const QSize &size)
    {
        window->resize(size);
        QApplication::processEvents();
        const QImage image = window->grab().toImage();
        EXPECT_EQ(image.size(), size);
        ExpectNotBlank(image);
        return image;
    }
};

TEST_F(ArticleScreenshot, CatalogueWithTheCurrentArticle)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    openWindow();
    // An article with a description of several lines and notes.
    for (artikel().First(); !artikel().Eof(); artikel().Next())
        if (field("Notizen")->AsString().size() > 0 && field("Bezeichnung")->AsString().contains(u'\n'))
            break;
    ASSERT_FALSE(artikel().Eof());
    window->DBGrid2->setFocus();

    SavePng(shot(QSize(1280, 800)), ReadmePictures(), QStringLiteral("artikel.png"));
    const QString more = MorePictures();
    if (!more.isEmpty()) {
        SavePng(shot(QSize(1920, 1080)), more, QStringLiteral("artikel-1920.png"));
        dialogs->answerExec([&more](QDialog &d) {
            d.show();
            QApplication::processEvents();
            SavePng(d.grab().toImage(), more, QStringLiteral("einheiten.png"));
            return int(QDialog::Rejected);
        });
        window->Button1Click();
    }
    QApplication::setFont(QFont());
}

} // namespace
