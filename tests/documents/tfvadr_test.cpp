// SPDX-License-Identifier: GPL-3.0-or-later
// The address chooser: which addresses it lists for which type, the block it
// writes into the document to the character, the letter tabs and the search,
// and its lifetime.
#include "dialogfixture.h"
#include "tests/shellstandin.h"

#include "documents/tfvadr.h"
#include "widgets/dbgrid.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbmemo.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>

namespace {

const QString kCustomers = QStringLiteral("kunde = true");
const QString kSuppliers = QStringLiteral("lieferant = true");

class AddressChooser : public DialogFixture
{
  protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        address(1001, QStringLiteral("Muster"), QStringLiteral("Eva"), QStringLiteral("Am Markt 1"),
                QStringLiteral("12345"), QStringLiteral("Beispielstadt"));
        address(1002, QStringLiteral("Mueller GmbH"), QString(), QStringLiteral("Hauptstr. 5"),
                QStringLiteral("54321"), QStringLiteral("Nordheim"), true, false,
                QStringLiteral("  z. Hd. Herrn Berg  "));
        address(1003, QStringLiteral("Albers"), QStringLiteral("Tom"), QStringLiteral("Weg 2"), QString(),
                QStringLiteral("Irgendwo"));
        address(1004, QStringLiteral("Lieferwerk AG"), QString(), QStringLiteral("Industriestr. 9"),
                QStringLiteral("11111"), QStringLiteral("Werkstadt"), false, true);
        address(1005, QStringLiteral("mundt"), QStringLiteral("Ida"), QStringLiteral("Gasse 3"),
                QStringLiteral("22222"), QStringLiteral("Kleinort"), true, true);
        openModules();
        chooser = new TFVadr;
        FVadrRef() = chooser;
        chooser->resize(1000, 600);
    }
    void TearDown() override
    {
        delete chooser.data();
        DialogFixture::TearDown();
    }

    QStringList listed()
    {
        QStringList names;
        TVexDaoTable &adr = *chooser->adr;
        const int keep = adr.RecNo();
        for (adr.First(); !adr.Eof(); adr.Next())
            names << adr.FieldByName(QStringLiteral("name1"))->AsString();
        if (keep >= 0) adr.MoveTo(keep);
        return names;
    }
    QString current() { return chooser->adr->FieldByName(QStringLiteral("name1"))->AsString(); }
    void locate(const QString &name1)
    {
        ASSERT_TRUE(chooser->adr->Locate(QStringLiteral("name1"), Value(name1), 0)) << name1.toStdString();
    }
    // Chooses a type in the type list as the user does.
    void chooseType(const QString &name)
    {
        const int i = chooser->vorgangbox->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        chooser->vorgangbox->setCurrentIndex(i);
        Q_EMIT chooser->vorgangbox->activated(i);
    }

    QPointer<TFVadr> chooser;
};

TEST_F(AddressChooser, TheTypeChoosesSuppliersOrCustomersAndTheCaption)
{
    newDocument(QStringLiteral("R"));
    chooser->typpanel->show();
    chooser->OpenAddressList(kCustomers);
    EXPECT_EQ(
        chooser->adr->SQL(),
        QStringList({QStringLiteral("select id,Kdnr,name1,Strasse,Vorname,Namen,PLZ,Ort,typ from adress"),
                     QStringLiteral("where kunde = true"), QStringLiteral("order by name1")}));
    EXPECT_EQ(listed(), QStringList({QStringLiteral("Albers"), QStringLiteral("Mueller GmbH"),
                                     QStringLiteral("mundt"), QStringLiteral("Muster")}));
    EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Kundendaten zum Vorgang"));

    chooseType(QStringLiteral("Bestellung"));
    EXPECT_EQ(doc("typ")->AsString(), QStringLiteral("B"));
    EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Lieferant auswählen"));
    EXPECT_EQ(listed(), QStringList({QStringLiteral("Lieferwerk AG"), QStringLiteral("mundt")}));

    chooseType(QStringLiteral("Vertrag"));
    EXPECT_EQ(doc("typ")->AsString(), QStringLiteral("V"));
    EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Kunde auswählen"));
    EXPECT_EQ(listed().size(), 4);
    EXPECT_EQ(chooser->adr->SQL().value(1), QStringLiteral("where kunde = true"));
}

TEST_F(AddressChooser, TheBlockHasItsLinesSeparatedByCarriageReturnsOnly)
{
    newDocument(QStringLiteral("R"));
    chooser->OpenAddressList(kCustomers);

    locate(QStringLiteral("Muster"));
    chooser->uebernahmeClick();
    const QString block = doc("anschrift")->AsString();
    EXPECT_EQ(block, QStringLiteral("Eva Muster\rAm Markt 1\r12345 Beispielstadt"));
    EXPECT_EQ(block.size(), 41);
    EXPECT_EQ(block.count(QChar(13)), 2);
    EXPECT_FALSE(block.contains(QChar(10)));
    EXPECT_EQ(doc("kdnr")->AsInteger(), 1001);
    EXPECT_EQ(vorgang().State(), DataSetState::Edit) << "taking the address saves nothing";

    // Without a first name the name stands alone; the trimmed extra name
    // makes a line of its own. Choosing again replaces the whole block.
    locate(QStringLiteral("Mueller GmbH"));
    chooser->uebernahmeClick();
    EXPECT_EQ(doc("anschrift")->AsString(),
              QStringLiteral("Mueller GmbH\rz. Hd. Herrn Berg\rHauptstr. 5\r54321 Nordheim"));
    EXPECT_EQ(doc("kdnr")->AsInteger(), 1002);

    // No postcode: the last line starts with a blank.
    locate(QStringLiteral("Albers"));
    chooser->uebernahmeClick();
    EXPECT_EQ(doc("anschrift")->AsString(), QStringLiteral("Tom Albers\rWeg 2\r Irgendwo"));

    // The memo shows the block as lines.
    EXPECT_EQ(chooser->mAnschrift->toPlainText(), QStringLiteral("Tom Albers\nWeg 2\n Irgendwo"));
    vorgang().Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select anschrift from Vorgang1")).rawText(),
              QStringLiteral("Tom Albers\rWeg 2\r Irgendwo"));
}

