// SPDX-License-Identifier: GPL-3.0-or-later
// The banded engine on plain rows: which band prints when and where, hooks,
// growing texts and the page breaks between them.
#include "report/pageset.h"
#include "report/report.h"
#include "report/reportfonts.h"
#include "report/rowsource.h"

#include <QDate>
#include <QFontMetricsF>
#include <QImage>
#include <QVariantMap>
#include <gtest/gtest.h>

namespace {

class ListRows : public RowSource
{
  public:
    QList<QVariantMap> rows;
    int current = -1;
    bool first() override
    {
        current = 0;
        return !rows.isEmpty();
    }
    bool next() override
    {
        if (current + 1 >= rows.size()) return false;
        ++current;
        return true;
    }
    QVariant value(const QString &field) const override
    {
        return current >= 0 && current < rows.size() ? rows.at(current).value(field) : QVariant();
    }
    int rowCount() const override { return int(rows.size()); }
};

const PageItem *find(const PageSet &pages, int page, const QString &text)
{
    for (const PageItem &it : pages.page(page).items)
        if (it.kind == PageItem::Kind::Text && it.text == text) return &it;
    return nullptr;
}

int countOf(const PageSet &pages, const QString &text)
{
    int n = 0;
    for (int p = 1; p <= pages.pagesAvailable(); ++p)
        for (const PageItem &it : pages.page(p).items)
            if (it.text == text) ++n;
    return n;
}

QString rowText(int i)
{
    return QStringLiteral("Zeile %1").arg(i, 3, 10, QLatin1Char('0'));
}

// Page header (not on page 1), title, column header, one detail per row,
// summary and a page footer with the page number.
class EngineTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        for (int i = 1; i <= 3; ++i)
            rows.rows << QVariantMap{{QStringLiteral("name"), rowText(i)}};
        report.setMaster(&rows);
        header = report.addBand(ReportBand::Kind::PageHeader, QStringLiteral("kopf"), 15);
        header->printOnFirstPage = false;
        header->addPageNumber(QStringLiteral("nr"), 140, 2, QStringLiteral("Seite: "))
            .size(30, 5)
            .aligned(Qt::AlignRight);
        title = report.addBand(ReportBand::Kind::Title, QStringLiteral("titel"), 20);
        title->addLabel(QStringLiteral("t"), 0, 0, QStringLiteral("Titel"));
        columns = report.addBand(ReportBand::Kind::ColumnHeader, QStringLiteral("spalten"), 6);
        columns->addLabel(QStringLiteral("c"), 0, 0, QStringLiteral("Spalte"));
        detail = report.addBand(ReportBand::Kind::Detail, QStringLiteral("detail"), 6);
        detail->addDataText(QStringLiteral("d"), 0, 0, QStringLiteral("name"));
        summary = report.addBand(ReportBand::Kind::Summary, QStringLiteral("summe"), 10);
        summary->addLabel(QStringLiteral("s"), 0, 0, QStringLiteral("Summe"));
        footer = report.addBand(ReportBand::Kind::PageFooter, QStringLiteral("fuss"), 12);
        footer->addPageNumber(QStringLiteral("fnr"), 0, 0, QStringLiteral("Fuß "));
    }
    qreal yOf(int page, const QString &text)
    {
        const PageItem *it = find(*pages, page, text);
        EXPECT_TRUE(it) << text.toStdString() << " not on page " << page;
        return it ? it->rect.top() : -1;
    }
    void build() { pages = report.build(); }

    ListRows rows;
    Report report;
    ReportBand *header, *title, *columns, *detail, *summary, *footer;
    std::unique_ptr<PageSet> pages;
};

} // namespace

