// SPDX-License-Identifier: GPL-3.0-or-later
// Correspondence with the current address: salutations, e-mail and web
// links, the clipboard texts byte for byte, and clearing the mail-merge marks.
#include "addressfixture.h"

#include "platform/platform.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QToolButton>

namespace {

class Correspondence : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        Platform::setOpenHookForTests([this](const QString &what) { opened << what; });
    }
    void TearDown() override
    {
        Platform::setOpenHookForTests({});
        AddressFixture::TearDown();
    }
    // One address with the given columns set (SQL values), and the window on it.
    void showAddress(const QString &assignments)
    {
        address(1, QStringLiteral("Meier"));
        if (!assignments.isEmpty())
            db->exec(QStringLiteral("update Adress set ") + assignments + QStringLiteral(" where KDNR = 1"));
        openWindow();
    }
    QString anrede() { return addresses->AdressAnrede->AsString(); }
    static QByteArray clipboardBytes() { return QGuiApplication::clipboard()->text().toUtf8(); }

    QStringList opened;
};

TEST_F(Correspondence, SalutationsFromNameAndNameLines)
{
    showAddress(QStringLiteral("VORNAME = 'Hans', NAMEN = 'Familie' || char(13, 10) || 'Meier-Graf'"));
    window->Herr1->trigger();
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrter Herr Meier,")) << "the first name is not used";
    EXPECT_EQ(adress().State(), DataSetState::Edit) << "saved with the next save";
    window->Frau1->trigger();
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrte Frau Meier,"));
    window->Firma1->trigger();
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrte Damen und Herren,"));
    window->ApoHerr1->trigger();
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrter Familie\r\nMeier-Graf,"));
    window->ApoFrau1->trigger();
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrte Familie\r\nMeier-Graf,"));
    adress().Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select Anrede from Adress")).rawText(),
              QStringLiteral("Sehr geehrte Familie\r\nMeier-Graf,"));
}

TEST_F(Correspondence, SalutationsWithEmptyNamesKeepTheBlankBeforeTheComma)
{
    showAddress(QStringLiteral("NAME1 = null"));
    window->SetAnrede(TFAdr::AnredeKind::Herr);
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrter Herr ,"));
    window->SetAnrede(TFAdr::AnredeKind::ZeileFrau);
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrte ,"));
    window->Firma1->trigger();
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrte Damen und Herren,"));
}

TEST_F(Correspondence, SalutationUsesTheNameBeingTyped)
{
    showAddress(QString());
    window->eingabeClick();
    window->EditNAME->setFocus();
    QTest::keyClicks(window->EditNAME, "hof");
    window->SpeedButton1->click(); // the button takes no focus: the name is still being typed
    window->Herr1->trigger();
    window->PopupM->hide();
    EXPECT_EQ(anrede(), QStringLiteral("Sehr geehrter Herr Meierhof,"));
    adress().Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select NAME1 || '/' || Anrede from Adress")).rawText(),
              QStringLiteral("Meierhof/Sehr geehrter Herr Meierhof,"));
}

TEST_F(Correspondence, MailAndWebGoToTheShellOnlyWithAnAddress)
{
    showAddress(QStringLiteral("EMAIL = 'meier@example.com', WWW = 'meier.de'"));
    window->SpeedButton2->click();
    EXPECT_TRUE(opened.isEmpty()) << "the buttons lie on the address page, locked while editing is off";
    window->eingabeClick();
    window->SpeedButton2->click();
    window->SpeedButton3->click();
    EXPECT_EQ(opened, QStringList({QStringLiteral("mailto:meier@example.com"),
                                   QStringLiteral("http://www.meier.de")}));
    opened.clear();
    for (const char *typed : {"www.meier.de", "https://meier.de"}) {
        db->exec(QStringLiteral("update Adress set WWW = '%1'").arg(QLatin1String(typed)));
        adress().Refresh();
        window->SpeedButton3Click();
    }
    EXPECT_EQ(opened,
              QStringList({QStringLiteral("http://www.meier.de"), QStringLiteral("https://meier.de")}))
        << "an address typed with its prefix is not prefixed twice";
    opened.clear();
    db->exec(QStringLiteral("update Adress set EMAIL = null, WWW = ''"));
    adress().Refresh();
    window->SpeedButton2Click();
    window->SpeedButton3Click();
    window->SendMailTo(QString());
    EXPECT_TRUE(opened.isEmpty());
    window->SendMailTo(QStringLiteral("meier@example.com?attach=/etc/passwd&cc=x@y.de"));
    EXPECT_EQ(opened,
              QStringList(QStringLiteral("mailto:meier@example.com%3Fattach=/etc/passwd%26cc=x@y.de")))
        << "a stored address never adds headers or attachments";
    opened.clear();
    EXPECT_TRUE(dialogs->interactions().isEmpty()) << "empty fields do nothing, without a message";
}

