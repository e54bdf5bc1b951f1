// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include "datacommands.h"
#include "dunningcommand.h"
#include "einvoicecommand.h"
#include "germantranslations.h"
#include "invoicereportcommand.h"
#include "personcommands.h"
#include "platform/platform.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/textfiles.h"
#include "data/databasecopy.h"
#include "data/dates.h"
#include "data/engine.h"
#include "data/programfolder.h"
#include "data/programvalues.h"
#include "data/samplefirm.h"
#include "data/schema.h"
#include "data/settings.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "documents/core/tfumw.h"
#include "einvoice/ciiwriter.h"
#include "einvoice/einvoice.h"
#include "einvoice/sellerdata.h"
#include "lists/core/documentlistexport.h"
#include "lists/core/documentlistfilter.h"
#include "lists/core/documentlistsql.h"
#include "lists/core/periodicinvoicing.h"
#include "printing/printvorgang.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>

namespace CommandLine {

namespace {

const char *const kHelp =
    "Tavirelsverwaltung - Auftragsverwaltung\n"
    "\n"
    "Aufruf:\n"
    "  tavirel                         startet das Programm mit seinen Fenstern\n"
    "  tavirel init-db [--demo]        legt eine neue, leere Datenbank an (mit --demo: mit Beispieldaten);\n"
    "                                  eine bestehende Datei wird nie überschrieben\n"
    "  tavirel query \"<select>\"        führt eine Abfrage aus und gibt eine Kopfzeile und je Datensatz "
    "eine\n"
    "                                  Zeile aus, Felder durch \";\" getrennt; Datum als TT.MM.JJJJ (mit "
    "Uhrzeit,\n"
    "                                  wenn es eine hat), Zahlen mit Dezimalkomma, Ja/Nein-Felder als Ja "
    "oder\n"
    "                                  Nein, Zeilenumbrüche in Texten als Leerzeichen; in der Feldliste "
    "auch\n"
    "                                  COUNT(*), COUNT, SUM, MIN, MAX und AVG eines Feldes, mit GROUP BY\n"
    "  tavirel invoice-contracts M|Q|H|J\n"
    "                                  erzeugt aus allen Verträgen der Periode (Monat, Quartal, Halbjahr,\n"
    "                                  Jahr) je eine Rechnung\n"
    "  tavirel pdf <id> <datei.pdf> [--zugferd]\n"
    "                                  schreibt den Vorgang mit dieser ID auf dem Briefbogen als PDF,\n"
    "                                  mit den Seiten, die auch die Vorschau zeigt; mit --zugferd eine\n"
    "                                  Rechnung oder Gutschrift als E-Rechnung (ZUGFeRD / Factur-X,\n"
    "                                  PDF/A-3 mit factur-x.xml im Profil EN 16931)\n"
    "  tavirel invoice-report alle|bezahlt|offen <datei.pdf> [--kdnr N] [--von TT.MM.JJJJ --bis TT.MM.JJJJ]\n"
    "                                  schreibt die Rechnungsliste mit Summen als PDF: alle, bezahlte oder\n"
    "                                  offene Rechnungen, mit --kdnr die eines Kunden, mit --von und --bis "
    "die\n"
    "                                  eines Zeitraums (die bezahlten und alle eines Kunden ohne Zeitraum)\n"
    "  tavirel dunning-run [--stichtag TT.MM.JJJJ] [--pdf ORDNER] [--verjaehrte]\n"
    "                                  erstellt zu jeder überfälligen Rechnung die nächste Mahnung\n"
    "                                  (Zahlungserinnerung, 1. und 2. Mahnung) mit Gebühren und\n"
    "                                  Verzugszinsen nach [Mahnwesen] in tavirel.ini; mit --pdf je Mahnung\n"
    "                                  ORDNER/<Nummer>.pdf (fehlende PDF früherer Mahnungen des Stichtags\n"
    "                                  werden nachgeholt); verjährte Forderungen nur mit --verjaehrte; ein\n"
    "                                  zweiter Lauf am selben Stichtag erstellt nichts\n"
    "  tavirel export-list <datei> [--status S] [--kdnr N]\n"
    "                      [--von TT.MM.JJJJ --bis TT.MM.JJJJ | --quartal 1-4 [--jahr JJJJ]]\n"
    "                                  schreibt die Vorgangsliste wie ihr Export (Windows-1252, durch \";\"\n"
    "                                  getrennt); S ist alle, angebote, rechnungen, vertraege, bezahlt, "
    "offen,\n"
    "                                  storniert, vertraege-monat, vertraege-jahr, vertraege-quartal,\n"
    "                                  vertraege-halbjahr, eingang oder eingang-offen (Eingangsrechnungen),\n"
    "                                  ueberfaellig oder mahnungen;\n"
    "                                  ohne Filter die ganze Liste, neueste zuerst\n"
    "  tavirel copy-db --from QUELLE --to ZIEL [--lenient]\n"
    "                                  kopiert alle Tabellen aus einer Datenbank in eine neue oder leere\n"
    "                                  (Datei oder Datenbankserver, in beide Richtungen); Zähler behalten "
    "ihre\n"
    "                                  Werte, die Zeilenzahlen werden am Ende verglichen und ausgegeben;\n"
    "                                  ein Wert, der nicht ankommen kann, wie er ist (ein ungültiges Datum,\n"
    "                                  Text in einer Zahlenspalte), bricht die Kopie ab, mit --lenient wird\n"
    "                                  er leer kopiert und aufgeführt\n"
    "  tavirel xrechnung <id> <datei.xml>\n"
    "                                  schreibt die Rechnung oder Gutschrift mit der ID als E-Rechnung\n"
    "                                  (XRechnung 3.0, UN/CEFACT CII); die Angaben zum Rechnungssteller "
    "stehen\n"
    "                                  in tavirel.ini im Abschnitt [ERechnung]\n"
    "  tavirel einvoice-show <datei> [--json]\n"
    "                                  liest eine empfangene E-Rechnung (XRechnung oder ZUGFeRD / Factur-X,\n"
    "                                  als XML oder PDF), prüft sie und gibt sie als Text aus, mit --json\n"
    "                                  als JSON-Objekt mit den Namen der Norm (BT-1, BT-2, ...)\n"
    "  tavirel einvoice-import <datei> übernimmt eine empfangene E-Rechnung: das Original mit Prüfsumme\n"
    "                                  und Eingangszeit in die Datenbank, als Eingangsrechnung (Typ E) in\n"
    "                                  die Vorgangsliste; ein unbekannter Lieferant wird angelegt\n"
    "  tavirel einvoice-export <nr> <datei>\n"
    "                                  schreibt das Original der Eingangsrechnung mit dieser Eingangsnummer\n"
    "                                  unverändert in die Datei\n"
    "  tavirel backup <datei>          schreibt eine Sicherung der Datenbankdatei, auch während andere\n"
    "                                  Arbeitsplätze weiterarbeiten, und prüft sie; eine bestehende Datei "
    "wird\n"
    "                                  nie überschrieben (eine Datenbank auf dem Server sichert pg_dump)\n"
    "  tavirel check-db                prüft die Daten (Datei, Positionen ohne Vorgang, Summen, doppelte\n"
    "                                  Nummern, Rechnungen ohne Kunden, Fälligkeiten) und ändert nichts;\n"
    "                                  Rückgabewert 0 ohne, 1 mit Befunden; nennt auch Adressen, deren\n"
    "                                  Vorgänge nicht mehr aufbewahrt werden müssen\n"
    "  tavirel person-export <kdnr> <ordner>\n"
    "                                  Datenauskunft (Art. 15 und 20 DSGVO): was zur Adresse gespeichert\n"
    "                                  ist, als JSON und PDF, mit den PDF ihrer Vorgänge; nur für den\n"
    "                                  eigenen Benutzer lesbar, bestehende Dateien werden nie überschrieben\n"
    "  tavirel anonymize <kdnr>        anonymisiert eine Adresse, deren Vorgänge nicht mehr aufbewahrt\n"
    "                                  werden müssen (Rechnungen 10, andere Geschäftsbriefe 6 Jahre)\n"
    "  tavirel where                   zeigt die Ordner, die das Programm verwendet\n"
    "\n"
    "Jeder Befehl nimmt --db PFAD für eine andere Datenbankdatei oder --db "
    "postgresql://benutzer@server:port/db\n"
    "für eine Datenbank auf einem PostgreSQL-Server (das Kennwort steht in der Kennwortdatei .pgpass oder "
    "in\n"
    "PGPASSWORD, nie in der Angabe); ohne --db gilt der Eintrag [DATENBANK] Verbindung in tavirel.ini und "
    "ohne\n"
    "ihn daten/tavirel.mdb im Programmordner.\n"
    "\n"
    "Rückgabewert: 0 erledigt (check-db: ohne Befunde), 1 nicht erledigt (ein Fehler, eine Ablehnung;\n"
    "check-db: mit Befunden), 2 falscher Aufruf (unbekannter Befehl, unbekannte Option, fehlender Wert).\n"
    "\n"
    "Wo die Daten liegen: Steht neben dem Programm ein Ordner daten/ oder eine tavirel.ini, gilt der\n"
    "Programmordner (eine tragbare Kopie). Ein installiertes Programm legt die Datenbank je Benutzer in\n"
    "$XDG_DATA_HOME/tavirel/daten/ ab (sonst ~/.local/share/tavirel/daten/), die Einstellungen tavirel.ini\n"
    "und die Textdateien in $XDG_CONFIG_HOME/tavirel/ (sonst ~/.config/tavirel/); sie werden beim ersten\n"
    "Start aus den Vorlagen des Programms angelegt und von späteren Versionen nie überschrieben.\n";

void out(const QString &s)
{
    const QByteArray b = s.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
}

void err(const QString &s)
{
    const QByteArray b = (s + QLatin1Char('\n')).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
}

struct Options
{
    QString command;
    QStringList positional;
    QString db, from, to;
    bool demo = false;
    bool zugferd = false;
    bool lenient = false;
    QString error;
};

Options parse(const QStringList &args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--db")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("Nach --db fehlt der Pfad der Datenbankdatei");
                return o;
            }
            o.db = args[++i];
        } else if (a.startsWith(QLatin1String("--db="))) {
            o.db = a.mid(5);
        } else if (a == QLatin1String("--from") || a == QLatin1String("--to")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("Nach %1 fehlt die Datenbank").arg(a);
                return o;
            }
            (a == QLatin1String("--from") ? o.from : o.to) = args[++i];
        } else if (a == QLatin1String("--demo")) {
            o.demo = true;
        } else if (a == QLatin1String("--zugferd")) {
            o.zugferd = true;
        } else if (a == QLatin1String("--lenient")) {
            o.lenient = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.command = QStringLiteral("help");
        } else if (o.command.isEmpty()) {
            o.command = a;
        } else {
            o.positional << a;
        }
    }
    return o;
}

