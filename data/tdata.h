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
    bool m_renumbering = false;
};

// The program-wide instance, made at start-up (empty until then).
extern TData *Data;

// "€" from 1 January 2002 on, else "DM".
QString CurrencyOfDate(const QDate &date);
