// SPDX-License-Identifier: GPL-3.0-or-later
// The export of the document list, read back as a spreadsheet program reads
// it (Windows-1252, CR LF, ";" with double quotes), from the window and from
// the command line.
#include "listfixture.h"
#include "tests/commandrun.h"

#include "base/textfiles.h"
#include "lists/core/documentlistexport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// The file split into lines and fields the way a spreadsheet program reads
// semicolon-separated text: a field in double quotes may hold ";", line
// breaks and doubled quotes.
QList<QStringList> readAsSpreadsheet(const QByteArray &bytes, QString *problem)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, wasQuoted = false;
    // Windows-1252 exactly: every byte one character.
    const QString text = TextFiles::decode(bytes.isEmpty() ? bytes : bytes + QByteArray(1, char(0xFF)))
                             .chopped(bytes.isEmpty() ? 0 : 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == u';') {
            row << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\r') {
            if (i + 1 >= text.size() || text.at(i + 1) != u'\n') *problem = QStringLiteral("CR without LF");
            row << field;
            rows << row;
            row.clear();
            field.clear();
            wasQuoted = false;
            ++i;
        } else if (c == u'\n') {
            *problem = QStringLiteral("LF without CR");
        } else {
            field += c;
        }
    }
    if (!row.isEmpty() || !field.isEmpty()) *problem = QStringLiteral("last line without CR LF");
    return rows;
}

class ListExport : public ListFixture
{
  protected:
    QString target(const QString &name) const { return out.filePath(name); }
    QByteArray read(const QString &path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    QList<QStringList> exportedRows(const QString &path)
    {
        QString problem;
        const QList<QStringList> rows = readAsSpreadsheet(read(path), &problem);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        return rows;
    }
    QTemporaryDir out;
};

const QStringList kHeader = {QStringLiteral("Datum"),       QStringLiteral("V-Nr"),
                             QStringLiteral("Art"),         QStringLiteral("Kunde"),
                             QStringLiteral("bezahlenbis"), QStringLiteral("bezahltam"),
                             QStringLiteral("netto"),       QStringLiteral("brutto")};

TEST_F(ListExport, NamesWithSeparatorsAndQuotesStayInTheirColumn)
{
    address(1005, QStringLiteral("Müller; Söhne & Co."));
    address(1006, QStringLiteral("\"Zum Anker\" Wirt Jürgen"));
    address(1007, QStringLiteral("Straßenbau €uro"));
    Doc a;
    a.nr = QStringLiteral("10001");
    a.datum = QStringLiteral("2005-02-01 14:30:00");
    a.vk = 10.5;
    a.bezahlt = true;
    a.bezahltdatum = QStringLiteral("2005-02-10");
    const qint64 first = document(a);
    db->exec(QStringLiteral("update Vorgang1 set zieldatum = '2005-02-15' where id = %1").arg(first));
    Doc b;
    b.typ = QStringLiteral("A");
    b.nr = QStringLiteral("20001");
    b.kdnr = 1006;
    b.datum = QStringLiteral("2005-01-01");
    document(b);
    Doc c;
    c.typ = QStringLiteral("G");
    c.nr = QStringLiteral("4001");
    c.kdnr = 1007;
    c.datum = QStringLiteral("2004-12-01");
    const qint64 noAmount = document(c);
    db->exec(QStringLiteral("update Vorgang1 set vk = null where id = %1").arg(noAmount));
    db->exec(QStringLiteral("update VTyp set Typbez = 'Gut; schrift' where id = 'G'"));

    TFVListe *w = openList();
    dialogs->answerSaveFile(target(QStringLiteral("liste.txt")));
    w->ToolButton4->click();
    const ScriptedDialogs::Interaction &asked = dialogs->interactions().constLast();
    EXPECT_EQ(asked.saveOptions.defaultSuffix, QStringLiteral("txt"));
    EXPECT_EQ(asked.saveOptions.filter,
              QStringLiteral("Textdateien (*.txt);;CSV-Dateien (*.csv);;Alle Dateien (*)"));
    EXPECT_TRUE(asked.saveOptions.confirmOverwrite);

    const QList<QStringList> rows = exportedRows(target(QStringLiteral("liste.txt")));
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], kHeader);
    EXPECT_EQ(rows[1], QStringList({QStringLiteral("01.02.2005 14:30:00"), QStringLiteral("10001"),
                                    QStringLiteral("Rechnung"), QStringLiteral("Müller; Söhne & Co."),
                                    QStringLiteral("15.02.2005"), QStringLiteral("10.02.2005"),
                                    QStringLiteral("10,5"), QStringLiteral("12,495")}));
    EXPECT_EQ(rows[2], QStringList({QStringLiteral("01.01.2005"), QStringLiteral("20001"),
                                    QStringLiteral("Angebot"), QStringLiteral("\"Zum Anker\" Wirt Jürgen"),
                                    QString(), QString(), QStringLiteral("100"), QStringLiteral("119")}));
    // No amount: an empty net field and a gross of 0.
    EXPECT_EQ(rows[3], QStringList({QStringLiteral("01.12.2004"), QStringLiteral("4001"),
                                    QStringLiteral("Gut; schrift"), QStringLiteral("Straßenbau €uro"),
                                    QString(), QString(), QString(), QStringLiteral("0")}));
    // The bytes a German spreadsheet program expects.
    const QByteArray bytes = read(target(QStringLiteral("liste.txt")));
    EXPECT_TRUE(bytes.contains("\"M\xFCller; S\xF6hne & Co.\""));
    EXPECT_TRUE(bytes.contains("\"\"\"Zum Anker\"\" Wirt J\xFCrgen\""));
    EXPECT_TRUE(bytes.contains("Stra\xDF"
                               "enbau \x80uro"));
    EXPECT_TRUE(bytes.startsWith("Datum;V-Nr;Art;Kunde;bezahlenbis;bezahltam;netto;brutto\r\n"));
    EXPECT_EQ(list().RecNo(), 2) << "the walk ends on the last row";
}