QString cellText(const TField *f)
{
    const Value v = f->value();
    switch (v.kind()) {
    case Value::Null:
        return QString();
    case Value::Bool:
        return v.rawInt() ? QStringLiteral("Ja") : QStringLiteral("Nein");
    case Value::DateTime:
        return German::formatStamp(v.stamp());
    case Value::Double:
        return German::formatFloat(v.rawDouble());
    case Value::Int:
        return QString::number(v.rawInt());
    case Value::Bytes:
        return QStringLiteral("(%1 Bytes)").arg(v.rawBytes().size());
    case Value::Text: {
        QString t = v.rawText();
        t.replace(QLatin1String("\r\n"), QLatin1String(" "));
        t.replace(QLatin1Char('\n'), QLatin1Char(' '));
        t.replace(QLatin1Char('\r'), QLatin1Char(' '));
        return t;
    }
    }
    return QString();
}

QString shown(const QString &location)
{
    return Engine::shownLocation(location);
}

int initDb(const Options &o)
{
    QString path;
    try {
        path = o.db.isEmpty() ? ProgramFolder::databasePath() : DatabaseLocation(o.db);
        Schema::createDatabase(path, o.demo);
    } catch (const AppError &e) {
        err(e.message());
        return 1;
    }
    out(QStringLiteral("Datenbank angelegt: %1%2\n")
            .arg(shown(path), o.demo ? QStringLiteral(" (mit Beispieldaten)") : QString()));
    // The program's own database brings its firm into the settings (the
    // sample firm with the sample data, none without); one named by --db
    // leaves the settings as they are.
    if (!o.db.isEmpty()) return 0;
    const QString folder = ProgramFolder::dir();
    const bool before = SampleFirm::isInUse(folder);
    try {
        SampleFirm::prepareSettings(folder, o.demo);
    } catch (const AppError &e) {
        err(QStringLiteral("Die Einstellungen der Firma wurden nicht angepasst: %1").arg(e.message()));
        return 1;
    }
    if (!before && SampleFirm::isInUse(folder))
        out(QStringLiteral("Die Musterfirma der Beispieldaten steht jetzt in %1.\n")
                .arg(QDir::toNativeSeparators(ProgramFolder::iniPath())));
    else if (before && !SampleFirm::isInUse(folder))
        out(QStringLiteral("Die Musterfirma wurde aus %1 entfernt; die eigene Firma trägt man unter "
                           "\"Datei › Einstellungen …\" ein.\n")
                .arg(QDir::toNativeSeparators(ProgramFolder::iniPath())));
    else if (!SampleFirm::hasFirm(folder))
        out(QStringLiteral("Die eigene Firma trägt man unter \"Datei › Einstellungen …\" ein.\n"));
    return 0;
}

