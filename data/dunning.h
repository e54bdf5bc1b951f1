// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules of dunning without any window or table: the levels and their
// titles, the settings of section [Mahnwesen], the base rate of § 247 BGB by
// date, the statutory default interest of § 288 BGB, the charges a reminder
// claims, and the letter texts of the levels.
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TVexDaoTable;

namespace Dunning {

// Levels: 0 none, 1 payment reminder, 2 first and 3 second dunning letter.
// An invoice at the last level gets no further reminder.
constexpr int kLastLevel = 3;
// "Zahlungserinnerung", "1. Mahnung", "2. Mahnung"; empty for any other level.
QString LevelTitle(int level);
// What follows the last level: the listing's words for it.
QString FinalStepText();

// The base rate of § 247 BGB by date (it changes on 1 January and 1 July), in
// hundredths of a percent: built in from 2002 on, extended by the settings.
class BaseRates
{
  public:
    struct Entry
    {
        QDate from;
        int hundredths = 0;
    };
    static BaseRates builtIn();
    // The built-in rates with the settings' entries "2025-07-01:1,27" separated
    // by ";": an entry replaces the built-in one of its date or adds one. A
    // malformed entry is left out and described in problems.
    static BaseRates withChanges(const QString &changes, QStringList *problems);
    // The rate valid on that day; false before the first known date.
    bool at(const QDate &day, int *hundredths) const;
    // The day the next rate applies after day, or an invalid date.
    QDate nextChangeAfter(const QDate &day) const;
    // The last day the known rates surely cover: the day before the next
    // 1 January or 1 July after the last entry. Later days keep its rate.
    QDate knownUntil() const;

  private:
    QList<Entry> m_entries; // ordered by date
};

// One stretch of days at one rate.
struct InterestPart
{
    QDate from, to;   // both days counted
    int baseRate = 0; // hundredths of a percent
    int rate = 0;     // base rate plus the points
    qint64 days() const { return from.daysTo(to) + 1; }
};
struct Interest
{
    qint64 amount = 0; // ten-thousandths of the currency, whole cents
    QList<InterestPart> parts;
};
// The default interest on an open amount (ten-thousandths) from the day after
// the due date to the key date: amount × (base rate of each day + points) /
// 100 × days / 365, summed over the days exactly and rounded to the cent once
// at the end (half up). points in hundredths: 900 for a firm, 500 for a
// consumer. AppError naming the day when a day has no base rate.
Interest DefaultInterest(qint64 open, const QDate &due, const QDate &key, int points, const BaseRates &rates);
// "16.03.2026 bis 30.06.2026 (107 Tage): 10,27 % (Basiszinssatz 1,27 % + 9
// Prozentpunkte) auf 119,00 €": one stretch as the reminder explains it.
QString InterestPartText(const InterestPart &part, int points, qint64 open, const QString &currency);

// Section [Mahnwesen] of the settings file.
struct Settings
{
    int karenztage = 7;                           // days after the due date before the first reminder
    int abstand = 14;                             // days between two levels; also the reminder's payment days
    qint64 fees[kLastLevel] = {0, 50000, 100000}; // per level, ten-thousandths of a euro
    bool zinsen = false;                          // default interest from level 2 on
    qint64 pauschale = 0;                         // flat sum of § 288 Abs. 5 BGB for firms, 0 = off
    BaseRates baseRates = BaseRates::builtIn();

    static QString section() { return QStringLiteral("Mahnwesen"); }
    // A yes or no as the settings take it ("1", "ja", "yes", "an", … and
    // their opposites, any letter case); null for a word it is not.
    static std::optional<bool> yesNo(const QString &text);
    // AppError naming every malformed entry: a reminder is never made on
    // figures the firm did not mean.
    static Settings read(const QString &iniPath);
};

// What a reminder claims beside the open amount, in ten-thousandths of the
// invoice's currency (whole cents).
struct Charges
{
    qint64 earlier = 0; // fees and flat sum of the invoice's earlier reminders
    qint64 fee = 0;
    qint64 flatSum = 0;
    int points = 900; // the interest's points over the base rate, hundredths
    Interest interest;
    qint64 total(qint64 open) const { return open + earlier + fee + flatSum + interest.amount; }
};
// The charges of a reminder of that level. The flat sum is claimed from a
// firm once per invoice, with the first reminder from level 2 on; every fee
// charged in default counts towards it (§ 288 Abs. 5 Satz 3 BGB), so a firm
// pays only what the fees add up to beyond it. A firm's debt that arose
// (arose: the invoice date) before 29.07.2014 is charged 8 points and no flat
// sum (Art. 229 § 34 EGBGB); a consumer 5 points throughout. A DM invoice gets
// the euro amounts at the fixed rate.
Charges ChargesOf(const Settings &settings, int level, bool consumer, bool flatSumCharged, qint64 earlier,
                  qint64 open, const QDate &due, const QDate &key, const QString &currency,
                  const QDate &arose = QDate());
// The first day of the law on late payment of 2014.
QDate NewLawFrom();
// The first day a claim that fell due on that day is time-barred (§§ 195,
// 199 BGB: three years from the end of its year).
QDate TimeBarredFrom(const QDate &due);

// An amount in ten-thousandths rounded to whole cents, halves away from zero.
qint64 ToCents(qint64 amount);

// When the document ds stands on is a reminder, sets its invoice's level and
// reminder date to those of the invoice's latest reminder not cancelled (and,
// with leaving, not this one, about to be deleted); level 0 when none is left.
void SetLevelFromReminders(const TVexDaoTable &ds, bool leaving = false);

// ---- letter texts

// The facts a level's text names.
struct Letter
{
    QString number;     // the invoice's
    QDate date, due;    // the invoice's date and due date
    QString amount;     // its open amount with the currency, "119,00 €"
    QDate payUntil;     // the reminder's own due date
    QString salutation; // the address's ("Sehr geehrter Herr Müller,"), may be empty
};
// The text of mahnung1.txt … mahnung3.txt in the program folder, or the
// built-in text of the level when the file cannot be read (then a warning).
QString LevelText(int level, QStringList *warnings);
// The text with %ANREDE, %RECHNUNGNR, %RECHNUNGDATUM, %FAELLIGAM, %BETRAG and
// %ZAHLBARBIS (any letter case) replaced wherever they stand. %ANREDE is the
// address's salutation, else "Sehr geehrte Damen und Herren,"; a text that
// begins with the latter gets the address's own instead.
QString FillText(const QString &text, const Letter &letter);

} // namespace Dunning
