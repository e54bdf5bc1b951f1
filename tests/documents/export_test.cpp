// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's export: a plain PDF for every document, and for invoices and
// credit notes the choice of a ZUGFeRD PDF with the e-invoice inside; a
// refused e-invoice says what is missing and writes nothing unasked.
#include "editorfixture.h"

#include "einvoice/facturx.h"
#include "tests/printing/pdfa3check.h"
#include "tests/report/pdftools.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class EditorExport : public EditorFixture
{
  protected:
    // The sample firm's seller data in the program folder.
    void sellerData() { sampleFirm(); }
    // A customer an e-invoice can be sent to.
    void buyer()
    {
        db->exec(
            QStringLiteral("insert into Adress (ID, KDNR, NAME1, STRASSE, PLZ, ORT, EMAIL, kunde) values "
                           "(7, 7, 'Adler GmbH', 'Am Markt 1', '34117', 'Kassel', 'rechnung@adler.de', 1)"));
    }
    // An invoice or credit note to that customer with one position.
    qint64 invoice(const QString &typ = QStringLiteral("R"), const QString &nr = QStringLiteral("10001"))
    {
        const qint64 id = document(typ, nr, 7);
        position(id, 1, QStringLiteral("Wartung Heizung"), 2, 89);
        // The e-invoice's buyer is the document's address block.
        db->exec(QStringLiteral("update Vorgang1 set vk = 178, ek = 10, anschrift = 'Adler GmbH\nAm Markt 1\n"
                                "34117 Kassel' where id = %1")
                     .arg(id));
        return id;
    }
    QString lastSaveCaption()
    {
        for (auto i = dialogs->interactions().size(); i-- > 0;)
            if (dialogs->interactions().at(i).kind == ScriptedDialogs::Kind::SaveFile)
                return dialogs->interactions().at(i).saveOptions.caption;
        return QString();
    }
    QTemporaryDir out;
};