int copyDb(const Options &o)
{
    if (o.from.isEmpty() || o.to.isEmpty() || !o.positional.isEmpty()) {
        err(QStringLiteral(
            "Aufruf: tavirel copy-db --from QUELLE --to ZIEL [--lenient] (Datei oder postgresql://…)"));
        return 2;
    }
    const QString from = DatabaseLocation(o.from), to = DatabaseLocation(o.to);
    DatabaseCopy::Result r;
    try {
        r = DatabaseCopy::copy(from, to, {}, o.lenient);
    } catch (const AppError &e) {
        err(QStringLiteral("Die Datenbank wurde nicht kopiert: %1").arg(e.message()));
        return 1;
    }
    QString report = QStringLiteral("Datenbank kopiert von %1 nach %2:\n").arg(shown(from), shown(to));
    for (const DatabaseCopy::TableCount &t : r.tables)
        report += QStringLiteral("  %1: %2 Zeilen\n").arg(t.table).arg(t.rows);
    report += QStringLiteral("Die Zeilenzahlen von Quelle und Ziel stimmen überein.\n");
    if (!r.replaced.isEmpty())
        report +=
            QStringLiteral("Leer (NULL) kopiert, weil sie nicht ankommen konnten, wie sie waren (%1):\n")
                .arg(r.replaced.size());
    for (const QString &v : r.replaced)
        report += QStringLiteral("  %1\n").arg(v);
    for (const QString &t : r.skipped)
        report += QStringLiteral("Nicht kopiert (gehört nicht zum Programm): %1\n").arg(t);
    out(report);
    return 0;
}

