// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/commandrun.h"
#include "tests/einvoice/incomingfiles.h"
#include "tests/testdb.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

TEST(IncomingCommand, ShowPrintsTextOrJsonAndRefusesWhatIsNoInvoice)
{
    const CommandRun json = tavirel(
        {QStringLiteral("einvoice-show"), IncomingPath("rechnung-ubl.xml"), QStringLiteral("--json")});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o.value(QStringLiteral("BT-1")).toString(), QStringLiteral("HK-2025-0815"));
    EXPECT_EQ(o.value(QStringLiteral("BT-115")).toString(), QStringLiteral("595.50"));
    EXPECT_TRUE(o.value(QStringLiteral("findings")).toArray().isEmpty());

    const CommandRun text =
        tavirel({QStringLiteral("einvoice-show"), IncomingPath("falsche-summen-cii.xml")});
    EXPECT_EQ(text.status, 0);
    for (const char *part :
         {"Rechnung HK-2025-0816 vom 14.03.2025 (UN/CEFACT CII)", "Prüfung: 6 Beanstandungen",
          "BT-106 (BR-CO-10): Die Summe der Positionen", "Zahlbetrag: 595,05 EUR"})
        EXPECT_TRUE(text.out.contains(QString::fromUtf8(part))) << part << "\n" << text.out.toStdString();

    const CommandRun refused =
        tavirel({QStringLiteral("einvoice-show"), QStringLiteral(TAVIREL_SOURCE_DIR "/CMakeLists.txt")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_TRUE(refused.err.contains(QStringLiteral("ist keine lesbare E-Rechnung")))
        << refused.err.toStdString();
    EXPECT_EQ(tavirel({QStringLiteral("einvoice-show")}).status, 2);

    // XML of an invoice's root that holds no invoice: the body of the other
    // syntax, children in another namespace, the context alone.
    for (const char *file : {"cii-mit-ubl-inhalt.xml", "ubl-mit-cii-inhalt.xml",
                             "cii-falscher-namensraum.xml", "nur-kontext.xml"}) {
        const CommandRun none =
            tavirel({QStringLiteral("einvoice-show"),
                     QStringLiteral(TAVIREL_SOURCE_DIR "/tests/einvoice/keine/") + QLatin1String(file),
                     QStringLiteral("--json")});
        EXPECT_EQ(none.status, 1) << file;
        EXPECT_TRUE(none.out.isEmpty()) << file;
        EXPECT_TRUE(none.err.contains(QStringLiteral("ist keine E-Rechnung")))
            << file << none.err.toStdString();
    }
}

TEST(IncomingCommand, ImportKeepsTheFileAndExportGivesItBackUnchanged)
{
    TestDb db;
    const QStringList onDb = {QStringLiteral("--db"), db.path()};
    const CommandRun first =
        tavirel(QStringList{QStringLiteral("einvoice-import"), IncomingPath("gutschrift-cii.xml")} + onDb);
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(
        QStringLiteral("Gutschrift HK-2025-0823 von Holzbau Krämer GmbH übernommen (Eingang Nr. 1)")))
        << first.out.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("Lieferant neu angelegt: Holzbau Krämer GmbH (Kd-Nr 1)")));

    const CommandRun again =
        tavirel(QStringList{QStringLiteral("einvoice-import"), IncomingPath("gutschrift-cii.xml")} + onDb);
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("bereits"))) << again.err.toStdString();

    const QString target = db.folder() + QStringLiteral("/original.xml");
    const CommandRun exported =
        tavirel(QStringList{QStringLiteral("einvoice-export"), QStringLiteral("1"), target} + onDb);
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), IncomingFile("gutschrift-cii.xml"));
    const CommandRun missing =
        tavirel(QStringList{QStringLiteral("einvoice-export"), QStringLiteral("2"), target} + onDb);
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("keine Eingangsrechnung mit der Nummer 2")));

    // 795,43 with 200,00 paid in advance: 595,50 are open, listed and exported so.
    ASSERT_EQ(tavirel(QStringList{QStringLiteral("einvoice-import"), IncomingPath("rechnung-cii.xml")} + onDb)
                  .status,
              0);
    const QString list = db.folder() + QStringLiteral("/offen.csv");
    const CommandRun open = tavirel(QStringList{QStringLiteral("export-list"), list,
                                                QStringLiteral("--status"), QStringLiteral("eingang-offen")} +
                                    onDb);
    ASSERT_EQ(open.status, 0) << open.err.toStdString();
    QFile csv(list);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray rows = csv.readAll();
    EXPECT_TRUE(rows.contains(";HK-2025-0815;") && rows.contains(";679,85;595,5\r\n")) << rows.toStdString();
}

TEST(IncomingCommand, TheProgramsOwnZugferdInvoiceIsReadBack)
{
    TestDb db(true);
    const QStringList onDb = {QStringLiteral("--db"), db.path()};
    const qint64 id =
        db.scalar(QStringLiteral("select min(id) from Vorgang1 where typ = 'R' and vk > 0")).rawInt();
    const QString number =
        db.scalar(QStringLiteral("select vorgangnr from Vorgang1 where id = %1").arg(id)).rawText();
    const QString pdf = db.folder() + QStringLiteral("/eigene.pdf");
    const CommandRun written = tavirel(
        QStringList{QStringLiteral("pdf"), QString::number(id), pdf, QStringLiteral("--zugferd")} + onDb);
    ASSERT_EQ(written.status, 0) << written.err.toStdString();
    const CommandRun shown = tavirel({QStringLiteral("einvoice-show"), pdf, QStringLiteral("--json")});
    ASSERT_EQ(shown.status, 0) << shown.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(shown.out.toUtf8()).object();
    EXPECT_EQ(o.value(QStringLiteral("BT-1")).toString(), number);
    EXPECT_EQ(o.value(QStringLiteral("BT-27")).toString(), QStringLiteral("Tavirel Haustechnik GmbH"));
    EXPECT_TRUE(o.value(QStringLiteral("findings")).toArray().isEmpty())
        << QJsonDocument(o.value(QStringLiteral("findings")).toArray()).toJson().toStdString();
}
