// SPDX-License-Identifier: GPL-3.0-or-later
#include "tax.h"

#include "base/germanformat.h"
#include "base/money.h"
#include "programvalues.h"
#include "settings.h"
#include "tvexdaotable.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace Tax {

namespace {

struct CaseInfo
{
    Case c;
    const char *code;
    const char *name;
};

const CaseInfo kCases[] = {
    {Case::Normal, "S", "Regelbesteuerung"},
    {Case::SmallBusiness, "E", "Kleinunternehmer (§ 19 UStG)"},
    {Case::ReverseCharge, "AE", "Steuerschuldnerschaft des Leistungsempfängers (§ 13b UStG)"},
    {Case::IntraEu, "K", "Innergemeinschaftliche Lieferung"},
    {Case::Export, "G", "Ausfuhrlieferung (Drittland)"},
};

const CaseInfo &info(Case c)
{
    for (const CaseInfo &i : kCases)
        if (i.c == c) return i;
    return kCases[0];
}

// Member states of the EU by ISO 3166-1 alpha-2; Greece's VAT ids begin with "EL".
const char *const kEu[] = {"AT", "BE", "BG", "CY", "CZ", "DE", "DK", "EE", "ES", "FI", "FR", "GR", "HR", "HU",
                           "IE", "IT", "LT", "LU", "LV", "MT", "NL", "PL", "PT", "RO", "SE", "SI", "SK"};

// The form of the VAT ids of the member states (and of the neighbours outside
// the EU a German firm most often delivers to), after the country prefix.
const struct
{
    const char *prefix, *pattern;
} kVatIdForms[] = {
    {"AT", "U\\d{8}"},
    {"BE", "[01]\\d{9}"},
    {"BG", "\\d{9,10}"},
    {"CY", "\\d{8}[A-Z]"},
    {"CZ", "\\d{8,10}"},
    {"DE", "\\d{9}"},
    {"DK", "\\d{8}"},
    {"EE", "\\d{9}"},
    {"EL", "\\d{9}"},
    {"ES", "[A-Z0-9]\\d{7}[A-Z0-9]"},
    {"FI", "\\d{8}"},
    {"FR", "[A-HJ-NP-Z0-9]{2}\\d{9}"},
    {"HR", "\\d{11}"},
    {"HU", "\\d{8}"},
    {"IE", "\\d[A-Z0-9+*]\\d{5}[A-Z]{1,2}"},
    {"IT", "\\d{11}"},
    {"LT", "(\\d{9}|\\d{12})"},
    {"LU", "\\d{8}"},
    {"LV", "\\d{11}"},
    {"MT", "\\d{8}"},
    {"NL", "\\d{9}B\\d{2}"},
    {"PL", "\\d{10}"},
    {"PT", "\\d{9}"},
    {"RO", "\\d{2,10}"},
    {"SE", "\\d{12}"},
    {"SI", "\\d{8}"},
    {"SK", "\\d{10}"},
    {"XI", "(\\d{9}|\\d{12}|GD\\d{3}|HA\\d{3})"},
    {"CH", "E\\d{9}(MWST|TVA|IVA)?"},
    {"GB", "(\\d{9}|\\d{12}|GD\\d{3}|HA\\d{3})"},
    {"NO", "\\d{9}(MVA)?"},
};

// ISO 7064 MOD 11,10 over the first eight digits gives the ninth of a German VAT id.
bool germanCheckDigitHolds(const QString &digits)
{
    int product = 10;
    for (int i = 0; i < 8; ++i) {
        int sum = (digits.at(i).digitValue() + product) % 10;
        if (sum == 0) sum = 10;
        product = (2 * sum) % 11;
    }
    int check = 11 - product;
    if (check == 10) check = 0;
    return check == digits.at(8).digitValue();
}

// Half away from zero, for a quotient of whole numbers.
qint64 divideHalfAway(qint64 n, qint64 d)
{
    const qint64 q = n / d, r = n % d;
    if (2 * (r < 0 ? -r : r) >= d) return q + (n < 0 ? -1 : 1);
    return q;
}

} // namespace

QString caseCode(Case c)
{
    return QString::fromLatin1(info(c).code);
}

Case caseOfCode(const QString &code)
{
    const QString t = code.trimmed().toUpper();
    for (const CaseInfo &i : kCases)
        if (t == QLatin1String(i.code)) return i.c;
    return Case::Normal;
}