TEST_F(Correspondence, ContactMenuOffersMailOnlyForAContactWithAnAddress)
{
    address(1, QStringLiteral("Meier"));
    person(1, QStringLiteral("Adam"), QStringLiteral("adam@meier.de"));
    person(1, QStringLiteral("Berta"));
    openWindow();
    ASSERT_EQ(addresses->uPersonenNAME->AsString(), QStringLiteral("Adam"));
    window->NamenKontextPopup();
    EXPECT_TRUE(window->emailschreiben1->isEnabled());
    EXPECT_EQ(window->emailschreiben1->text(), QStringLiteral("e-mail an: adam@meier.de"));
    window->emailschreiben1->trigger();
    window->EMailanAnsprechpartner1->trigger();
    EXPECT_EQ(opened,
              QStringList({QStringLiteral("mailto:adam@meier.de"), QStringLiteral("mailto:adam@meier.de")}));

    persons().Next();
    window->NamenKontextPopup();
    EXPECT_FALSE(window->emailschreiben1->isEnabled());
    opened.clear();
    window->EMailanAnsprechpartner1->trigger();
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(Correspondence, AddressToClipboardByteForByte)
{
    showAddress(QStringLiteral("VORNAME = 'Hans', NAMEN = 'c/o Graf' || char(13, 10) || 'Abt. Einkauf', "
                               "STRASSE = 'Hauptstraße 5', PLZ = '34117', ORT = 'Kassel'"));
    window->btExport->click();
    EXPECT_EQ(clipboardBytes(), QByteArray("Hans Meier\r\nc/o Graf\r\nAbt. Einkauf\r\nHauptstra\xc3\x9f"
                                           "e 5\r\n34117 Kassel\r\n"));
}

TEST_F(Correspondence, AddressExportKeepsItsLinesWithEmptyParts)
{
    showAddress(QStringLiteral("VORNAME = null, NAMEN = null, STRASSE = 'Weg 1', PLZ = '12345', ORT = null"));
    window->Adresseexportieren1->trigger();
    EXPECT_EQ(clipboardBytes(), QByteArray("Meier\r\n\r\nWeg 1\r\n12345 \r\n"))
        << "no first name gives just the name; an empty city leaves the blank";
}

TEST_F(Correspondence, FaxNumberToClipboard)
{
    showAddress(QStringLiteral("TELEFAX = '0561 12 34 99'"));
    window->Faxnummerexportieren1->trigger();
    EXPECT_EQ(clipboardBytes(), QByteArray("0561 12 34 99\r\n"));
    db->exec(QStringLiteral("update Adress set TELEFAX = null"));
    adress().Refresh();
    window->Faxnummerexportieren1Click();
    EXPECT_EQ(clipboardBytes(), QByteArray("\r\n"));
}

class MailMergeMarks : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        for (int i = 1; i <= 4; ++i)
            address(i, QStringLiteral("Name%1").arg(i));
        db->exec(QStringLiteral("update Adress set GEAENDERT = '2001-01-01'"));
    }
    qint64 marked() { return count(QStringLiteral("select count(*) from Adress where Serienbrief <> 0")); }
};

TEST_F(MailMergeMarks, NoneSetSavesNothingAndEndsOnTheLast)
{
    openWindow();
    window->ToolButton4->click();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress where GEAENDERT = '2001-01-01'")), 4);
    EXPECT_EQ(current("NAME1"), QStringLiteral("Name4"));
    EXPECT_FALSE(adress().ControlsDisabled());
    EXPECT_EQ(window->EditNAME->text(), QStringLiteral("Name4")) << "the display follows again";
    EXPECT_TRUE(dialogs->interactions().isEmpty());
}

TEST_F(MailMergeMarks, SetMarksAreClearedAndStamped)
{
    db->exec(QStringLiteral("update Adress set Serienbrief = 1 where KDNR in (2, 4)"));
    openWindow();
    window->ToolButton4Click();
    EXPECT_EQ(marked(), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress where GEAENDERT = '2005-03-15'")), 2);
    EXPECT_EQ(current("NAME1"), QStringLiteral("Name4"));
    EXPECT_FALSE(window->DBCheckBox3->isChecked());
}

TEST_F(MailMergeMarks, AFailedSaveTakesTheRunBackAndTheDisplayResumes)
{
    db->exec(QStringLiteral("update Adress set Serienbrief = 1 where KDNR in (1, 3)"));
    openWindow();
    int saves = 0;
    const auto rule = adress().BeforePost;
    adress().BeforePost = [&](TVexDaoTable &ds) {
        if (++saves == 2) throw AppError(QStringLiteral("Datenträger voll"));
        rule(ds);
    };
    dialogs->answerMessage(Dialogs::Ok);
    window->ToolButton4Click();
    EXPECT_EQ(messages(), QStringLiteral("Tavirelsverwaltung|Datenträger voll."));
    EXPECT_EQ(marked(), 2) << "all or nothing";
    EXPECT_FALSE(adress().ControlsDisabled());
    EXPECT_EQ(adress().State(), DataSetState::Browse);
    EXPECT_EQ(window->EditNAME->text(), current("NAME1"));
    adress().BeforePost = rule;
}

} // namespace
