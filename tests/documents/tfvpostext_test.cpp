// SPDX-License-Identifier: GPL-3.0-or-later
// The position dialog: a gross price typed in German form becomes the net
// Preis; texts that are no number are refused and change nothing; Esc closes
// as OK does, keeping what was typed.
#include "dialogfixture.h"

#include "documents/tfvpostext.h"
#include "widgets/dbedit.h"
#include "widgets/dbtext.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

class PositionDialog : public DialogFixture
{
  protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        openModules();
        newDocument(QStringLiteral("R"));
        addPosition(5, 20, 1, QStringLiteral("Wartung"));
        dialog = std::make_unique<TFVPostext>(nullptr);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }
    void TearDown() override
    {
        dialog.reset();
        DialogFixture::TearDown();
    }
    // Types the gross price and leaves the edit with the tab key.
    void typeGross(const QString &text)
    {
        dialog->vkbr->setFocus();
        dialog->vkbr->selectAll();
        QTest::keyClicks(dialog->vkbr, text);
        QTest::keyClick(dialog->vkbr, Qt::Key_Tab);
    }
    void setAnzahl(double anzahl)
    {
        positions().Edit();
        pos("anzahl")->SetAsFloat(anzahl);
    }

    std::unique_ptr<TFVPostext> dialog;
};

TEST_F(PositionDialog, AGrossPriceBecomesTheNetPrice)
{
    // At the position's rate: 16 %, the normal rate of 2005.
    typeGross(QStringLiteral("116"));
    EXPECT_NEAR(pos("Preis")->AsFloat(), 100, 1e-9);
    EXPECT_NEAR(pos("Gesamtpreis")->AsFloat(), 100, 1e-9);
    EXPECT_NEAR(pos("PreisBR")->AsFloat(), 116, 1e-9);
    EXPECT_EQ(positions().State(), DataSetState::Edit);
    EXPECT_EQ(dialog->vkbr->text(), QStringLiteral("116")) << "the edit keeps what was typed";

    setAnzahl(3);
    Data->SetPositionRate(7);
    typeGross(QStringLiteral("10,70"));
    EXPECT_NEAR(pos("Preis")->AsFloat(), 10, 1e-9);
    EXPECT_NEAR(pos("Gesamtpreis")->AsFloat(), 30, 1e-9);
    EXPECT_NEAR(pos("PreisBR")->AsFloat(), 32.1, 1e-9);
    // Amounts read as money; the edit keeps the number as it is stored.
    EXPECT_EQ(dialog->sGesamt->text(), QStringLiteral("30,00"));
    EXPECT_EQ(dialog->sPreisbr->text(), QStringLiteral("32,10"));
    EXPECT_EQ(dialog->ePreis->text(), QStringLiteral("10,00"));
    dialog->ePreis->setFocus();
    EXPECT_EQ(dialog->ePreis->text(), QStringLiteral("10"));

    // Grouped thousands are a number too.
    typeGross(QStringLiteral("1.070"));
    EXPECT_NEAR(pos("Preis")->AsFloat(), 1000, 1e-9);
}

TEST_F(PositionDialog, TextsThatAreNoNumberChangeNothing)
{
    for (const QString &text : {QStringLiteral("1.5"), QStringLiteral("abc"), QStringLiteral("1e400")}) {
        dialogs->answerMessage(Dialogs::Ok);
        typeGross(text);
        EXPECT_TRUE(dialogs->allAnswered()) << text.toStdString();
        // The field form of the message, as the grid says it.
        EXPECT_EQ(lastMessage(),
                  QStringLiteral("Tavirelsverwaltung|'%1' ist kein gültiger Fließkommawert für Feld "
                                 "'VK brutto'")
                      .arg(text));
        EXPECT_EQ(pos("Preis")->AsFloat(), 20) << text.toStdString();
    }
    // OK and Esc do not close over a refused gross price.
    dialogs->answerMessage(Dialogs::Ok);
    dialog->Button1->click();
    EXPECT_TRUE(dialog->isVisible());
    dialogs->answerMessage(Dialogs::Ok);
    QTest::keyClick(dialog->vkbr, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_EQ(pos("Preis")->AsFloat(), 20);
}

TEST_F(PositionDialog, LeavingTheEmptyGrossEditChangesNothing)
{
    positions().CheckBrowseMode();
    typeGross(QString());
    EXPECT_EQ(positions().State(), DataSetState::Browse);
    EXPECT_EQ(pos("Preis")->AsFloat(), 20);
}

TEST_F(PositionDialog, EscClosesAsOkKeepingWhatWasTyped)
{
    dialog->eTitel->setFocus();
    dialog->eTitel->selectAll();
    QTest::keyClicks(dialog->eTitel, QStringLiteral("Wartung vor Ort"));
    dialog->vkbr->setFocus();
    QTest::keyClicks(dialog->vkbr, QStringLiteral("58"));
    QTest::keyClick(dialog->vkbr, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(pos("Titel")->AsString(), QStringLiteral("Wartung vor Ort"));
    EXPECT_NEAR(pos("Preis")->AsFloat(), 50, 1e-9);
}

TEST_F(PositionDialog, EnterInTheGrossEditAppliesItWithoutClosing)
{
    dialog->vkbr->setFocus();
    QTest::keyClicks(dialog->vkbr, QStringLiteral("29"));
    QTest::keyClick(dialog->vkbr, Qt::Key_Return);
    EXPECT_NEAR(pos("Preis")->AsFloat(), 25, 1e-9);
    EXPECT_TRUE(dialog->isVisible());
    // Changed by hand afterwards, the net price is not overwritten on OK.
    dialog->ePreis->setFocus();
    dialog->ePreis->selectAll();
    QTest::keyClicks(dialog->ePreis, QStringLiteral("18"));
    dialog->Button1->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(pos("Preis")->AsFloat(), 18);
}

} // namespace