TEST_F(EngineTest, BandsFollowTheirOrderAndTheFooterSitsAtTheBottom)
{
    // An overlay stands where it says on the paper and takes no room.
    report.addBand(ReportBand::Kind::Overlay, QStringLiteral("marken"), 0)
        ->addLine(QStringLiteral("falz"), 5, 105, 5);
    build();
    const auto mark = std::find_if(pages->page(1).items.begin(), pages->page(1).items.end(),
                                   [](const PageItem &it) { return it.kind == PageItem::Kind::Line; });
    ASSERT_NE(mark, pages->page(1).items.end());
    EXPECT_EQ(mark->rect, QRectF(5, 105, 5, 0));
    ASSERT_EQ(pages->pagesAvailable(), 1);
    EXPECT_TRUE(pages->isComplete());
    EXPECT_EQ(pages->progress(), 100);
    EXPECT_FALSE(find(*pages, 1, QStringLiteral("Seite: 1"))) << "page header on the first page";
    const qreal t = yOf(1, QStringLiteral("Titel"));
    EXPECT_NEAR(t, 15, 0.01) << "the title starts at the top margin";
    EXPECT_LT(t, yOf(1, QStringLiteral("Spalte")));
    EXPECT_LT(yOf(1, QStringLiteral("Spalte")), yOf(1, rowText(1)));
    EXPECT_LT(yOf(1, rowText(1)), yOf(1, rowText(2)));
    EXPECT_LT(yOf(1, rowText(3)), yOf(1, QStringLiteral("Summe")));
    EXPECT_NEAR(yOf(1, QStringLiteral("Fuß 1")), 297 - 10 - 12, 0.01);
    // Rows one band height apart, at the left margin.
    EXPECT_NEAR(yOf(1, rowText(2)) - yOf(1, rowText(1)), 6, 0.01);
    EXPECT_NEAR(find(*pages, 1, rowText(1))->rect.left(), 20, 0.01);
}

TEST_F(EngineTest, MasterWithoutRowsPrintsNothing)
{
    rows.rows.clear();
    int progressSeen = -1;
    bool completed = false;
    PageSet set;
    QObject::connect(&set, &PageSet::progressChanged, [&](int p) { progressSeen = p; });
    QObject::connect(&set, &PageSet::completed, [&] { completed = true; });
    report.build(set);
    EXPECT_EQ(set.pagesAvailable(), 0);
    EXPECT_TRUE(completed);
    EXPECT_EQ(progressSeen, 100);
}

TEST_F(EngineTest, SuppressedBandsStillPrintTheirChildren)
{
    ReportBand *child = report.addChild(summary, QStringLiteral("kind"), 8);
    child->addLabel(QStringLiteral("k"), 0, 0, QStringLiteral("Kind"));
    ReportBand *grandchild = report.addChild(summary, QStringLiteral("enkel"), 8);
    grandchild->addLabel(QStringLiteral("e"), 0, 0, QStringLiteral("Enkel"));
    EXPECT_EQ(child->child, grandchild) << "a second child goes after the first";
    QStringList hooks;
    summary->beforePrint = [&](ReportBand &, bool &print) {
        hooks << QStringLiteral("summe");
        print = false;
    };
    child->beforePrint = [&](ReportBand &, bool &print) {
        hooks << QStringLiteral("kind");
        print = false;
    };
    build();
    EXPECT_EQ(hooks, (QStringList{QStringLiteral("summe"), QStringLiteral("kind")}));
    EXPECT_FALSE(find(*pages, 1, QStringLiteral("Summe")));
    EXPECT_FALSE(find(*pages, 1, QStringLiteral("Kind")));
    // The grandchild takes the place where the summary would have been.
    EXPECT_NEAR(yOf(1, QStringLiteral("Enkel")), yOf(1, rowText(3)) + 6, 0.01);
}

