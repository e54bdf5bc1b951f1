// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The document data module: the shared datasets of documents, positions,
// document types and articles, with the rules for every document and article
// (number and defaults of a new document, totals kept in step with the
// positions, position numbering, positions deleted with their document, the
// stamps of articles) and the firm's tax number from the settings file.
#include "tax.h"
#include "tdatasource.h"
#include "tvexdaotable.h"

#include <QHash>
#include <QObject>
#include <functional>

class TVexDaoDatabase;

class TData : public QObject
{
    Q_OBJECT
  public:
    // The datasets use the given connection (the address data module's).
    explicit TData(TVexDaoDatabase *connection, QObject *parent = nullptr);
    ~TData() override;

    // Creation: reads the tax number, then opens Artikel, vorgang,
    // vorgangdata and typen. Throws on the first failing step.
    void DataCreate();

    TVexDaoTable vorgang;
    TDataSource VorgangQ;
    TVexDaoTable vorgangdata;
    TDataSource VorgangDQ;
    TVexDaoTable typen;
    TDataSource TypenQ;
    TVexDaoTable vorSQL;
    TVexDaoTable Artikel;
    TDataSource ArtikelQ;

    // Recomputes ek, vk and mwst of the current document from its positions
    // as stored (read in the caller's transaction, whatever this program
    // still shows of them) by the rounding of this version, and leaves the
    // document in edit state (not saved).
    void RecalcTotals();
    // The sums of positions as RecalcTotals computes them, for positions not
    // yet in vorgangdata (a copy gives its new document its totals at once).
    class PositionSums
    {
      public:
        void add(double anzahl, double ek, double preis, double rate, const QString &category);
        // Sets ek, vk, mwst and the rounding of the document (edit state);
        // sums beyond what the document can carry are refused.
        void assignTo(TVexDaoTable &document) const;
        qint64 purchase() const { return m_purchase; }
        const Tax::Totals &sales() const { return m_sales; }

      private:
        qint64 m_purchase = 0;
        Tax::Totals m_sales{true};
    };
    // The totals of the current document's positions, by its own rounding
    // (a document of an older version keeps the sums it was printed with).
    Tax::Totals PositionTotals();
    // The sums while a position is typed, so that the footer can follow it
    // before it is saved: the stored positions but that one, and that one as
    // it stands now.
    PositionSums SumsWithPendingPosition();

    // ---- VAT of the current document
    // Its tax case (an empty one is the normal case).
    Tax::Case TaxCase() const;
    // The day whose rates apply: the date of supply, or the document's date.
    QDate TaxDate() const;
    // Sets the tax case and gives every position the category of that case
    // (a rate of 0 outside the normal case; back in it, the rate of its
    // article or the normal rate), then recomputes the totals.
    void SetTaxCase(Tax::Case c);
    // The case that follows from the firm and the document's customer (country
    // and VAT id of the address), set when the customer changes.
    Tax::Case TaxCaseOfCustomer() const;
    // Country and VAT id of the document's customer (by its kdnr).
    Tax::Customer customerTax() const;
    // The document got another customer: its case becomes the customer's
    // (nothing in a file without tax cases, opened read only).
    // A new document also takes the customer's own payment days.
    void CustomerChanged();
    // The payment days of the current document's customer; -1 without.
    int PaymentDaysOfCustomer() const;
    // The current position's rate, with the category it has in the document's
    // case; a rate of another kind than 0 in a case without VAT is refused.
    void SetPositionRate(double rate);
    // The rates a position of the current document may have in the normal
    // case: normal, reduced and 0 at its tax date (and at the end of its
    // service period).
    QList<double> RateChoices() const;
    // The rate of an article for a position of the current document: of its
    // kind (normal, reduced) at the document's tax date.
    double ArticleRate(double articleRate) const;
    // Dates, currency and the next number of the type for the current
    // document, which is saved and put back into edit state.
    void AssignVorgangNr(const QString &typ);
    // The start number of a type letter, or empty when the letter has none.
    static QString StartNumber(const QString &typ);
    // The start numbers of the program, where the settings name none.
    static QString BuiltInStartNumber(const QString &typ);
    // The payment days of a new document: the firm's ([Vorgaenge]
    // Zahlungsziel), 7 without one.
    static int DefaultPaymentDays();
    // The select of the highest number of a type: one step along an index
    // on either engine, however many documents there are.
    static QStringList NextNumberSql(const QString &typ);
    // The number after the highest of the type; refused with a message naming
    // the type when it would not fit a field of fieldSize characters.
    QString NextNumberAfter(const QString &typ, double highest, int fieldSize) const;
    // The name of a type letter from the types, or the letter itself.
    QString TypeName(const QString &typ) const;

