// SPDX-License-Identifier: GPL-3.0-or-later
// "Umwandeln in …" in the document editor and the document list.
#include "documents/tfvorgang.h"
#include "lists/tfvliste.h"
#include "tests/documents/editorfixture.h"

#include <QMenu>
#include <QToolButton>

namespace {

class ConvertWindows : public EditorFixture
{
  protected:
    // The entries of the menu as it opens, and the one of that caption chosen.
    static QStringList entries(QMenu *menu)
    {
        Q_EMIT menu->aboutToShow();
        QStringList out;
        for (QAction *a : menu->actions())
            out << a->text();
        return out;
    }
    static void choose(QMenu *menu, const QString &caption)
    {
        Q_EMIT menu->aboutToShow();
        for (QAction *a : menu->actions())
            if (a->text() == caption) return a->trigger();
        ADD_FAILURE() << "no entry " << caption.toStdString();
    }
    qint64 withPosition(const QString &typ, const QString &nr, qint64 kdnr = 5)
    {
        const qint64 id = document(typ, nr, kdnr);
        position(id, 1, typ + nr);
        return id;
    }
};

} // namespace

TEST_F(ConvertWindows, TheEditorTurnsDeliveryNotesIntoOneInvoiceAndShowsIt)
{
    address(5, QStringLiteral("Adler"));
    const qint64 first = withPosition(QStringLiteral("L"), QStringLiteral("10000"));
    const qint64 second = withPosition(QStringLiteral("L"), QStringLiteral("10001"));
    openModules();
    showDocument(first);
    TFVorgang *w = openEditor();
    EXPECT_TRUE(w->tbUmwandeln->isEnabled());
    EXPECT_EQ(entries(w->UmwandelnMenu), QStringList{QStringLiteral("Rechnung")});
    dialogs->answerMessage(Dialogs::Yes); // the customer's other delivery note too
    choose(w->UmwandelnMenu, QStringLiteral("Rechnung"));
    EXPECT_TRUE(
        lastMessage().contains(QStringLiteral("weitere offene Lieferscheine: L-10001 vom 01.03.2005")))
        << lastMessage().toStdString();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Vorgang: Rechnung R-10000"));
    EXPECT_EQ(doc("bezug")->AsInteger(), first);
    EXPECT_EQ(positions().RecordCount(), 2);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where erledigt = 1 and id in (%1, %2)")
                        .arg(first)
                        .arg(second)),
              2);
    EXPECT_FALSE(w->tbUmwandeln->isEnabled()) << "an invoice becomes nothing else";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(ConvertWindows, AnOfferAlreadyDoneIsAskedAbout)
{
    address(5, QStringLiteral("Adler"));
    const qint64 offer = withPosition(QStringLiteral("A"), QStringLiteral("5000"));
    db->exec(QStringLiteral("update vorgang1 set erledigt = 1 where id = %1").arg(offer));
    openModules();
    showDocument(offer);
    TFVorgang *w = openEditor();
    EXPECT_EQ(entries(w->UmwandelnMenu),
              (QStringList{QStringLiteral("Auftragsbestätigung"), QStringLiteral("Lieferschein"),
                           QStringLiteral("Rechnung")}));
    dialogs->answerMessage(Dialogs::No);
    choose(w->UmwandelnMenu, QStringLiteral("Auftragsbestätigung"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Umwandeln|Angebot A-5000 ist bereits erledigt. Trotzdem in "
                                            "\"Auftragsbestätigung\" umwandeln?"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1")), 1);
    dialogs->answerMessage(Dialogs::Yes);
    choose(w->UmwandelnMenu, QStringLiteral("Auftragsbestätigung"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Vorgang: Auftragsbestätigung C-6000"));
    EXPECT_TRUE(doc("Kopftext")->AsString().startsWith(QStringLiteral("zu Angebot A-5000 vom 01.03.2005")));
}
