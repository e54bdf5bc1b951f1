// SPDX-License-Identifier: GPL-3.0-or-later
// The letterhead print as ZUGFeRD / Factur-X invoice: the same pages as the
// plain PDF, PDF/A-3b as far as qpdf and poppler can tell, factur-x.xml inside
// and valid under EN 16931; refusals that say what is missing and leave no file.
#include "pdfa3check.h"
#include "printfixture.h"
#include "tests/commandrun.h"

#include "tests/einvoice/validation.h"

#include "base/apperror.h"
#include "data/programfolder.h"
#include "data/settings.h"
#include "einvoice/ciiwriter.h"
#include "einvoice/einvoice.h"
#include "einvoice/facturx.h"
#include "einvoice/sellerdata.h"

#include <QFile>
#include <QRegularExpression>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The font lines of pdffonts whose "emb" column is not "yes".
QStringList fontsNotEmbedded(const QString &pdf)
{
    QStringList bad;
    const QStringList lines = PdfTools::fonts(pdf).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() < 3) return {QStringLiteral("pdffonts lists no fonts")};
    // name, type (may hold blanks), encoding, emb, sub, uni, object, generation
    static const QRegularExpression row(
        QStringLiteral("\\s(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+$"));
    for (const QString &l : lines.mid(2)) {
        const auto m = row.match(l);
        if (!m.hasMatch() || m.captured(1) != QLatin1String("yes")) bad << l;
    }
    return bad;
}

class ZugferdPdf : public PrintFixture
{
  protected:
    void SetUp() override { PrintFixture::SetUp(); }

    void address(int kdnr, const QString &name, const QString &plz, const QString &ort, const QString &email)
    {
        const auto text = [](const QString &s) {
            return s.isEmpty() ? QStringLiteral("null")
                               : QStringLiteral("'%1'").arg(QString(s).replace(u'\'', QStringLiteral("''")));
        };
        db->exec(QStringLiteral("insert into Adress (KDNR, ID, NAME1, STRASSE, PLZ, ORT, EMAIL) values "
                                "(%1, %1, %2, 'Am Rathaus 2', %3, %4, %5)")
                     .arg(kdnr)
                     .arg(text(name), text(plz), text(ort), text(email)));
    }

    QString file(const QString &name) const { return out.filePath(name); }
};

