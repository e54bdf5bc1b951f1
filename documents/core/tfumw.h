// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Document conversion: the due-date rule, the text placeholders and the copy
// of a document with its positions into a new document of another type. The
// holder of the three reading queries is a plain object owned by the window
// that uses it; the program-wide reference empties itself when the owner
// frees it, so it can never be used afterwards.
#include "data/tax.h"
#include "data/tvexdaotable.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <map>
#include <vector>

class TFumw : public QObject
{
    Q_OBJECT
  public:
    explicit TFumw(QObject *owner);
    ~TFumw() override;

    TVexDaoTable vSql;
    TVexDaoTable vdsql;
    TVexDaoTable adrsql;

    // The current document's due date: dateText (dd.mm.yyyy) plus its
    // payment days. The document stays in edit state, not saved.
    static void SetZieldatum(const QString &dateText);
    // The text with the first "%MONAT" and the first of each bank
    // placeholder replaced, for the current document.
    QString ReplacePlaceholders(const QString &text);
    // Copies the current document of vorgang with its positions into a new
    // document of the type; number receives the new number. A document
    // without positions makes nothing and keeps number as it was. All of it
    // is saved, or nothing. True when a document was made. The copy keeps the
    // tax case and the categories of the source; its rates are those of the
    // same kind valid today. A service period, when given, becomes the new
    // document's date of supply (periodFrom) to leistungbis (periodTo). The
    // new document refers to its source by the source's id in bezug.
    bool CopyVorgang(const QString &typ, const QString &dateText, QString &number,
                     const QDate &periodFrom = QDate(), const QDate &periodTo = QDate());
    // The same for the document with that id, wherever vorgang stands.
    bool CopyVorgangFrom(qint64 sourceId, const QString &typ, const QString &dateText, QString &number,
                         const QDate &periodFrom = QDate(), const QDate &periodTo = QDate());

    // The rate and category a copied position takes on a new document of
    // the tax case: the rate of the same kind valid today; the category
    // follows the rate in the normal case and stays otherwise (one the case
    // does not know follows the case).
    static std::pair<double, QString> CopiedRate(double rate, const QString &category, Tax::Case taxCase);

    // Reads at once, for the copies to come, the documents that meet the
    // condition (on vorgang1) with their positions and their customers' bank
    // data: three reads for a whole run instead of three per copy. The
    // caller holds the write lock from before this read until
    // ForgetSources, so that what was read stays what is stored.
    void ReadSources(const QString &condition);
    void ForgetSources();
    // The positions of the sources read, for the ids a run takes ahead.
    int SourcePositions() const;
    // While set, a copy may return with its writes still waiting for the
    // server's next round trip; the caller sends them (TVexDaoDatabase::
    // Flush) and rolls back on failure. Otherwise a copy returns stored.
    void SetBatched(bool batched) { m_batched = batched; }

  private:
    // What a copy takes from its source document, as read.
    struct Source
    {
        struct Position
        {
            std::vector<Value> values; // of the copied columns
            double anzahl = 0, preis = 0, ek = 0, rate = 0;
            QString category;
        };
        qint64 kdnr = 0;
        QList<std::pair<QString, QString>> header; // field and value, in the order they are set
        std::vector<Position> positions;
    };
    struct Bank
    {
        QString nr, bank, blz, inhaber;
    };
    std::map<qint64, Source> m_sources;
    QHash<qint64, Bank> m_banks;
    bool m_keepSources = false;
    bool m_batched = false;
    void readSources(const QString &condition);
    Bank bankOf(qint64 kdnr);
    Bank bankOfRow() const; // of adrsql's current row
};

// The program-wide reference; empty while no conversion object exists.
extern QPointer<TFumw> Fumw;
