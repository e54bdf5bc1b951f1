// SPDX-License-Identifier: GPL-3.0-or-later
#include "demodata.h"

#include "numbering.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "engine.h"
#include "tax.h"

#include <QHash>
#include <QList>
#include <cmath>
#include <initializer_list>
#include <iterator>

namespace DemoData {

namespace {

// splitmix64: the same sequence on every platform and compiler, unlike the
// distributions of <random>.
class Rng
{
  public:
    explicit Rng(quint64 seed) : m_state(seed) {}
    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int range(int lo, int hi) { return lo + int(next() % quint64(hi - lo + 1)); } // both ends included
    bool chance(int percent) { return range(0, 99) < percent; }
    template <class T> const T &pick(const QList<T> &list) { return list.at(range(0, int(list.size()) - 1)); }

  private:
    quint64 m_state;
};

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

// The contracts' footer names the account a direct debit draws on; the print
// announces the debit itself, from the document's payment means.
const QString kDebitFooter = QStringLiteral("Einzug per SEPA-Lastschrift von folgendem Konto:");

// Empty texts stay NULL, as fields nobody typed into are in the old files.
Value text(const QString &s)
{
    return s.isEmpty() ? Value() : Value(s);
}
Value text(const char *s)
{
    return text(u8(s));
}

// Money sums as the document module keeps them: ten-thousandths, each added
// product rounded to the nearest count, halves to even.
void addMoney(qint64 &count, double product)
{
    count = qint64(std::nearbyint(product * 10000.0 + double(count)));
}

class Insert
{
  public:
    Insert(Engine &engine, const char *table, std::initializer_list<const char *> columns)
        : m_count(int(columns.size()))
    {
        QStringList names, marks;
        for (const char *c : columns) {
            names << engine.quote(u8(c));
            marks << QStringLiteral("?");
        }
        m_st = engine.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(engine.quote(u8(table)), names.join(u','), marks.join(u',')));
    }
    void row(std::initializer_list<Value> values)
    {
        Q_ASSERT(int(values.size()) == m_count);
        m_st->reset();
        int i = 0;
        for (const Value &v : values)
            m_st->bind(++i, v);
        m_st->step();
    }