    // While one exists, saving a position does not recompute the totals: a
    // caller that saves many positions in a row recomputes them once after.
    class TotalsDeferred
    {
      public:
        explicit TotalsDeferred(TData &data);
        ~TotalsDeferred();
        TotalsDeferred(const TotalsDeferred &) = delete;
        TotalsDeferred &operator=(const TotalsDeferred &) = delete;

      private:
        TData &m_data;
    };

    // While one exists, each number of a type follows the one given before
    // without looking up the highest again: its owner holds the write lock
    // all along, so no one else numbers meanwhile. A caller whose new
    // document is undone after numbering calls ForgetNumbers.
    class NumberingRun
    {
      public:
        explicit NumberingRun(TData &data);
        ~NumberingRun();
        NumberingRun(const NumberingRun &) = delete;
        NumberingRun &operator=(const NumberingRun &) = delete;

      private:
        TData &m_data;
    };
    void ForgetNumbers() { m_lastNumbers.clear(); }

    void VorgangAfterInsert(TVexDaoTable &ds);
    // A service period ends on or after its first day; refused otherwise.
    static void CheckServicePeriod(const TVexDaoTable &ds);
    // The service period, and where a date that decides the rates moved, no
    // position left at a rate of another period.
    void VorgangBeforePost(TVexDaoTable &ds);
    // Positions of the current document (normal case, category S) whose rate
    // is not one of its tax date: "2 (16 %, jetzt 19 %)".
    QStringList StaleRates();
    // Gives those positions the rate of their kind at the tax date and saves
    // the document with them, all together or nothing.
    void RerateToTaxDate();
    void VorgangBeforeDelete(TVexDaoTable &ds);
    void VorgangCalcFields(TVexDaoTable &ds);
    void VorgangDataAfterInsert(TVexDaoTable &ds);
    void VorgangDataBeforePost(TVexDaoTable &ds);
    void VorgangDataAfterPost(TVexDaoTable &ds);
    void VorgangDataAfterDelete(TVexDaoTable &ds);
    void VorgangDataCalcFields(TVexDaoTable &ds);
    void ArtikelAfterInsert(TVexDaoTable &ds);
    void ArtikelBeforePost(TVexDaoTable &ds);
    void ArtikelCalcFields(TVexDaoTable &ds);

  private:
    // Runs body on every position of the current document, then returns to
    // the position that was current.
    void forEachPosition(const std::function<void()> &body);
    // except: a position (by id) left out, as the one being typed.
    void addStoredPositions(PositionSums &sums, qint64 except = -1);
    // Saves a position being typed (drops a new one nobody touched).
    void postPendingPosition();
    // Runs change on the document and its positions and saves them with
    // their totals in one transaction, or nothing of it.
    void saveWithPositions(const std::function<void()> &change);
    // The stored default rate of the article with that number, 0 when none.
    double articleRateOf(const QString &artNr) const;
    // The rate a position becomes taxable at: its article's, else the normal rate.
    double taxableRateOf(const QString &artNr) const;

    int m_totalsDeferred = 0;
    int m_numberingRuns = 0;
    QHash<QString, qint64> m_lastNumbers; // per type, while a numbering run lasts
};

// The program-wide instance, made at start-up (empty until then).
extern TData *Data;

// "€" from 1 January 2002 on, else "DM".
QString CurrencyOfDate(const QDate &date);