QString caseName(Case c)
{
    return QString::fromUtf8(info(c).name);
}

const QList<Case> &allCases()
{
    static const QList<Case> all = [] {
        QList<Case> l;
        for (const CaseInfo &i : kCases)
            l << i.c;
        return l;
    }();
    return all;
}

QString categoryOf(Case c, double rate)
{
    if (c == Case::Normal) return rate == 0 ? QStringLiteral("Z") : QStringLiteral("S");
    return caseCode(c);
}

QStringList categoriesOf(Case c)
{
    if (c == Case::Normal) return {QStringLiteral("S"), QStringLiteral("Z"), QStringLiteral("O")};
    return {caseCode(c), QStringLiteral("O")};
}

bool isTaxFreeCategory(const QString &category)
{
    const QString c = category.trimmed().toUpper();
    return c == QLatin1String("Z") || c == QLatin1String("E") || c == QLatin1String("AE") ||
           c == QLatin1String("K") || c == QLatin1String("G") || c == QLatin1String("O");
}

QString legalNote(const QString &category)
{
    const QString c = category.trimmed().toUpper();
    if (c == QLatin1String("E")) return QStringLiteral("Gemäß § 19 UStG wird keine Umsatzsteuer berechnet.");
    if (c == QLatin1String("AE"))
        return QStringLiteral("Steuerschuldnerschaft des Leistungsempfängers (§ 13b UStG)");
    if (c == QLatin1String("K"))
        return QStringLiteral("Steuerfreie innergemeinschaftliche Lieferung (§ 4 Nr. 1b UStG)");
    if (c == QLatin1String("G")) return QStringLiteral("Steuerfreie Ausfuhrlieferung (§ 4 Nr. 1a UStG)");
    if (c == QLatin1String("O"))
        return QStringLiteral("Nicht steuerbar; es wird keine Umsatzsteuer berechnet.");
    return QString();
}

QString exemptionCode(const QString &category)
{
    const QString c = category.trimmed().toUpper();
    if (c == QLatin1String("AE")) return QStringLiteral("VATEX-EU-AE");
    if (c == QLatin1String("K")) return QStringLiteral("VATEX-EU-IC");
    if (c == QLatin1String("G")) return QStringLiteral("VATEX-EU-G");
    if (c == QLatin1String("O")) return QStringLiteral("VATEX-EU-O");
    return QString();
}

QString countryOf(const QString &land)
{
    const QString c = land.trimmed().toUpper();
    return c.isEmpty() ? QStringLiteral("DE") : c;
}

bool isEuMember(const QString &country)
{
    const QString c = countryOf(country);
    return std::any_of(std::begin(kEu), std::end(kEu), [&](const char *m) { return c == QLatin1String(m); });
}

bool isCountryCode(const QString &code)
{
    static const QString codes = QStringLiteral("AD AE AF AG AI AL AM AO AQ AR AS AT AU AW AX AZ BA BB BD BE "
                                                "BF BG BH BI BJ BL BM BN BO BQ BR BS BT BV BW BY "
                                                "BZ CA CC CD CF CG CH CI CK CL CM CN CO CR CU CV CW CX CY CZ "
                                                "DE DJ DK DM DO DZ EC EE EG EH ER ES ET FI FJ FK "
                                                "FM FO FR GA GB GD GE GF GG GH GI GL GM GN GP GQ GR GS GT GU "
                                                "GW GY HK HM HN HR HT HU ID IE IL IM IN IO IQ IR "
                                                "IS IT JE JM JO JP KE KG KH KI KM KN KP KR KW KY KZ LA LB LC "
                                                "LI LK LR LS LT LU LV LY MA MC MD ME MF MG MH MK "
                                                "ML MM MN MO MP MQ MR MS MT MU MV MW MX MY MZ NA NC NE NF NG "
                                                "NI NL NO NP NR NU NZ OM PA PE PF PG PH PK PL PM "
                                                "PN PR PS PT PW PY QA RE RO RS RU RW SA SB SC SD SE SG SH SI "
                                                "SJ SK SL SM SN SO SR SS ST SV SX SY SZ TC TD TF "
                                                "TG TH TJ TK TL TM TN TO TR TT TV TW TZ UA UG UM US UY UZ VA "
                                                "VC VE VG VI VN VU WF WS XI YE YT ZA ZM ZW");
    const QString c = code.trimmed().toUpper();
    return c.size() == 2 && c.at(0).isLetter() && c.at(1).isLetter() && codes.contains(c);
}