int query(const Options &o)
{
    if (o.positional.size() != 1) {
        err(QStringLiteral("Bitte genau eine Abfrage angeben, z. B. tavirel query \"select * from adress\""));
        return 1;
    }
    try {
        TVexDaoDatabase db;
        OpenDatabase(db, o.db);
        TVexDaoTable t(nullptr, QStringLiteral("query"));
        t.setDatabase(&db);
        t.SQL() << o.positional.first();
        t.Open();
        QStringList header;
        for (int i = 0; i < t.FieldCount(); ++i)
            if (t.FindField(t.Fields(i)->FieldName()) == t.Fields(i)) header << t.Fields(i)->FieldName();
        out(header.join(QLatin1Char(';')) + QLatin1Char('\n'));
        QString block;
        for (t.First(); !t.Eof(); t.Next()) {
            QStringList cells;
            for (const QString &h : header)
                cells << cellText(t.FieldByName(h));
            block += cells.join(QLatin1Char(';')) + QLatin1Char('\n');
            if (block.size() > 65536) {
                out(block);
                block.clear();
            }
        }
        out(block);
    } catch (const AppError &e) {
        err(e.message());
        return 1;
    }
    return 0;
}

int invoiceContracts(const Options &o)
{
    const QString letter = o.positional.value(0).toUpper();
    if (o.positional.size() != 1 || !IsPeriodLetter(letter)) {
        err(QStringLiteral(
            "Bitte eine Vertragsperiode angeben: M (Monat), Q (Quartal), H (Halbjahr) oder J (Jahr)"));
        return 2;
    }
    Tdataa addresses;
    TData documents(&addresses.Datenbank);
    TVexDaoTable vorganglist(nullptr, QStringLiteral("vorganglist"));
    try {
        if (!o.db.isEmpty()) {
            if (!Engine::isServerLocation(o.db) && !QFileInfo::exists(o.db))
                throw AppError(Engine::missingMessage(o.db));
            addresses.Datenbank.SmartOpen = false;
        }
        addresses.DataModuleCreate(o.db.isEmpty() ? QString() : DatabaseLocation(o.db));
        documents.DataCreate();
        vorganglist.setDatabase(&addresses.Datenbank);
        vorganglist.SQL() << DocumentListSql();
        // Nobody sees the list here: it is read with the run's filter only.
        vorganglist.setFilter(ContractFilter(letter));
        vorganglist.setFiltered(true);
        vorganglist.Open();
    } catch (const AppError &e) {
        err(e.message());
        return 2;
    }
    dataa = &addresses;
    Data = &documents;
    TFumw umw(nullptr);
    PeriodicRunResult r;
    try {
        r = CreatePeriodicInvoicesRun(vorganglist, umw, letter, false);
    } catch (const AppError &e) {
        r.error = e.message();
    }
    const QString period = PeriodText(letter, BillingPeriodOf(letter, Today()));
    if (r.repeated)
        out(QStringLiteral(
            "Die Verbindung zum Datenbankserver war unterbrochen; vom ersten Versuch wurde nichts "
            "gespeichert, der Lauf wurde mit einer neuen Verbindung wiederholt.\n"));
    if (r.count > 0)
        out(QStringLiteral("Es sind %1 Rechnungen (%2 - %3) erstellt worden!\n")
                .arg(r.count)
                .arg(r.first, r.last));
    if (!r.passedOver.isEmpty()) {
        out(QStringLiteral("%1 für %2 bereits abgerechnet und nicht noch einmal berechnet:\n")
                .arg(r.passedOver.size() == 1 ? QStringLiteral("1 Vertrag ist")
                                              : QStringLiteral("%1 Verträge sind").arg(r.passedOver.size()),
                     period));
        for (const QString &contract : std::as_const(r.passedOver))
            out(QStringLiteral("  %1\n").arg(contract));
    }
    if (!r.error.isEmpty()) {
        err(QStringLiteral("Der Lauf wurde abgebrochen: %1").arg(r.error));
        if (r.count == 0) err(QStringLiteral("Es wurde keine Rechnung gespeichert."));
        return 1;
    }
    if (r.count == 0 && r.passedOver.isEmpty())
        out(QStringLiteral("Es gibt keinen Vertrag der Periode %1 mit Positionen; es wurden keine Rechnungen "
                           "erstellt.\n")
                .arg(letter));
    else if (r.count == 0)
        out(QStringLiteral("Es wurden keine Rechnungen erstellt.\n"));
    return 0;
}

