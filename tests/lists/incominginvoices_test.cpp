// SPDX-License-Identifier: GPL-3.0-or-later
// Received e-invoices in the document list: taken in from the new-document
// menu (the unknown supplier offered as a new address), shown and printed as
// their page, the original saved again, a second import refused.
#include "listfixture.h"

#include "tests/einvoice/incomingfiles.h"

#include "lists/tfvbezahlen.h"
#include "widgets/qtdialogs.h"

#include <QMessageBox>
#include <QPushButton>

#include <QTemporaryDir>

namespace {

class IncomingInList : public ListFixture
{
};

} // namespace

TEST_F(IncomingInList, TakenInShownAndTheOriginalSavedAgain)
{
    TFVListe *w = openList();
    dialogs->answerOpenFile(IncomingPath("rechnung-ubl.xml"))
        .answerMessage(Dialogs::Yes)
        .answerMessage(Dialogs::Ok);
    w->ERechnungEinlesen1->trigger();
    ASSERT_TRUE(dialogs->allAnswered()) << dialogs->unexpected().join(u'\n').toStdString();
    const QStringList messages = dialogs->messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(
        messages[0].contains(QStringLiteral("Der Verkäufer der Rechnung HK-2025-0815 ist nicht unter den "
                                            "Adressen:\n\nHolzbau Krämer GmbH\nSägewerkstraße 4")))
        << messages[0].toStdString();
    EXPECT_TRUE(
        messages[1].contains(QStringLiteral("Rechnung HK-2025-0815 von Holzbau Krämer GmbH übernommen")));
    EXPECT_EQ(list().FieldByName(QStringLiteral("vorgangnr"))->AsString(), QStringLiteral("HK-2025-0815"));
    EXPECT_EQ(list().FieldByName(QStringLiteral("Typ"))->AsString(), QStringLiteral("E"));
    EXPECT_EQ(list().FieldByName(QStringLiteral("Kunde"))->AsString(), QStringLiteral("Holzbau Krämer GmbH"));
    const QString id = list().FieldByName(QStringLiteral("id"))->AsString();

    // Opened, it shows its page instead of the editor.
    w->btdetailsClick();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints.front().id, id);
    EXPECT_TRUE(prints.front().preview);

    QTemporaryDir out;
    const QString saved = out.filePath(QStringLiteral("original.xml"));
    dialogs->clear();
    dialogs->answerSaveFile(saved);
    w->OriginalSpeichern1->trigger();
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), IncomingFile("rechnung-ubl.xml"));

    // The same invoice as CII: said, nothing added.
    dialogs->clear();
    dialogs->answerOpenFile(IncomingPath("rechnung-cii.xml")).answerMessage(Dialogs::Ok);
    w->ERechnungEinlesen1->trigger();
    ASSERT_TRUE(dialogs->allAnswered());
    EXPECT_TRUE(dialogs->messages().value(0).contains(QStringLiteral("wurde bereits am")));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1")), 1);
}

// A known supplier's invoice with another account: said on import, marked
// in the list, and paid only once the user confirms the account.
TEST_F(IncomingInList, ANewAccountIsConfirmedBeforeThePayment)
{
    TFVListe *w = openList();
    dialogs->answerOpenFile(IncomingPath("rechnung-cii.xml"))
        .answerMessage(Dialogs::Yes)
        .answerMessage(Dialogs::Ok);
    w->ERechnungEinlesen1->trigger();
    QTemporaryDir dir;
    QByteArray xml = IncomingFile("rechnung-cii.xml");
    xml.replace("HK-2025-0815", "HK-2025-0901").replace("DE02120300000000202051", "DE44500105175407324931");
    const QString changed = dir.filePath(QStringLiteral("hk-0901.xml"));
    QFile f(changed);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(xml) == xml.size());
    f.close();
    dialogs->clear();
    dialogs->answerOpenFile(changed).answerMessage(Dialogs::Ok);
    w->ERechnungEinlesen1->trigger();
    ASSERT_TRUE(dialogs->allAnswered());
    EXPECT_TRUE(dialogs->messages().value(0).startsWith(
        QStringLiteral("E-Rechnung einlesen|ACHTUNG – Neues Konto: die Rechnung verlangt die Zahlung auf das "
                       "Konto DE44 5001")))
        << dialogs->messages().join(u'\n').toStdString();
    w->ApplyFilter();
    ASSERT_TRUE(list().Locate(QStringLiteral("vorgangnr"), Value(QStringLiteral("HK-2025-0901")), 0));
    EXPECT_EQ(list().FieldByName(QStringLiteral("Konto"))->AsString(), QStringLiteral("NEUES KONTO"));
    EXPECT_EQ(w->liste->columns().last().fieldName, QStringLiteral("Konto"));
    const qint64 id = list().FieldByName(QStringLiteral("id"))->AsInteger();

    // "Nein": not paid; "Ja": the account is the supplier's and the payment recorded.
    for (const Dialogs::Button answer : {Dialogs::No, Dialogs::Yes}) {
        dialogs->clear();
        dialogs
            ->answerExec([](QDialog &d) {
                auto &pay = static_cast<TFVbezahlen &>(d);
                pay.ebezahltDatumDblClick();
                pay.Button1->click();
                if (pay.result() != QDialog::Accepted) pay.Button2->click();
                return pay.result();
            })
            .answerMessage(answer);
        if (answer == Dialogs::No) dialogs->answerMessage(Dialogs::Ok);
        w->bteditClick();
        ASSERT_TRUE(dialogs->allAnswered()) << dialogs->unexpected().join(u'\n').toStdString();
        EXPECT_TRUE(dialogs->messages().value(0).contains(
            QStringLiteral("verlangt die Zahlung auf ein neues Konto")));
        EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1 where bezahlt and id = %1").arg(id)),
                  answer == Dialogs::Yes ? 1 : 0);
    }
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from Lieferantenkonto where IBAN = 'DE44500105175407324931'")),
        1);
    EXPECT_NE(w->liste->columns().last().fieldName, QStringLiteral("Konto"));
}

// A seller's name written as markup is shown as written: it cannot shrink
// the line that counts the findings to nothing.
TEST_F(IncomingInList, MarkupInTheFileIsShownAsText)
{
    TFVListe *w = openList();
    QTemporaryDir dir;
    QByteArray xml = IncomingFile("falsche-summen-cii.xml");
    xml.replace("<ram:Name>Holzbau Krämer GmbH</ram:Name>",
                "<ram:Name>&lt;span style='font-size:1px'&gt;Holzbau&lt;/span&gt;</ram:Name>");
    const QString path = dir.filePath(QStringLiteral("markup.xml"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(xml) == xml.size());
    f.close();
    dialogs->answerOpenFile(path).answerMessage(Dialogs::Yes).answerMessage(Dialogs::Ok);
    w->ERechnungEinlesen1->trigger();
    ASSERT_TRUE(dialogs->allAnswered());
    const QString summary = dialogs->messages().value(1).section(u'|', 1);
    EXPECT_TRUE(summary.contains(QStringLiteral("Prüfung: 6 Beanstandungen"))) << summary.toStdString();
    const auto box = QtDialogs::makeMessageBox(nullptr, QStringLiteral("E-Rechnung einlesen"), summary,
                                               Dialogs::Warning, Dialogs::Ok, Dialogs::Ok);
    const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_TRUE(label->text().contains(QStringLiteral("<span style='font-size:1px'>Holzbau</span>")));
}