namespace {

// The names of the countries this program's customers most often live in, as
// the last line of an address block spells them.
const char *const kCountryNames[][2] = {
    {"AT", "ÖSTERREICH"},   {"BE", "BELGIEN"},       {"BG", "BULGARIEN"},   {"CH", "SCHWEIZ"},
    {"CY", "ZYPERN"},       {"CZ", "TSCHECHIEN"},    {"DK", "DÄNEMARK"},    {"EE", "ESTLAND"},
    {"ES", "SPANIEN"},      {"FI", "FINNLAND"},      {"FR", "FRANKREICH"},  {"GB", "VEREINIGTES KÖNIGREICH"},
    {"GR", "GRIECHENLAND"}, {"HR", "KROATIEN"},      {"HU", "UNGARN"},      {"IE", "IRLAND"},
    {"IT", "ITALIEN"},      {"LI", "LIECHTENSTEIN"}, {"LT", "LITAUEN"},     {"LU", "LUXEMBURG"},
    {"LV", "LETTLAND"},     {"MT", "MALTA"},         {"NL", "NIEDERLANDE"}, {"NO", "NORWEGEN"},
    {"PL", "POLEN"},        {"PT", "PORTUGAL"},      {"RO", "RUMÄNIEN"},    {"SE", "SCHWEDEN"},
    {"SI", "SLOWENIEN"},    {"SK", "SLOWAKEI"},      {"TR", "TÜRKEI"},      {"US", "USA"}};

} // namespace

QString countryLine(const QString &land)
{
    const QString c = countryOf(land);
    if (c == QLatin1String("DE")) return QString();
    for (const auto &n : kCountryNames)
        if (c == QLatin1String(n[0])) return QString::fromUtf8(n[1]);
    return c;
}

QString countryOfLine(const QString &line)
{
    const QString l = line.trimmed().toUpper();
    if (l == QLatin1String("DEUTSCHLAND") || l == QLatin1String("GERMANY")) return QStringLiteral("DE");
    for (const auto &n : kCountryNames)
        if (l == QString::fromUtf8(n[1])) return QString::fromLatin1(n[0]);
    return isCountryCode(l) ? l : QString();
}

Customer customerOf(TVexDaoDatabase *db, double kdnr)
{
    Customer out;
    TVexDaoTable adr(nullptr, QStringLiteral("steuerAdresse"));
    adr.setDatabase(db);
    adr.setTableName(QStringLiteral("Adress"));
    adr.setFilter(QStringLiteral("KDNR = %1").arg(QString::number(kdnr, 'g', 17)));
    adr.setFiltered(true);
    adr.Open();
    if (!adr.IsEmpty()) {
        if (const TField *f = adr.FindField(QStringLiteral("LAND"))) out.land = f->AsString();
        if (const TField *f = adr.FindField(QStringLiteral("USTID"))) out.ustid = f->AsString();
    }
    return out;
}

QString supplyLine(const QDate &from, const QDate &to)
{
    if (!from.isValid()) return QStringLiteral("Leistungsdatum entspricht Rechnungsdatum");
    if (!to.isValid() || to == from)
        return QStringLiteral("Leistungsdatum: %1").arg(German::formatDate(from));
    return QStringLiteral("Leistungszeitraum: %1 – %2").arg(German::formatDate(from), German::formatDate(to));
}

QStringList legalNotes(const QStringList &categories, const QString &buyerVatId)
{
    QStringList notes;
    bool buyerId = false;
    for (const char *code : {"E", "AE", "K", "G"}) {
        const QString c = QString::fromLatin1(code);
        if (!categories.contains(c)) continue;
        notes << legalNote(c);
        buyerId = buyerId || c == QLatin1String("AE") || c == QLatin1String("K");
    }
    const QString id = compactVatId(buyerVatId);
    if (buyerId && !id.isEmpty()) notes << QStringLiteral("USt-IdNr. des Leistungsempfängers: %1").arg(id);
    return notes;
}