  private:
    std::unique_ptr<Statement> m_st;
    int m_count;
};

// ---------------------------------------------------------------------------
// The sample firm's world: addresses, towns, banks, the article catalogue.

struct AddressSeed
{
    const char *name1;
    const char *vorname = "";
    const char *namen = "";
    const char *strasse = "";
    const char *plz = "";
    const char *ort = "";
    const char *vorwahl = "";
    const char *domain = ""; // web and mail of a firm
    const char *anrede = "Sehr geehrte Damen und Herren,";
    bool kunde = true;
    bool lieferant = false;
    bool bank = false;
    const char *lkdnr = "";
    const char *bemerkung = "";
};

// clang-format off
const AddressSeed kAddresses[] = {
    {.name1 = "Bäckerei Weiß GmbH", .namen = "Filiale Wilhelmshöhe", .strasse = "Wilhelmshöher Allee 210",
     .plz = "34119", .ort = "Kassel", .vorwahl = "0561", .domain = "baeckerei-weiss.de", .bank = true,
     .bemerkung = "Backstube ab 3 Uhr besetzt, Termine nur nachmittags."},
    {.name1 = "Müller", .vorname = "Hans", .strasse = "Am Rosenhang 7", .plz = "34131", .ort = "Kassel",
     .vorwahl = "0561", .anrede = "Sehr geehrter Herr Müller,", .bank = true},
    {.name1 = "Größe & Partner", .namen = "Steuerberatungsgesellschaft mbB",
     .strasse = "Friedrich-Ebert-Straße 88", .plz = "34119", .ort = "Kassel", .vorwahl = "0561",
     .domain = "groesse-partner.de", .bank = true},
    {.name1 = "Sanitär-Großhandel Nordhessen GmbH", .strasse = "Industriestraße 31", .plz = "34123",
     .ort = "Kassel", .vorwahl = "0561", .domain = "shg-nordhessen.de", .kunde = false, .lieferant = true,
     .lkdnr = "K-48213", .bemerkung = "Abholung am Lager bis 16 Uhr."},
    {.name1 = "Elektro Schäfer KG", .strasse = "Hauptstraße 45", .plz = "34225", .ort = "Baunatal",
     .vorwahl = "0561", .domain = "elektro-schaefer.de", .lieferant = true, .lkdnr = "2207"},
    {.name1 = "Wohnungsbaugenossenschaft Fulda eG", .namen = "Hausverwaltung", .strasse = "Bahnhofstraße 14",
     .plz = "36037", .ort = "Fulda", .vorwahl = "0661", .domain = "wbg-fulda.de", .bank = true},
    {.name1 = "Praxis Dr. Kühn", .namen = "Allgemeinmedizin", .strasse = "Kölnische Straße 52",
     .plz = "34117", .ort = "Kassel", .vorwahl = "0561", .domain = "praxis-kuehn.de", .bank = true},
    {.name1 = "Hotel Zur Post", .namen = "Inh. Familie Brandt", .strasse = "Marktplatz 3", .plz = "34346",
     .ort = "Hann. Münden", .vorwahl = "05541", .domain = "hotel-zurpost-hmue.de", .bank = true},
    {.name1 = "Heizungsbau Bauer GmbH", .strasse = "Kasseler Straße 120", .plz = "34289", .ort = "Zierenberg",
     .vorwahl = "05606", .domain = "heizungsbau-bauer.de", .kunde = false, .lieferant = true,
     .lkdnr = "10391"},
    {.name1 = "Schmidt", .vorname = "Petra", .strasse = "Wiesenweg 9", .plz = "34253", .ort = "Lohfelden",
     .vorwahl = "0561", .anrede = "Sehr geehrte Frau Schmidt,"},
    {.name1 = "Autohaus Köhler GmbH & Co. KG", .strasse = "Leipziger Straße 301", .plz = "34123",
     .ort = "Kassel", .vorwahl = "0561", .domain = "autohaus-koehler.de"},
    {.name1 = "Gemeinde Fuldabrück", .namen = "Bauamt", .strasse = "Am Rathaus 2", .plz = "34277",
     .ort = "Fuldabrück", .vorwahl = "0561", .domain = "fuldabrueck.de",
     .bemerkung = "Rechnungen zweifach, mit Auftragsnummer des Bauamts."},
    {.name1 = "Holzhandel Engel", .strasse = "Im Gewerbegebiet 4", .plz = "34317", .ort = "Habichtswald",
     .vorwahl = "05606", .domain = "holz-engel.de", .kunde = false, .lieferant = true, .lkdnr = "E-0815"},
    {.name1 = "Fliesen Öztürk", .strasse = "Frankfurter Straße 77", .plz = "34121", .ort = "Kassel",
     .vorwahl = "0561", .domain = "fliesen-oeztuerk.de"},
    {.name1 = "Kindergarten Sonnenschein e.V.", .strasse = "Ahornweg 12", .plz = "34134", .ort = "Kassel",
     .vorwahl = "0561", .domain = "kita-sonnenschein-kassel.de", .bank = true},
    {.name1 = "Wagner", .vorname = "Thomas", .strasse = "Bergstraße 23a", .plz = "34292", .ort = "Ahnatal",
     .vorwahl = "05609", .anrede = "Sehr geehrter Herr Wagner,"},
    {.name1 = "Armaturenwerk Süd GmbH", .strasse = "Gewerbering 8", .plz = "97080", .ort = "Würzburg",
     .vorwahl = "0931", .domain = "armaturenwerk-sued.de", .kunde = false, .lieferant = true,
     .lkdnr = "300174"},
    {.name1 = "Gaststätte Lindenhof", .namen = "Inh. Maria Jäger", .strasse = "Lindenplatz 1", .plz = "34260",
     .ort = "Kaufungen", .vorwahl = "05605", .domain = "lindenhof-kaufungen.de", .bank = true},
    {.name1 = "Becker Immobilienverwaltung", .strasse = "Ständeplatz 6", .plz = "34117", .ort = "Kassel",
     .vorwahl = "0561", .domain = "becker-immo-kassel.de", .bank = true},
    {.name1 = "Weber", .vorname = "Ingrid", .strasse = "Goethestraße 41", .plz = "34119", .ort = "Kassel",
     .vorwahl = "0561", .anrede = "Sehr geehrte Frau Weber,"},
    {.name1 = "Seniorenheim Am Park gGmbH", .strasse = "Parkstraße 5", .plz = "34212", .ort = "Melsungen",
     .vorwahl = "05661", .domain = "seniorenheim-am-park.de", .bank = true},
    {.name1 = "Metallbau Krüger", .strasse = "Werkstraße 17", .plz = "34246", .ort = "Vellmar",
     .vorwahl = "0561", .domain = "metallbau-krueger.de", .lieferant = true, .lkdnr = "KR-112"},
    {.name1 = "Zahnarztpraxis Dr. Neumann", .strasse = "Obere Königsstraße 28", .plz = "34117",
     .ort = "Kassel", .vorwahl = "0561", .domain = "zahnarzt-neumann-kassel.de"},
    {.name1 = "Schulz", .vorname = "Martin", .namen = "und Erika Schulz", .strasse = "Eichenweg 3",
     .plz = "34270", .ort = "Schauenburg", .vorwahl = "05601", .anrede = "Sehr geehrte Familie Schulz,"},
    {.name1 = "Elektrogroßhandel Mitte GmbH", .strasse = "Sandershäuser Straße 34", .plz = "34123",
     .ort = "Kassel", .vorwahl = "0561", .domain = "egh-mitte.de", .kunde = false, .lieferant = true,
     .lkdnr = "77120"},
    {.name1 = "Fischer Gebäudereinigung", .strasse = "Holländische Straße 150", .plz = "34127",
     .ort = "Kassel", .vorwahl = "0561", .domain = "fischer-reinigung.de"},
};
// clang-format on

struct Town
{
    const char *plz, *ort, *vorwahl;
};
const Town kTowns[] = {
    {"34117", "Kassel", "0561"},        {"34225", "Baunatal", "0561"},      {"36037", "Fulda", "0661"},
    {"34346", "Hann. Münden", "05541"}, {"34289", "Zierenberg", "05606"},   {"34253", "Lohfelden", "0561"},
    {"34277", "Fuldabrück", "0561"},    {"34260", "Kaufungen", "05605"},    {"34212", "Melsungen", "05661"},
    {"34246", "Vellmar", "0561"},       {"34270", "Schauenburg", "05601"},  {"37073", "Göttingen", "0551"},
    {"34497", "Korbach", "05631"},      {"36251", "Bad Hersfeld", "06621"}, {"34560", "Fritzlar", "05622"},
};

struct Bank
{
    const char *name, *blz, *bic;
};
const Bank kBanks[] = {
    {"Kasseler Beispielbank", "52012345", "KSBKDE51XXX"},
    {"Volksbank Fuldatal eG", "52060410", "GENODEF1FTL"},
    {"Raiffeisenbank Habichtswald", "52065220", "GENODEF1HBW"},
};

const char *const kSurnames[] = {
    "Müller",     "Schmidt",  "Schneider", "Fischer", "Weber",  "Meyer",    "Wagner",  "Becker",  "Schulz",
    "Hoffmann",   "Koch",     "Richter",   "Klein",   "Wolf",   "Schröder", "Neumann", "Schwarz", "Braun",
    "Zimmermann", "Hartmann", "Krüger",    "Lange",   "Werner", "Köhler",   "König",   "Walter",  "Fuchs",
    "Möller",     "Weiß",     "Jung",      "Hahn",    "Vogel",  "Keller",   "Günther", "Böhm",    "Schäfer"};
const char *const kFirstNames[] = {"Anna",   "Birgit",   "Claudia", "Dieter", "Eva",    "Frank",   "Gabriele",
                                   "Heike",  "Jürgen",   "Jörg",    "Karin",  "Klaus",  "Lena",    "Markus",
                                   "Monika", "Nina",     "Peter",   "Sabine", "Stefan", "Susanne", "Thomas",
                                   "Ute",    "Wolfgang", "Sören",   "Bärbel", "Özlem"};
const char *const kStreets[] = {"Hauptstraße", "Bahnhofstraße", "Gartenweg",   "Schulstraße",   "Mühlenweg",
                                "Kirchplatz",  "Am Anger",      "Lindenallee", "Brückenstraße", "Feldstraße",
                                "Königstor",   "Ölmühlenweg",   "Tränkepfad",  "Goethestraße",  "Wiesenring"};
const char *const kTrades[] = {"Bau",         "Immobilien",  "Dachdeckerei",   "Gartenbau", "Hausverwaltung",
                               "Zahntechnik", "Autoservice", "Getränkehandel", "Bäckerei",  "Schreinerei"};
const char *const kForms[] = {"GmbH", "KG", "e.K.", "GmbH & Co. KG", "OHG", ""};
const char *const kFunctions[] = {"Inhaber", "Einkauf",    "Buchhaltung", "Hausmeister",
                                  "Technik", "Verwaltung", "Sekretariat", "Objektleitung"};
const char *const kMarks[] = {"JA", "TK", "MS"};

struct ArticleSeed
{
    const char *nr, *beschreibung, *detail, *einheit;
    double ek, vk;
};

enum ArticleGroup { Service, Contract, Material };

// clang-format off
const ArticleSeed kArticles[] = {
    {"AS-01", "Arbeitsstunde Monteur", "Abrechnung nach tatsächlichem Zeitaufwand", "h", 38.00, 62.00},
    {"AS-02", "Arbeitsstunde Meister", "Abrechnung nach tatsächlichem Zeitaufwand", "h", 45.00, 78.00},
    {"AS-03", "Arbeitsstunde Helfer", "Abrechnung nach tatsächlichem Zeitaufwand", "h", 28.00, 45.00},
    {"AS-10", "Anfahrtspauschale Stadtgebiet", "Fahrzeug und Fahrzeit im Stadtgebiet Kassel", "Psch", 12.50,
     35.00},
    {"AS-11", "Anfahrtspauschale Umland", "Fahrzeug und Fahrzeit bis 30 km", "Psch", 18.00, 49.00},
    {"EN-100", "Entsorgung Altgerät", "Demontage, Abtransport und fachgerechte Entsorgung", "Psch", 25.00,
     65.00},
    {"EN-110", "Bauschutt-Entsorgung", "Container und Deponiegebühr", "t", 48.00, 95.00},
    {"WA-100", "Wartung Gasbrennwertkessel", "Reinigung, Einstellung, Abgasmessung, Prüfprotokoll", "Psch",
     55.00, 149.00},
    {"WA-110", "Wartung Ölheizung inkl. Abgasmessung", "Düsenwechsel, Filterwechsel, Brennereinstellung",
     "Psch", 70.00, 189.00},
    {"WA-120", "Wartung Wärmepumpe", "Sichtprüfung, Kältekreis, Regelung, Filter", "Psch", 60.00, 175.00},
    {"WA-230", "Legionellenprüfung Trinkwasser", "Probenahme und Laborbefund nach TrinkwV", "Psch", 85.00,
     210.00},
    {"WA-200", "Wartungsvertrag Heizung", "Jährliche Wartung und Störungsbeseitigung, monatlich berechnet",
     "Mon", 9.50, 24.90},
    {"WA-210", "Wartungsvertrag Sanitär", "Prüfung der Armaturen und Abläufe, monatlich berechnet", "Mon",
     6.00, 15.90},
    {"WA-220", "Bereitschaftsdienst Notruf", "Erreichbarkeit rund um die Uhr, Einsatz binnen 4 Stunden",
     "Mon", 20.00, 49.00},
    {"WA-240", "Wartung Enthärtungsanlage", "Jährliche Wartung mit Harzreinigung", "Jahr", 90.00, 229.00},
    {"HZ-2010", "Gas-Brennwerttherme 24 kW", "Wandgerät mit Regelung, ohne Abgasanlage", "Stk", 1850.00,
     2790.00},
    {"HZ-2020", "Luft-Wasser-Wärmepumpe 9 kW", "Monoblock, Außenaufstellung, mit Inneneinheit", "Stk",
     7200.00, 10490.00},
    {"HZ-2100", "Heizkörper Typ 22, 600 x 1000 mm", "Kompaktheizkörper, weiß, mit Befestigung", "Stk", 118.40,
     189.00},
    {"HZ-2110", "Thermostatkopf mit Flüssigfühler", "Anschluss M30 x 1,5", "Stk", 9.85, 19.90},
    {"HZ-2120", "Heizkörperventil Durchgang DN 15", "voreinstellbar", "Stk", 11.20, 23.50},
    {"HZ-2200", "Umwälzpumpe Hocheffizienz 25-60", "Energieeffizienzindex unter 0,23", "Stk", 168.00,
     259.00},
    {"HZ-2300", "Ausdehnungsgefäß 35 l", "mit Kappenventil und Wandhalter", "Stk", 39.90, 69.00},
    {"HZ-2400", "Heizungswasser-Aufbereitung", "vollentsalztes Füllwasser", "l", 1.85, 3.90},
    {"RO-100", "Kupferrohr 15 x 1 mm", "in Stangen zu 5 m", "m", 6.35, 11.80},
    {"RO-110", "Kupferrohr 22 x 1 mm", "in Stangen zu 5 m", "m", 9.60, 17.40},
    {"RO-200", "Mehrschichtverbundrohr 16 x 2 mm", "Rolle zu 50 m", "m", 2.15, 4.90},
    {"RO-300", "HT-Abflussrohr DN 50", "mit Muffe", "m", 3.40, 7.20},
    {"RO-310", "KG-Rohr DN 110", "mit Muffe, orange", "m", 5.90, 12.50},
    {"RO-400", "Rohrdämmung 22 mm, 13 mm stark", "nach GEG", "lfm", 1.45, 3.60},
    {"SA-3001", "Waschtisch 60 cm, weiß", "Keramik, mit Überlauf", "Stk", 79.00, 139.00},
    {"SA-3010", "Einhebel-Waschtischarmatur", "verchromt, mit Ablaufgarnitur", "Stk", 64.50, 119.00},
    {"SA-3020", "Wand-WC spülrandlos mit Sitz", "Sitz mit Absenkautomatik", "Stk", 189.00, 319.00},
    {"SA-3030", "Vorwandelement WC, 112 cm", "mit Spülkasten und Betätigungsplatte", "Stk", 142.00, 239.00},
    {"SA-3040", "Duschwanne 90 x 90 cm, flach", "Stahl emailliert, mit Ablauf", "Stk", 168.00, 289.00},
    {"SA-3050", "Thermostat-Brausebatterie", "Aufputz, mit Brauseset", "Stk", 112.00, 198.00},
    {"SA-3060", "Eckventil DN 15 mit Filter", "verchromt", "Stk", 6.40, 13.90},
    {"SA-3100", "Durchlauferhitzer 21 kW", "elektronisch geregelt", "Stk", 389.00, 589.00},
    {"SA-3110", "Warmwasserspeicher 300 l", "emailliert, mit Magnesiumanode", "Stk", 980.00, 1490.00},
    {"FL-100", "Bodenfliese 30 x 60 cm, anthrazit", "rutschhemmend R10", "m²", 24.90, 44.00},
    {"FL-110", "Fliesenkleber flexibel", "Sack zu 25 kg", "kg", 0.57, 1.10},
    {"KL-100", "Kleinmaterial", "Fittings, Schellen, Dübel", "Psch", 8.00, 19.50},
    {"KL-110", "Dichtungs- und Befestigungsmaterial", "Hanf, Dichtpaste, Schrauben", "Psch", 4.50, 12.00},
};
// clang-format on

ArticleGroup groupOf(const ArticleSeed &a)
{
    const QString nr = u8(a.nr);
    if (nr.startsWith(u"AS-") || nr.startsWith(u"EN-")) return Service;
    if (nr.startsWith(u"WA-2")) return Contract;
    return Material;
}

const ArticleSeed &article(const char *nr)
{
    for (const ArticleSeed &a : kArticles)
        if (qstrcmp(a.nr, nr) == 0) return a;
    Q_UNREACHABLE();
}

// A German IBAN with correct check digits for a bank code and account number.
QString iban(const QString &blz, qint64 account)
{
    const QString bban = blz + QString::number(account).rightJustified(10, u'0');
    int rest = 0;
    for (QChar c : bban + QStringLiteral("131400")) // "DE00" with D=13, E=14
        rest = (rest * 10 + c.digitValue()) % 97;
    const QString full = QStringLiteral("DE%1").arg(98 - rest, 2, 10, QLatin1Char('0')) + bban;
    QString grouped;
    for (int i = 0; i < full.size(); i += 4)
        grouped += (i ? QStringLiteral(" ") : QString()) + full.mid(i, 4);
    return grouped;
}

QString transliterate(QString s)
{
    s = s.toLower();
    s.replace(u'ä', QStringLiteral("ae")).replace(u'ö', QStringLiteral("oe"));
    s.replace(u'ü', QStringLiteral("ue")).replace(u'ß', QStringLiteral("ss"));
    return s;
}

QString phone(Rng &rng)
{
    const QString digits = QString::number(rng.range(200000, 989999));
    return digits.left(2) + u' ' + digits.mid(2, 2) + u' ' + digits.mid(4);
}

// ---------------------------------------------------------------------------
// Addresses

struct Address
{
    int kdnr = 0;
    QString name1, vorname, namen, strasse, plz, ort, vorwahl, domain, anrede, lkdnr, bemerkung;
    bool kunde = true, lieferant = false, firm = true;
    QString kontoNr, kontoBank, kontoBlz, kontoInhaber;
    QString anschrift; // the block a document gets, built once

