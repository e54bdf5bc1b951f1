// Every e-invoice the program writes passes the validator of the German public
// administration (schema, EN 16931 and XRechnung rules): all invoices and credit
// notes of the demo data, written by the command, and the hard cases, all
// checked in one run of the validator.
#include "einvoicefixture.h"
#include "validation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using Validation = EInvoiceFixture;

void save(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST_F(Validation, DemoDocumentsAndHardCasesPassTheValidator)
{
    QTemporaryDir out;
    QStringList files;

    // The demo's invoices and credit notes, through the command with the sample firm's settings.
    TestDb demo(true);
    auto ids = demo.raw().prepare(QStringLiteral(
        "select id, typ from Vorgang1 where typ in ('R', 'G') and storniert = false order by id"));
    int credits = 0;
    while (ids->step()) {
        const QString id = QString::number(ids->columnDynamic(0).rawInt());
        credits += ids->columnDynamic(1).rawText() == QLatin1String("G");
        const QString file = out.filePath(QStringLiteral("demo-%1.xml").arg(id));
        QProcess p;
        p.start(QStringLiteral(TAVIREL_PROGRAM_DIR "/tavirel"),
                {QStringLiteral("xrechnung"), id, file, QStringLiteral("--db"), demo.path()});
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 0) << id.toStdString() << ": " << p.readAllStandardError().toStdString();
        files << file;
    }
    EXPECT_GE(files.size(), 25);
    EXPECT_GE(credits, 3);

    // The hard cases.
    address(1, "Größe & Partner \"Steuer\" <mbB>", "34119", "Kassel", "info@groesse-partner.de");
    db->raw().exec(QStringLiteral("update Adress set NAMEN = 'Büro ''Süd''' where KDNR = 1"));
    address(2, "Müller");
    db->raw().exec(
        QStringLiteral("update Adress set KontoNr = 'DE08 5201 2345 0098 7842 01' where KDNR = 2"));
    insert("ERechnung", {{"KDNR", Value(2.0)}, {"Referenz", t("06633004-0001-87")}});

    const qint64 rounding = document("R", 2, "10001");
    position(rounding, 1, 0.333, 1.00);
    position(rounding, 2, 0.333, 1.00);
    const qint64 textOnly = document("R", 2, "10002");
    position(textOnly, 1, 0, 0, "", "Hinweis", "Nur Text & \"Zeichen\"");
    position(textOnly, 2, 1.5, 62, "h", "Arbeitsstunde");
    const qint64 umlauts = document("R", 1, "10003");
    position(umlauts, 1, 1, 19.9, "Stk", "Thermostatkopf \"M30\" & Fühler");
    position(umlauts, 2, 1, -5, "Psch", "Nachlass");
    const qint64 debit = document("R", 2, "10004");
    db->raw().exec(
        QStringLiteral("update Vorgang1 set Fusstext = 'Der Betrag wird per Lastschrift eingezogen.', "
                       "Zahlungsart = '59' where id = %1")
            .arg(debit));
    position(debit, 1, 1, 24.9, "Mon");
    const qint64 credit = document("G", 1, "4000");
    position(credit, 1, 2, 12.345, "kg");
    const qint64 large = document("R", 2, "10005");
    db->raw().begin();
    for (int i = 1; i <= 1000; ++i)
        position(large, i, (i % 7) * 0.5 + 0.25, 0.01 * (i % 997) + 0.333, i % 3 ? "Stk" : "h");
    db->raw().commit();
    for (const qint64 id : {rounding, textOnly, umlauts, debit, credit, large}) {
        const QString file = out.filePath(QStringLiteral("case-%1.xml").arg(id));
        save(file, xml(id));
        files << file;
    }
    const EInvoice big = load(large);
    EXPECT_EQ(big.lines.size(), 1000);
    qint64 sum = 0;
    for (const EInvoiceLine &l : big.lines)
        sum += l.netCents;
    EXPECT_EQ(big.lineTotalCents, sum);
    EXPECT_EQ(big.grandTotalCents, sum + EInvoice::vatOf(sum, 19));

    const ValidationRun v = ValidateEInvoices(files);
    EXPECT_EQ(v.exitCode, 0) << v.output.toStdString();
    EXPECT_EQ(v.output.count(QStringLiteral("valid: CII D16B schema")), files.size())
        << v.output.toStdString();
}

} // namespace