TEST_F(ListExport, FollowsTheFilterAndOrderAndAnEmptyListGivesTheHeader)
{
    address(1005, QStringLiteral("Anton"));
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("2005-01-01"));
    invoice(QStringLiteral("10002"), 1005, QStringLiteral("2005-03-01"));
    TFVListe *w = openList();
    w->listeTitleClick(0); // Datum ascending
    dialogs->answerSaveFile(target(QStringLiteral("a.txt")));
    w->ToolButton4Click();
    const QList<QStringList> rows = exportedRows(target(QStringLiteral("a.txt")));
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1][1], QStringLiteral("10001"));

    chooseStatus(2); // no offers
    dialogs->answerSaveFile(target(QStringLiteral("a.txt")));
    w->ToolButton4Click();
    EXPECT_EQ(read(target(QStringLiteral("a.txt"))),
              QByteArray("Datum;V-Nr;Art;Kunde;bezahlenbis;bezahltam;netto;brutto\r\n"));

    // Cancelled: nothing written.
    dialogs->cancelSaveFile();
    w->ToolButton4Click();
    EXPECT_FALSE(QFile::exists(target(QStringLiteral("liste.txt"))));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(ListExport, AFileThatCannotBeWrittenIsToldAndLeavesNothing)
{
    address(1005, QStringLiteral("Anton"));
    invoice(QStringLiteral("10001"));
    TFVListe *w = openList();
    const QString path = target(QStringLiteral("fehlt/liste.txt"));
    dialogs->answerSaveFile(path).answerMessage(Dialogs::Ok);
    w->ToolButton4Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().contains(QDir::toNativeSeparators(path)))
        << messages().first().toStdString();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(list().ControlsDisabled()) << "the grid follows the list again";

    // An existing file the export cannot replace keeps its content.
    const QString kept = target(QStringLiteral("alt.txt"));
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("alt\r\n");
    f.close();
    QFile::setPermissions(out.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool mayWrite = QFileInfo(out.path()).isWritable(); // root may write anywhere
    dialogs->answerSaveFile(kept);
    if (!mayWrite) dialogs->answerMessage(Dialogs::Ok);
    w->ToolButton4Click();
    QFile::setPermissions(out.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!mayWrite) {
        EXPECT_EQ(messages().size(), 2);
        EXPECT_EQ(read(kept), QByteArray("alt\r\n"));
    }
}