    bool hasBank() const { return !kontoNr.isEmpty(); }
};

QString addressBlock(const Address &a)
{
    QStringList lines;
    lines << (a.vorname + u' ' + a.name1).trimmed();
    if (!a.namen.trimmed().isEmpty()) lines << a.namen.trimmed();
    lines << a.strasse << a.plz + u' ' + a.ort;
    return lines.join(QStringLiteral("\r\n"));
}

void giveBank(Rng &rng, Address &a)
{
    const Bank &b = kBanks[rng.range(0, int(std::size(kBanks)) - 1)];
    const qint64 account = rng.range(1000000, 99999999);
    a.kontoNr = iban(u8(b.blz), account);
    a.kontoBank = u8(b.name);
    a.kontoBlz = u8(b.bic);
    a.kontoInhaber = (a.vorname + u' ' + a.name1).trimmed();
}

class AddressWriter
{
  public:
    explicit AddressWriter(Engine &engine)
        : m_adress(engine, "Adress",
                   {"NAME1",        "VORNAME",     "ID",        "TYP",       "ANGELEGT",  "GEAENDERT",
                    "KDNR",         "NAMEN",       "STRASSE",   "PLZ",       "ORT",       "VORWAHL",
                    "TELEFON1",     "TELEFAX",     "KONTAKT",   "BEMERKUNG", "WWW",       "EMAIL",
                    "LKDNR",        "kunde",       "Lieferant", "KontoNr",   "KontoBank", "KontoBLZ",
                    "KontoInhaber", "Serienbrief", "Anrede",    "MA"}),
          m_person(engine, "Personen", {"FIRMAID", "FUNKTION", "NAME", "VORNAME", "DURCHWAHL", "EMAIL"})
    {}

