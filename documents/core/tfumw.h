// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Document conversion: the due-date rule, the text placeholders and the copy
// of a document with its positions into a new document of another type. The
// holder of the three reading queries is a plain object owned by the window
// that uses it; the program-wide reference empties itself when the owner
// frees it, so it can never be used afterwards.
#include "data/tvexdaotable.h"

#include <QObject>
#include <QPointer>

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
    // document's date of supply (periodFrom) to leistungbis (periodTo).
    bool CopyVorgang(const QString &typ, const QString &dateText, QString &number,
                     const QDate &periodFrom = QDate(), const QDate &periodTo = QDate());
};

// The program-wide reference; empty while no conversion object exists.
extern QPointer<TFumw> Fumw;