TEST(ListExportFields, QuotedOnlyWhenTheyMustBe)
{
    EXPECT_EQ(DocumentListExport::quoteField(QStringLiteral("Meier")), QStringLiteral("Meier"));
    EXPECT_EQ(DocumentListExport::quoteField(QStringLiteral("a;b")), QStringLiteral("\"a;b\""));
    EXPECT_EQ(DocumentListExport::quoteField(QStringLiteral("\"")), QStringLiteral("\"\"\"\""));
    EXPECT_EQ(DocumentListExport::quoteField(QStringLiteral("Zeile\r\nzwei")),
              QStringLiteral("\"Zeile\r\nzwei\""));
    // What a spreadsheet would compute is marked as text; the rest stays.
    for (const char *formula : {"=1+2", "+49 561", "-Rabatt", "@SUMME(A1)", "\tx"})
        EXPECT_EQ(DocumentListExport::quoteField(QString::fromUtf8(formula)),
                  QLatin1Char('\'') + QString::fromUtf8(formula))
            << formula;
    EXPECT_EQ(DocumentListExport::quoteField(QStringLiteral("=a;b")), QStringLiteral("\"'=a;b\""));
    EXPECT_EQ(DocumentListExport::quoteField(QStringLiteral("a=b")), QStringLiteral("a=b"));
    // Characters Windows-1252 lacks become "?", one for each character.
    EXPECT_EQ(TextFiles::encodeCp1252(QStringLiteral("Łódź 😀 €")), QByteArray("?\xF3"
                                                                              "d? ? \x80"));
}

// ---- the command line

class ExportCommand : public ListExport
{
  protected:
    int run(const QStringList &args, QString *stdErr = nullptr)
    {
        const CommandRun r = tavirel(QStringList{QStringLiteral("export-list")} + args +
                                     QStringList{QStringLiteral("--db"), db->path()});
        if (stdErr) *stdErr = r.err.trimmed();
        return r.status;
    }
};

TEST_F(ExportCommand, WithoutOptionsAsTheListOpensWithOptionsAsFiltered)
{
    address(1005, QStringLiteral("Müller; Söhne"));
    address(1006, QStringLiteral("Anton"));
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("1998-06-01"));
    invoice(QStringLiteral("10002"), 1006, QStringLiteral("2005-05-01"));
    Doc paid;
    paid.nr = QStringLiteral("10003");
    paid.bezahlt = true;
    paid.datum = QStringLiteral("2005-08-01");
    document(paid);

    // The program's own select is beside the program.
    ASSERT_EQ(run({target(QStringLiteral("alle.txt"))}), 0);
    QList<QStringList> rows = exportedRows(target(QStringLiteral("alle.txt")));
    ASSERT_EQ(rows.size(), 4) << "unfiltered, with the document of 1998";
    EXPECT_EQ(rows[3][3], QStringLiteral("Müller; Söhne"));

    ASSERT_EQ(run({target(QStringLiteral("offen.txt")), QStringLiteral("--status"), QStringLiteral("offen")}),
              0);
    rows = exportedRows(target(QStringLiteral("offen.txt")));
    ASSERT_EQ(rows.size(), 2) << "the period condition leaves out 1998";
    EXPECT_EQ(rows[1][1], QStringLiteral("10002"));

    ASSERT_EQ(run({target(QStringLiteral("q.txt")), QStringLiteral("--quartal=3"), QStringLiteral("--jahr"),
                   QStringLiteral("2005"), QStringLiteral("--kdnr"), QStringLiteral("1005")}),
              0);
    rows = exportedRows(target(QStringLiteral("q.txt")));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1][1], QStringLiteral("10003"));

    ASSERT_EQ(run({target(QStringLiteral("v.txt")), QStringLiteral("--von"), QStringLiteral("01.01.1998"),
                   QStringLiteral("--bis"), QStringLiteral("30.06.1998")}),
              0);
    rows = exportedRows(target(QStringLiteral("v.txt")));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1][1], QStringLiteral("10001"));
}

