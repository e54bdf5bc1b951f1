// SPDX-License-Identifier: GPL-3.0-or-later
#include "sellerdata.h"

#include "data/settings.h"
#include "data/tax.h"

#include <QRegularExpression>

SellerData SellerData::read(const QString &iniPath)
{
    const IniFile ini(iniPath);
    return fromValues(
        [&](const char *key) { return ini.readString(section(), QString::fromLatin1(key)).trimmed(); });
}

SellerData SellerData::fromValues(const std::function<QString(const char *key)> &get)
{
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

QStringList SellerData::missingOnInvoice() const
{
    QStringList out;
    if (Firma.isEmpty()) out << QStringLiteral("Firmenname");
    if (Strasse.isEmpty() || PLZ.isEmpty() || Ort.isEmpty()) out << QStringLiteral("Anschrift");
    if (Steuernummer.isEmpty() && UStIdNr.isEmpty()) out << QStringLiteral("Steuernummer oder USt-IdNr.");
    if (IBAN.isEmpty()) out << QStringLiteral("Bankverbindung (IBAN)");
    return out;
}

QString SellerData::invoiceWarning() const
{
    const QStringList missing = missingOnInvoice();
    if (missing.isEmpty()) return QString();
    return QStringLiteral(
               "Die Angaben zur eigenen Firma sind unvollständig; es fehlen: %1. Eine Rechnung braucht "
               "sie. Bitte unter \"Datei › Einstellungen …\" eintragen.")
        .arg(missing.join(QStringLiteral(", ")));
}

QString SellerData::ibanCompact() const
{
    return QString(IBAN).remove(QLatin1Char(' ')).toUpper();
}

QString CheckTaxNumber(const QString &steuernummer)
{
    QString digits = steuernummer;
    digits.remove(QRegularExpression(QStringLiteral("[\\s/-]")));
    static const QRegularExpression form(QStringLiteral("^[0-9]{10,13}$"));
    if (form.match(digits).hasMatch()) return QString();
    return QStringLiteral("Die Steuernummer \"%1\" hat nicht die Form einer Steuernummer: 10 bis 13 Ziffern, "
                          "z. B. 026 241 47118 oder 12/345/67890.")
        .arg(steuernummer.trimmed());
}

QString CheckCreditorId(const QString &glaeubigerId)
{
    const QString s = QString(glaeubigerId).remove(QLatin1Char(' ')).toUpper();
    // Country, check digits, a business code of three characters that the
    // check leaves out, and the national identifier (in Germany 11 digits).
    bool ok = StartsLikeIban(s) && s.size() >= 9 && s.size() <= 35;
    if (ok && s.startsWith(QLatin1String("DE"))) ok = s.size() == 18;
    if (ok) ok = Mod97Rest(s.mid(7) + s.left(4)) == 1;
    if (ok) return QString();
    return QStringLiteral("Die Gläubiger-Identifikationsnummer \"%1\" ist ungültig: sie hat die Form "
                          "DE98ZZZ09999999999 (Land, zwei Prüfziffern, drei Zeichen, in Deutschland elf "
                          "Ziffern), und ihre Prüfziffern müssen stimmen.")
        .arg(glaeubigerId.trimmed());
}
