// SPDX-License-Identifier: GPL-3.0-or-later
// The currency buttons of the article window: their questions, the flag that
// guards the euro conversion, the progress bar and the suspended display
// while a run goes over the catalogue, and a failed run that leaves the
// catalogue whole.
#include "articlefixture.h"

#include <QProgressBar>

namespace {

class Changeover : public ArticleFixture
{
  protected:
    struct Seen
    {
        bool barShown;
        bool displaySuspended;
        int position;
    };
    // Records, at every step of the bar, what the window shows meanwhile.
    void watchProgress()
    {
        QObject::connect(window->Progress, &QProgressBar::valueChanged, window, [this](int value) {
            seen.push_back({window->Progress->isVisible(), artikel().ControlsDisabled(), value});
        });
    }
    bool flag() { return IniFile(iniPath()).readBool(QStringLiteral("Euro"), QStringLiteral("Artikel")); }
    QString gridText(int row, int column)
    {
        return window->DBGrid2->model()->index(row, column).data().toString();
    }

    std::vector<Seen> seen;
};

TEST_F(Changeover, EuroRunAsksConvertsEveryArticleWithTheDisplaySuspendedAndSetsTheFlag)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 195.583);
    article(QStringLiteral("A2"), QStringLiteral("Mutter"), 19.5583, 39.1166, QStringLiteral("€"));
    openWindow();
    watchProgress();
    ASSERT_TRUE(window->eurbt->isVisibleTo(window));

    dialogs->answerMessage(Dialogs::Yes);
    window->eurbt->click();
    ASSERT_EQ(dialogs->interactions().size(), 1);
    const auto &question = dialogs->interactions().first();
    EXPECT_EQ(question.text, QStringLiteral("Alle Artikel werden jetzt von DM in EURO umgerechnet!"));
    EXPECT_EQ(question.icon, Dialogs::Warning);
    EXPECT_EQ(question.buttons, Dialogs::Yes | Dialogs::No);

    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(seen.back().barShown);
    EXPECT_TRUE(seen.back().displaySuspended);
    EXPECT_EQ(seen.back().position, 2) << "the bar ends full";
    EXPECT_EQ(window->Progress->maximum(), 2);
    EXPECT_TRUE(window->Progress->isHidden());
    EXPECT_FALSE(artikel().ControlsDisabled());

    // An article already in euro is divided as well.
    EXPECT_EQ(storedText(QStringLiteral("A2"), "Waehrung"), QStringLiteral("€"));
    EXPECT_NEAR(stored(QStringLiteral("A2"), "EK"), 10, 1e-12);
    EXPECT_TRUE(flag());
    // The list shows the new prices at once, through the display format.
    EXPECT_EQ(gridText(0, 2), QStringLiteral("100,00"));
    EXPECT_EQ(gridText(0, 3), QStringLiteral("51,13"));
    EXPECT_EQ(gridText(0, 4), QStringLiteral("€"));
    EXPECT_EQ(window->EditEK->text(), QStringLiteral("51,13")) << "the current article stays current";

    // The button stays, but the flag guards a second run.
    dialogs->answerMessage(Dialogs::Ok);
    window->eurbt->click();
    EXPECT_EQ(dialogs->messages().last(),
              QStringLiteral("Euroumrechnung|Artikel sind schon in Euro umgerechnet worden!"));
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::NoIcon);
    EXPECT_NEAR(stored(QStringLiteral("A1"), "VK"), 100, 1e-12);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Changeover, ARunThatFailsOnOneArticleConvertsNoneAndGivesTheDisplayBack)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 195.583);
    article(QStringLiteral("A2"), QStringLiteral("Mutter"), 10, 20);
    article(QStringLiteral("A3"), QStringLiteral("Dübel"), 5, 8);
    openWindow();
    // A change the user left pending is saved before the run and outlives it.
    artikel().Edit();
    field("Notizen")->SetAsString(QStringLiteral("geprüft"));

    // Failing in the middle, and on the first article, before anything is written.
    for (const QString &nr : {QStringLiteral("A2"), QStringLiteral("A1")}) {
        SCOPED_TRACE(nr.toStdString());
        db->exec(QStringLiteral("drop trigger if exists gesperrt"));
        db->exec(QStringLiteral("create trigger gesperrt before update on Artikel when new.\"Art-Nr\" = '%1' "
                                "begin select raise(abort, 'Artikel %1 ist gesperrt'); end")
                     .arg(nr));
        dialogs->clear();
        dialogs->answerMessage(Dialogs::Yes).answerMessage(Dialogs::Ok);
        window->eurbt->click();
        const QString error = dialogs->messages().last();
        EXPECT_TRUE(error.startsWith(QStringLiteral("Tavirelsverwaltung|"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("Artikel %1 ist gesperrt").arg(nr))) << error.toStdString();
        EXPECT_TRUE(error.endsWith(QStringLiteral("kein Artikel wurde umgerechnet."))) << error.toStdString();

        EXPECT_TRUE(window->Progress->isHidden());
        EXPECT_FALSE(artikel().ControlsDisabled());
        EXPECT_EQ(artikel().State(), DataSetState::Browse) << "nothing of the run stays pending";
        EXPECT_EQ(db->scalar(QStringLiteral("select count(*) from Artikel where Waehrung = 'DM'")).rawInt(),
                  3);
        EXPECT_EQ(storedText(QStringLiteral("A1"), "Notizen"), QStringLiteral("geprüft"));
        EXPECT_FALSE(QFile::exists(iniPath())) << "no flag for a run that did not happen";
        // The window shows what is stored, and a move afterwards saves nothing.
        EXPECT_EQ(gridText(0, 3), QStringLiteral("100,00"));
        EXPECT_EQ(gridText(0, 4), QStringLiteral("DM"));
        artikel().First();
        artikel().Next();
        EXPECT_NEAR(stored(QStringLiteral("A1"), "EK"), 100, 1e-12);
        EXPECT_TRUE(dialogs->allAnswered());
    }
}

TEST_F(Changeover, DmLabellingChangesOnlyTheLabels)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 51.13, 100, QString());
    article(QStringLiteral("A2"), QStringLiteral("Mutter"), 5, 10, QStringLiteral("€"));
    IniFile(iniPath()).writeBool(QStringLiteral("Euro"), QStringLiteral("Artikel"), true);
    openWindow();
    watchProgress();
    ASSERT_TRUE(window->dmbt->isVisibleTo(window)) << "the current article has no currency";

    dialogs->answerMessage(Dialogs::Yes);
    window->dmbt->click();
    EXPECT_EQ(dialogs->messages(),
              QStringList(QStringLiteral("Tavirelsverwaltung|Alle Artikel werden jetzt auf DM gesetzt!")));
    EXPECT_EQ(dialogs->interactions().first().icon, Dialogs::Warning);
    EXPECT_EQ(db->scalar(QStringLiteral("select group_concat(Waehrung || ' ' || EK || ' ' || VK || ' ' || "
                                        "Preisdatum, '; ') from Artikel"))
                  .rawText(),
              QStringLiteral("DM 51.13 100.0 2005-03-15; DM 5.0 10.0 2005-03-15"));
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(seen.back().barShown && seen.back().displaySuspended);
    EXPECT_EQ(seen.back().position, 2);
    EXPECT_TRUE(window->Progress->isHidden());
    EXPECT_TRUE(flag());
}

} // namespace