TEST_F(ZugferdPdf, DemoInvoicesAndCreditNotesKeepTheirPagesAndCarryValidFacturX)
{
    QStringList xmlFiles;

    // Every invoice and credit note of the demo data, written as the editor's export writes it.
    TestDb demo(true);
    TVexDaoDatabase conn;
    conn.setDatabase(demo.path());
    conn.Open();
    auto ids = demo.raw().prepare(QStringLiteral(
        "select id, typ from Vorgang1 where typ in ('R', 'G') and storniert = false order by id"));
    QString firstInvoice, firstCredit;
    while (ids->step()) {
        const QString id = QString::number(ids->columnDynamic(0).rawInt());
        const bool credit = ids->columnDynamic(1).rawText() == QLatin1String("G");
        if (credit && firstCredit.isEmpty()) firstCredit = id;
        if (!credit && firstInvoice.isEmpty()) firstInvoice = id;
        SCOPED_TRACE(id.toStdString());
        const QString plain = file(id + QStringLiteral(".pdf"));
        const QString zugferd = file(id + QStringLiteral("-zugferd.pdf"));
        WriteVorgangPdf(&conn, id, plain);
        QStringList warnings{QStringLiteral("stale")};
        WriteVorgangZugferdPdf(&conn, id, zugferd, &warnings);
        EXPECT_TRUE(warnings.isEmpty());
        const QByteArray pdf = readAll(zugferd);
        EXPECT_EQ(PdfA3::problems(pdf), QStringList());
        const auto pages = PdfA3::pageContents(pdf);
        EXPECT_FALSE(pages.isEmpty());
        EXPECT_EQ(pages, PdfA3::pageContents(readAll(plain))) << "the pages are those of the plain print";
        const QString xml = file(id + QStringLiteral(".xml"));
        writeAll(xml, FacturX::attachment(pdf));
        xmlFiles << xml;
    }
    EXPECT_GE(xmlFiles.size(), 25);
    ASSERT_FALSE(firstInvoice.isEmpty());
    ASSERT_FALSE(firstCredit.isEmpty());

    // Through the command of a copy of the program with the sample firm beside
    // it: one invoice and one credit note.
    const QString program = portableProgram(file(QStringLiteral("programm")));
    const auto tavirel = [&program](const QStringList &args) {
        return runProgram(program, args, commandEnvironment());
    };
    const SellerData seller = SellerData::read(file(QStringLiteral("programm/tavirel.ini")));
    for (const QString &id : {firstInvoice, firstCredit}) {
        SCOPED_TRACE(id.toStdString());
        const QString plain = file(QStringLiteral("cmd-%1.pdf").arg(id));
        const QString zugferd = file(QStringLiteral("cmd-%1-zugferd.pdf").arg(id));
        const CommandRun p = tavirel({QStringLiteral("pdf"), id, plain, QStringLiteral("--db"), demo.path()});
        ASSERT_EQ(p.status, 0) << p.err.toStdString();
        const CommandRun z = tavirel({QStringLiteral("pdf"), id, zugferd, QStringLiteral("--zugferd"),
                                      QStringLiteral("--db"), demo.path()});
        ASSERT_EQ(z.status, 0) << z.err.toStdString();
        EXPECT_EQ(z.out, QStringLiteral("E-Rechnung (ZUGFeRD) geschrieben: %1\n").arg(zugferd));
        EXPECT_FALSE(z.err.contains(QStringLiteral("Warnung"))) << z.err.toStdString();

        const QByteArray pdf = readAll(zugferd);
        EXPECT_EQ(PdfA3::problems(pdf), QStringList());
        EXPECT_EQ(PdfTools::pageCount(zugferd), PdfTools::pageCount(plain));
        const QString text = PdfTools::text(zugferd);
        EXPECT_FALSE(text.trimmed().isEmpty());
        EXPECT_EQ(text, PdfTools::text(plain));
        EXPECT_EQ(fontsNotEmbedded(zugferd), QStringList());
        const QString check = PdfTools::run(QStringLiteral("qpdf"), {QStringLiteral("--check"), zugferd});
        EXPECT_TRUE(check.contains(QStringLiteral("No syntax or stream encoding errors found")))
            << "qpdf --check: " << check.toStdString();
        // The attachment is exactly the document's EN 16931 data.
        EXPECT_EQ(
            FacturX::attachment(pdf),
            CiiWriter::write(EInvoice::load(conn, id.toLongLong(), seller, 19), CiiWriter::Profile::EN16931));
    }

    // A document of our own: an address with umlauts, quotes and "&", the
    // rounding case of two positions of 0,333 × 1,00, a text-only position, and
    // a letterhead file that cannot be read.
    address(1005, QStringLiteral("Größe & Partner \"Süd\""), QStringLiteral("34277"),
            QStringLiteral("Fuldabrück"), QStringLiteral("rechnung@groesse-partner.de"));
    const qint64 id = document(QStringLiteral("R"), QStringLiteral("10000"), QStringLiteral("02.03.2026"),
                               QStringLiteral("16.03.2026"));
    position(id, 1, QStringLiteral("Dichtung"), 0.333, 1.00);
    position(id, 2, QStringLiteral("Dichtung"), 0.333, 1.00);
    position(id, 3, QStringLiteral("Hinweis: Material vom Kunden gestellt"), 0, 0);
    db->exec(QStringLiteral("update Vorgang1 set Rundung = 1 where id = %1").arg(id));
    QFile::remove(letterheadFile(QStringLiteral("Fuss4.txt")));
    const QString own = file(QStringLiteral("own.pdf"));
    QStringList warnings;
    WriteVorgangZugferdPdf(&addresses->Datenbank, QString::number(id), own, &warnings);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.first().startsWith(QStringLiteral("Fuss4.txt")));
    const QByteArray ownPdf = readAll(own);
    EXPECT_EQ(PdfA3::problems(ownPdf), QStringList());
    const QString ownXml = file(QStringLiteral("own.xml"));
    writeAll(ownXml, FacturX::attachment(ownPdf));
    xmlFiles << ownXml;
    // Page and file state the same figures: each line rounded to the cent,
    // 0,33 + 0,33 net, 0,79 € gross.
    const QString printed = PdfTools::text(own).simplified();
    EXPECT_TRUE(printed.contains(QStringLiteral("Nettobetrag 0,66 €"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("0,79 €"))) << printed.toStdString();
    const QByteArray ownData = readAll(ownXml);
    EXPECT_TRUE(ownData.contains("<ram:TaxBasisTotalAmount>0.66</ram:TaxBasisTotalAmount>"));
    EXPECT_TRUE(ownData.contains("<ram:GrandTotalAmount>0.79</ram:GrandTotalAmount>"));

    const ValidationRun v = ValidateEInvoices(xmlFiles, true);
    EXPECT_EQ(v.exitCode, 0) << v.output.toStdString();
    EXPECT_EQ(v.output.count(QStringLiteral("valid: CII D16B schema")), xmlFiles.size())
        << v.output.toStdString();
}

