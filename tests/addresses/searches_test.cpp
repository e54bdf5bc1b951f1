// SPDX-License-Identifier: GPL-3.0-or-later
// Finding addresses: the name search and the customer-number search on every
// keystroke, the sort menu and the letter tabs.
#include "addressfixture.h"

#include "addresses/lettertabs.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>

namespace {

class Searches : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        address(1001, QStringLiteral("Adler"), QStringLiteral("Zora"), QStringLiteral("Ulm"));
        address(1002, QStringLiteral("bauer"), QStringLiteral("Anna"), QStringLiteral("Kassel"));
        address(1003, QStringLiteral("Becker"), QStringLiteral("Max"), QStringLiteral("Berlin"));
        address(1004, QStringLiteral("Müller"), QStringLiteral("Karl"), QStringLiteral("Aachen"));
        address(2000, QStringLiteral("Zander"), QStringLiteral("Bert"), QStringLiteral("Mainz"));
        openWindow();
    }
    void typeInto(QLineEdit *box, const QString &text)
    {
        box->setFocus();
        for (const QChar c : text)
            QTest::keyClick(box, c.toLatin1());
    }
};

TEST_F(Searches, NameSearchMovesOnEveryKeystrokeWhateverTheCase)
{
    EXPECT_EQ(current("NAME1"), QStringLiteral("Adler")) << "sorted by name from the start";
    typeInto(window->fastfind, QStringLiteral("B"));
    EXPECT_EQ(current("NAME1"), QStringLiteral("bauer"));
    typeInto(window->fastfind, QStringLiteral("e"));
    EXPECT_EQ(current("NAME1"), QStringLiteral("Becker"));
    typeInto(window->fastfind, QStringLiteral("x"));
    EXPECT_EQ(current("NAME1"), QStringLiteral("Becker")) << "no match keeps the position";
    window->fastfind->clear();
    EXPECT_EQ(current("NAME1"), QStringLiteral("Adler")) << "an empty box matches the first address";
    window->fastfind->setText(QStringLiteral("MÜ"));
    EXPECT_EQ(current("NAME1"), QStringLiteral("Müller"));
    EXPECT_TRUE(dialogs->interactions().isEmpty()) << messages().toStdString();
}

// Every number is found as it is typed, however short; a miss is said when
// Enter asks for it, not at every key.
TEST_F(Searches, CustomerNumberSearchFindsAnyNumberAndReportsAMissOnEnter)
{
    db->exec(QStringLiteral("update Adress set KDNR = 3, ID = 3 where KDNR = 1003"));
    adress().Refresh();
    typeInto(window->kdsuch, QStringLiteral("3"));
    EXPECT_EQ(currentKdnr(), 3);
    window->kdsuch->clear();
    typeInto(window->kdsuch, QStringLiteral("100"));
    EXPECT_EQ(currentKdnr(), 3) << "no address 1, 10 or 100: the position stays";
    typeInto(window->kdsuch, QStringLiteral("4"));
    EXPECT_EQ(currentKdnr(), 1004);
    EXPECT_EQ(adress().RecordCount(), 5) << "the filter text is not switched on";
    EXPECT_TRUE(dialogs->interactions().isEmpty());

    typeInto(window->kdsuch, QStringLiteral("17"));
    EXPECT_TRUE(dialogs->interactions().isEmpty()) << "no box at every key";
    dialogs->answerMessage(Dialogs::Ok);
    QTest::keyClick(window->kdsuch, Qt::Key_Return);
    EXPECT_EQ(
        dialogs->messages(),
        QStringList({QStringLiteral("Tavirelsverwaltung|Kdnr 100417 konnte nicht lokalisiert werden")}));
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Information);
    EXPECT_EQ(currentKdnr(), 1004) << "a miss keeps the position";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Searches, TextThatIsNoWholeNumberIsNotFoundAndNeverBecomesACondition)
{
    window->kdsuch->setText(QStringLiteral("2000"));
    ASSERT_EQ(currentKdnr(), 2000);
    for (const QString &typed :
         {QStringLiteral("1 or 1=1"), QStringLiteral("12a4"), QStringLiteral("1001)"),
          QStringLiteral("kdnr>0"), QStringLiteral("1e10"), QStringLiteral("99999999999999999999")}) {
        dialogs->clear();
        dialogs->answerMessage(Dialogs::Ok);
        window->kdsuch->setText(typed);
        QTest::keyClick(window->kdsuch, Qt::Key_Return);
        EXPECT_EQ(
            dialogs->messages(),
            QStringList(
                QStringLiteral("Tavirelsverwaltung|Kdnr %1 konnte nicht lokalisiert werden").arg(typed)))
            << typed.toStdString();
        EXPECT_EQ(currentKdnr(), 2000) << typed.toStdString();
        EXPECT_FALSE(adress().Filter().contains(QLatin1String("or"))) << adress().Filter().toStdString();
    }
    EXPECT_EQ(adress().RecordCount(), 5);
    dialogs->clear();
    window->kdsuch->setText(QStringLiteral(" 1003 "));
    EXPECT_EQ(currentKdnr(), 1003) << "blanks around a number do not matter";
}