TEST_F(EngineTest, HooksChangeElementsPerRowAndDisabledOnesDoNotPrint)
{
    rows.rows = {QVariantMap{{QStringLiteral("name"), QStringLiteral("A")}, {QStringLiteral("n"), 2.0}},
                 QVariantMap{{QStringLiteral("name"), QStringLiteral("B")}, {QStringLiteral("n"), 0.0}}};
    ReportElement &price = detail->addDataText(QStringLiteral("p"), 100, 0, QStringLiteral("n"));
    price.mask = QStringLiteral("#,##0.00 €");
    detail->beforePrint = [&](ReportBand &, bool &) {
        price.enabled = rows.value(QStringLiteral("n")) != 0.0;
    };
    build();
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("2,00 €")));
    EXPECT_FALSE(find(*pages, 1, QStringLiteral("0,00 €")));
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("B")));
}

TEST_F(EngineTest, DataTextsFormatMaskedNumbersHalfUpAndAlignToTheBandsRightEdge)
{
    rows.rows = {QVariantMap{{QStringLiteral("name"), QStringLiteral("x")},
                             {QStringLiteral("betrag"), 1234.5},
                             {QStringLiteral("halb"), 0.125},
                             {QStringLiteral("menge"), 1.5},
                             {QStringLiteral("tag"), QDate(2005, 3, 31)}}};
    detail->addDataText(QStringLiteral("b"), 0, 0, QStringLiteral("betrag"))
        .size(40)
        .aligned(Qt::AlignRight)
        .toBand(ReportElement::BandAlign::Right)
        .mask = QStringLiteral("#,##0.00 €");
    detail->addDataText(QStringLiteral("h"), 50, 0, QStringLiteral("halb")).mask =
        QStringLiteral("#,##0.00 DM");
    detail->addDataText(QStringLiteral("m"), 80, 0, QStringLiteral("menge"));
    detail->addDataText(QStringLiteral("t"), 100, 0, QStringLiteral("tag"));
    build();
    const PageItem *amount = find(*pages, 1, QStringLiteral("1.234,50 €"));
    ASSERT_TRUE(amount);
    EXPECT_NEAR(amount->rect.right(), 210 - 20, 0.01);
    EXPECT_TRUE(amount->flags & Qt::AlignRight);
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("0,13 DM")));
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("1,5")));
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("31.03.2005")));
}

TEST_F(EngineTest, GrowingTextsPushTheNextRowsAndPagesBreakBetweenLines)
{
    rows.rows.clear();
    const QString words = QStringLiteral("Wartung und Pflege der Heizungsanlage im Keller ").repeated(6);
    for (int i = 1; i <= 60; ++i)
        rows.rows << QVariantMap{{QStringLiteral("name"), rowText(i)}, {QStringLiteral("text"), words}};
    detail->addDataText(QStringLiteral("lang"), 30, 0, QStringLiteral("text"))
        .size(90)
        .fitting(ReportElement::Fit::Grow);
    std::vector<int> available;
    PageSet set;
    QObject::connect(&set, &PageSet::pageAvailable, [&](int n) { available.push_back(n); });
    std::vector<int> progress;
    QObject::connect(&set, &PageSet::progressChanged, [&](int p) { progress.push_back(p); });
    report.build(set);

    const int n = set.pagesAvailable();
    ASSERT_GT(n, 2);
    ASSERT_EQ(int(available.size()), n);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(available[size_t(i)], i + 1);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);

    const qreal footerTop = 297 - 10 - 12;
    for (int p = 1; p <= n; ++p) {
        // The page header from page 2 on, the footer on every page, the last included.
        EXPECT_EQ(bool(find(set, p, QStringLiteral("Seite: %1").arg(p))), p > 1);
        EXPECT_TRUE(find(set, p, QStringLiteral("Fuß %1").arg(p)));
        EXPECT_EQ(bool(find(set, p, QStringLiteral("Spalte"))), true) << "column header on every page";
        for (const PageItem &it : set.page(p).items) {
            if (it.text.startsWith(QStringLiteral("Fuß"))) continue;
            EXPECT_LE(it.rect.bottom(), footerTop + 0.01) << it.text.toStdString() << " runs into the footer";
            EXPECT_GE(it.rect.top(), 15 - 0.01);
        }
        // Lines of one text never overlap the next row.
        std::vector<QRectF> texts;
        for (const PageItem &it : set.page(p).items)
            if (it.rect.left() >= 50 - 0.01 && it.rect.left() <= 50 + 0.01) texts.push_back(it.rect);
        for (size_t i = 1; i < texts.size(); ++i)
            EXPECT_GE(texts[i].top(), texts[i - 1].bottom() - 0.01);
    }
    for (int i = 1; i <= 60; ++i)
        EXPECT_EQ(countOf(set, rowText(i)), 1) << rowText(i).toStdString();
    // A row moves to the next page whole: its name stands beside its first line.
    for (int p = 1; p <= n; ++p)
        for (const PageItem &it : set.page(p).items)
            if (it.text.startsWith(QLatin1String("Zeile"))) {
                bool besideText = false;
                for (const PageItem &other : set.page(p).items)
                    if (other.rect.left() > 49 && qAbs(other.rect.top() - it.rect.top()) < 0.01)
                        besideText = true;
                EXPECT_TRUE(besideText) << it.text.toStdString();
            }
}

