// SPDX-License-Identifier: GPL-3.0-or-later
// The document list's "Umwandeln in …" and its print menu, which offers to
// save an original only where a received e-invoice has one.
#include "tests/lists/listfixture.h"

#include <QMenu>

namespace {

using ListCommands = ListFixture;

} // namespace

TEST_F(ListCommands, TheCurrentDocumentTurnsIntoANewOneShownInTheEditor)
{
    Doc note;
    note.typ = QStringLiteral("L");
    note.nr = QStringLiteral("10000");
    const qint64 id = document(note);
    db->exec(QStringLiteral(
                 "insert into Vorgang2 (vorgangID, Pos, Titel, anzahl, Preis) values (%1, 1, 'Kabel', 2, 5)")
                 .arg(id));
    TFVListe *w = openList();
    ASSERT_TRUE(list().Locate(QStringLiteral("id"), Value(id), 0));
    Q_EMIT w->UmwandelnMenu->aboutToShow();
    ASSERT_EQ(w->UmwandelnMenu->actions().size(), 1);
    EXPECT_EQ(w->UmwandelnMenu->actions().first()->text(), QStringLiteral("Rechnung"));
    w->UmwandelnMenu->actions().first()->trigger();
    EXPECT_TRUE(dialogs->messages().isEmpty()) << dialogs->messages().join(u'\n').toStdString();
    const qint64 made = db->scalar(QStringLiteral("select id from vorgang1 where typ = 'R'")).rawInt();
    EXPECT_EQ(db->scalar(QStringLiteral("select bezug from vorgang1 where id = %1").arg(made)).rawInt(), id);
    EXPECT_EQ(vorgang().FieldByName(QStringLiteral("id"))->AsInteger(), made);
    EXPECT_NE(main->FVorgang.data(), nullptr) << "the editor shows the new invoice";
    EXPECT_EQ(db->scalar(QStringLiteral("select erledigt from vorgang1 where id = %1").arg(id)).rawInt(), 1);
}

TEST_F(ListCommands, OnlyAReceivedInvoiceOffersToSaveItsOriginal)
{
    const qint64 outgoing = invoice(QStringLiteral("10000"));
    Doc received;
    received.typ = QStringLiteral("E");
    received.nr = QStringLiteral("HK-1");
    const qint64 incoming = document(received);
    db->exec(
        QStringLiteral("insert into Eingangsrechnung (vorgangID, SHA256) values (%1, 'x')").arg(incoming));
    TFVListe *w = openList();
    for (const auto &[id, offered] : {std::pair{outgoing, false}, std::pair{incoming, true}}) {
        ASSERT_TRUE(list().Locate(QStringLiteral("id"), Value(id), 0));
        Q_EMIT w->Printmenu->aboutToShow();
        EXPECT_EQ(w->OriginalSpeichern1->isVisible(), offered) << id;
    }
    ASSERT_TRUE(list().Locate(QStringLiteral("id"), Value(outgoing), 0));
    w->OriginalSpeichern1Click();
    EXPECT_TRUE(dialogs->interactions().isEmpty()) << "nothing asked, no error naming an id";
}
