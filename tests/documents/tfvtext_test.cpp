// SPDX-License-Identifier: GPL-3.0-or-later
// The text-block window: the contract aids only for contracts, the month
// placeholder, the direct-debit footer from its file, and what OK and
// Abbruch leave in the document.
#include "dialogfixture.h"

#include "base/textfiles.h"
#include "documents/tfvtext.h"
#include "widgets/dbmemo.h"

#include <QPushButton>

namespace {

class TextBlocks : public DialogFixture
{
  protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        openModules();
    }
    QString footerPath() const { return db->folder() + QStringLiteral("/vertragfuss.txt"); }
    QString stored(const char *column)
    {
        const Value v =
            db->scalar(QStringLiteral("select %1 from Vorgang1").arg(QString::fromLatin1(column)));
        return v.kind() == Value::Text ? v.rawText() : QString();
    }
};

TEST_F(TextBlocks, TheContractAidsAreOfferedForContractsOnly)
{
    newDocument(QStringLiteral("R"));
    {
        TFVtext window(nullptr);
        EXPECT_FALSE(window.Monat->isEnabled());
        EXPECT_FALSE(window.Fusstext1->isEnabled());
    }
    newDocument(QStringLiteral("V"));
    TFVtext window(nullptr);
    EXPECT_TRUE(window.Monat->isEnabled());
    EXPECT_TRUE(window.Fusstext1->isEnabled());
}

TEST_F(TextBlocks, MonatAppendsALineEachTimeAndOkSaves)
{
    newDocument(QStringLiteral("V"));
    doc("Kopftext")->SetAsString(QStringLiteral("Wartungsvertrag"));
    vorgang().Post();
    TFVtext window(nullptr);
    window.show();
    window.Monat->click();
    window.Monat->click();
    EXPECT_EQ(doc("Kopftext")->AsString(), QStringLiteral("Wartungsvertrag\r\n%Monat\r\n%Monat"));
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("Wartungsvertrag\n%Monat\n%Monat"));
    window.Button2->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(vorgang().State(), DataSetState::Browse);
    EXPECT_EQ(stored("Kopftext"), QStringLiteral("Wartungsvertrag\r\n%Monat\r\n%Monat"));

    // On an empty header the placeholder is the first line.
    doc("Kopftext")->DataSet()->Edit();
    doc("Kopftext")->Clear();
    window.Monat->click();
    EXPECT_EQ(doc("Kopftext")->AsString(), QStringLiteral("%Monat"));
}

TEST_F(TextBlocks, AbbuchungstextReplacesTheWholeFooter)
{
    TextFiles::saveLines(footerPath(), {QStringLiteral("Wir buchen ab von Konto %KONTONR"),
                                        QStringLiteral("bei %KONTOBANK (BLZ %KONTOBLZ).")});
    newDocument(QStringLiteral("V"));
    doc("Fusstext")->SetAsString(QStringLiteral("Zahlbar sofort.\r\nDanke."));
    TFVtext window(nullptr);
    window.show();
    window.Fusstext1->click();
    EXPECT_EQ(doc("Fusstext")->AsString(),
              QStringLiteral("Wir buchen ab von Konto %KONTONR\r\nbei %KONTOBANK (BLZ %KONTOBLZ)."));

    // Abbruch saves nothing but takes nothing back either: the editor decides.
    window.Button1->click();
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_EQ(vorgang().State(), DataSetState::Edit);
    EXPECT_TRUE(stored("Fusstext").isEmpty());
    EXPECT_TRUE(doc("Fusstext")->AsString().startsWith(QStringLiteral("Wir buchen ab")));
}

TEST_F(TextBlocks, AMissingTemplateSaysSoAndKeepsTheFooter)
{
    newDocument(QStringLiteral("V"));
    doc("Fusstext")->SetAsString(QStringLiteral("Zahlbar sofort."));
    TFVtext window(nullptr);
    dialogs->answerMessage(Dialogs::Ok);
    window.Fusstext1->click();
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("vertragfuss.txt"))) << lastMessage().toStdString();
    EXPECT_EQ(doc("Fusstext")->AsString(), QStringLiteral("Zahlbar sofort."));
}

TEST_F(TextBlocks, TypedTextAndAClickIntoAMemoStartEditing)
{
    newDocument(QStringLiteral("R"));
    vorgang().Post();
    TFVtext window(nullptr);
    window.show();
    QTest::mouseClick(window.DBMemo3->viewport(), Qt::LeftButton);
    EXPECT_EQ(vorgang().State(), DataSetState::Edit);
    window.DBMemo3->setFocus();
    QTest::keyClicks(window.DBMemo3, QStringLiteral("nur intern"));
    window.Button2->click(); // focus still in the memo: OK writes it first
    EXPECT_EQ(stored("Notiz"), QStringLiteral("nur intern"));
}

} // namespace