int pdf(const Options &o)
{
    if (o.positional.size() != 2) {
        err(QStringLiteral(
            "Bitte die ID des Vorgangs und die PDF-Datei angeben, z. B. tavirel pdf 17 rechnung.pdf"));
        return 2;
    }
    const QString path = QFileInfo(o.positional.at(1)).absoluteFilePath();
    try {
        TVexDaoDatabase db;
        OpenDatabase(db, o.db);
        // The tax number comes from the settings file, as in the program.
        ProgramValues::instance().UstId =
            IniFile(ProgramFolder::iniPath()).readString(QStringLiteral("UST"), QStringLiteral("ID"));
        QStringList warnings;
        if (o.zugferd)
            WriteVorgangZugferdPdf(&db, o.positional.at(0), path, &warnings);
        else
            WriteVorgangPdf(&db, o.positional.at(0), path, &warnings);
        for (const QString &w : warnings)
            err(QStringLiteral("Warnung: %1").arg(w));
    } catch (const AppError &e) {
        err(e.message());
        return 1;
    }
    out(QStringLiteral("%1 geschrieben: %2\n")
            .arg(o.zugferd ? QStringLiteral("E-Rechnung (ZUGFeRD)") : QStringLiteral("PDF"),
                 QDir::toNativeSeparators(path)));
    return 0;
}