TEST_F(EditorExport, AnInvoiceAsksForTheKindAndPlainIsThePrintWithoutAnEInvoice)
{
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"));
    position(id, 1, QStringLiteral("Wartung Heizung"), 2, 89);
    openEditor(id);
    // A change not yet saved is part of what is exported.
    positions().Edit();
    pos("Titel")->SetAsString(QStringLiteral("Wartung Therme"));
    pos("Bezeichnung")->SetAsString(QStringLiteral("Wartung Therme"));

    // Abbrechen in the question, then in the save dialog: nothing written.
    dialogs->answerMessage(Dialogs::Cancel);
    window->Export1->trigger();
    const ScriptedDialogs::Interaction asked = dialogs->interactions().last();
    EXPECT_EQ(asked.icon, Dialogs::Question);
    EXPECT_EQ(asked.buttons, Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
    EXPECT_EQ(asked.defaultButton, Dialogs::Yes);
    EXPECT_TRUE(asked.text.startsWith(
        QStringLiteral("Soll die Rechnung als E-Rechnung im ZUGFeRD-Format gespeichert werden?")))
        << asked.text.toStdString();
    dialogs->answerMessage(Dialogs::No);
    dialogs->cancelSaveFile();
    window->Export1Click();
    EXPECT_TRUE(QDir(out.path()).isEmpty());

    const QString path = out.filePath(QStringLiteral("rechnung.pdf"));
    dialogs->answerMessage(Dialogs::No);
    dialogs->answerSaveFile(path);
    window->Export1Click();
    const Dialogs::SaveFileOptions options = dialogs->interactions().last().saveOptions;
    EXPECT_EQ(options.caption, QStringLiteral("Vorgang als PDF speichern"));
    EXPECT_EQ(options.fileName, QStringLiteral("Rechnung R-10001.pdf"));
    EXPECT_EQ(options.defaultSuffix, QStringLiteral("pdf"));
    ASSERT_TRUE(QFile::exists(path));
    const QString text = PdfTools::text(path, 0).simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Wartung Therme"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("178,00"))) << text.toStdString();
    EXPECT_TRUE(FacturX::attachment(readAll(path)).isEmpty());
    EXPECT_EQ(positions().State(), DataSetState::Browse);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(EditorExport, ZugferdCarriesTheInvoiceOfTheDocumentShown)
{
    sellerData();
    buyer();
    const QMap<QString, qint64> ids{
        {QStringLiteral("R"), invoice()},
        {QStringLiteral("G"), invoice(QStringLiteral("G"), QStringLiteral("4001"))}};
    openEditor();
    for (const QString &typ : {QStringLiteral("R"), QStringLiteral("G")}) {
        SCOPED_TRACE(typ.toStdString());
        showDocument(ids.value(typ));

        const QString path = out.filePath(typ + QStringLiteral(".pdf"));
        dialogs->answerMessage(Dialogs::Yes);
        dialogs->answerSaveFile(path);
        window->Export1->trigger();
        const QString what =
            typ == QLatin1String("R") ? QStringLiteral("Rechnung") : QStringLiteral("Gutschrift");
        EXPECT_TRUE(
            dialogs->messages().last().contains(QStringLiteral("Soll die %1 als E-Rechnung").arg(what)));
        EXPECT_EQ(lastSaveCaption(), QStringLiteral("E-Rechnung als ZUGFeRD-PDF speichern"));
        const QByteArray pdf = readAll(path);
        ASSERT_FALSE(pdf.isEmpty());
        EXPECT_EQ(PdfA3::problems(pdf), QStringList());
        const QString xml = QString::fromUtf8(FacturX::attachment(pdf));
        EXPECT_TRUE(xml.contains(typ == QLatin1String("R")
                                     ? QStringLiteral("<ram:TypeCode>380</ram:TypeCode>")
                                     : QStringLiteral("<ram:TypeCode>381</ram:TypeCode>")))
            << xml.left(2000).toStdString();
        EXPECT_TRUE(xml.contains(QStringLiteral("Adler GmbH")));
        EXPECT_TRUE(xml.contains(QStringLiteral("178.00")));
        EXPECT_TRUE(PdfTools::text(path, 0).contains(QStringLiteral("Wartung Heizung")));
        EXPECT_TRUE(dialogs->allAnswered());
    }
}

TEST_F(EditorExport, ARefusedEInvoiceSaysWhatIsMissingAndLeavesTheFile)
{
    // No seller data in the settings, and an address without e-mail.
    QFile::remove(db->folder() + QStringLiteral("/tavirel.ini"));
    buyer();
    const qint64 id = invoice();
    db->exec(QStringLiteral("update Adress set EMAIL = null"));
    openEditor(id);
    const QString path = out.filePath(QStringLiteral("rechnung.pdf"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("alt");
    }

    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerSaveFile(path);
    dialogs->answerMessage(Dialogs::No); // no plain PDF instead
    window->Export1Click();
    const ScriptedDialogs::Interaction refusal = dialogs->interactions().last();
    EXPECT_EQ(refusal.icon, Dialogs::Warning);
    EXPECT_EQ(refusal.defaultButton, Dialogs::No);
    EXPECT_TRUE(refusal.text.startsWith(QStringLiteral("Die E-Rechnung wurde nicht gespeichert.")));
    for (const char *missing : {"E-Mail-Adresse", "tavirel.ini"})
        EXPECT_TRUE(refusal.text.contains(QString::fromUtf8(missing))) << refusal.text.toStdString();
    EXPECT_EQ(readAll(path), QByteArray("alt"));

    // Yes: the plain print goes there instead, and says what the invoice lacks of the firm.
    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerSaveFile(path);
    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerMessage(Dialogs::Ok);
    window->Export1Click();
    const QByteArray pdf = readAll(path);
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(FacturX::attachment(pdf).isEmpty());
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("es fehlen: Firmenname, Anschrift, Steuernummer oder "
                                                      "USt-IdNr., Bankverbindung (IBAN)")))
        << lastMessage().toStdString();
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(EditorExport, OtherDocumentsArePlainPdfsWithoutAQuestion)
{
    sellerData();
    QMap<QString, qint64> ids;
    for (const char *typ : {"A", "L", "B", "V"}) {
        ids[QString::fromLatin1(typ)] = document(QString::fromLatin1(typ), QStringLiteral("5001"));
        position(ids[QString::fromLatin1(typ)], 1, QStringLiteral("Wartung Heizung"));
    }
    openEditor();
    for (const char *typ : {"A", "L", "B", "V"}) {
        SCOPED_TRACE(typ);
        showDocument(ids.value(QString::fromLatin1(typ)));
        const QString path = out.filePath(QString::fromLatin1(typ) + QStringLiteral(".pdf"));
        dialogs->answerSaveFile(path);
        window->Export1Click();
        EXPECT_TRUE(dialogs->messages().isEmpty()) << dialogs->messages().join(u'\n').toStdString();
        const QByteArray pdf = readAll(path);
        EXPECT_TRUE(pdf.startsWith("%PDF"));
        EXPECT_TRUE(FacturX::attachment(pdf).isEmpty());
    }
    EXPECT_TRUE(dialogs->allAnswered());
}

} // namespace
