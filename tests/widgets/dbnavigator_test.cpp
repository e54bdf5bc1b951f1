// SPDX-License-Identifier: GPL-3.0-or-later
// The navigator: which buttons a window gets, their German hints, their
// enabling by the dataset's state, and what a click does or leaves to the window.
#include "widgetfixture.h"

#include "widgets/dbedit.h"
#include "widgets/dbnavigator.h"

#include <QToolButton>

namespace {

using B = DBNavigator;

class NavigatorTest : public WidgetFixture
{
  protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        addArticles({QStringLiteral("Eins"), QStringLiteral("Zwei"), QStringLiteral("Drei")});
        t = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        nav = add(new DBNavigator);
        nav->setDataSource(sourceOf(t));
        show();
    }
    // The enabled buttons, as a string of their initials in button order.
    QString enabled()
    {
        static const std::pair<B::Button, char> all[] = {
            {B::First, 'F'},  {B::Prior, 'P'}, {B::Next, 'N'},   {B::Last, 'L'},   {B::Insert, 'I'},
            {B::Delete, 'D'}, {B::Post, 'S'},  {B::Cancel, 'C'}, {B::Refresh, 'R'}};
        QString out;
        for (const auto &[button, initial] : all)
            if (nav->button(button)->isEnabled()) out += QLatin1Char(initial);
        return out;
    }
    void press(B::Button which) { QTest::mouseClick(nav->button(which), Qt::LeftButton); }

    TVexDaoTable *t = nullptr;
    DBNavigator *nav = nullptr;
};

TEST_F(NavigatorTest, ButtonsFollowTheDatasetsState)
{
    EXPECT_EQ(enabled(), QString()) << "closed";
    t->Open();
    EXPECT_EQ(enabled(), QStringLiteral("NLIDR")) << "on the first row";
    press(B::Next);
    EXPECT_EQ(t->RecNo(), 1);
    EXPECT_EQ(enabled(), QStringLiteral("FPNLIDR"));
    press(B::Last);
    EXPECT_EQ(enabled(), QStringLiteral("FPIDR")) << "at the end";
    press(B::Prior);
    EXPECT_EQ(t->RecNo(), 1);
    press(B::First);
    EXPECT_EQ(t->RecNo(), 0);

    t->Edit();
    EXPECT_EQ(enabled(), QStringLiteral("NLIDSCR")) << "editing";
    press(B::Cancel);
    EXPECT_EQ(t->State(), DataSetState::Browse);
    press(B::Insert);
    EXPECT_EQ(t->State(), DataSetState::Insert);
    EXPECT_TRUE(nav->button(B::Post)->isEnabled());
    press(B::Cancel);
    EXPECT_EQ(t->RecordCount(), 3);

    db->exec(QStringLiteral("delete from Artikel"));
    press(B::Refresh);
    EXPECT_EQ(enabled(), QStringLiteral("IR")) << "empty";
    t->Close();
    EXPECT_EQ(enabled(), QString());
}

TEST_F(NavigatorTest, PostWritesTheTextOfTheFocusedControlAndShowsItsError)
{
    t->Open();
    auto *price = add(new DBEdit);
    price->setDataSource(nav->dataSource());
    price->setDataField(QStringLiteral("VK"));
    focusOn(price);
    price->selectAll();
    type(price, QStringLiteral("7,5"));
    press(B::Post);
    EXPECT_TRUE(price->hasFocus()) << "the buttons do not take the focus";
    EXPECT_EQ(db->scalar(QStringLiteral("select VK from Artikel where [Art-Nr] = 'A1'")).rawDouble(), 7.5);

    price->selectAll();
    type(price, QStringLiteral("sieben"));
    dialogs->answerMessage(Dialogs::Ok);
    press(B::Post);
    EXPECT_EQ(messages(),
              QStringLiteral("Tavirelsverwaltung|'sieben' ist kein gültiger Fließkommawert für Feld 'VK'"));
    EXPECT_EQ(t->State(), DataSetState::Edit);
    EXPECT_TRUE(nav->button(B::Cancel)->isEnabled());
    press(B::Cancel);
    EXPECT_EQ(price->text(), QStringLiteral("7,5"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(NavigatorTest, DeleteAsksNothingAndTheWindowDecides)
{
    t->Open();
    QList<B::Button> asked;
    bool allow = false;
    nav->BeforeAction = [&](B::Button which) {
        asked << which;
        return which != B::Delete || allow;
    };
    press(B::Delete);
    EXPECT_EQ(t->RecordCount(), 3);
    allow = true;
    press(B::Delete);
    EXPECT_EQ(t->RecordCount(), 2);
    EXPECT_EQ(count(QStringLiteral("Artikel")), 2);
    EXPECT_EQ(asked, (QList<B::Button>{B::Delete, B::Delete}));
    EXPECT_TRUE(dialogs->interactions().isEmpty());
}

TEST_F(NavigatorTest, WindowChoosesTheButtonsWhichCarryGermanHintsAndIcons)
{
    QStringList hints;
    for (B::Button b :
         {B::First, B::Prior, B::Next, B::Last, B::Insert, B::Delete, B::Post, B::Cancel, B::Refresh})
        hints << nav->button(b)->toolTip();
    EXPECT_EQ(hints.join(QLatin1Char('|')),
              QStringLiteral("Erster Datensatz|Vorheriger Datensatz|Nächster Datensatz|Letzter Datensatz|"
                             "Datensatz einfügen|Datensatz löschen|Änderungen speichern|Änderungen verwerfen|"
                             "Daten aktualisieren"));
    EXPECT_FALSE(nav->button(B::Delete)->icon().isNull());

    auto *moves = add(new DBNavigator(nullptr, B::First | B::Prior | B::Next | B::Last));
    EXPECT_TRUE(moves->button(B::Next)->isVisible());
    EXPECT_FALSE(moves->button(B::Insert)->isVisible());
    moves->setVisibleButtons(B::Post | B::Cancel);
    EXPECT_FALSE(moves->button(B::Next)->isVisible());
    EXPECT_TRUE(moves->button(B::Post)->isVisible());
    EXPECT_EQ(moves->visibleButtons(), B::Post | B::Cancel);
}

} // namespace