    void write(Rng &rng, const Address &a, int contacts)
    {
        const QDate created = QDate(2019, 1, 2).addDays(rng.range(0, 4 * 365));
        const QDate changed = created.addDays(rng.range(0, 900));
        const QDate contact = changed.addDays(rng.range(0, 400));
        const QString tel = phone(rng);
        const QString fax = a.firm ? tel.left(tel.size() - 2) + QStringLiteral("99") : QString();
        const QString email =
            a.firm ? QStringLiteral("info@") + a.domain
                   : transliterate(a.vorname + u'.' + a.name1) + QStringLiteral("@example.com");
        const double kdnr = a.kdnr;
        m_adress.row({text(a.name1),
                      text(a.vorname),
                      Value(kdnr),
                      Value(1.0),
                      Value::fromDate(created),
                      Value::fromDate(changed),
                      Value(kdnr),
                      text(a.namen),
                      text(a.strasse),
                      text(a.plz),
                      text(a.ort),
                      text(a.vorwahl),
                      text(tel),
                      text(fax),
                      rng.chance(70) ? Value::fromDate(contact) : Value(),
                      text(a.bemerkung),
                      text(a.firm ? QStringLiteral("www.") + a.domain : QString()),
                      text(email),
                      text(a.lkdnr),
                      Value(a.kunde),
                      Value(a.lieferant),
                      text(a.kontoNr),
                      text(a.kontoBank),
                      text(a.kontoBlz),
                      text(a.kontoInhaber),
                      Value(rng.chance(15)),
                      text(a.anrede),
                      text(u8(kMarks[rng.range(0, int(std::size(kMarks)) - 1)]))});
        for (int i = 0; i < contacts; ++i) {
            const QString name = u8(kSurnames[rng.range(0, int(std::size(kSurnames)) - 1)]);
            const QString first = u8(kFirstNames[rng.range(0, int(std::size(kFirstNames)) - 1)]);
            m_person.row({Value(kdnr), text(kFunctions[rng.range(0, int(std::size(kFunctions)) - 1)]),
                          text(name), text(first), text(QStringLiteral("-%1").arg(rng.range(10, 49))),
                          text(transliterate(first.left(1) + u'.' + name) + u'@' + a.domain)});
        }
    }