Case caseFor(bool smallBusiness, const QString &land, const QString &ustid)
{
    if (smallBusiness) return Case::SmallBusiness;
    const QString country = countryOf(land);
    if (country == QLatin1String("DE")) return Case::Normal;
    if (!isEuMember(country)) return Case::Export;
    return compactVatId(ustid).isEmpty() ? Case::Normal : Case::IntraEu;
}

QString compactVatId(const QString &ustid)
{
    QString s = ustid.toUpper();
    s.remove(QRegularExpression(QStringLiteral("[\\s.\\-]")));
    return s;
}

namespace {

bool prefixFits(const QString &country, const QString &prefix)
{
    if (country == QLatin1String("GR")) return prefix == QLatin1String("EL");
    if (country == QLatin1String("MC")) return prefix == QLatin1String("FR");
    if (country == QLatin1String("IM")) return prefix == QLatin1String("GB");
    if (country == QLatin1String("XI")) return prefix == QLatin1String("XI") || prefix == QLatin1String("GB");
    return prefix == country;
}

QString countryText(const QString &land)
{
    return land.trimmed().isEmpty() ? QStringLiteral("leer (Deutschland)")
                                    : QStringLiteral("\"%1\"").arg(land.trimmed().toUpper());
}

} // namespace

QString checkVatIdCountry(const QString &land, const QString &ustid)
{
    const QString id = compactVatId(ustid);
    if (id.size() < 2) return QString();
    const QString country = countryOf(land);
    if (prefixFits(country, id.left(2))) return QString();
    return QStringLiteral("Die USt-IdNr. \"%1\" passt nicht zum Land %2 der Adresse: eine USt-IdNr. aus %3 "
                          "beginnt mit \"%4\". Bitte Land oder USt-IdNr. berichtigen.")
        .arg(ustid.trimmed(), countryText(land), country,
             country == QLatin1String("GR") ? QStringLiteral("EL") : country);
}

QString checkCaseForCustomer(Case c, const Customer &customer)
{
    const QString country = countryOf(customer.land);
    const QString id = compactVatId(customer.ustid);
    if (c == Case::IntraEu) {
        if (country == QLatin1String("DE") || !isEuMember(country))
            return QStringLiteral(
                       "Eine innergemeinschaftliche Lieferung geht an einen Kunden in einem anderen "
                       "EU-Staat; die Adresse des Kunden hat das Land %1.")
                .arg(countryText(customer.land));
        if (id.isEmpty() || !prefixFits(country, id.left(2)))
            return QStringLiteral(
                       "Für eine innergemeinschaftliche Lieferung braucht die Adresse des Kunden eine "
                       "USt-IdNr. seines Staates (%1); sie hat \"%2\".")
                .arg(country, customer.ustid.trimmed());
    }
    if (c == Case::Export && (country == QLatin1String("DE") || isEuMember(country)))
        return QStringLiteral("Eine Ausfuhrlieferung geht an einen Kunden außerhalb der EU; die Adresse des "
                              "Kunden hat das Land %1.")
            .arg(countryText(customer.land));
    return QString();
}

QString checkVatId(const QString &ustid)
{
    const QString id = compactVatId(ustid);
    if (id.isEmpty()) return QString();
    if (id.size() < 4 || !id.at(0).isLetter() || !id.at(1).isLetter() || id.at(0).unicode() > 'Z' ||
        id.at(1).unicode() > 'Z')
        return QStringLiteral("Die USt-IdNr. \"%1\" beginnt nicht mit dem Ländercode (z. B. DE, AT, FR).")
            .arg(ustid.trimmed());
    const QString prefix = id.left(2);
    for (const auto &form : kVatIdForms) {
        if (prefix != QLatin1String(form.prefix)) continue;
        const QRegularExpression re(QStringLiteral("^%1$").arg(QLatin1String(form.pattern)));
        if (!re.match(id.mid(2)).hasMatch())
            return QStringLiteral("Die USt-IdNr. \"%1\" hat nicht die Form einer Nummer aus %2.")
                .arg(ustid.trimmed(), prefix);
        if (prefix == QLatin1String("DE") && !germanCheckDigitHolds(id.mid(2)))
            return QStringLiteral("Die USt-IdNr. \"%1\" ist ungültig: ihre Prüfziffer stimmt nicht.")
                .arg(ustid.trimmed());
        return QString();
    }
    static const QRegularExpression other(QStringLiteral("^[A-Z]{2}[A-Z0-9+*]{2,13}$"));
    if (!other.match(id).hasMatch())
        return QStringLiteral("Die USt-IdNr. \"%1\" enthält Zeichen, die keine Steuernummer hat.")
            .arg(ustid.trimmed());
    return QString();
}