TEST_F(Searches, EnteringTheNumberBoxSelectsItsText)
{
    window->kdsuch->setText(QStringLiteral("1002"));
    window->fastfind->setFocus();
    window->kdsuch->deselect();
    QTest::mouseClick(window->kdsuch, Qt::LeftButton);
    EXPECT_EQ(window->kdsuch->selectedText(), QStringLiteral("1002"));
    QTest::keyClick(window->kdsuch, '2');
    QTest::keyClick(window->kdsuch, '0');
    QTest::keyClick(window->kdsuch, '0');
    QTest::keyClick(window->kdsuch, '0');
    EXPECT_EQ(window->kdsuch->text(), QStringLiteral("2000")) << "the next key replaces the text";
    EXPECT_EQ(currentKdnr(), 2000);
}

TEST_F(Searches, SortMenuOrdersMarksOneChoiceAndMovesToTheFirst)
{
    EXPECT_TRUE(window->Nachname1->isChecked());
    adress().Last();
    window->Ort1->trigger();
    EXPECT_TRUE(window->Ort1->isChecked());
    EXPECT_FALSE(window->Nachname1->isChecked());
    EXPECT_EQ(current("ORT"), QStringLiteral("Aachen"));
    QStringList cities;
    for (adress().First(); !adress().Eof(); adress().Next())
        cities << current("ORT");
    EXPECT_EQ(cities,
              QStringList({QStringLiteral("Aachen"), QStringLiteral("Berlin"), QStringLiteral("Kassel"),
                           QStringLiteral("Mainz"), QStringLiteral("Ulm")}));
    window->Vorname1->trigger();
    EXPECT_EQ(current("VORNAME"), QStringLiteral("Anna"));
    EXPECT_FALSE(window->Ort1->isChecked());
}

TEST_F(Searches, LetterTabsSeekInTheCurrentOrder)
{
    EXPECT_EQ(window->control->count(), 26);
    EXPECT_EQ(window->control->currentIndex(), 0);
    window->control->tab('M' - 'A')->click();
    EXPECT_EQ(current("NAME1"), QStringLiteral("Müller"));
    window->control->tab('C' - 'A')->click();
    EXPECT_EQ(current("NAME1"), QStringLiteral("Müller")) << "C comes before Müller";

    window->Ort1->trigger();
    window->control->tab('K' - 'A')->click();
    EXPECT_EQ(current("ORT"), QStringLiteral("Kassel"));
    window->control->tab('L' - 'A')->click();
    EXPECT_EQ(current("ORT"), QStringLiteral("Mainz")) << "no city with L: the next one after it";
    window->control->tab('V' - 'A')->click();
    EXPECT_EQ(current("ORT"), QStringLiteral("Mainz")) << "nothing at or after V: the position stays";
    EXPECT_EQ(window->control->currentIndex(), 'V' - 'A');
    EXPECT_TRUE(dialogs->interactions().isEmpty());
}

} // namespace
