// SPDX-License-Identifier: GPL-3.0-or-later
// The firm's logo on the letterhead: a PNG or an SVG from the settings,
// placed where they say on the first page, in the print and in the PDF; a
// logo that cannot be read is named and left out.
#include "printfixture.h"

#include "data/settings.h"
#include "printing/printvorgang.h"
#include "printing/tbvorgang.h"
#include "report/pageset.h"
#include "tests/report/pdftools.h"

#include <QImage>
#include <QPainter>

namespace {

class Logo : public PrintFixture
{
  protected:
    void settings(const QString &file, const char *left, const char *top, const char *width)
    {
        IniFile ini(letterheadFile(QStringLiteral("tavirel.ini")));
        ini.writeString(QStringLiteral("Druck"), QStringLiteral("Logo"), file);
        ini.writeString(QStringLiteral("Druck"), QStringLiteral("LogoLinks"), QString::fromLatin1(left));
        ini.writeString(QStringLiteral("Druck"), QStringLiteral("LogoOben"), QString::fromLatin1(top));
        ini.writeString(QStringLiteral("Druck"), QStringLiteral("LogoBreite"), QString::fromLatin1(width));
    }
    // The picture items of a page.
    static QList<QRectF> pictures(const PageSet &pages, int page)
    {
        QList<QRectF> out;
        for (const PageItem &item : pages.page(page).items)
            if (item.kind == PageItem::Kind::Picture) out << item.rect;
        return out;
    }
};

} // namespace

TEST_F(Logo, APngOrSvgLogoPrintsWhereTheSettingsPutIt)
{
    QImage png(200, 100, QImage::Format_RGB32);
    png.fill(Qt::darkBlue);
    ASSERT_TRUE(png.save(letterheadFile(QStringLiteral("logo.png"))));
    writeLetterhead(QStringLiteral("logo.svg"),
                    "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='40'>"
                    "<circle cx='20' cy='20' r='18' fill='darkred'/></svg>");
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10000"));
    for (int i = 1; i <= 60; ++i)
        position(id, i, QStringLiteral("Position %1").arg(i), 1, 10);
    const struct
    {
        const char *file, *left, *top, *width;
        QRectF expected; // on the paper, millimetres
    } cases[] = {{"logo.png", "95", "0", "40", QRectF(20 + 95, 15, 40, 20)},
                 {"logo.svg", "120", "2", "25", QRectF(20 + 120, 17, 25, 25)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        settings(QString::fromLatin1(c.file), c.left, c.top, c.width);
        TBvorgang form(&addresses->Datenbank);
        form.FormCreate(QString::number(id));
        EXPECT_EQ(form.loadProblems(), QStringList());
        const auto pages = form.Bericht.build();
        ASSERT_GE(pages->pagesAvailable(), 2);
        const QList<QRectF> first = pictures(*pages, 1);
        ASSERT_EQ(first.size(), 1);
        EXPECT_NEAR(first.first().left(), c.expected.left(), 0.01);
        EXPECT_NEAR(first.first().top(), c.expected.top(), 0.01);
        EXPECT_NEAR(first.first().width(), c.expected.width(), 0.01);
        EXPECT_NEAR(first.first().height(), c.expected.height(), 0.01);
        EXPECT_TRUE(pictures(*pages, 2).isEmpty()) << "the logo belongs to the letterhead of page 1";
        // In the PDF: a picture of that colour at that place.
        const QString pdf = letterheadFile(QStringLiteral("logo.pdf"));
        WriteVorgangPdf(&addresses->Datenbank, QString::number(id), pdf);
        const QImage page = PdfTools::picture(pdf, 1, 50);
        const QPoint middle((c.expected.center().x()) / 25.4 * 50, (c.expected.center().y()) / 25.4 * 50);
        const QColor seen = page.pixelColor(middle);
        EXPECT_TRUE(seen.blue() > 100 || seen.red() > 100) << seen.name().toStdString();
        EXPECT_LT(seen.green(), 60) << seen.name().toStdString();
    }

    writeLetterhead(QStringLiteral("kaputt.png"), "kein Bild");
    settings(QStringLiteral("kaputt.png"), "95", "0", "40");
    TBvorgang form(&addresses->Datenbank);
    form.FormCreate(QString::number(id));
    EXPECT_EQ(form.loadProblems(),
              QStringList{QStringLiteral("kaputt.png: kein lesbares Bild (PNG oder SVG)")});
    EXPECT_TRUE(pictures(*form.Bericht.build(), 1).isEmpty());
}
