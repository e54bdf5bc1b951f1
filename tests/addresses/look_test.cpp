// SPDX-License-Identifier: GPL-3.0-or-later
// How the address window looks: tool buttons with pictures that say what they
// do (the bundled ones where the desktop has no icon theme), whole dates in
// the lists, long names from their beginning, and area codes of the firm's
// own region.
#include "addressfixture.h"

#include "platform/appicons.h"

#include <QFile>
#include <QHeaderView>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

namespace {

class Look : public AddressFixture
{
  protected:
    void SetUp() override
    {
        demo = true;
        AddressFixture::SetUp();
    }
    // The start of the text is in view (the box finds its view as it is drawn).
    static bool showsBeginning(QLineEdit *edit)
    {
        edit->grab();
        return edit->cursorPositionAt(QPoint(4, edit->height() / 2)) == 0;
    }
    // The whole text is in view: with the cursor at its end it still starts at the left.
    static bool showsWhole(QLineEdit *edit)
    {
        edit->setCursorPosition(edit->text().size());
        const bool whole = showsBeginning(edit);
        edit->setCursorPosition(0);
        return whole;
    }
    // Every text of a grid column, and its title, fits the column.
    static void expectColumnFits(DBGrid *grid, const QString &field)
    {
        int column = -1;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            if (grid->fieldNameAt(c).compare(field, Qt::CaseInsensitive) == 0) column = c;
        ASSERT_GE(column, 0) << field.toStdString();
        const int margin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
        const int width = grid->columnWidth(column);
        const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_LE(grid->horizontalHeader()->fontMetrics().horizontalAdvance(title) + 8, width)
            << title.toStdString();
        int dates = 0;
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            const QString text = grid->model()->index(row, column).data().toString();
            if (text.isEmpty()) continue;
            EXPECT_TRUE(
                QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}$")).match(text).hasMatch())
                << text.toStdString();
            EXPECT_LE(grid->fontMetrics().horizontalAdvance(text) + margin, width)
                << field.toStdString() << " " << text.toStdString();
            ++dates;
        }
        EXPECT_GT(dates, 0) << field.toStdString();
    }
};

TEST_F(Look, ToolButtonsShowWhatTheyDo)
{
    openWindow();
    const QList<std::pair<QToolButton *, const char *>> buttons = {
        {window->ToolButton5, "sort"},
        {window->Vorgangliste, "document-list"},
        {window->ToolButton3, "document-new"},
        {window->btExport, "address-clipboard"},
        {window->ToolButton4, "mailmerge-clear"},
        {window->eingabe, "edit"},
        {window->adrins, "address-new"},
        {window->adrdel, "address-delete"},
        {window->SpeedButton1, "pick-list"},
        {window->SpeedButton3, "web-page"},
        {window->SpeedButton2, "e-mail"},
    };
    QList<QImage> pictures;
    for (const auto &[button, name] : buttons) {
        const QImage shown = button->icon().pixmap(24, 24).toImage();
        ASSERT_FALSE(shown.isNull()) << name;
        // Without an icon theme, as here, the bundled picture is what shows.
        if (QIcon::themeName().isEmpty() || !QIcon::hasThemeIcon(button->icon().name())) {
            EXPECT_EQ(shown, AppIcons::bundled(QString::fromLatin1(name)).pixmap(24, 24).toImage()) << name;
        }
        for (const QImage &other : pictures)
            EXPECT_NE(shown, other) << name << " looks like another button";
        pictures << shown;
        EXPECT_FALSE(button->toolTip().isEmpty()) << name;
    }
}

TEST_F(Look, ListsAndBoxesShowWholeDates)
{
    openWindow();
    window->PControl->setCurrentWidget(window->TabSheet4);
    for (const char *field : {"KONTAKT", "ANGELEGT", "GEAENDERT"})
        expectColumnFits(window->DBGrid1, QString::fromLatin1(field));
    window->PControl->setCurrentWidget(window->TabSheet2);
    for (adress().First(); !adress().Eof() && window->Notizen->IsEmpty();)
        adress().Next();
    expectColumnFits(window->DBGrid3, QStringLiteral("Datum"));

    window->PControl->setCurrentWidget(window->SAdr);
    for (adress().First(); !adress().Eof() && window->eKontakt->text().isEmpty();)
        adress().Next();
    ASSERT_EQ(window->eKontakt->text().size(), 10);
    EXPECT_TRUE(showsWhole(window->eKontakt));
}

TEST_F(Look, ALongNameShowsItsBeginning)
{
    const QString name = QStringLiteral("Sanitär- und Heizungsbau Großhandelsgesellschaft Nordhessen");
    db->exec(QStringLiteral("update Adress set NAME1 = '%1' where KDNR = 4").arg(name));
    openWindow();
    window->resize(900, 700); // a small screen: the name does not fit its box
    adress().First();
    const int minimumWithShortName = window->minimumSizeHint().width();
    ASSERT_TRUE(adress().Locate(QStringLiteral("KDNR"), Value(4), 0));
    ASSERT_EQ(window->EditNAME->text(), name);
    ASSERT_FALSE(showsWhole(window->EditNAME)) << "the name is meant to be longer than its box";
    adress().First();
    adress().Locate(QStringLiteral("KDNR"), Value(4), 0);
    EXPECT_TRUE(showsBeginning(window->EditNAME));
    window->eingabeClick();
    EXPECT_TRUE(showsBeginning(window->EditNAME)) << "with editing on as well";
    // In the list: the end is cut, not the beginning.
    EXPECT_EQ(window->DBGrid1->textElideMode(), Qt::ElideRight);
    EXPECT_LE(window->minimumSizeHint().width(), std::max(minimumWithShortName, 900))
        << "the top strip does not grow with the name";
}

TEST_F(Look, AreaCodesFitTheFirmsRegion)
{
    openWindow();
    const QStringList codes = window->cVorwahl->items();
    ASSERT_EQ(codes.size(), 5);
    // The sample firm's own number on its letterhead, and the codes its customers have.
    QFile sender(QStringLiteral(TAVIREL_SOURCE_DIR "/resources/beispielfirma/vorgang1.txt"));
    ASSERT_TRUE(sender.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch own =
        QRegularExpression(QStringLiteral("Tel\\. (0\\d+)")).match(QString::fromUtf8(sender.readAll()));
    ASSERT_TRUE(own.hasMatch());
    EXPECT_EQ(codes.first(), own.captured(1));
    for (const QString &code : codes)
        EXPECT_GT(count(QStringLiteral("select count(*) from Adress where VORWAHL = '%1'").arg(code)), 0)
            << code.toStdString();
}

} // namespace
