// SPDX-License-Identifier: GPL-3.0-or-later
// Received e-invoices in the document list: taken in from the new-document
// menu (the unknown supplier offered as a new address), shown and printed as
// their page, the original saved again, a second import refused.
#include "listfixture.h"

#include "tests/einvoice/incomingfiles.h"

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
