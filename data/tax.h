// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// VAT as a German invoice needs it: the rates by date, the tax case of a
// document (from the firm and the customer), the category of each position,
// the note the law asks for where no VAT is charged, and the one rounding of a
// document's totals that the editor, the print, the lists and the e-invoice
// share.
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class TField;
class TVexDaoDatabase;
class TVexDaoTable;
class Value;

namespace Tax {

// The tax case of a document. Its code is the VAT category (EN 16931) that
// its positions get: S (or Z at 0 %) in the normal case, E for a small
// business under § 19 UStG, AE for § 13b UStG, K for an intra-EU supply, G for
// an export. O (not subject to VAT) is a category of single positions only.
enum class Case { Normal, SmallBusiness, ReverseCharge, IntraEu, Export };

QString caseCode(Case c);             // "S", "E", "AE", "K", "G"
Case caseOfCode(const QString &code); // empty or unknown: Normal
QString caseName(Case c);             // as the editor's pick list names it
const QList<Case> &allCases();
// The VAT category of a position at that rate in a document of that case.
QString categoryOf(Case c, double rate);
// The categories a position may have in a document of that case: S, Z and O
// in the normal case, else the case's own and O (not subject to VAT in any case).
QStringList categoriesOf(Case c);
// Categories on which no VAT is charged, whatever the rate says.
bool isTaxFreeCategory(const QString &category);
// The sentence the law asks for on an invoice of that category (E, AE, K, G),
// and the reason an e-invoice gives for O; empty for the others.
QString legalNote(const QString &category);
// The code of EN 16931's exemption reason list (VATEX) for that category, if any.
QString exemptionCode(const QString &category);

// Countries: ISO 3166-1 alpha-2, an empty one meaning Germany.
QString countryOf(const QString &land);
bool isEuMember(const QString &country);
// An assigned code of ISO 3166-1 alpha-2 (and XI, Northern Ireland).
bool isCountryCode(const QString &code);
// The country as the last line of an address block names it ("ÖSTERREICH");
// the code where the name is not known; empty for Germany.
QString countryLine(const QString &land);
// The code of a country named by such a line (or by its code); empty when unknown.
QString countryOfLine(const QString &line);
// The case a document starts with: § 19 for a small business whatever the
// customer; an intra-EU supply for a customer in another member state with a
// VAT id; an export for a customer outside the EU; else normal.
Case caseFor(bool smallBusiness, const QString &land, const QString &ustid);
// Country and VAT id of the address with that customer number (empty when
// there is none, or in a file without these columns).
struct Customer
{
    QString land, ustid;
};
Customer customerOf(TVexDaoDatabase *db, double kdnr);
// What an invoice says about the date of supply (§ 14 Abs. 4 Nr. 6 UStG):
// "Leistungsdatum: …", "Leistungszeitraum: … – …", or that it is the
// invoice's date when none is set.
QString supplyLine(const QDate &from, const QDate &to);
// The notes an invoice with these categories needs, with the buyer's VAT id
// where the buyer owes the VAT or receives an intra-EU supply.
QStringList legalNotes(const QStringList &categories, const QString &buyerVatId);
// Empty when the VAT id has the form of its country (a German one also its
// check digit), else a German message saying what is wrong. Blanks are allowed.
QString checkVatId(const QString &ustid);
QString compactVatId(const QString &ustid); // without blanks, dots and dashes, upper case
// Empty when the VAT id's prefix is that of the address's country (EL for
// Greece; Monaco's firms have French ids, the Isle of Man's British ones),
// or either is empty; else a German message naming both.
QString checkVatIdCountry(const QString &land, const QString &ustid);
// Empty when the customer can be invoiced in that case: an intra-EU supply
// goes to a customer in another member state under that state's VAT id, an
// export to a customer outside the EU; else a German message saying why not.
QString checkCaseForCustomer(Case c, const Customer &customer);

// The rates of German VAT by date: built in (16/7 before 2007, 19/7 from
// 2007, 16/5 from 1 July to 31 December 2020) and extended by the settings.
class Rates
{
  public:
    enum class Kind { Normal, Reduced, Zero, Other };
    struct Period
    {
        QDate from;
        double normal = 0, reduced = 0;
    };

