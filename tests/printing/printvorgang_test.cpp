// SPDX-License-Identifier: GPL-3.0-or-later
// PrintVorgang as the editor, the list and the batch printing call it:
// preview (waiting until the window closes), printer dialog, print at once.
#include "printfixture.h"

#include "app/tfmain.h"
#include "platform/platform.h"
#include "printing/tprevform.h"
#include "program/businesswindows.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QLabel>
#include <QPrinter>

namespace {

TPrevForm *openPreview()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<TPrevForm *>(w); p && p->isVisible()) return p;
    return nullptr;
}

class PrintVorgangTest : public PrintFixture
{
  protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        Platform::setPrintersForTests(
            {QStringLiteral("Büro")}, QStringLiteral("Büro"), [this](QPrinter &p, const QString &name) {
                printers << name;
                jobFile = out.filePath(QStringLiteral("job%1.pdf").arg(printers.size()));
                p.setOutputFileName(jobFile);
            });
        id = document(QStringLiteral("R"), QStringLiteral("10010"));
        position(id, 1, QStringLiteral("Wartung Heizung"), 1, 89);
    }
    void TearDown() override
    {
        Platform::clearPrintersForTests();
        PrintFixture::TearDown();
    }
    // Runs in the preview's waiting loop: the first thing the loop does.
    void whilePreviewOpen(std::function<void(TPrevForm *)> act)
    {
        QMetaObject::invokeMethod(
            qApp, [act] { act(openPreview()); }, Qt::QueuedConnection);
    }

    qint64 id = 0;
    QStringList printers;
    QString jobFile;
};

} // namespace

TEST_F(PrintVorgangTest, PreviewWaitsUntilItsWindowCloses)
{
    bool seen = false;
    whilePreviewOpen([&](TPrevForm *preview) {
        ASSERT_TRUE(preview);
        seen = true;
        EXPECT_EQ(preview->windowTitle(), QStringLiteral("Vorgang R-10010"));
        EXPECT_EQ(preview->Seite->text(), QStringLiteral("1 / 1"));
        EXPECT_TRUE(preview->isMaximized());
        preview->close();
    });
    PrintVorgang(QString::number(id), true, true);
    EXPECT_TRUE(seen) << "returned before the window closed";
    EXPECT_FALSE(openPreview());
    EXPECT_TRUE(printers.isEmpty());
}

TEST_F(PrintVorgangTest, PrinterDialogCancelPrintsNothingAndOkPrints)
{
    ScriptedDialogsScope dialogs;
    dialogs->answerPrinter(false);
    PrintVorgang(QString::number(id), false, true);
    EXPECT_TRUE(printers.isEmpty());
    EXPECT_TRUE(dialogs->messages().isEmpty());

    dialogs->answerPrinter(true);
    PrintVorgang(QString::number(id), false, true);
    ASSERT_EQ(printers.size(), 1);
    EXPECT_TRUE(PdfTools::text(jobFile).contains(QStringLiteral("Rechnung R - 10010")));

    // The paper chosen in the dialog is the paper printed on.
    dialogs->choosePrinter([](QPrinter &printer) {
        printer.setPageSize(QPageSize(QPageSize::A5));
        return true;
    });
    PrintVorgang(QString::number(id), false, true);
    ASSERT_EQ(printers.size(), 2);
    EXPECT_TRUE(PdfTools::run(QStringLiteral("pdfinfo"), {jobFile}).contains(QStringLiteral("(A5)")));
    EXPECT_TRUE(PdfTools::text(jobFile).contains(QStringLiteral("Rechnung R - 10010")));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(PrintVorgangTest, BatchPrintGoesStraightToThePrinterOrSaysThereIsNone)
{
    ScriptedDialogsScope dialogs;
    PrintVorgang(QString::number(id), false, false);
    EXPECT_EQ(printers, QStringList{QStringLiteral("Büro")});
    EXPECT_TRUE(dialogs->interactions().isEmpty()) << "no dialog in the batch";

    Platform::setPrintersForTests({}, QString(),
                                  [this](QPrinter &, const QString &) { printers << QStringLiteral("?"); });
    EXPECT_EQ(ERROR_OF(PrintVorgang(QString::number(id), false, false)),
              QStringLiteral("Es ist kein Drucker eingerichtet; Vorgang R-10010 wurde nicht gedruckt"));
    EXPECT_EQ(printers.size(), 1);
}

TEST_F(PrintVorgangTest, MissingLetterheadIsReportedOnceAndStillPrints)
{
    ScriptedDialogsScope dialogs;
    QFile::remove(letterheadFile(QStringLiteral("vorgang.txt")));
    QFile::remove(letterheadFile(QStringLiteral("Fuss1.txt")));
    dialogs->answerMessage(Dialogs::Ok);
    PrintVorgang(QString::number(id), false, false);
    const QStringList messages = dialogs->messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.at(0).contains(QStringLiteral("vorgang.txt: Datei nicht gefunden")));
    EXPECT_TRUE(messages.at(0).contains(QStringLiteral("Fuss1.txt: Datei ")));
    EXPECT_TRUE(messages.at(0).endsWith(QStringLiteral("Gedruckt wird mit den eingebauten Texten.")));
    ASSERT_EQ(printers.size(), 1);
    EXPECT_TRUE(PdfTools::text(jobFile).contains(QStringLiteral("Firmenname")));
}

TEST_F(PrintVorgangTest, AnAddressThatDoesNotFitIsReportedWhenPrinted)
{
    ScriptedDialogsScope dialogs;
    db->exec(QStringLiteral("update Vorgang1 set anschrift = '1' || char(10) || '2' || char(10) || '3' || "
                            "char(10) || '4' || char(10) || '5' || char(10) || '6' || char(10) || '7' || "
                            "char(10) || '34277 Fuldabrück' where id = %1")
                 .arg(id));
    dialogs->answerMessage(Dialogs::Ok);
    PrintVorgang(QString::number(id), false, false);
    EXPECT_EQ(
        dialogs->messages(),
        QStringList{QStringLiteral(
            "Tavirelsverwaltung|Vorgang R-10010 passt nicht ganz auf den Briefbogen:\n\nDie Anschrift hat "
            "mehr Zeilen, als das Anschriftfeld fasst; die letzten fehlen im Druck.")});
    EXPECT_EQ(printers.size(), 1) << "printed all the same";

    dialogs->answerMessage(Dialogs::Ok);
    whilePreviewOpen([](TPrevForm *preview) { preview->close(); });
    PrintVorgang(QString::number(id), true, true);
    EXPECT_EQ(dialogs->messages().size(), 2) << "the preview says it too";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(PrintVorgangTest, MainWindowPrintsThroughTheDocumentPrinting)
{
    Tfmain main;
    RegisterBusinessWindows(main);
    main.PrintVorgang(QString::number(id), false, false);
    EXPECT_EQ(printers.size(), 1);
}
