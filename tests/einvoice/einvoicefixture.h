// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh database with a connection, helpers to store addresses, documents
// and positions as the program keeps them, the sample firm's seller data, and
// a small reader for the XML an e-invoice becomes.
#include "data/engine.h"
#include "data/tvexdaodatabase.h"
#include "einvoice/ciiwriter.h"
#include "einvoice/einvoice.h"
#include "tests/dbfixture.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <utility>

class EInvoiceFixture : public DbFixture
{
  protected:
    using Row = std::initializer_list<std::pair<const char *, Value>>;
    qint64 insert(const char *table, Row row)
    {
        QStringList cols, marks;
        for (const auto &c : row) {
            cols << db->raw().quote(QString::fromLatin1(c.first));
            marks << QStringLiteral("?");
        }
        auto st = db->raw().prepare(QStringLiteral("insert into %1 (%2) values (%3)")
                                        .arg(QString::fromLatin1(table), cols.join(u','), marks.join(u',')));
        int i = 0;
        for (const auto &c : row)
            st->bind(++i, c.second);
        st->step();
        return db->raw().lastInsertId();
    }

    static Value t(const char *utf8) { return Value(QString::fromUtf8(utf8)); }

    void address(qint64 kdnr, const char *name, const char *plz = "34117", const char *ort = "Kassel",
                 const char *email = "info@kunde.de")
    {
        insert("Adress", {{"KDNR", Value(double(kdnr))},
                          {"ID", Value(double(kdnr))},
                          {"NAME1", t(name)},
                          {"STRASSE", t("Hauptstraße 1")},
                          {"PLZ", *plz ? t(plz) : Value()},
                          {"ORT", *ort ? t(ort) : Value()},
                          {"EMAIL", *email ? t(email) : Value()}});
    }
    qint64 document(const char *typ, qint64 kdnr, const char *nr = "10000", const char *waehrung = "€")
    {
        return insert("Vorgang1", {{"typ", t(typ)},
                                   {"vorgangnr", t(nr)},
                                   {"kdnr", Value(double(kdnr))},
                                   {"datum", Value::fromDate(QDate(2026, 3, 2))},
                                   {"zieltage", Value(14)},
                                   {"zieldatum", Value::fromDate(QDate(2026, 3, 16))},
                                   {"Kopftext", t("Für die ausgeführten Arbeiten berechnen wir Ihnen:")},
                                   {"Fusstext", t("Vielen Dank für Ihren Auftrag.")},
                                   {"Waehrung", t(waehrung)},
                                   {"Rundung", Value(1)}});
    }
    void position(qint64 doc, int pos, double anzahl, double preis, const char *einheit = "Stk",
                  const char *titel = "Heizkörperventil", const char *bezeichnung = "")
    {
        insert("Vorgang2", {{"vorgangID", Value(doc)},
                            {"Pos", Value(pos)},
                            {"Artikel", t("HZ-2120")},
                            {"Titel", t(titel)},
                            {"Bezeichnung", *bezeichnung ? t(bezeichnung) : Value()},
                            {"anzahl", Value(anzahl)},
                            {"einheit", t(einheit)},
                            {"Preis", Value(preis)},
                            {"EK", Value(1.0)}});
    }

    static SellerData seller()
    {
        SellerData s;
        s.Firma = QStringLiteral("Tavirel Haustechnik GmbH");
        s.Strasse = QStringLiteral("Lindenstraße 12");
        s.PLZ = QStringLiteral("34117");
        s.Ort = QStringLiteral("Kassel");
        s.Land = QStringLiteral("DE");
        s.UStIdNr = QStringLiteral("DE284716392");
        s.IBAN = QStringLiteral("DE38 5201 2345 0004 7118 00");
        s.BIC = QStringLiteral("KSBKDE51XXX");
        s.Kontakt = QStringLiteral("Jana Albers");
        s.Telefon = QStringLiteral("0561 471180");
        s.EMail = QStringLiteral("info@tavirel.de");
        s.GlaeubigerID = QStringLiteral("DE98ZZZ09999999999");
        return s;
    }

    EInvoice load(qint64 id, const SellerData &s = seller()) { return EInvoice::load(*conn, id, s, 19); }
    QByteArray xml(qint64 id, CiiWriter::Profile p = CiiWriter::Profile::XRechnung)
    {
        return CiiWriter::write(load(id), p);
    }

    // The texts of every element whose path of local names ends in `path`
    // ("BuyerTradeParty/Name"), in document order.
    static QStringList texts(const QByteArray &xml, const QString &path)
    {
        QStringList out, stack;
        QXmlStreamReader r(xml);
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement()) {
                stack << r.name().toString();
                if ((QStringLiteral("/") + stack.join(u'/')).endsWith(QStringLiteral("/") + path)) {
                    out << r.readElementText(QXmlStreamReader::IncludeChildElements);
                    stack.removeLast(); // the reader is past the end element now
                }
            } else if (r.isEndElement()) {
                stack.removeLast();
            }
        }
        EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
        return out;
    }
    static QString text(const QByteArray &xml, const QString &path) { return texts(xml, path).value(0); }
};
