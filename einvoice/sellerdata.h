// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an e-invoice needs to know about our own firm. The letterhead texts hold
// it only as free text for the print, so it has a section of its own in the
// settings file, [ERechnung]; like every setting it is read afresh each time.
#include "iban.h"

#include <QString>
#include <QStringList>
#include <functional>

struct SellerData
{
    QString Firma, Strasse, PLZ, Ort, Land, UStIdNr, Steuernummer, IBAN, BIC, Bank, Kontakt, Telefon, EMail,
        GlaeubigerID;
    // Without a VAT id the buyer identifies the seller by one of these: the
    // register entry ("HRB 1234, Amtsgericht Kassel") or an identifier of its own.
    QString Handelsregister, Kennung;

    static QString section() { return QStringLiteral("ERechnung"); }
    // Reads the section of the settings file; a missing country reads as "DE".
    static SellerData read(const QString &iniPath);
    // The same from any source of values by key ("Firma", "Strasse", … as in
    // the section), such as the fields of the settings window.
    static SellerData fromValues(const std::function<QString(const char *key)> &value);

    // What is missing or unusable, as "Name (Schlüssel)" texts in the order of
    // the section; empty when an e-invoice can be written. The IBAN is needed
    // only where the buyer is asked to transfer money.
    QStringList missing(bool needsAccount) const;

    // What an invoice of ours needs of the firm and the settings lack: its
    // name, address, tax number or VAT id and bank account, in German words.
    QStringList missingOnInvoice() const;
    // The warning of a printed invoice without them; empty when all are there.
    QString invoiceWarning() const;

    // The IBAN without blanks, upper case.
    QString ibanCompact() const;
};

// Empty when the text has the form of a German tax number (10 to 13 digits,
// blanks, slashes and dashes allowed), else a German message saying so.
QString CheckTaxNumber(const QString &steuernummer);
// Empty for a well-formed SEPA creditor identifier with correct check
// digits ("DE98ZZZ09999999999", blanks allowed), else a German message.
QString CheckCreditorId(const QString &glaeubigerId);
