#pragma once
// The document data module: the shared datasets of documents, positions,
// document types and articles, with the rules for every document and article
// (number and defaults of a new document, totals kept in step with the
// positions, position numbering, positions deleted with their document, the
// stamps of articles) and the firm's tax number from the settings file.
#include "tdatasource.h"
#include "tvexdaotable.h"

#include <QObject>

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

    // Recomputes ek and vk of the current document from its positions and
    // leaves the document in edit state (not saved).
    void RecalcTotals();
    // Dates, currency and the next number of the type for the current
    // document, which is saved and put back into edit state.
    void AssignVorgangNr(const QString &typ);
    // The start number of a type letter, or empty when the letter has none.
    static QString StartNumber(const QString &typ);
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

    void VorgangAfterInsert(TVexDaoTable &ds);
    void VorgangBeforeDelete(TVexDaoTable &ds);
    void VorgangCalcFields(TVexDaoTable &ds);
    void VorgangDataAfterInsert(TVexDaoTable &ds);
    void VorgangDataAfterPost(TVexDaoTable &ds);
    void VorgangDataAfterDelete(TVexDaoTable &ds);
    void VorgangDataCalcFields(TVexDaoTable &ds);
    void ArtikelAfterInsert(TVexDaoTable &ds);
    void ArtikelBeforePost(TVexDaoTable &ds);
    void ArtikelCalcFields(TVexDaoTable &ds);

private:
    int m_totalsDeferred = 0;
};

// The program-wide instance, made at start-up (empty until then).
extern TData *Data;

// "€" from 1 January 2002 on, else "DM".
QString CurrencyOfDate(const QDate &date);