TEST_F(EngineTest, ATextTallerThanAPageRunsOnLineByLine)
{
    rows.rows = {QVariantMap{{QStringLiteral("name"), QStringLiteral("lang")}}};
    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QStringLiteral("Absatz %1").arg(i);
    summary->addMemo(QStringLiteral("memo"), 0, 8, 160, 0, lines).fit = ReportElement::Fit::Grow;
    build();
    ASSERT_GE(pages->pagesAvailable(), 2);
    int expected = 1;
    qreal lastTop = -1;
    int lastPage = 1;
    for (int p = 1; p <= pages->pagesAvailable(); ++p)
        for (const PageItem &it : pages->page(p).items) {
            if (!it.text.startsWith(QLatin1String("Absatz"))) continue;
            EXPECT_EQ(it.text, QStringLiteral("Absatz %1").arg(expected)) << "lines out of order or lost";
            if (p == lastPage) {
                EXPECT_GT(it.rect.top(), lastTop);
            }
            lastTop = it.rect.top();
            lastPage = p;
            EXPECT_LE(it.rect.bottom(), 297 - 10 - 12 + 0.01);
            ++expected;
        }
    EXPECT_EQ(expected, 151);
}

TEST_F(EngineTest, TextsKeepInsideTheirBoxesAndSayWhenTheyWereCut)
{
    ReportElement &box = title->addMemo(
        QStringLiteral("box"), 0, 8, 50, 10,
        {QStringLiteral("eins"), QStringLiteral("zwei"), QStringLiteral("drei"), QStringLiteral("vier")});
    box.font = ReportFonts::font(QStringLiteral("Arial"), 8);
    box.fit = ReportElement::Fit::Cut;
    // An explicit size wins over the text's width.
    title
        ->addLabel(QStringLiteral("lang"), 60, 8,
                   QStringLiteral("Ein Text, der auch auf sechzig Prozent nie in zwanzig Millimeter passt"))
        .size(20);
    rows.rows = {QVariantMap{{QStringLiteral("name"), QStringLiteral("x")},
                             {QStringLiteral("betrag"), 123454999876.55}}};
    detail->addDataText(QStringLiteral("b"), 0, 0, QStringLiteral("betrag"))
        .size(22.5)
        .aligned(Qt::AlignRight)
        .toBand(ReportElement::BandAlign::Right)
        .withFont(ReportFonts::font(QStringLiteral("Times New Roman"), 9))
        .mask = QStringLiteral("#,##0.00 €");
    // Control characters go; what no font has prints as the replacement character.
    title->addLabel(QStringLiteral("zeichen"), 0, 14, QStringLiteral("Tab\tGlocke\a 😀 中"));
    build();

    EXPECT_TRUE(find(*pages, 1, QStringLiteral("eins")));
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("drei…"))) << "the last line shown says it was cut";
    EXPECT_FALSE(find(*pages, 1, QStringLiteral("vier"))) << "four lines of 8 point do not fit 10 mm";
    EXPECT_NEAR(yOf(1, QStringLiteral("Spalte")), 15 + 20, 0.01) << "the band did not grow";

    QImage reference(1, 1, QImage::Format_RGB32);
    reference.setDotsPerMeterX(qRound(600 / 0.0254));
    const auto widthMm = [&](const PageItem &it) {
        return QFontMetricsF(it.font, &reference).horizontalAdvance(it.text) * 25.4 / 600;
    };
    const PageItem *amount = find(*pages, 1, QStringLiteral("123.454.999.876,55 €"));
    ASSERT_TRUE(amount) << "an amount is never shortened";
    EXPECT_NEAR(amount->rect.right(), 190, 0.01);
    EXPECT_NEAR(amount->rect.width(), 22.5, 0.01);
    EXPECT_LT(amount->font.pointSizeF(), 9) << "set smaller to fit";
    EXPECT_LE(widthMm(*amount), 22.5);

    const auto lang =
        std::find_if(pages->page(1).items.begin(), pages->page(1).items.end(),
                     [](const PageItem &it) { return it.text.startsWith(QLatin1String("Ein Text")); });
    ASSERT_NE(lang, pages->page(1).items.end());
    EXPECT_NEAR(lang->rect.width(), 20, 0.01);
    EXPECT_TRUE(lang->text.endsWith(QChar(0x2026))) << lang->text.toStdString();
    EXPECT_NEAR(lang->font.pointSizeF(), 12 * 0.6, 0.01);
    EXPECT_LE(widthMm(*lang), 20);

    EXPECT_TRUE(find(*pages, 1, QStringLiteral("Tab Glocke 😀 ") + QChar(QChar::ReplacementCharacter)));
    EXPECT_EQ(pages->cutElements(), (QStringList{QStringLiteral("box"), QStringLiteral("lang")}));
}