// Written whole or not at all: a refused or failed run leaves no file behind.
void saveFile(const QString &path, const QByteArray &bytes)
{
    TextFiles::writeWhole(path, bytes);
}

int xrechnung(const Options &o)
{
    if (o.positional.size() != 2) {
        err(QStringLiteral("Aufruf: tavirel xrechnung <id> <datei.xml> [--db PFAD]"));
        return 2;
    }
    bool ok = false;
    const qint64 id = o.positional.at(0).toLongLong(&ok);
    if (!ok || id <= 0) {
        err(QStringLiteral("'%1' ist keine Vorgangs-ID (eine ganze Zahl, die Spalte id von Vorgang1)")
                .arg(o.positional.at(0)));
        return 2;
    }
    const QString target = QFileInfo(o.positional.at(1)).absoluteFilePath();
    try {
        TVexDaoDatabase db;
        OpenDatabase(db, o.db);
        const EInvoice invoice = EInvoice::load(db, id, SellerData::read(ProgramFolder::iniPath()),
                                                ProgramValues::instance().MwstSatz);
        saveFile(target, CiiWriter::write(invoice, CiiWriter::Profile::XRechnung));
    } catch (const AppError &e) {
        err(e.message());
        return 1;
    }
    out(QStringLiteral("E-Rechnung geschrieben: %1\n").arg(QDir::toNativeSeparators(target)));
    return 0;
}

// The options of export-list, checked one by one: the list's filter as the
// window builds it, or none when no filter option is given.
struct ListExportOptions
{
    QString file;
    bool filtered = false;
    DocumentListFilter filter;
};

bool readDateOption(const QString &option, const QString &text, QDate *date, QString *error)
{
    qint64 stamp = 0;
    const QString t = text.trimmed();
    // A whole date as the list's calendar gives it, no time of day.
    if (!German::parseDateText(t, &stamp) || Value::secondsOfStamp(stamp) != 0 ||
        !QRegularExpression(QStringLiteral("^\\d{1,2}\\.\\d{1,2}\\.\\d{4}$")).match(t).hasMatch()) {
        *error = QStringLiteral("%1: '%2' ist kein gültiges Datum (TT.MM.JJJJ)").arg(option, text);
        return false;
    }
    *date = Value::dateOfStamp(stamp);
    return true;
}

