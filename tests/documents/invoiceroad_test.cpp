// SPDX-License-Identifier: GPL-3.0-or-later
// The road of a typical invoice through the windows alone: new document,
// address, three positions from the catalogue, a header text, recompute,
// preview and PDF; then what is stored.
#include "editorfixture.h"

#include "documents/tfvadr.h"
#include "documents/tfvartikel.h"
#include "documents/tfvtext.h"
#include "printing/tprevform.h"
#include "tests/report/pdftools.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

class InvoiceRoad : public EditorFixture
{
};

TEST_F(InvoiceRoad, NewInvoiceWithThreeArticlesATextPreviewAndPdf)
{
    address(7, QStringLiteral("Muster"), QStringLiteral("Eva"));
    address(8, QStringLiteral("Adler GmbH"));
    article(QStringLiteral("WA-100"), QStringLiteral("Wartung Gasbrennwertkessel"), 55, 149,
            QStringLiteral("Stk"));
    article(QStringLiteral("AS-01"), QStringLiteral("Arbeitsstunde Monteur"), 38, 62, QStringLiteral("h"));
    article(QStringLiteral("KL-100"), QStringLiteral("Kleinmaterial"), 8, 19.5);
    openMain();

    // New document: the question, then the chooser, where Eva Muster is taken.
    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerExec([](QDialog &d) {
        auto *chooser = qobject_cast<TFVadr *>(&d);
        EXPECT_NE(chooser, nullptr);
        if (!chooser) return int(QDialog::Rejected);
        EXPECT_TRUE(chooser->adr->Locate(QStringLiteral("Kdnr"), Value(qint64(7)), 0));
        chooser->uebernahmeClick();
        chooser->accept();
        return int(QDialog::Accepted);
    });
    main->vorgangneu->trigger();
    TFVorgang *editor = editorInMain();
    ASSERT_NE(editor, nullptr);
    const qint64 id = doc("id")->AsInteger();
    ASSERT_GT(id, 0);

    // Three positions from the catalogue, the second one twice as much.
    for (const QString &nr : {QStringLiteral("WA-100"), QStringLiteral("AS-01"), QStringLiteral("KL-100")}) {
        dialogs->answerExec([nr](QDialog &d) {
            auto *chooser = qobject_cast<Tfvartikel *>(&d);
            EXPECT_NE(chooser, nullptr);
            if (!chooser) return int(QDialog::Rejected);
            EXPECT_TRUE(Data->Artikel.Locate(QStringLiteral("Art-Nr"), Value(nr), 0)) << nr.toStdString();
            chooser->VButton3->click();
            return d.result();
        });
        editor->ToolButton5->click();
    }
    ASSERT_EQ(positions().State(), DataSetState::Insert) << "the last one waits to be saved";
    editor->tbposSaveClick();
    // Twice the hours, typed into the grid.
    positions().First();
    positions().Next();
    QAbstractItemModel *grid = editor->Tab->model();
    editor->Tab->setFocus();
    editor->Tab->setCurrentIndex(grid->index(1, 3));
    editor->Tab->edit(editor->Tab->currentIndex());
    auto *cell = qobject_cast<QLineEdit *>(editor->Tab->cellEditor());
    ASSERT_NE(cell, nullptr);
    cell->selectAll();
    QTest::keyClicks(cell, QStringLiteral("2"));
    QTest::keyClick(cell, Qt::Key_Tab);
    ASSERT_EQ(positions().State(), DataSetState::Edit);
    EXPECT_EQ(editor->sVK->text(), QStringLiteral("292,50"))
        << "the footer follows the row before it is saved";
    EXPECT_EQ(editor->sGewinn->text(), QStringLiteral("153,50"));
    editor->Positionspeichern1->trigger();
    EXPECT_EQ(grid->index(1, grid->columnCount() - 1).data().toString(), QStringLiteral("124,00"))
        << "the line amount, in the last column";

    // A header text in the text blocks.
    dialogs->answerExec([](QDialog &d) {
        auto *texts = qobject_cast<TFVtext *>(&d);
        EXPECT_NE(texts, nullptr);
        auto *kopf = d.findChild<DBMemo *>(QStringLiteral("Memo1"));
        EXPECT_NE(kopf, nullptr);
        if (!kopf) return int(QDialog::Rejected);
        kopf->setFocus();
        kopf->insertPlainText(QStringLiteral("Für die Wartung berechnen wir Ihnen:"));
        auto *ok = d.findChild<QPushButton *>(QStringLiteral("Button2"));
        EXPECT_NE(ok, nullptr);
        if (ok) ok->click();
        return d.result();
    });
    editor->tbtexte->click();

    editor->Gesamtbetragberechnen1->trigger();
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 149 + 2 * 62 + 19.5);
    EXPECT_EQ(editor->sVK->text(), QStringLiteral("292,50"));
    EXPECT_EQ(editor->sVKbr->text(), QStringLiteral("339,30")) << "16 %, the rate of 2005";

    // Preview, closed as soon as it shows.
    QString previewed;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *p = qobject_cast<TPrevForm *>(w); p && p->isVisible()) {
                    previewed = p->windowTitle();
                    p->close();
                }
        },
        Qt::QueuedConnection);
    editor->Vorschau1->trigger();
    EXPECT_EQ(previewed, QStringLiteral("Vorgang R-10000"));

    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("R-10000.pdf"));
    dialogs->answerMessage(Dialogs::No); // a plain PDF, no e-invoice
    dialogs->answerSaveFile(pdf);
    editor->Export1->trigger();
    ASSERT_TRUE(QFile::exists(pdf));
    const QString text = PdfTools::text(pdf, 0).simplified();
    for (const char *expected :
         {"Eva Muster", "Rechnung R - 10000",
          "Für die Wartung berechnen wir Ihnen:", "Wartung Gasbrennwertkessel", "Arbeitsstunde Monteur",
          "Kleinmaterial", "292,50 €", "+ 16 % MWSt. 46,80 €", "339,30 €", "Zahlung fällig bis 22.03.2005."})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();

    // What is stored.
    EXPECT_EQ(stored(id, "typ"), QStringLiteral("R"));
    EXPECT_EQ(stored(id, "vorgangnr"), QStringLiteral("10000"));
    EXPECT_EQ(stored(id, "kdnr"), QStringLiteral("7"));
    EXPECT_EQ(stored(id, "anschrift"), QStringLiteral("Eva Muster\rAm Markt 1\r34117 Kassel"));
    EXPECT_EQ(stored(id, "datum"), QStringLiteral("2005-03-15"));
    EXPECT_EQ(stored(id, "zieldatum"), QStringLiteral("2005-03-22"));
    EXPECT_EQ(stored(id, "Kopftext"), QStringLiteral("Für die Wartung berechnen wir Ihnen:"));
    EXPECT_DOUBLE_EQ(storedNumber(id, "vk"), 292.5);
    EXPECT_DOUBLE_EQ(storedNumber(id, "ek"), 55 + 2 * 38 + 8);
    Engine &raw = db->raw();
    auto st =
        raw.prepare(QStringLiteral("select Pos, Artikel, Titel, anzahl, einheit, EK, Preis from Vorgang2 "
                                   "where vorgangID = %1 order by Pos")
                        .arg(id));
    QStringList rows;
    while (st->step()) {
        QStringList cells;
        for (int c = 0; c < 7; ++c) {
            const Value v = st->column(c, FieldType::Text);
            cells << (v.isNull() ? QString() : v.rawText());
        }
        rows << cells.join(QLatin1Char('|'));
    }
    EXPECT_EQ(rows, (QStringList{QStringLiteral("1|WA-100|Wartung Gasbrennwertkessel|1|Stk|55|149"),
                                 QStringLiteral("2|AS-01|Arbeitsstunde Monteur|2|h|38|62"),
                                 QStringLiteral("3|KL-100|Kleinmaterial|1||8|19,5")}));
    EXPECT_TRUE(dialogs->allAnswered()) << dialogs->unexpected().join(QLatin1Char('\n')).toStdString();
}

} // namespace