TEST_F(ExportCommand, RefusesWhatItCannotDoAndLeavesNoFile)
{
    address(1005, QStringLiteral("Anton"));
    invoice(QStringLiteral("10001"));
    const QString file = target(QStringLiteral("x.txt"));
    const QList<QStringList> refused = {
        {QStringLiteral("--status"), QStringLiteral("alles")},
        {QStringLiteral("--status")},
        {QStringLiteral("--farbe"), QStringLiteral("rot")},
        {QStringLiteral("--von"), QStringLiteral("31.02.2005")},
        {QStringLiteral("--von"), QStringLiteral("01.01.2005"), QStringLiteral("--bis"),
         QStringLiteral("2005-12-31")},
        {QStringLiteral("--von"), QStringLiteral("01.01.2005")},
        {QStringLiteral("--von"), QStringLiteral("01.07.2005"), QStringLiteral("--bis"),
         QStringLiteral("30.06.2005")},
        {QStringLiteral("--quartal"), QStringLiteral("5")},
        {QStringLiteral("--jahr"), QStringLiteral("2005")},
        {QStringLiteral("--quartal"), QStringLiteral("1"), QStringLiteral("--von"),
         QStringLiteral("01.01.2005")},
        {QStringLiteral("--kdnr"), QStringLiteral("10x")},
        {QStringLiteral("--status"), QStringLiteral("offen"), QStringLiteral("--status"),
         QStringLiteral("alle")},
        {QStringLiteral("--demo")},
    };
    for (const QStringList &args : refused) {
        QString error;
        EXPECT_NE(run(QStringList{file} + args, &error), 0) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(QFile::exists(file)) << args.join(QLatin1Char(' ')).toStdString();
    }
    QString error;
    EXPECT_NE(run({target(QStringLiteral("fehlt/x.txt"))}, &error), 0);
    EXPECT_TRUE(error.contains(QStringLiteral("kann nicht geschrieben werden: den Ordner")))
        << error.toStdString();
    EXPECT_FALSE(QFile::exists(target(QStringLiteral("fehlt/x.txt"))));
    EXPECT_NE(run({}, &error), 0) << "no file named";
}

} // namespace

// Beside the list's export: the invoice journal of the list's period as CSV.
TEST_F(ListExport, TheInvoiceJournalOfTheListsPeriodGoesBesideTheExport)
{
    invoice(QStringLiteral("10001"), 1005, QStringLiteral("2005-02-01"));
    invoice(QStringLiteral("10002"), 1005, QStringLiteral("2005-05-01"));
    TFVListe *w = openList();
    w->SetQuarter(1);
    EXPECT_EQ(w->ToolButton4->menu(), w->ExportMenu);
    const QString path = target(QStringLiteral("journal.csv"));
    dialogs->answerSaveFile(path);
    w->Rechnungsausgangsbuch1->trigger();
    const ScriptedDialogs::Interaction &asked = dialogs->interactions().constLast();
    EXPECT_EQ(asked.saveOptions.defaultSuffix, QStringLiteral("csv"));
    EXPECT_TRUE(asked.saveOptions.filter.startsWith(QStringLiteral("CSV-Dateien (*.csv)")));
    EXPECT_TRUE(asked.saveOptions.fileName.endsWith(
        QStringLiteral("Rechnungsausgangsbuch 01.01.2005 bis 31.03.2005.csv")))
        << asked.saveOptions.fileName.toStdString();
    const QStringList lines = TextFiles::loadLines(path);
    ASSERT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("10001;Rechnung;01.02.2005;"))) << lines[1].toStdString();
}