  private:
    Insert m_adress;
    Insert m_person;
};

// ---------------------------------------------------------------------------
// Documents

struct Position
{
    const ArticleSeed *article;
    double anzahl;
    double preis;
};

struct Document
{
    char typ = 'R';
    QDate datum;
    const Address *address = nullptr;
    int zieltage = 14;
    char vertragT = 0;
    bool bezahlt = false, storniert = false, erledigt = false, gedruckt = false, weiter = false;
    QDate bezahltdatum;
    QString kopftext, fusstext, notiz;
    QList<Position> positions;
};

// The sample documents are numbered as the program numbers, from its own starts.
int startNumber(char typ)
{
    return Numbering::builtInStartNumber(QString(QLatin1Char(typ))).toInt();
}

// Numbers count up per type in the order the documents are written.
class DocumentWriter
{
  public:
    explicit DocumentWriter(Engine &engine)
        : m_engine(engine),
          m_head(engine, "Vorgang1",
                 {"erledigt",  "bezahlt",   "bezahltdatum", "zieltage", "zieldatum",  "gedruckt",
                  "weiter",    "storniert", "vorgangnr",    "typ",      "kdnr",       "datum",
                  "anschrift", "Notiz",     "Kopftext",     "Fusstext", "ek",         "vk",
                  "VertragT",  "Waehrung",  "mwst",         "Rundung",  "Steuerfall", "Zahlungsart"}),
          m_pos(engine, "Vorgang2",
                {"vorgangID", "Artikel", "Titel", "Bezeichnung", "anzahl", "einheit", "Preis", "EK", "Pos",
                 "MwstSatz", "MwstKat"}),
          m_euro(QStringLiteral("€"))
    {}

    void write(const Document &d)
    {
        // As the document module sums a document: the normal rate of its day.
        const double rate = Tax::Rates::builtIn().normalAt(d.datum);
        qint64 ek = 0;
        Tax::Totals sales;
        if (!d.storniert) {
            for (const Position &p : d.positions) {
                addMoney(ek, p.article->ek * p.anzahl);
                sales.add(p.anzahl, p.preis, rate, QStringLiteral("S"));
            }
        }
        const int number = m_next.value(d.typ, startNumber(d.typ));
        m_next.insert(d.typ, number + 1);
        m_head.row({Value(d.erledigt), Value(d.bezahlt), Value::fromDate(d.bezahltdatum), Value(d.zieltage),
                    Value::fromDate(d.datum.addDays(d.zieltage)), Value(d.gedruckt), Value(d.weiter),
                    Value(d.storniert), Value(QString::number(number)), Value(QString(QLatin1Char(d.typ))),
                    Value(double(d.address->kdnr)), Value::fromDate(d.datum), text(d.address->anschrift),
                    text(d.notiz), text(d.kopftext), text(d.fusstext), Value(double(ek) / 10000.0),
                    Value(double(Money::toAmount(sales.net()))),
                    d.vertragT ? Value(QString(QLatin1Char(d.vertragT))) : Value(), Value(m_euro),
                    Value(double(Money::toAmount(sales.vat()))), Value(1), Value(QStringLiteral("S")),
                    // The means the texts announce: the contracts' footer names a direct debit.
                    d.fusstext.startsWith(kDebitFooter) ? Value(59) : Value()});
        const qint64 id = m_engine.lastInsertId();
        int pos = 0;
        for (const Position &p : d.positions) {
            const ArticleSeed &a = *p.article;
            m_pos.row({Value(id), text(a.nr), text(a.beschreibung),
                       text(u8(a.beschreibung) + QStringLiteral("\r\n") + u8(a.detail)), Value(p.anzahl),
                       text(a.einheit), Value(p.preis), Value(a.ek), Value(++pos), Value(rate),
                       Value(QStringLiteral("S"))});
        }
    }

