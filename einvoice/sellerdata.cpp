// SPDX-License-Identifier: GPL-3.0-or-later
#include "sellerdata.h"

#include "data/settings.h"
#include "data/tax.h"

SellerData SellerData::read(const QString &iniPath)
{
    const IniFile ini(iniPath);
    auto get = [&](const char *key) { return ini.readString(section(), QString::fromLatin1(key)).trimmed(); };
    SellerData s;
    s.Firma = get("Firma");
    s.Strasse = get("Strasse");
    s.PLZ = get("PLZ");
    s.Ort = get("Ort");
    s.Land = get("Land").toUpper();
    if (s.Land.isEmpty()) s.Land = QStringLiteral("DE");
    s.UStIdNr = get("UStIdNr");
    s.Steuernummer = get("Steuernummer");
    s.IBAN = get("IBAN");
    s.BIC = get("BIC");
    s.Bank = get("Bank");
    s.Kontakt = get("Kontakt");
    s.Telefon = get("Telefon");
    s.EMail = get("EMail");
    s.GlaeubigerID = get("GlaeubigerID");
    s.Handelsregister = get("Handelsregister");
    s.Kennung = get("Kennung");
    return s;
}

QStringList SellerData::missing(bool needsAccount) const
{
    QStringList out;
    auto need = [&](const QString &value, const char *what) {
        if (value.isEmpty()) out << QString::fromUtf8(what);
    };
    need(Firma, "Firmenname (Firma)");
    need(Strasse, "Straße (Strasse)");
    need(PLZ, "Postleitzahl (PLZ)");
    need(Ort, "Ort (Ort)");
    if (!Tax::isCountryCode(Land))
        out << QStringLiteral("Ländercode nach ISO 3166 mit zwei Buchstaben (Land)");
    if (UStIdNr.isEmpty() && Steuernummer.isEmpty())
        out << QStringLiteral("Umsatzsteuer-Identifikationsnummer oder Steuernummer (UStIdNr, Steuernummer)");
    // The buyer's software finds the seller by its VAT id, its register entry or its own identifier.
    if (UStIdNr.isEmpty() && Handelsregister.isEmpty() && Kennung.isEmpty())
        out << QStringLiteral("Umsatzsteuer-Identifikationsnummer, Handelsregisternummer oder Kennung des "
                              "Verkäufers (UStIdNr, Handelsregister, Kennung)");
    // EN 16931 reads the country from the VAT id's first two letters (Greece: EL).
    const QString id = Tax::compactVatId(UStIdNr);
    if (!id.isEmpty() &&
        (id.size() < 4 || !(Tax::isCountryCode(id.left(2)) || id.startsWith(QLatin1String("EL")))))
        out << QStringLiteral(
            "Umsatzsteuer-Identifikationsnummer mit Ländercode, z. B. DE123456789 (UStIdNr)");
    if (needsAccount) {
        if (IBAN.isEmpty())
            out << QStringLiteral("IBAN (IBAN)");
        else if (!IsValidIban(IBAN))
            out << QStringLiteral("gültige IBAN (IBAN)");
    }
    need(Kontakt, "Ansprechpartner (Kontakt)");
    need(Telefon, "Telefon (Telefon)");
    need(EMail, "E-Mail (EMail)");
    return out;
}

QString SellerData::ibanCompact() const
{
    return QString(IBAN).remove(QLatin1Char(' ')).toUpper();
}
