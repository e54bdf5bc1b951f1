// SPDX-License-Identifier: GPL-3.0-or-later
#include "dunning.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "base/textfiles.h"
#include "programfolder.h"
#include "programvalues.h"
#include "settings.h"
#include "tvexdaotable.h"

#include <QRegularExpression>
#include <algorithm>

namespace Dunning {

QString LevelTitle(int level)
{
    switch (level) {
    case 1:
        return QStringLiteral("Zahlungserinnerung");
    case 2:
        return QStringLiteral("1. Mahnung");
    case 3:
        return QStringLiteral("2. Mahnung");
    default:
        return QString();
    }
}

QString FinalStepText()
{
    return QStringLiteral("an Inkasso / Mahnbescheid");
}

// ---- base rate

namespace {

// The base rate as the Bundesbank published it, in hundredths of a percent.
const struct
{
    int y, m, rate;
} kBuiltInRates[] = {
    {2002, 1, 257}, {2002, 7, 247}, {2003, 1, 197}, {2003, 7, 122}, {2004, 1, 114}, {2004, 7, 113},
    {2005, 1, 121}, {2005, 7, 117}, {2006, 1, 137}, {2006, 7, 195}, {2007, 1, 270}, {2007, 7, 319},
    {2008, 1, 332}, {2008, 7, 319}, {2009, 1, 162}, {2009, 7, 12},  {2011, 7, 37},  {2012, 1, 12},
    {2013, 1, -13}, {2013, 7, -38}, {2014, 1, -63}, {2014, 7, -73}, {2015, 1, -83}, {2016, 7, -88},
    {2023, 1, 162}, {2023, 7, 312}, {2024, 1, 362}, {2024, 7, 337}, {2025, 1, 227}, {2025, 7, 127},
    {2026, 1, 127},
};

// "3,62", "-0,88", "1.27": a rate in percent with at most two decimals.
bool parseRate(const QString &text, int *hundredths)
{
    static const QRegularExpression form(QStringLiteral("^(-?)(\\d{1,2})(?:[.,](\\d{1,2}))?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch()) return false;
    QString decimals = m.captured(3);
    while (decimals.size() < 2)
        decimals += QLatin1Char('0');
    const int value = m.captured(2).toInt() * 100 + decimals.toInt();
    *hundredths = m.captured(1).isEmpty() ? value : -value;
    return true;
}

// The rate in percent as the letters show it: "1,27", "-0,88".
QString percentText(int hundredths)
{
    return German::formatMask(hundredths / 100.0, QStringLiteral("0.00"));
}

} // namespace

BaseRates BaseRates::builtIn()
{
    BaseRates r;
    for (const auto &e : kBuiltInRates)
        r.m_entries.append({QDate(e.y, e.m, 1), e.rate});
    return r;
}

BaseRates BaseRates::withChanges(const QString &changes, QStringList *problems)
{
    BaseRates r = builtIn();
    for (const QString &raw : changes.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty()) continue;
        const qsizetype colon = entry.indexOf(QLatin1Char(':'));
        const QDate from = QDate::fromString(entry.left(colon).trimmed(), Qt::ISODate);
        int rate = 0;
        if (colon < 0 || !from.isValid() || !parseRate(entry.mid(colon + 1), &rate)) {
            if (problems)
                problems->append(QStringLiteral("Basiszins: '%1' ist kein Eintrag der Form JJJJ-MM-TT:Satz "
                                                "(z. B. 2025-07-01:1,27)")
                                     .arg(entry));
            continue;
        }
        auto at = std::find_if(r.m_entries.begin(), r.m_entries.end(),
                               [&](const Entry &e) { return e.from >= from; });
        if (at != r.m_entries.end() && at->from == from)
            at->hundredths = rate;
        else
            r.m_entries.insert(at, {from, rate});
    }
    return r;
}

bool BaseRates::at(const QDate &day, int *hundredths) const
{
    auto after = std::upper_bound(m_entries.begin(), m_entries.end(), day,
                                  [](const QDate &d, const Entry &e) { return d < e.from; });
    if (after == m_entries.begin()) return false;
    *hundredths = std::prev(after)->hundredths;
    return true;
}

QDate BaseRates::nextChangeAfter(const QDate &day) const
{
    for (const Entry &e : m_entries)
        if (e.from > day) return e.from;
    return QDate();
}

QDate BaseRates::knownUntil() const
{
    if (m_entries.isEmpty()) return QDate();
    // The rate changes on 1 January and 1 July: the last one known holds
    // until the next of these days.
    const QDate last = m_entries.last().from;
    const QDate next = last.month() < 7 ? QDate(last.year(), 7, 1) : QDate(last.year() + 1, 1, 1);
    return next.addDays(-1);
}

// ---- interest

namespace {

// a × b / d rounded half away from zero, without overflow for the amounts of
// this program (a: ten-thousandths, b: rate-days).
qint64 mulDivRound(qint64 a, qint64 b, qint64 d)
{
#ifdef __SIZEOF_INT128__
    const __int128 n = static_cast<__int128>(a) * b;
    __int128 q = n / d;
    const __int128 r = n % d;
    if (2 * (r < 0 ? -r : r) >= d) q += n < 0 ? -1 : 1;
    return static_cast<qint64>(q);
#else
    const long double v = static_cast<long double>(a) * b / d;
    return static_cast<qint64>(v < 0 ? v - 0.5L : v + 0.5L);
#endif
}

} // namespace

qint64 ToCents(qint64 amount)
{
    return mulDivRound(amount, 1, 100) * 100;
}

Interest DefaultInterest(qint64 open, const QDate &due, const QDate &key, int points, const BaseRates &rates)
{
    Interest result;
    if (!due.isValid() || !key.isValid() || key <= due || open <= 0) return result;
    qint64 rateDays = 0; // Σ over the days of (base rate + points), hundredths of a percent
    QDate from = due.addDays(1);
    while (from <= key) {
        int base = 0;
        if (!rates.at(from, &base))
            throw AppError(QStringLiteral("Für den %1 ist kein Basiszinssatz bekannt; die Verzugszinsen "
                                          "können nicht berechnet werden")
                               .arg(German::formatDate(from)));
        const QDate change = rates.nextChangeAfter(from);
        const QDate to = change.isValid() && change <= key ? change.addDays(-1) : key;
        InterestPart part{from, to, base, base + points};
        rateDays += qint64(part.rate) * part.days();
        result.parts.append(part);
        from = to.addDays(1);
    }
    // open (ten-thousandths) × Σ rate (ten-thousandths of one) / 365, once
    // rounded to the cent: cents = open × Σ / (10^4 × 10^4 × 365 / 100).
    result.amount = mulDivRound(open, rateDays, qint64(365) * 1000000) * 100;
    return result;
}

QString InterestPartText(const InterestPart &part, int points, qint64 open, const QString &currency)
{
    return QStringLiteral("%1 bis %2 (%3 Tage): %4 % (Basiszinssatz %5 % + %6 Prozentpunkte) auf %7")
        .arg(German::formatDate(part.from), German::formatDate(part.to))
        .arg(part.days())
        .arg(percentText(part.rate), percentText(part.baseRate))
        .arg(points / 100)
        .arg(Money::format(open, QStringLiteral("#,##0.00 ") + currency));
}

// ---- settings

namespace {

bool readCount(const IniFile &ini, const char *key, int min, int max, int *value, QStringList *problems)
{
    const QString text = ini.readString(Settings::section(), QString::fromLatin1(key)).trimmed();
    if (text.isEmpty()) return true;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max) {
        problems->append(QStringLiteral("%1: '%2' ist keine ganze Zahl von %3 bis %4")
                             .arg(QString::fromLatin1(key), text)
                             .arg(min)
                             .arg(max));
        return false;
    }
    *value = v;
    return true;
}

void readAmount(const IniFile &ini, const QString &key, qint64 *value, QStringList *problems)
{
    const QString text = ini.readString(Settings::section(), key).trimmed();
    if (text.isEmpty()) return;
    double v = 0;
    if (!German::parseFloat(text, &v) || v < 0 || v > 1e6) {
        problems->append(QStringLiteral("%1: '%2' ist kein Betrag in Euro (z. B. 5,00)").arg(key, text));
        return;
    }
    *value = ToCents(Money::fromAmount(v));
}

// A word the program does not know stops the run rather than switch interest off.
void readYesNo(const IniFile &ini, const char *key, bool *value, QStringList *problems)
{
    const QString text = ini.readString(Settings::section(), QString::fromLatin1(key)).trimmed();
    if (text.isEmpty()) return;
    if (const std::optional<bool> yes = Settings::yesNo(text))
        *value = *yes;
    else
        problems->append(
            QStringLiteral("%1: '%2' ist weder ja (1) noch nein (0)").arg(QString::fromLatin1(key), text));
}

} // namespace

std::optional<bool> Settings::yesNo(const QString &text)
{
    static const QStringList yes{QStringLiteral("1"),    QStringLiteral("ja"), QStringLiteral("j"),
                                 QStringLiteral("yes"),  QStringLiteral("y"),  QStringLiteral("true"),
                                 QStringLiteral("wahr"), QStringLiteral("an"), QStringLiteral("on")};
    static const QStringList no{QStringLiteral("0"),   QStringLiteral("nein"),  QStringLiteral("n"),
                                QStringLiteral("no"),  QStringLiteral("false"), QStringLiteral("falsch"),
                                QStringLiteral("aus"), QStringLiteral("off")};
    const QString word = text.trimmed().toLower();
    if (yes.contains(word)) return true;
    if (no.contains(word)) return false;
    return std::nullopt;
}

Settings Settings::read(const QString &iniPath)
{
    const IniFile ini(iniPath);
    Settings s;
    QStringList problems;
    readCount(ini, "Karenztage", 0, 3650, &s.karenztage, &problems);
    readCount(ini, "Abstand", 1, 3650, &s.abstand, &problems);
    for (int level = 1; level <= kLastLevel; ++level)
        readAmount(ini, QStringLiteral("Gebuehr%1").arg(level), &s.fees[level - 1], &problems);
    readAmount(ini, QStringLiteral("Pauschale"), &s.pauschale, &problems);
    readYesNo(ini, "Zinsen", &s.zinsen, &problems);
    s.baseRates = BaseRates::withChanges(ini.readString(section(), QStringLiteral("Basiszins")), &problems);
    if (!problems.isEmpty())
        throw AppError(QStringLiteral("Die Einstellungen des Mahnwesens in %1 (Abschnitt [Mahnwesen]) sind "
                                      "fehlerhaft; es wurden keine Mahnungen erstellt:\n%2")
                           .arg(iniPath, problems.join(QLatin1Char('\n'))));
    return s;
}

// ---- charges

QDate NewLawFrom()
{
    return QDate(2014, 7, 29);
}

QDate TimeBarredFrom(const QDate &due)
{
    // Three years from the end of the year the claim fell due.
    return due.isValid() ? QDate(due.year() + 4, 1, 1) : QDate();
}

Charges ChargesOf(const Settings &settings, int level, bool consumer, bool flatSumCharged, qint64 earlier,
                  qint64 open, const QDate &due, const QDate &key, const QString &currency,
                  const QDate &arose)
{
    Charges c;
    c.earlier = earlier;
    if (level < 1 || level > kLastLevel) return c;
    // The settings are in euro; a DM invoice claims them at the fixed rate.
    const auto inCurrency = [&](qint64 euro) {
        if (currency != QLatin1String("DM")) return euro;
        return ToCents(Money::fromAmount(Money::toAmount(euro) * ProgramValues::instance().DmEuroKurs));
    };
    const qint64 fee = inCurrency(settings.fees[level - 1]);
    const qint64 flat = inCurrency(settings.pauschale);
    // A firm's debt that arose before 29.07.2014 keeps the law of its day:
    // 8 points and no flat sum.
    const bool oldLaw = arose.isValid() && arose < NewLawFrom();
    if (!consumer && !oldLaw && flat > 0 && level >= 2) {
        // The flat sum covers the costs of collection, every dunning fee
        // charged in default among them (the due date puts the debtor in
        // default): a firm pays only the fees beyond it.
        qint64 earlierFees = 0; // of the levels before this one
        for (int l = 1; l < level; ++l)
            earlierFees += inCurrency(settings.fees[l - 1]);
        if (!flatSumCharged) c.flatSum = std::max<qint64>(0, flat - earlierFees);
        const qint64 before = std::max<qint64>(0, earlierFees - flat);
        c.fee = std::max<qint64>(0, earlierFees + fee - flat) - before;
    } else {
        c.fee = fee;
    }
    c.points = consumer ? 500 : oldLaw ? 800 : 900;
    if (settings.zinsen && level >= 2)
        c.interest = DefaultInterest(open, due, key, c.points, settings.baseRates);
    return c;
}

void SetLevelFromReminders(const TVexDaoTable &ds, bool leaving)
{
    const TField *typ = ds.FindField(QStringLiteral("typ"));
    const TField *bezug = ds.FindField(QStringLiteral("bezug"));
    if (!typ || !bezug || bezug->IsNull() || typ->AsString().compare(QLatin1String("M"), Qt::CaseInsensitive))
        return;
    TVexDaoDatabase *db = ds.Database();
    const qint64 self = ds.FieldByName(QStringLiteral("id"))->AsInteger();
    TVexDaoTable reminders(nullptr, QStringLiteral("mahnungen"));
    reminders.setDatabase(db);
    reminders.SQL() << QStringLiteral(
                           "select id, mahnstufe, datum from Vorgang1 where typ = 'M' and bezug = %1 "
                           "and not storniert and id <> %2")
                           .arg(bezug->AsInteger())
                           .arg(leaving ? self : 0)
                    << QStringLiteral("order by mahnstufe desc, datum desc");
    reminders.Open();
    TVexDaoTable invoice(nullptr, QStringLiteral("gemahnt"));
    invoice.setDatabase(db);
    invoice.SQL() << QStringLiteral(
                         "select id, mahnstufe, mahndatum from Vorgang1 where id = %1 and typ = 'R'")
                         .arg(bezug->AsInteger());
    invoice.Open();
    if (invoice.IsEmpty()) return;
    const int level =
        reminders.IsEmpty() ? 0 : int(reminders.FieldByName(QStringLiteral("mahnstufe"))->AsInteger());
    TField *stufe = invoice.FieldByName(QStringLiteral("mahnstufe"));
    TField *datum = invoice.FieldByName(QStringLiteral("mahndatum"));
    const QDate day =
        reminders.IsEmpty() ? QDate() : reminders.FieldByName(QStringLiteral("datum"))->AsDate();
    if ((stufe->IsNull() ? 0 : stufe->AsInteger()) == level &&
        (datum->IsNull() ? QDate() : datum->AsDate()) == day)
        return;
    invoice.Edit();
    stufe->SetAsInteger(level);
    if (day.isValid())
        datum->SetAsDate(day);
    else
        datum->Clear();
    invoice.Post();
}

// ---- letter texts

namespace {

QString builtInText(int level)
{
    switch (level) {
    case 1:
        return QStringLiteral(
            "%ANREDE\n\n"
            "sicher haben Sie in der Hektik des Alltags übersehen, dass unsere Rechnung %RECHNUNGNR vom "
            "%RECHNUNGDATUM über %BETRAG, fällig am %FAELLIGAM, noch offen ist. Bitte überweisen Sie den "
            "Betrag bis zum %ZAHLBARBIS. Sollten Sie inzwischen bezahlt haben, betrachten Sie dieses "
            "Schreiben bitte als gegenstandslos.");
    case 2:
        return QStringLiteral(
            "%ANREDE\n\n"
            "trotz unserer Zahlungserinnerung ist unsere Rechnung %RECHNUNGNR vom %RECHNUNGDATUM über "
            "%BETRAG, fällig am %FAELLIGAM, noch nicht bezahlt. Sie befinden sich damit in Zahlungsverzug. "
            "Bitte überweisen Sie den unten genannten Gesamtbetrag bis zum %ZAHLBARBIS.");
    default:
        return QStringLiteral(
            "%ANREDE\n\n"
            "unsere Rechnung %RECHNUNGNR vom %RECHNUNGDATUM über %BETRAG, fällig am %FAELLIGAM, ist trotz "
            "Zahlungserinnerung und Mahnung noch immer nicht bezahlt. Bitte überweisen Sie den unten "
            "genannten Gesamtbetrag bis spätestens %ZAHLBARBIS. Geht die Zahlung bis dahin nicht ein, "
            "übergeben wir die Forderung ohne weitere Ankündigung einem Inkassobüro oder beantragen einen "
            "gerichtlichen Mahnbescheid.");
    }
}

} // namespace

QString LevelText(int level, QStringList *warnings)
{
    const QString name = QStringLiteral("mahnung%1.txt").arg(level);
    try {
        return TextFiles::loadLines(ProgramFolder::file(name)).join(QLatin1Char('\n'));
    } catch (const AppError &e) {
        if (warnings) warnings->append(QStringLiteral("%1: %2").arg(name, e.message()));
        return builtInText(level);
    }
}

QString FillText(const QString &text, const Letter &letter)
{
    QString t = text;
    const auto put = [&t](const char *name, const QString &value) {
        t.replace(QString::fromLatin1(name), value, Qt::CaseInsensitive);
    };
    // The address's own salutation, also in place of the general one that
    // letter files of older versions begin with.
    const QString general = QStringLiteral("Sehr geehrte Damen und Herren,");
    const QString own = letter.salutation.trimmed();
    if (!own.isEmpty() && t.startsWith(general)) t.replace(0, general.size(), own);
    put("%ANREDE", own.isEmpty() ? general : own);
    put("%RECHNUNGNR", letter.number);
    put("%RECHNUNGDATUM", German::formatDate(letter.date));
    put("%FAELLIGAM", German::formatDate(letter.due));
    put("%BETRAG", letter.amount);
    put("%ZAHLBARBIS", German::formatDate(letter.payUntil));
    return t;
}

} // namespace Dunning