  private:
    Engine &m_engine;
    Insert m_head;
    Insert m_pos;
    QString m_euro;
    QHash<char, int> m_next;
};

double quantityFor(Rng &rng, const ArticleSeed &a)
{
    const QString unit = u8(a.einheit);
    if (unit == u"h" || unit == u"t") return rng.range(1, 16) / 2.0;
    if (unit == u"m" || unit == u"lfm" || unit == u"m²") return rng.range(4, 80) / 2.0;
    if (unit == u"l" || unit == u"kg") return rng.range(10, 150);
    if (unit == u"Stk") return rng.range(1, 8);
    return 1;
}

// Positions of an ordinary document: work and material for invoices and
// offers, material only for delivery notes and orders to suppliers.
QList<Position> ordinaryPositions(Rng &rng, char typ, int count)
{
    static const auto poolOf = [](bool withWork) {
        QList<const ArticleSeed *> pool;
        for (const ArticleSeed &a : kArticles) {
            const ArticleGroup g = groupOf(a);
            if (g == Material || (g == Service && withWork)) pool << &a;
        }
        return pool;
    };
    static const QList<const ArticleSeed *> workAndMaterial = poolOf(true), materialOnly = poolOf(false);
    const QList<const ArticleSeed *> &pool = (typ == 'L' || typ == 'B') ? materialOnly : workAndMaterial;
    QList<Position> out;
    for (int i = 0; i < count; ++i) {
        const ArticleSeed *a = pool.at(rng.range(0, int(pool.size()) - 1));
        // An order to a supplier is priced at what we pay.
        out << Position{a, quantityFor(rng, *a), typ == 'B' ? a->ek : a->vk};
    }
    return out;
}

const QString &vertragFuss()
{
    static const QString text = kDebitFooter + u8("\r\n"
                                                  "Kontoinhaber: %KONTOINHABER\r\nIBAN: %KONTONR\r\n"
                                                  "Bank: %KONTOBANK, BIC: %KONTOBLZ");
    return text;
}

void giveTexts(Rng &rng, Document &d)
{
    const Address &a = *d.address;
    switch (d.typ) {
    case 'A':
        d.kopftext = a.anrede + u8("\r\n\r\nvielen Dank für Ihre Anfrage. Gerne bieten wir Ihnen an:");
        d.fusstext = u8("Wir würden uns über Ihren Auftrag freuen.");
        break;
    case 'B':
        d.kopftext = u8("Wir bestellen zur Lieferung frei Baustelle:");
        d.fusstext =
            u8("Bitte geben Sie auf Lieferschein und Rechnung unsere Kundennummer %1 an.").arg(a.lkdnr);
        break;
    case 'L':
        d.kopftext = u8("Wir liefern Ihnen:");
        d.fusstext = u8("Ware vollständig und unbeschädigt erhalten:\r\n\r\nDatum, Unterschrift");
        break;
    case 'G':
        d.kopftext = u8("Wir schreiben Ihnen folgende Leistungen gut:");
        d.fusstext = u8("Der Betrag wird mit Ihrer nächsten Rechnung verrechnet.");
        break;
    default:
        d.kopftext = u8("Für die ausgeführten Arbeiten berechnen wir Ihnen:");
        d.fusstext = rng.chance(50) ? u8("Vielen Dank für Ihren Auftrag.")
                                    : u8("Zahlbar ohne Abzug. Vielen Dank für Ihren Auftrag.");
        break;
    }
}

void cancel(Document &d)
{
    d.storniert = true;
    d.bezahlt = d.erledigt = false;
    d.bezahltdatum = QDate();
    d.notiz = u8("Storniert, Rechnung wurde neu ausgestellt.");
}

// Paid, open or cancelled; documents from `openFrom` on still wait for payment.
void giveState(Rng &rng, Document &d, const QDate &openFrom, int cancelPercent)
{
    d.gedruckt = rng.chance(95);
    if (d.typ == 'R' || d.typ == 'G') {
        if (rng.chance(cancelPercent)) {
            cancel(d);
        } else if (d.datum < openFrom && rng.chance(90)) {
            d.bezahlt = true;
            d.erledigt = true;
            d.bezahltdatum = d.datum.addDays(rng.range(2, d.zieltage + 10));
        }
    } else if (d.typ == 'A') {
        d.weiter = rng.chance(40);
        d.erledigt = d.weiter;
    } else if (d.typ == 'L' || d.typ == 'B') {
        d.erledigt = d.datum < openFrom;
    }
}

int zieltageFor(Rng &rng, char typ)
{
    if (typ == 'A') return 30;
    const int r = rng.range(0, 99);
    return r < 60 ? 14 : r < 90 ? 30 : 7;
}

QDate weekday(QDate d)
{
    while (d.dayOfWeek() > 5)
        d = d.addDays(1);
    return d;
}

void requireEmpty(Engine &engine)
{
    for (const char *table : {"Adress", "Vorgang1", "Vorgang2", "Artikel"}) {
        auto st = engine.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(engine.quote(u8(table))));
        if (st->step() && st->columnDynamic(0).rawInt() > 0)
            throw AppError(u8("Beispieldaten werden nur in eine leere Datenbank geschrieben; "
                              "die Tabelle %1 enthält schon Daten")
                               .arg(u8(table)));
    }
}

void writeArticles(Engine &engine, Rng &rng)
{
    Insert ins(engine, "Artikel",
               {"Art-Nr", "Beschreibung", "Bezeichnung", "Notizen", "EK", "VK", "Einheit", "Preisdatum",
                "Waehrung", "MwstSatz"});
    for (const ArticleSeed &a : kArticles) {
        const QDate priced = QDate(2019, 1, 2).addDays(rng.range(0, 6 * 365));
        ins.row({text(a.nr), text(a.beschreibung),
                 text(u8(a.beschreibung) + QStringLiteral("\r\n") + u8(a.detail)),
                 rng.chance(15) ? text(u8("Preis beim Lieferanten vor Bestellung prüfen.")) : Value(),
                 Value(a.ek), Value(a.vk), text(a.einheit), Value::fromDate(priced),
                 Value(QStringLiteral("€")), Value(19.0)});
    }
}