TEST_F(AddressChooser, AnEmptyListLeavesTheDocumentsAddressAlone)
{
    newDocument(QStringLiteral("R"));
    doc("anschrift")->SetAsString(QStringLiteral("Alte Anschrift"));
    doc("kdnr")->SetAsInteger(77);
    chooser->OpenAddressList(QStringLiteral("kdnr = 4711"));
    chooser->uebernahmeClick();
    EXPECT_EQ(doc("anschrift")->AsString(), QStringLiteral("Alte Anschrift"));
    EXPECT_EQ(doc("kdnr")->AsInteger(), 77);
}

TEST_F(AddressChooser, LetterTabsFilterTheListAndTheFilterOutlivesAReopen)
{
    newDocument(QStringLiteral("R"));
    chooser->OpenAddressList(kCustomers);
    EXPECT_EQ(chooser->nameTab->count(), 27);
    EXPECT_EQ(chooser->nameTab->tabText(0), QStringLiteral("*"));
    EXPECT_EQ(chooser->nameTab->tabText(26), QStringLiteral("Z"));

    chooser->resize(1280, 800);
    chooser->show();
    // The name fills the room the other columns leave, also after every re-read.
    const auto nameFills = [this] {
        const DBGrid *g = chooser->Liste;
        int all = 0;
        for (int c = 0; c < g->model()->columnCount(); ++c)
            all += g->columnWidth(c);
        return all == g->viewport()->width();
    };
    EXPECT_TRUE(nameFills());
    chooser->nameTab->setCurrentIndex(13); // "M"
    EXPECT_TRUE(nameFills()) << "after a letter";
    EXPECT_EQ(listed(), QStringList({QStringLiteral("Mueller GmbH"), QStringLiteral("mundt"),
                                     QStringLiteral("Muster")}));
    EXPECT_EQ(current(), QStringLiteral("Mueller GmbH"));

    chooser->OpenAddressList(kSuppliers);
    EXPECT_EQ(listed(), QStringList({QStringLiteral("mundt")})) << "the letter stays in force";
    EXPECT_TRUE(nameFills()) << "after another type";

    chooser->OpenAddressList(kCustomers);
    chooser->nameTab->setCurrentIndex(0);
    EXPECT_EQ(listed().size(), 4);
    EXPECT_EQ(current(), QStringLiteral("Albers"));

    chooser->nameTab->setCurrentIndex(26); // "Z": nobody
    EXPECT_TRUE(chooser->adr->IsEmpty());
}

TEST_F(AddressChooser, SearchMovesToTheFirstNameStartingWithTheTextAndEnterTakesIt)
{
    newDocument(QStringLiteral("R"));
    chooser->OpenAddressList(kCustomers);
    chooser->show();

    QTest::keyClicks(chooser->findfast, QStringLiteral("mu"));
    EXPECT_EQ(current(), QStringLiteral("Mueller GmbH"));
    QTest::keyClicks(chooser->findfast, QStringLiteral("n"));
    EXPECT_EQ(current(), QStringLiteral("mundt"));
    QTest::keyClicks(chooser->findfast, QStringLiteral("x")); // "munx": no match, no move
    EXPECT_EQ(current(), QStringLiteral("mundt"));

    QTest::keyClick(chooser->findfast, Qt::Key_Return);
    EXPECT_EQ(doc("kdnr")->AsInteger(), 1005);
    EXPECT_TRUE(chooser->isVisible()) << "Enter takes the address; it does not close the chooser";
}

TEST_F(AddressChooser, ClosingFreesTheWindowAndEmptiesItsReference)
{
    newDocument(QStringLiteral("R"));
    chooser->OpenAddressList(kCustomers);
    chooser->show();
    // Typed into the memo and closed at once: the text belongs to the document.
    chooser->mAnschrift->setFocus();
    QTest::keyClicks(chooser->mAnschrift, QStringLiteral("Frau Test"));
    chooser->Button1->click();
    EXPECT_EQ(doc("anschrift")->AsString(), QStringLiteral("Frau Test"));
    EXPECT_TRUE(FVadrRef().isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(chooser.isNull());

    // Borrowed without being shown, then closed: gone for the next user at once.
    chooser = new TFVadr;
    FVadrRef() = chooser;
    chooser->close();
    EXPECT_TRUE(FVadrRef().isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(chooser.isNull());
}

TEST_F(AddressChooser, GoesWithTheDataModules)
{
    documents.reset();
    EXPECT_TRUE(chooser.isNull());
    EXPECT_TRUE(FVadrRef().isNull());
}

TEST_F(AddressChooser, KontakteAsksForTheAddressWindowAndClosesTheChooser)
{
    StandInShell shell;
    chooser->show();
    chooser->ToolButton1->click();
    EXPECT_EQ(shell.asked, QStringList{QStringLiteral("Kontakte1Click")});
    EXPECT_TRUE(FVadrRef().isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(chooser.isNull());
}

} // namespace