bool parseListExport(const Options &o, ListExportOptions *out, QString *error)
{
    if (o.demo) {
        *error = QStringLiteral("Unbekannte Option --demo für export-list");
        return false;
    }
    QHash<QString, QString> values;
    QStringList files;
    const QStringList known = {QStringLiteral("--status"),  QStringLiteral("--kdnr"),
                               QStringLiteral("--von"),     QStringLiteral("--bis"),
                               QStringLiteral("--quartal"), QStringLiteral("--jahr")};
    for (int i = 0; i < o.positional.size(); ++i) {
        QString a = o.positional.at(i);
        if (!a.startsWith(QLatin1String("--"))) {
            files << a;
            continue;
        }
        QString value;
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (eq > 0) {
            value = a.mid(eq + 1);
            a = a.left(eq);
        }
        if (!known.contains(a)) {
            *error = QStringLiteral("Unbekannte Option %1 für export-list").arg(a);
            return false;
        }
        if (eq < 0) {
            if (i + 1 >= o.positional.size()) {
                *error = QStringLiteral("Nach %1 fehlt der Wert").arg(a);
                return false;
            }
            value = o.positional.at(++i);
        }
        if (values.contains(a)) {
            *error = QStringLiteral("%1 ist mehrfach angegeben").arg(a);
            return false;
        }
        values.insert(a, value);
    }
    if (files.size() != 1) {
        *error = QStringLiteral("Bitte genau eine Zieldatei angeben, z. B. tavirel export-list liste.txt");
        return false;
    }
    out->file = files.first();
    out->filtered = !values.isEmpty();
    DocumentListFilter &f = out->filter;

    if (values.contains(QStringLiteral("--status"))) {
        const QString s = values.value(QStringLiteral("--status"));
        const int index = DocumentListFilter::statusIndexOfCommandName(s);
        if (index < 0) {
            *error =
                QStringLiteral("--status: '%1' ist unbekannt; möglich sind alle, angebote, rechnungen, "
                               "vertraege, bezahlt, offen, storniert, vertraege-monat, vertraege-jahr, "
                               "vertraege-quartal, vertraege-halbjahr, eingang, eingang-offen, ueberfaellig, "
                               "mahnungen")
                    .arg(s);
            return false;
        }
        f.chooseStatus(index);
    }
    if (values.contains(QStringLiteral("--kdnr"))) {
        const QString k = values.value(QStringLiteral("--kdnr")).trimmed();
        bool ok = !k.isEmpty();
        for (const QChar c : k)
            ok = ok && c >= u'0' && c <= u'9';
        if (!ok || k.size() > 15) {
            *error = QStringLiteral("--kdnr: '%1' ist keine Kundennummer (eine ganze Zahl)")
                         .arg(values.value(QStringLiteral("--kdnr")));
            return false;
        }
        f.CustomerFilter = DocumentListFilter::customerCondition(QString::number(k.toLongLong()));
    }
    const bool quarter = values.contains(QStringLiteral("--quartal"));
    if (quarter && (values.contains(QStringLiteral("--von")) || values.contains(QStringLiteral("--bis")))) {
        *error = QStringLiteral("--quartal und --von/--bis schließen einander aus");
        return false;
    }
    if (values.contains(QStringLiteral("--jahr")) && !quarter) {
        *error = QStringLiteral("--jahr gilt nur mit --quartal");
        return false;
    }
    if (values.contains(QStringLiteral("--von")) &&
        !readDateOption(QStringLiteral("--von"), values.value(QStringLiteral("--von")), &f.PeriodStart,
                        error))
        return false;
    if (values.contains(QStringLiteral("--bis")) &&
        !readDateOption(QStringLiteral("--bis"), values.value(QStringLiteral("--bis")), &f.PeriodEnd, error))
        return false;
    // A period has both ends, as the list's two calendars give it; one end
    // alone would silently stretch to 1999 or 2100.
    if (values.contains(QStringLiteral("--von")) != values.contains(QStringLiteral("--bis"))) {
        *error = QStringLiteral("Ein Zeitraum braucht beide Daten: --von und --bis");
        return false;
    }
    if (values.contains(QStringLiteral("--von")) && f.PeriodEnd < f.PeriodStart) {
        *error = QStringLiteral("Das Ende des Zeitraums (--bis) liegt vor seinem Anfang (--von)");
        return false;
    }
    if (quarter) {
        const QString q = values.value(QStringLiteral("--quartal")).trimmed();
        if (q.size() != 1 || q.at(0) < u'1' || q.at(0) > u'4') {
            *error = QStringLiteral("--quartal: '%1' ist kein Quartal (1, 2, 3 oder 4)")
                         .arg(values.value(QStringLiteral("--quartal")));
            return false;
        }
        QDate year = Today();
        if (values.contains(QStringLiteral("--jahr"))) {
            const QString y = values.value(QStringLiteral("--jahr")).trimmed();
            bool ok = y.size() == 4;
            for (const QChar c : y)
                ok = ok && c >= u'0' && c <= u'9';
            if (!ok || y.toInt() < 1) {
                *error = QStringLiteral("--jahr: '%1' ist kein Jahr (JJJJ)")
                             .arg(values.value(QStringLiteral("--jahr")));
                return false;
            }
            year = QDate(y.toInt(), 1, 1);
        }
        f.PeriodStart = year;
        f.setQuarter(q.toInt(), year);
    }
    return true;
}

