// SPDX-License-Identifier: GPL-3.0-or-later
// Files a stranger may send as e-invoices, built here: each is refused with
// a German message, or read with what it smuggles in taken out, and none
// takes the program's memory or time.
#include "einvoice/xmltree.h"
#include "tests/commandrun.h"
#include "tests/einvoice/incomingfiles.h"

#include "base/apperror.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

QString refusalOf(const QByteArray &file, const QString &name)
{
    try {
        IncomingInvoice::read(file, name);
    } catch (const AppError &e) {
        return e.message();
    }
    return QStringLiteral("<gelesen>");
}

QByteArray repeated(const char *part, int times, const char *before = "<r>", const char *after = "</r>")
{
    QByteArray out(before);
    const QByteArray p(part);
    out.reserve(out.size() + p.size() * times + 8);
    for (int i = 0; i < times; ++i)
        out += p;
    return out + after;
}

// The invoice with the seller's name and first IBAN as a stranger may write them.
QByteArray invoiceWith(const QString &seller, const QString &iban)
{
    QString xml = QString::fromUtf8(IncomingFile("rechnung-cii.xml"));
    xml.replace(QStringLiteral("<ram:Name>Holzbau Krämer GmbH</ram:Name>"),
                QStringLiteral("<ram:Name>%1</ram:Name>").arg(seller));
    xml.replace(QStringLiteral("<ram:IBANID>DE02120300000000202051</ram:IBANID>"),
                QStringLiteral("<ram:IBANID>%1</ram:IBANID>").arg(iban));
    return xml.toUtf8();
}

} // namespace

TEST(HostileFiles, AreRefusedWithinBounds)
{
    // 120,000 namespaces, one per element, once took a quarter of a minute.
    QByteArray namespaces("<r>");
    for (int i = 0; i < 120000; ++i)
        namespaces += "<a xmlns=\"urn:x" + QByteArray::number(i) + "\"/>";
    namespaces += "</r>";
    struct Case
    {
        const char *what;
        QByteArray file;
        const char *message;
    };
    const Case cases[] = {
        // 65 MB of zeros deflate to 64 KB: past the limit as it unpacks.
        {"PDF-Bombe", PdfWithAttachment(QByteArray(65 * 1024 * 1024, '\0'), "factur-x.xml", true),
         "Der Anhang factur-x.xml ist entpackt größer als 64 MB; so groß ist keine E-Rechnung"},
        {"viele Namensräume", namespaces, "ist keine E-Rechnung: das XML-Element r (ohne Namensraum)"},
        {"leere Elemente", repeated("<a/>", 3'500'000),
         "Die XML-Datei hat mehr als eine Million Elemente und Attribute (Zeile 1)"},
        {"Attribute", repeated("<a b='' c='' d='' e='' f='' g='' h='' i='' j=''/>", 110'000),
         "mehr als eine Million Elemente und Attribute"},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(refusalOf(c.file, QStringLiteral("f")).contains(QString::fromUtf8(c.message)))
            << c.what << ": " << refusalOf(c.file, QStringLiteral("f")).toStdString();

    // An invoice just under the limit is still read.
    const QByteArray small = PdfWithAttachment(IncomingFile("rechnung-cii.xml"), "factur-x.xml", true);
    EXPECT_EQ(IncomingInvoice::read(small, QStringLiteral("r.pdf")).number, QStringLiteral("HK-2025-0815"));
}

#ifdef Q_OS_UNIX
TEST(HostileFiles, DevicesAndPipesAreReadWithTheFileLimit)
{
    // /dev/zero never ends: refused at the limit, not by running out of memory.
    const CommandRun zero = tavirel({QStringLiteral("einvoice-show"), QStringLiteral("/dev/zero")});
    EXPECT_EQ(zero.status, 1);
    EXPECT_EQ(zero.err,
              QStringLiteral("Die Datei /dev/zero ist mit mehr als 64 MB zu groß für eine E-Rechnung\n"));

    // A pipe that carries an invoice is read whole.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("rechnung"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray invoice = IncomingFile("rechnung-cii.xml");
    std::thread writer([&] {
        QFile f(fifo);
        if (f.open(QIODevice::WriteOnly)) f.write(invoice);
    });
    const QByteArray read = IncomingInvoice::loadFile(fifo);
    writer.join();
    EXPECT_EQ(read, invoice);
}
#endif

TEST(HostileFiles, SteeringCharactersAreTakenOutAndNamed)
{
    // U+202E turns what follows around: "DE02…" would show as an account
    // other than the one paid to.
    const QByteArray file = invoiceWith(QStringLiteral("Holzbau\u202E Krämer\u0085 GmbH"),
                                        QStringLiteral("DE02\u202E120300000000202051"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.xml"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
    f.close();
    const CommandRun shown = tavirel({QStringLiteral("einvoice-show"), path});
    EXPECT_EQ(shown.status, 0) << shown.err.toStdString();
    EXPECT_FALSE(shown.out.contains(QChar(0x202E)));
    EXPECT_FALSE(shown.out.contains(QChar(0x85)));
    for (const char *part :
         {"Holzbau Krämer GmbH", "DE02120300000000202051",
          "BT-27: „Holzbau<U+202E> Krämer<U+0085> GmbH“ enthält Steuerzeichen; sie wurden entfernt",
          "BT-84: „DE02<U+202E>120300000000202051“ enthält Steuerzeichen"})
        EXPECT_TRUE(shown.out.contains(QString::fromUtf8(part))) << part << "\n" << shown.out.toStdString();

    const IncomingInvoice inv = IncomingInvoice::read(file, path);
    EXPECT_EQ(inv.seller.name, QStringLiteral("Holzbau Krämer GmbH"));
    EXPECT_EQ(inv.paymentMeans.value(0).accountId, QStringLiteral("DE02120300000000202051"));
}

TEST(HostileFiles, AnIbanWithWrongCheckDigitsIsAFinding)
{
    const IncomingInvoice inv = IncomingInvoice::read(
        invoiceWith(QStringLiteral("Holzbau Krämer GmbH"), QStringLiteral("DE03120300000000202051")),
        QStringLiteral("r.xml"));
    bool found = false;
    for (const InvoiceFinding &f : CheckIncomingInvoice(inv))
        found |=
            f.term == QLatin1String("BT-84") && f.rule == QLatin1String("BR-DE-19") &&
            f.text == QStringLiteral(
                          "Die IBAN DE03120300000000202051 ist ungültig (Prüfziffern oder Länge falsch)");
    EXPECT_TRUE(found);
}
