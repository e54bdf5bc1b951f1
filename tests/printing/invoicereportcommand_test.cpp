// SPDX-License-Identifier: GPL-3.0-or-later
// `tavirel invoice-report`, run as the program itself on the demo database:
// the entries it stands for, and for every refused call its German message,
// its exit status and no file left behind.
#include "tests/commandrun.h"
#include "tests/report/pdftools.h"
#include "tests/testdb.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class InvoiceReportCommand : public ::testing::Test
{
  protected:
    void SetUp() override { db.raw().close(); }

    CommandRun tavirel(const QStringList &args)
    {
        return ::tavirel(args + QStringList{QStringLiteral("--db"), db.path()});
    }
    QString text(const QString &pdf) { return PdfTools::text(pdf).simplified(); }
    // A refused call: the status, a message with the words, and no file.
    void expectRefused(const QStringList &args, int status, const QString &words)
    {
        const QString pdf = dir.filePath(QStringLiteral("abgelehnt.pdf"));
        CommandRun r = tavirel(QStringList{QStringLiteral("invoice-report")} + args);
        EXPECT_EQ(r.status, status) << args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(words)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(pdf)) << args.join(' ').toStdString();
        QFile::remove(pdf);
    }

    TestDb db{true};
    QTemporaryDir dir;
};

} // namespace

TEST_F(InvoiceReportCommand, WritesTheEntriesOfTheReportMenu)
{
    const QString open = dir.filePath(QStringLiteral("offen.pdf"));
    CommandRun r =
        tavirel({QStringLiteral("invoice-report"), QStringLiteral("offen"), open, QStringLiteral("--von"),
                 QStringLiteral("01.03.2026"), QStringLiteral("--bis"), QStringLiteral("31.03.2026")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("PDF geschrieben: ")));
    const QString openText = text(open);
    EXPECT_TRUE(openText.startsWith(
        QStringLiteral("Bericht über offene Rechnungen Datum Rech.-Nr. Kunde Netto MwSt. Brutto Mahnstufe "
                       "02.03.2026 10023")))
        << openText.toStdString();
    EXPECT_TRUE(openText.contains(QStringLiteral("10024")));
    EXPECT_FALSE(openText.contains(QStringLiteral("10027"))) << "outside the period";
    // A period from 01.01.1999 applies like any other.
    const QString old = dir.filePath(QStringLiteral("alt.pdf"));
    r = tavirel({QStringLiteral("invoice-report"), QStringLiteral("alle"), old, QStringLiteral("--von"),
                 QStringLiteral("01.01.1999"), QStringLiteral("--bis"), QStringLiteral("31.12.2019")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString oldText = text(old);
    EXPECT_TRUE(oldText.contains(QStringLiteral(".2019 "))) << oldText.toStdString();
    EXPECT_FALSE(oldText.contains(QStringLiteral(".2026 "))) << oldText.toStdString();

    // With a customer: the customer entries, titled with the name; paid and
    // all of a customer over every date.
    const QString customer = dir.filePath(QStringLiteral("kunde.pdf"));
    r = tavirel(
        {QStringLiteral("invoice-report"), QStringLiteral("alle"), customer, QStringLiteral("--kdnr=2")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString customerText = text(customer);
    EXPECT_TRUE(customerText.startsWith(QStringLiteral("Alle Rechnungen Müller Datum")))
        << customerText.toStdString();
    EXPECT_TRUE(customerText.contains(QStringLiteral("bezahlt am")));
    for (const char *nr : {"10020", "10022", "10024"})
        EXPECT_TRUE(customerText.contains(QString::fromLatin1(nr))) << nr;
    EXPECT_FALSE(customerText.contains(QStringLiteral("10023")));
}

TEST_F(InvoiceReportCommand, RefusesWhatItCannotDoAndLeavesNoFile)
{
    const QString pdf = dir.filePath(QStringLiteral("abgelehnt.pdf"));
    expectRefused({QStringLiteral("storniert"), pdf}, 2, QStringLiteral("Unbekannte Auswahl 'storniert'"));
    expectRefused({QStringLiteral("alle"), pdf, QStringLiteral("--quartal"), QStringLiteral("2")}, 2,
                  QStringLiteral("Unbekannte Option '--quartal'"));
    expectRefused({QStringLiteral("alle"), pdf, QStringLiteral("--von"), QStringLiteral("31.02.2026"),
                   QStringLiteral("--bis"), QStringLiteral("31.03.2026")},
                  2, QStringLiteral("'31.02.2026' nach --von ist kein gültiges Datum"));
    expectRefused({QStringLiteral("alle"), pdf, QStringLiteral("--von"), QStringLiteral("01.03.2026")}, 2,
                  QStringLiteral("beide Daten"));
    expectRefused({QStringLiteral("alle"), pdf, QStringLiteral("--von"), QStringLiteral("01.04.2026"),
                   QStringLiteral("--bis"), QStringLiteral("01.03.2026")},
                  2, QStringLiteral("vor seinem Anfang"));
    expectRefused({QStringLiteral("offen"), pdf, QStringLiteral("--kdnr"), QStringLiteral("2 or 1=1")}, 2,
                  QStringLiteral("keine Kundennummer"));
    expectRefused({QStringLiteral("bezahlt"), pdf, QStringLiteral("--kdnr"), QStringLiteral("2"),
                   QStringLiteral("--von"), QStringLiteral("01.03.2026"), QStringLiteral("--bis"),
                   QStringLiteral("31.03.2026")},
                  2, QStringLiteral("ohne Zeitraum"));
    expectRefused({QStringLiteral("alle")}, 2, QStringLiteral("PDF-Datei angeben"));
    expectRefused({QStringLiteral("alle"), pdf, QStringLiteral("--kdnr"), QStringLiteral("999")}, 1,
                  QStringLiteral("keine Adresse mit der Kundennummer 999"));
    expectRefused({QStringLiteral("offen"), pdf, QStringLiteral("--von"), QStringLiteral("01.01.2000"),
                   QStringLiteral("--bis"), QStringLiteral("31.12.2000")},
                  1, QStringLiteral("enthält keine Rechnungen"));

    const QString unwritable = dir.filePath(QStringLiteral("kein/ordner.pdf"));
    CommandRun r = tavirel({QStringLiteral("invoice-report"), QStringLiteral("alle"), unwritable});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("kann nicht geschrieben werden"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(unwritable));
}