template <class Body> void inTransaction(Engine &engine, Body body)
{
    engine.begin();
    try {
        body();
        engine.commit();
    } catch (...) {
        engine.rollback();
        throw;
    }
}

QString replaced(QString s, const Address &a, const QDate &day)
{
    s.replace(QStringLiteral("%Monat"), German::monthName(day.month()) + u' ' + QString::number(day.year()));
    s.replace(QStringLiteral("%KONTONR"), a.kontoNr);
    s.replace(QStringLiteral("%KONTOBANK"), a.kontoBank);
    s.replace(QStringLiteral("%KONTOBLZ"), a.kontoBlz);
    s.replace(QStringLiteral("%KONTOINHABER"), a.kontoInhaber);
    return s;
}

} // namespace

void fill(Engine &engine)
{
    requireEmpty(engine);
    Rng rng(20190102);
    inTransaction(engine, [&] {
        QList<Address> addresses;
        AddressWriter addressWriter(engine);
        for (const AddressSeed &s : kAddresses) {
            Address a;
            a.kdnr = int(addresses.size()) + 1;
            a.name1 = u8(s.name1);
            a.vorname = u8(s.vorname);
            a.firm = a.vorname.isEmpty();
            a.namen = u8(s.namen);
            a.strasse = u8(s.strasse);
            a.plz = u8(s.plz);
            a.ort = u8(s.ort);
            a.vorwahl = u8(s.vorwahl);
            a.domain = u8(s.domain);
            a.anrede = u8(s.anrede);
            a.lkdnr = u8(s.lkdnr);
            a.bemerkung = u8(s.bemerkung);
            a.kunde = s.kunde;
            a.lieferant = s.lieferant;
            if (s.bank) giveBank(rng, a);
            a.anschrift = addressBlock(a);
            addresses << a;
        }
        for (const Address &a : addresses)
            addressWriter.write(rng, a, a.firm ? rng.range(0, 3) : 0);

        writeArticles(engine, rng);

        QList<const Address *> customers, suppliers, debitCustomers;
        for (const Address &a : addresses) {
            if (a.kunde) customers << &a;
            if (a.lieferant) suppliers << &a;
            if (a.kunde && a.hasBank()) debitCustomers << &a;
        }

        QList<Document> docs;
        // Contracts: several monthly ones, and one of each longer period at least.
        struct ContractPlan
        {
            char period;
            const char *what;
            QList<std::pair<const char *, double>> items;
        };
        const ContractPlan contracts[] = {
            {'M', "Heizung", {{"WA-200", 1}}},
            {'M', "Heizung mit Notdienst", {{"WA-200", 1}, {"WA-220", 1}}},
            {'M', "Sanitär", {{"WA-210", 1}}},
            {'M', "Heizung und Sanitär", {{"WA-200", 1}, {"WA-210", 1}}},
            {'Q', "Sanitär", {{"WA-210", 3}}},
            {'Q', "Heizung", {{"WA-200", 3}}},
            {'H', "Heizung", {{"WA-200", 6}}},
            {'J', "Heizung und Enthärtung", {{"WA-100", 1}, {"WA-240", 1}}},
        };
        int debitor = 0;
        for (const ContractPlan &c : contracts) {
            Document d;
            d.typ = 'V';
            d.vertragT = c.period;
            d.datum = weekday(QDate(2019, 2, 1).addDays(rng.range(0, 3 * 365)));
            d.address = debitCustomers.at(debitor++ % debitCustomers.size());
            d.zieltage = 14;
            d.gedruckt = true;
            d.kopftext = u8("Wartungsvertrag %1\r\nAbrechnung %Monat").arg(u8(c.what));
            d.fusstext = vertragFuss(); // all of them pay by direct debit
            for (const auto &[nr, count] : c.items)
                d.positions << Position{&article(nr), count, article(nr).vk};
            docs << d;
        }
        // A few invoices that the periodic run made from the first monthly contracts.
        for (int c = 0; c < 2; ++c) {
            for (int month = 1; month <= 3; ++month) {
                Document d = docs.at(c);
                d.typ = 'R';
                d.vertragT = 0;
                d.datum = weekday(QDate(2026, month, 1));
                d.kopftext = replaced(d.kopftext, *d.address, d.datum);
                d.fusstext = replaced(d.fusstext, *d.address, d.datum);
                d.bezahlt = month < 3;
                d.erledigt = d.bezahlt;
                d.bezahltdatum = d.bezahlt ? d.datum.addDays(d.zieltage) : QDate();
                docs << d;
            }
        }
        // Everyday business over the years.
        const QList<std::pair<char, int>> mix = {{'R', 22}, {'A', 10}, {'L', 6}, {'B', 6}, {'G', 3}};
        const QDate first(2019, 1, 7);
        const int span = int(first.daysTo(QDate(2026, 11, 30)));
        for (const auto &[typ, count] : mix) {
            for (int i = 0; i < count; ++i) {
                Document d;
                d.typ = typ;
                d.datum = weekday(first.addDays(rng.range(0, span)));
                d.address = typ == 'B' ? rng.pick(suppliers) : rng.pick(customers);
                d.zieltage = zieltageFor(rng, typ);
                d.positions = ordinaryPositions(rng, typ, typ == 'G' ? 1 : rng.range(1, 6));
                giveTexts(rng, d);
                giveState(rng, d, QDate(2026, 9, 1), 0);
                if (typ == 'R' && i % 7 == 3) cancel(d);
                docs << d;
            }
        }
        // Written in date order, so ids and numbers rise with the date as in real use.
        std::stable_sort(docs.begin(), docs.end(),
                         [](const Document &a, const Document &b) { return a.datum < b.datum; });
        DocumentWriter writer(engine);
        for (const Document &d : docs)
            writer.write(d);

        // Contact notes.
        Insert note(engine, "Notizen", {"KDNR", "Datum", "Typ", "Text"});
        const char *const types[] = {"Anruf", "Besuch", "Brief", "E-Mail", "Fax", "Termin"};
        const char *const texts[] = {"Rückruf wegen Terminabsprache erbeten.",
                                     "Angebot besprochen, Kunde überlegt noch.",
                                     "Zählerstände notiert.",
                                     "Mahnung telefonisch angekündigt.",
                                     "Ersatzteil bestellt, Lieferung in zwei Wochen.",
                                     "Wartungstermin bestätigt."};
        for (int i = 0; i < 15; ++i) {
            const Address *a = rng.pick(customers);
            note.row({Value(double(a->kdnr)), Value::fromDate(QDate(2024, 1, 8).addDays(rng.range(0, 900))),
                      text(types[rng.range(0, int(std::size(types)) - 1)]),
                      text(texts[rng.range(0, int(std::size(texts)) - 1)])});
        }

        // The municipality takes e-invoices only at its invoicing mailbox and
        // with its Leitweg-ID as the buyer reference.
        Insert einvoice(engine, "ERechnung", {"KDNR", "Email", "Referenz"});
        for (const Address &a : addresses)
            if (a.name1 == u8("Gemeinde Fuldabrück"))
                einvoice.row(
                    {Value(double(a.kdnr)), text("rechnung@fuldabrueck.de"), text("06633004-0001-87")});
    });
}