// ---- rates

Rates Rates::builtIn()
{
    Rates r;
    r.m_periods = {{QDate(1998, 4, 1), 16, 7},
                   {QDate(2007, 1, 1), 19, 7},
                   {QDate(2020, 7, 1), 16, 5},
                   {QDate(2021, 1, 1), 19, 7}};
    return r;
}

Rates Rates::withChanges(const QString &changes, QStringList *problems)
{
    Rates r = builtIn();
    static const QRegularExpression entry(QStringLiteral("^(\\d{1,2}\\.\\d{1,2}\\.\\d{4})\\s+(\\d{1,2}(?:[.,]"
                                                         "\\d{1,2})?)\\s*/\\s*(\\d{1,2}(?:[.,]\\d{1,2})?)$"));
    for (const QString &raw : changes.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString t = raw.trimmed();
        if (t.isEmpty()) continue;
        const auto m = entry.match(t);
        const QDate from =
            m.hasMatch() ? QDate::fromString(m.captured(1), QStringLiteral("d.M.yyyy")) : QDate();
        if (!from.isValid()) {
            if (problems)
                *problems << QStringLiteral(
                                 "[%1] Saetze: \"%2\" ist kein Eintrag der Form "
                                 "\"TT.MM.JJJJ Normalsatz/ermäßigter Satz\" (z. B. 01.01.2027 20/7)")
                                 .arg(Settings::section(), t);
            continue;
        }
        auto number = [](QString s) { return s.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(); };
        Period p{from, number(m.captured(2)), number(m.captured(3))};
        auto it = std::find_if(r.m_periods.begin(), r.m_periods.end(),
                               [&](const Period &q) { return q.from >= from; });
        if (it != r.m_periods.end() && it->from == from)
            *it = p;
        else
            r.m_periods.insert(it, p);
    }
    return r;
}

const Rates::Period &Rates::at(const QDate &date) const
{
    const Period *found = &m_periods.first();
    for (const Period &p : m_periods)
        if (date.isValid() && p.from <= date) found = &p;
    return *found;
}

double Rates::normalAt(const QDate &date) const
{
    return at(date).normal;
}

double Rates::reducedAt(const QDate &date) const
{
    return at(date).reduced;
}

QList<double> Rates::choicesAt(const QDate &date) const
{
    return {normalAt(date), reducedAt(date), 0.0};
}

Rates::Kind Rates::kindOf(double rate) const
{
    if (rate == 0) return Kind::Zero;
    for (const Period &p : m_periods)
        if (p.normal == rate) return Kind::Normal;
    for (const Period &p : m_periods)
        if (p.reduced == rate) return Kind::Reduced;
    return Kind::Other;
}

double Rates::sameKindAt(double rate, const QDate &date) const
{
    switch (kindOf(rate)) {
    case Kind::Normal:
        return normalAt(date);
    case Kind::Reduced:
        return reducedAt(date);
    default:
        return rate;
    }
}

Settings Settings::read(const QString &iniPath)
{
    const IniFile ini(iniPath);
    Settings s;
    s.smallBusiness = ini.readBool(section(), QStringLiteral("Kleinunternehmer"));
    s.rates = Rates::withChanges(ini.readString(section(), QStringLiteral("Saetze")), &s.problems);
    return s;
}

QString rateText(double rate)
{
    return German::formatFloat(rate);
}

// ---- totals

qint64 Totals::lineAmount(double anzahl, double preis, bool cents)
{
    if (!cents) {
        // As the print has always summed its line amounts: the product as a
        // number of the dataset, to the ten-thousandth with halves to even.
        return Money::fromAmount(double(static_cast<long double>(anzahl) * preis));
    }
    // Micro units first: the product of two doubles carries noise in its last
    // bits, which must not decide a half cent.
    const long double micro =
        std::round(static_cast<long double>(anzahl) * static_cast<long double>(preis) * 1e6L);
    if (!(std::fabs(micro) < 9e18L)) return Money::fromAmount(static_cast<long double>(anzahl) * preis);
    return divideHalfAway(static_cast<qint64>(micro), 10000) * 100;
}