    static Rates builtIn();
    // The built-in rates with the changes of the settings' key "Saetze" in
    // section [Steuer]: "dd.mm.yyyy normal/reduced" entries separated by ";"
    // (for example "01.01.2027 20/7"). A malformed entry is left out and
    // described in problems.
    static Rates withChanges(const QString &changes, QStringList *problems = nullptr);

    double normalAt(const QDate &date) const;
    double reducedAt(const QDate &date) const;
    // The rates a position may have at that date: normal, reduced, 0.
    QList<double> choicesAt(const QDate &date) const;
    // What a rate is, judged by every period: a normal rate of some period
    // stays a normal rate.
    Kind kindOf(double rate) const;
    // The rate of the same kind valid at the date; another rate stays as it is.
    double sameKindAt(double rate, const QDate &date) const;
    const QList<Period> &periods() const { return m_periods; }

  private:
    const Period &at(const QDate &date) const;
    QList<Period> m_periods; // ordered by date
};

// The firm's tax settings, section [Steuer] of the settings file.
struct Settings
{
    bool smallBusiness = false; // Kleinunternehmer=1: § 19 UStG
    Rates rates = Rates::builtIn();
    QStringList problems; // malformed entries, left out

    static QString section() { return QStringLiteral("Steuer"); }
    static Settings read(const QString &iniPath);
};

// "19", "7", "10,7": a rate as the windows and the print show it.
QString rateText(double rate);

// ---- the totals of a document

// Line amounts and sums in ten-thousandths of the currency, as Money keeps them.
struct Group
{
    QString category;
    double rate = 0;
    qint64 net = 0, vat = 0;
};

// The totals of a document's positions. By the rule of this version (cents) each
// line amount is rounded to the cent, the net per rate and category is the sum of
// its lines, the VAT per rate is that net × rate rounded to the cent, and the
// document's VAT is their sum. Documents stored before it (legacy) keep the
// figures they were printed with: line amounts to the ten-thousandth, halves
// to even, and the VAT of each sum likewise.
class Totals
{
  public:
    explicit Totals(bool cents = true) : m_cents(cents) {}

    bool cents() const { return m_cents; }
    // Adds a position; its line amount as the document shows it.
    qint64 add(double anzahl, double preis, double rate, const QString &category);
    // Groups ordered by rate, then category; net, VAT and gross of the document.
    QList<Group> groups() const;
    qint64 net() const { return m_net; }
    qint64 vat() const;
    qint64 gross() const { return m_net + vat(); }

    // The line amount by one rule or the other.
    static qint64 lineAmount(double anzahl, double preis, bool cents);
    // The VAT of a net sum at a rate, by one rule or the other.
    static qint64 vatOf(qint64 net, double rate, bool cents);

  private:
    bool m_cents;
    qint64 m_net = 0;
    QList<Group> m_groups;
};

// The rate and category a position was stored with; empty columns (rows of an
// older version, or written by another tool) are the program-wide rate, "S".
double positionRate(const TVexDaoTable &positions);
QString positionCategory(const TVexDaoTable &positions);
// The same from the fields of the columns (null where a file lacks them), for
// callers that go through many positions.
double rateOfField(const TField *rate);
QString categoryOfField(const TField *category);
// The rate on which VAT is charged: 0 in a tax-free category.
double positionVatRate(const TVexDaoTable &positions);
// Whether a document keeps the sums of an older version (Rundung empty).
bool isLegacyDocument(const TVexDaoTable &documents);

// A document's gross in ten-thousandths from its stored net and VAT; a VAT
// that was never stored (an older version, another tool) is the program-wide
// rate on the net, as it was shown until then.
qint64 grossOf(const Value &vk, const Value &mwst);
// The same for the current row of a dataset over Vorgang1 (its vk and mwst).
qint64 grossOf(const TVexDaoTable &documents);
// The VAT stored for such a document, so that it shows the same gross.
qint64 legacyVatOf(double vk);

} // namespace Tax