void fillLarge(Engine &engine, int addressCount, int documentCount, int positionsPerDocument)
{
    if (addressCount < 0 || documentCount < 0 || positionsPerDocument < 0 ||
        (documentCount > 0 && addressCount < 1))
        throw AppError(u8("Ungültige Mengen für die Beispieldaten"));
    requireEmpty(engine);
    Rng rng(0x7A5E1u + quint64(addressCount) * 1000003u + quint64(documentCount) * 7919u +
            positionsPerDocument);
    inTransaction(engine, [&] {
        QList<Address> addresses;
        addresses.reserve(addressCount);
        AddressWriter addressWriter(engine);
        for (int i = 0; i < addressCount; ++i) {
            Address a;
            a.kdnr = i + 1;
            const QString surname = u8(kSurnames[rng.range(0, int(std::size(kSurnames)) - 1)]);
            a.firm = rng.chance(60);
            if (a.firm) {
                const QString trade = u8(kTrades[rng.range(0, int(std::size(kTrades)) - 1)]);
                const QString form = u8(kForms[rng.range(0, int(std::size(kForms)) - 1)]);
                a.name1 = (surname + u' ' + trade + u' ' + form).trimmed();
                a.domain = transliterate(surname) + QStringLiteral("-%1.de").arg(a.kdnr);
            } else {
                a.name1 = surname;
                a.vorname = u8(kFirstNames[rng.range(0, int(std::size(kFirstNames)) - 1)]);
                a.anrede = u8("Guten Tag %1 %2,").arg(a.vorname, a.name1);
            }
            if (a.anrede.isEmpty()) a.anrede = u8("Sehr geehrte Damen und Herren,");
            const Town &t = kTowns[rng.range(0, int(std::size(kTowns)) - 1)];
            a.strasse = u8(kStreets[rng.range(0, int(std::size(kStreets)) - 1)]);
            a.strasse += u' ' + QString::number(rng.range(1, 120));
            a.plz = u8(t.plz);
            a.ort = u8(t.ort);
            a.vorwahl = u8(t.vorwahl);
            // Every fifth address is a supplier, every tenth both.
            a.lieferant = i % 5 == 4;
            a.kunde = i % 10 != 4;
            if (a.lieferant) a.lkdnr = QString::number(rng.range(1000, 99999));
            if (rng.chance(40)) giveBank(rng, a);
            a.anschrift = addressBlock(a);
            addresses << a;
        }
        for (const Address &a : addresses)
            addressWriter.write(rng, a, a.firm ? 1 : 0);

        writeArticles(engine, rng);

        QList<const Address *> customers, suppliers;
        for (const Address &a : addresses) {
            if (a.kunde) customers << &a;
            if (a.lieferant) suppliers << &a;
        }

        DocumentWriter writer(engine);
        const QDate first(2019, 1, 2);
        const qint64 span = first.daysTo(QDate(2026, 11, 30));
        const char periods[] = {'M', 'M', 'M', 'Q', 'H', 'J'};
        int contracts = 0;
        for (int i = 0; i < documentCount; ++i) {
            Document d;
            const int r = rng.range(0, 99);
            d.typ = r < 50 ? 'R' : r < 70 ? 'A' : r < 80 ? 'L' : r < 88 ? 'B' : r < 95 ? 'V' : 'G';
            d.datum = first.addDays(qint64(i) * span / documentCount);
            d.address = (d.typ == 'B' && !suppliers.isEmpty()) ? rng.pick(suppliers) : rng.pick(customers);
            d.zieltage = zieltageFor(rng, d.typ);
            if (d.typ == 'V') {
                d.vertragT = periods[contracts++ % std::size(periods)];
                d.kopftext = u8("Wartungsvertrag\r\nAbrechnung %Monat");
                d.fusstext = vertragFuss();
                for (int p = 0; p < positionsPerDocument; ++p) {
                    const ArticleSeed &a = article(p % 2 ? "WA-210" : "WA-200");
                    d.positions << Position{&a, 1, a.vk};
                }
            } else {
                d.positions = ordinaryPositions(rng, d.typ, positionsPerDocument);
                giveTexts(rng, d);
            }
            giveState(rng, d, QDate(2026, 9, 1), 2);
            writer.write(d);
        }
    });
}

} // namespace DemoData