qint64 Totals::vatOf(qint64 net, double rate, bool cents)
{
    if (rate == 0 || net == 0) return 0;
    const qint64 hundredths = std::llround(rate * 100.0);
    const bool exact = std::fabs(rate * 100.0 - double(hundredths)) < 1e-6 && hundredths <= 100000 &&
                       (net < 0 ? -net : net) < 9000000000000LL;
    if (!cents) {
        if (exact && hundredths % 100 == 0) return Money::percentOf(net, int(hundredths / 100));
        return Money::fromAmount(Money::toAmount(net) * rate / 100.0L);
    }
    const qint64 netCents = divideHalfAway(net, 100);
    if (!exact) return std::llround(static_cast<long double>(netCents) * rate / 100.0L) * 100;
    return divideHalfAway(netCents * hundredths, 10000) * 100;
}

qint64 Totals::add(double anzahl, double preis, double rate, const QString &category)
{
    const QString cat = category.trimmed().toUpper();
    const double r = isTaxFreeCategory(cat) ? 0.0 : rate;
    auto it = std::find_if(m_groups.begin(), m_groups.end(),
                           [&](const Group &g) { return g.category == cat && g.rate == r; });
    if (it == m_groups.end()) it = m_groups.insert(m_groups.end(), Group{cat, r, 0, 0});
    if (!m_cents) {
        // Each addition rounded as a whole, as the print has always summed.
        const double amount = double(static_cast<long double>(anzahl) * preis);
        m_net = Money::addRounded(m_net, amount);
        it->net = Money::addRounded(it->net, amount);
        return Money::fromAmount(amount);
    }
    const qint64 line = lineAmount(anzahl, preis, true);
    m_net += line;
    it->net += line;
    return line;
}

QList<Group> Totals::groups() const
{
    QList<Group> out = m_groups;
    for (Group &g : out)
        g.vat = vatOf(g.net, g.rate, m_cents);
    std::stable_sort(out.begin(), out.end(), [](const Group &a, const Group &b) {
        return a.rate != b.rate ? a.rate < b.rate : a.category < b.category;
    });
    return out;
}

qint64 Totals::vat() const
{
    qint64 sum = 0;
    for (const Group &g : m_groups)
        sum += vatOf(g.net, g.rate, m_cents);
    return sum;
}

// ---- stored values

double rateOfField(const TField *rate)
{
    return rate && !rate->IsNull() ? rate->AsFloat() : double(ProgramValues::instance().MwstSatz);
}

QString categoryOfField(const TField *category)
{
    const QString c = category ? category->AsString().trimmed().toUpper() : QString();
    return c.isEmpty() ? QStringLiteral("S") : c;
}

double positionRate(const TVexDaoTable &positions)
{
    return rateOfField(positions.FindField(QStringLiteral("MwstSatz")));
}

QString positionCategory(const TVexDaoTable &positions)
{
    return categoryOfField(positions.FindField(QStringLiteral("MwstKat")));
}

double positionVatRate(const TVexDaoTable &positions)
{
    return isTaxFreeCategory(positionCategory(positions)) ? 0.0 : positionRate(positions);
}

bool isLegacyDocument(const TVexDaoTable &documents)
{
    const TField *f = documents.FindField(QStringLiteral("Rundung"));
    return !f || f->IsNull() || f->AsInteger() == 0;
}

qint64 legacyVatOf(double vk)
{
    // The gross that lists, reports and the payment window showed until now.
    const qint64 gross =
        Money::fromAmount(static_cast<long double>(vk) * ProgramValues::instance().vatFactor());
    return gross - Money::fromAmount(vk);
}

qint64 grossOf(const Value &vk, const Value &mwst)
{
    const double net = vk.isNull() ? 0.0 : vk.toDouble();
    if (mwst.isNull()) return Money::fromAmount(net) + legacyVatOf(net);
    return Money::fromAmount(net) + Money::fromAmount(mwst.toDouble());
}

qint64 grossOf(const TVexDaoTable &documents)
{
    const TField *mwst = documents.FindField(QStringLiteral("mwst"));
    return grossOf(documents.FieldByName(QStringLiteral("vk"))->value(), mwst ? mwst->value() : Value());
}

} // namespace Tax