TEST_F(ZugferdPdf, RefusalsNameWhatIsMissingExitNonZeroAndWriteNothing)
{
    address(1005, QStringLiteral("Gemeinde Fuldabrück"), QStringLiteral("34277"),
            QStringLiteral("Fuldabrück"), QStringLiteral("rechnung@fuldabrueck.de"));
    address(1006, QStringLiteral("Weber"), QString(), QString(), QString());
    const qint64 offer = document(QStringLiteral("A"), QStringLiteral("5000"));
    position(offer, 1, QStringLiteral("Heizkörperventil"), 1, 10);
    const qint64 dm = document(QStringLiteral("R"), QStringLiteral("10000"), QStringLiteral("10.01.2001"),
                               QStringLiteral("24.01.2001"), QStringLiteral("DM"));
    position(dm, 1, QStringLiteral("Heizkörperventil"), 1, 10);
    const qint64 empty = document(QStringLiteral("G"), QStringLiteral("4000"));
    const qint64 weber = document(QStringLiteral("R"), QStringLiteral("10001"));
    db->exec(QStringLiteral("update Vorgang1 set kdnr = 1006 where id = %1").arg(weber));
    position(weber, 1, QStringLiteral("Heizkörperventil"), 1, 10);
    const qint64 good = document(QStringLiteral("R"), QStringLiteral("10002"));
    position(good, 1, QStringLiteral("Heizkörperventil"), 2, 24.5);

    const QString target = file(QStringLiteral("zugferd.pdf"));
    const QString older = file(QStringLiteral("older.pdf"));
    writeAll(older, "an earlier export");
    const struct
    {
        qint64 id;
        QString message;
    } refused[] = {
        {offer,
         QStringLiteral("Vorgang A-5000: E-Rechnungen gibt es nur für Rechnungen (R) und Gutschriften (G)")},
        {dm, QStringLiteral("Er ist in DM ausgestellt; E-Rechnungen gibt es nur in Euro.")},
        {empty, QStringLiteral("Vorgang G-4000 kann nicht als E-Rechnung ausgegeben werden:\nEr hat keine "
                               "Positionen.")},
        // Post code and town come from the document's address block, the e-mail from the address.
        {weber, QStringLiteral("Bei der Adresse mit der Kundennummer 1006 (Gemeinde Fuldabrück) fehlt: "
                               "E-Mail-Adresse.")},
    };
    for (const auto &r : refused) {
        SCOPED_TRACE(r.id);
        for (const QString &path : {target, older}) {
            const CommandRun run = tavirel({QStringLiteral("pdf"), QString::number(r.id), path,
                                            QStringLiteral("--zugferd"), QStringLiteral("--db"), db->path()});
            EXPECT_EQ(run.status, 1);
            EXPECT_TRUE(run.err.contains(r.message)) << run.err.toStdString();
            EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        }
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(readAll(older), QByteArray("an earlier export"));
    }
    // Without --zugferd the offer prints as ever.
    EXPECT_EQ(
        tavirel({QStringLiteral("pdf"), QString::number(offer), target, QStringLiteral("--db"), db->path()})
            .status,
        0);
    QFile::remove(target);
    const CommandRun elsewhere = tavirel({QStringLiteral("xrechnung"), QString::number(good), target,
                                          QStringLiteral("--zugferd"), QStringLiteral("--db"), db->path()});
    EXPECT_EQ(elsewhere.status, 2);
    EXPECT_EQ(elsewhere.err, QStringLiteral("--zugferd gibt es nur bei tavirel pdf\n"));
    EXPECT_FALSE(QFile::exists(target));

    // Seller data missing from the settings: the export names the keys to fill in.
    IniFile ini(ProgramFolder::iniPath());
    ini.writeString(SellerData::section(), QStringLiteral("IBAN"), QString());
    ini.writeString(SellerData::section(), QStringLiteral("EMail"), QString());
    const QString message = [&]() -> QString {
        try {
            WriteVorgangZugferdPdf(&addresses->Datenbank, QString::number(good), older);
        } catch (const AppError &e) {
            return e.message();
        }
        return QString();
    }();
    EXPECT_EQ(message, QStringLiteral("Vorgang R-10002 kann nicht als E-Rechnung ausgegeben werden:\n"
                                      "In den Einstellungen (tavirel.ini, Abschnitt [ERechnung]) fehlt: "
                                      "IBAN (IBAN), E-Mail (EMail)."));
    EXPECT_EQ(readAll(older), QByteArray("an earlier export"));
    EXPECT_THROW(WriteVorgangZugferdPdf(&addresses->Datenbank, QStringLiteral("987654"), target), AppError);
    EXPECT_FALSE(QFile::exists(target));
}

} // namespace