int exportList(const Options &o)
{
    ListExportOptions options;
    QString error;
    if (!parseListExport(o, &options, &error)) {
        err(error);
        return 2;
    }
    const QString path = QFileInfo(options.file).absoluteFilePath();
    int rows = 0;
    try {
        TVexDaoDatabase db;
        OpenDatabase(db, o.db);
        TVexDaoTable vorganglist(nullptr, QStringLiteral("vorganglist"));
        vorganglist.setDatabase(&db);
        SetUpDocumentListFields(vorganglist);
        vorganglist.SQL() << DocumentListSql();
        // As the list first opens, or as after its filter was applied.
        if (options.filtered) {
            vorganglist.setFilter(options.filter.filterText());
            vorganglist.setFiltered(true);
        }
        vorganglist.Open();
        rows = vorganglist.RecordCount();
        DocumentListExport::write(vorganglist, DocumentListExport::typeNames(db), path);
    } catch (const AppError &e) {
        err(e.message());
        return 1;
    }
    out(QStringLiteral("Liste exportiert: %1 (%2 %3)\n")
            .arg(QDir::toNativeSeparators(path))
            .arg(rows)
            .arg(rows == 1 ? QStringLiteral("Vorgang") : QStringLiteral("Vorgänge")));
    return 0;
}

} // namespace

QString DatabaseLocation(const QString &given)
{
    return Engine::isServerLocation(given) ? given.trimmed() : QFileInfo(given).absoluteFilePath();
}

void OpenDatabase(TVexDaoDatabase &db, const QString &path)
{
    if (!path.isEmpty()) {
        db.SmartOpen = false;
        db.setDatabase(DatabaseLocation(path));
    } else {
        db.setDatabase(ProgramFolder::databasePath());
    }
    db.Open();
}

bool isCommand(const QStringList &args)
{
    return args.size() > 1;
}

bool needsFonts(const QStringList &args)
{
    const QString command = parse(args).command;
    return command == QLatin1String("pdf") || command == QLatin1String("invoice-report") ||
           command == QLatin1String("dunning-run") || command == QLatin1String("person-export");
}

int run(const QStringList &args)
{
    // Qt's own texts in German here too, and a console that shows umlauts.
    GermanTranslations::install();
    Platform::prepareConsole();
    const Options o = parse(args);
    if (!o.error.isEmpty()) {
        err(o.error);
        return 2;
    }
    if (o.command == QLatin1String("help")) {
        out(QString::fromUtf8(kHelp));
        return 0;
    }
    if (o.zugferd && o.command != QLatin1String("pdf")) {
        err(QStringLiteral("--zugferd gibt es nur bei tavirel pdf"));
        return 2;
    }
    if (o.command == QLatin1String("init-db")) return initDb(o);
    if (o.command == QLatin1String("copy-db")) return copyDb(o);
    if (o.command == QLatin1String("query")) return query(o);
    if (o.command == QLatin1String("invoice-contracts")) return invoiceContracts(o);
    if (o.command == QLatin1String("pdf")) return pdf(o);
    if (o.command == QLatin1String("xrechnung")) return xrechnung(o);
    if (o.command == QLatin1String("invoice-report")) return invoiceReport(args);
    if (o.command == QLatin1String("dunning-run")) return dunningRun(args);
    if (o.command == QLatin1String("export-list")) return exportList(o);
    if (o.command == QLatin1String("einvoice-show")) return einvoiceShow(o.positional);
    if (o.command == QLatin1String("einvoice-import")) return einvoiceImport(o.positional, o.db);
    if (o.command == QLatin1String("einvoice-export")) return einvoiceExport(o.positional, o.db);
    if (o.command == QLatin1String("where")) return DataCommands::where(o.positional, o.db);
    if (o.command == QLatin1String("backup")) return DataCommands::backup(o.positional, o.db);
    if (o.command == QLatin1String("check-db")) return DataCommands::checkDb(o.positional, o.db);
    if (o.command == QLatin1String("person-export")) return PersonCommands::personExport(o.positional, o.db);
    if (o.command == QLatin1String("anonymize")) return PersonCommands::anonymize(o.positional, o.db);
    err(QStringLiteral("Unbekannter Befehl '%1'. Aufruf: tavirel --help").arg(o.command));
    return 2;
}

} // namespace CommandLine