TEST_F(EngineTest, AGrowingPageHeaderPushesItsNumberAndTheRowsDownAndNothingReachesTheFooter)
{
    // Eight lines of sender above the page number and the rule.
    QStringList sender;
    for (int i = 1; i <= 8; ++i)
        sender << QStringLiteral("Absender %1").arg(i);
    header->addMemo(QStringLiteral("absender"), 120, 1, 30, 0, sender).fit = ReportElement::Fit::Grow;
    header->element(QStringLiteral("nr"))->top = 8;
    header->addLine(QStringLiteral("strich"), 0, 14, 170);
    // A row as tall as the body of a further page by the header's design, but
    // taller than what the grown header leaves: it must be broken, not run
    // into the footer.
    rows.rows.clear();
    for (int i = 1; i <= 30; ++i) {
        QStringList text{rowText(i)};
        for (int l = 1; l < (i == 20 ? 45 : 3); ++l)
            text << QStringLiteral("%1.%2").arg(i).arg(l);
        rows.rows << QVariantMap{{QStringLiteral("name"), QString()},
                                 {QStringLiteral("text"), text.join(QLatin1Char('\n'))}};
    }
    detail->addDataText(QStringLiteral("lang"), 30, 0, QStringLiteral("text")).size(90).fit =
        ReportElement::Fit::Grow;
    build();

    ASSERT_GE(pages->pagesAvailable(), 3);
    const qreal footerTop = 297 - 10 - 12;
    for (int p = 2; p <= pages->pagesAvailable(); ++p) {
        const Page &page = pages->page(p);
        const PageItem *number = find(*pages, p, QStringLiteral("Seite: %1").arg(p));
        const PageItem *last = find(*pages, p, QStringLiteral("Absender 8"));
        const auto rule = std::find_if(page.items.begin(), page.items.end(),
                                       [](const PageItem &it) { return it.kind == PageItem::Kind::Line; });
        ASSERT_TRUE(number && last && rule != page.items.end());
        EXPECT_GE(number->rect.top(), last->rect.bottom() - 0.01) << "page " << p;
        EXPECT_GE(rule->rect.top(), number->rect.bottom() - 0.01);
        for (const PageItem &it : page.items) {
            if (it.rect.top() < rule->rect.top() || it.text.startsWith(QStringLiteral("Fuß"))) continue;
            EXPECT_LE(it.rect.bottom(), footerTop + 0.01) << it.text.toStdString() << " on page " << p;
        }
    }
    for (int l = 1; l < 45; ++l)
        EXPECT_EQ(countOf(*pages, QStringLiteral("20.%1").arg(l)), 1) << l;
}

TEST_F(EngineTest, SubDetailTitlesRepeatOnEveryPageAndStayWithTheFirstRow)
{
    // One master row; its positions in a sub-detail with column titles.
    rows.rows = {QVariantMap{{QStringLiteral("name"), QStringLiteral("Kopf")}}};
    ListRows positions;
    for (int i = 1; i <= 80; ++i)
        positions.rows << QVariantMap{{QStringLiteral("name"), rowText(i)}};
    ReportBand *titles = report.addBand(ReportBand::Kind::GroupHeader, QStringLiteral("titel2"), 6);
    titles->addLabel(QStringLiteral("pos"), 0, 0, QStringLiteral("Pos"));
    int titleHooks = 0;
    titles->beforePrint = [&](ReportBand &, bool &) { ++titleHooks; };
    ReportBand *sub = report.addSubDetail(QStringLiteral("positionen"), 6, &positions, titles);
    sub->addDataText(QStringLiteral("pname"), 10, 0, QStringLiteral("name"));
    // The title band fills page 1 almost to the end: the column titles would
    // stand alone at its foot.
    title->height = 297 - 15 - 10 - 12 - 6 - 6 - 3;
    build();
    ASSERT_GE(pages->pagesAvailable(), 3);
    EXPECT_FALSE(find(*pages, 1, QStringLiteral("Pos"))) << "column titles left alone at the foot of page 1";
    for (int p = 2; p <= pages->pagesAvailable(); ++p) {
        const bool rowsOnPage = [&] {
            for (const PageItem &it : pages->page(p).items)
                if (it.text.startsWith(QLatin1String("Zeile"))) return true;
            return false;
        }();
        if (!rowsOnPage) continue;
        ASSERT_TRUE(find(*pages, p, QStringLiteral("Pos"))) << "page " << p;
        if (p == 2) {
            EXPECT_LT(yOf(p, QStringLiteral("Pos")), yOf(p, rowText(1)));
        }
    }
    EXPECT_EQ(titleHooks, pages->pagesAvailable() - 1);
    for (int i = 1; i <= 80; ++i)
        EXPECT_EQ(countOf(*pages, rowText(i)), 1);

    // Without positions the titles still print once.
    positions.rows.clear();
    title->height = 20;
    build();
    EXPECT_EQ(pages->pagesAvailable(), 1);
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("Pos")));
}

TEST_F(EngineTest, FooterCanBeLeftOffTheLastPage)
{
    footer->printOnLastPage = false;
    header->printOnFirstPage = true;
    build();
    ASSERT_EQ(pages->pagesAvailable(), 1);
    EXPECT_FALSE(find(*pages, 1, QStringLiteral("Fuß 1")));
    EXPECT_NEAR(yOf(1, QStringLiteral("Seite: 1")), 17, 0.01);
    EXPECT_NEAR(yOf(1, QStringLiteral("Titel")), 30, 0.01);
}

TEST_F(EngineTest, BeforePrintRunsAtEveryBuild)
{
    int runs = 0;
    report.beforePrint = [&](Report &r) {
        ++runs;
        r.element(QStringLiteral("t"))->text = QStringLiteral("Lauf %1").arg(runs);
    };
    build();
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("Lauf 1")));
    build();
    EXPECT_TRUE(find(*pages, 1, QStringLiteral("Lauf 2")));
}
