// SPDX-License-Identifier: GPL-3.0-or-later
#include "tdataa.h"

#include "numbering.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "dates.h"
#include "personaldata.h"
#include "programfolder.h"
#include "progress.h"
#include "tax.h"

#include <QRegularExpression>

Tdataa *dataa = nullptr;

Tdataa::Tdataa(QObject *parent)
    : QObject(parent), Datenbank(this), Adress(this, QStringLiteral("Adress")), DSAdress(this, &Adress),
      uPersonen(this, QStringLiteral("uPersonen")), DSuPersonen(this, &uPersonen),
      AdressSQL(this, QStringLiteral("AdressSQL"))
{
    Datenbank.setAlias(QStringLiteral("Tavirelmdb"));

    Adress.setDatabase(&Datenbank);
    Adress.setTableName(QStringLiteral("Adress"));
    using T = FieldType;
    AdressNAME1 = Adress.addField(QStringLiteral("NAME1"), T::Text, 60);
    AdressVORNAME = Adress.addField(QStringLiteral("VORNAME"), T::Text, 25);
    AdressID = Adress.addField(QStringLiteral("ID"), T::Number);
    AdressTYP = Adress.addField(QStringLiteral("TYP"), T::Number);
    AdressANGELEGT = Adress.addField(QStringLiteral("ANGELEGT"), T::Date);
    AdressGEAENDERT = Adress.addField(QStringLiteral("GEAENDERT"), T::Date);
    AdressKDNR = Adress.addField(QStringLiteral("KDNR"), T::Number);
    AdressNAMEN = Adress.addField(QStringLiteral("NAMEN"), T::Memo);
    AdressSTRASSE = Adress.addField(QStringLiteral("STRASSE"), T::Text, 30);
    AdressPLZ = Adress.addField(QStringLiteral("PLZ"), T::Text, 8);
    AdressORT = Adress.addField(QStringLiteral("ORT"), T::Text, 40);
    AdressVORWAHL = Adress.addField(QStringLiteral("VORWAHL"), T::Text, 7);
    AdressTELEFON1 = Adress.addField(QStringLiteral("TELEFON1"), T::Text, 20);
    AdressTELEFAX = Adress.addField(QStringLiteral("TELEFAX"), T::Text, 20);
    AdressKONTAKT = Adress.addField(QStringLiteral("KONTAKT"), T::Date);
    AdressBEMERKUNG = Adress.addField(QStringLiteral("BEMERKUNG"), T::Memo);
    AdressWWW = Adress.addField(QStringLiteral("WWW"), T::Text, 60);
    AdressEMAIL = Adress.addField(QStringLiteral("EMAIL"), T::Text, 60);
    AdressLKDNR = Adress.addField(QStringLiteral("LKDNR"), T::Text, 10);
    Adresskunde = Adress.addField(QStringLiteral("kunde"), T::Bool);
    AdressLieferant = Adress.addField(QStringLiteral("Lieferant"), T::Bool);
    AdressSerienbrief = Adress.addField(QStringLiteral("Serienbrief"), T::Bool);
    AdressAnrede = Adress.addField(QStringLiteral("Anrede"), T::Text, 50);
    AdressMA = Adress.addField(QStringLiteral("MA"), T::Text, 5);
    AdressLAND = Adress.addField(QStringLiteral("LAND"), T::Text, 2);
    AdressLAND->Optional = true;
    AdressUSTID = Adress.addField(QStringLiteral("USTID"), T::Text, 20);
    AdressUSTID->Optional = true;
    // Whether the address is a consumer (dunning interest) and its own payment days.
    Adress.addField(QStringLiteral("VERBRAUCHER"), T::Bool)->Optional = true;
    Adress.addField(QStringLiteral("ZIELTAGE"), T::Short)->Optional = true;
    Adress.BeforeClose = [this](TVexDaoTable &ds) { AdressBeforeClose(ds); };
    Adress.AfterInsert = [this](TVexDaoTable &ds) { AdressAfterInsert(ds); };
    Adress.BeforePost = [this](TVexDaoTable &ds) { AdressBeforePost(ds); };
    Adress.BeforeDelete = [this](TVexDaoTable &ds) { AdressBeforeDelete(ds); };

    uPersonen.setDatabase(&Datenbank);
    uPersonen.setTableName(QStringLiteral("Personen"));
    uPersonenID = uPersonen.addField(QStringLiteral("ID"), T::Number);
    uPersonenFIRMAID = uPersonen.addField(QStringLiteral("FIRMAID"), T::Number);
    uPersonenFUNKTION = uPersonen.addField(QStringLiteral("FUNKTION"), T::Text, 14);
    uPersonenNAME = uPersonen.addField(QStringLiteral("NAME"), T::Text, 40);
    uPersonenVORNAME = uPersonen.addField(QStringLiteral("VORNAME"), T::Text, 20);
    uPersonenDURCHWAHL = uPersonen.addField(QStringLiteral("DURCHWAHL"), T::Text, 25);
    uPersonenEMAIL = uPersonen.addField(QStringLiteral("EMAIL"), T::Text, 40);
    uPersonen.setMasterSource(&DSAdress);
    uPersonen.setMasterFields({QStringLiteral("FIRMAID -> KDNR")});

    AdressSQL.setDatabase(&Datenbank);
}

Tdataa::~Tdataa()
{
    // Program end: a pending address change is saved as the dataset closes.
    try {
        Adress.Close();
    } catch (const AppError &e) {
        qWarning("%s", qPrintable(e.message()));
    }
    try {
        Datenbank.Close();
    } catch (const AppError &e) {
        qWarning("%s", qPrintable(e.message()));
    }
    if (dataa == this) dataa = nullptr;
}

void Tdataa::DataModuleCreate(const QString &databasePath)
{
    Datenbank.Close();
    Datenbank.setDatabase(databasePath.isEmpty() ? ProgramFolder::databasePath() : databasePath);
    Datenbank.Open();
    StartupProgress::set(1);
    Adress.Open();
    StartupProgress::set(2);
    uPersonen.Open();
    StartupProgress::set(3);
}

void Tdataa::AdressAfterInsert(TVexDaoTable &ds)
{
    ds.FieldByName(QStringLiteral("ANGELEGT"))->SetAsDate(Today());
    ds.FieldByName(QStringLiteral("TYP"))->SetAsInteger(1);
    // Reading the highest number and saving the new one happen under one
    // write lock, so two programs on one file never give the same number.
    {
        TVexDaoDatabase::Transaction transaction(Datenbank);
        const qint64 next = Numbering::nextCustomerNumber(Datenbank);
        ds.FieldByName(QStringLiteral("KDNR"))->SetAsInteger(next);
        ds.FieldByName(QStringLiteral("ID"))->SetAsInteger(next);
        ds.Post();
        transaction.commit();
    }
    ds.Edit();
}

void Tdataa::AdressBeforePost(TVexDaoTable &ds)
{
    // The country and VAT id decide how the customer's invoices are taxed:
    // a wrong one is refused before it is stored.
    // The row being saved, which need not be the module's own (a supplier
    // made while taking in an e-invoice).
    TField *landField = ds.FieldByName(QStringLiteral("LAND"));
    const QString land = landField->AsString().trimmed().toUpper();
    if (!land.isEmpty() && !Tax::isCountryCode(land))
        throw AppError(
            QStringLiteral("\"%1\" ist kein Ländercode: bitte zwei Buchstaben nach ISO 3166 eingeben "
                           "(z. B. DE, AT, CH) oder das Feld leer lassen (Deutschland).")
                .arg(landField->AsString()));
    const QString problem = Tax::checkVatId(ds.FieldByName(QStringLiteral("USTID"))->AsString());
    if (!problem.isEmpty()) throw AppError(problem);
    // An invoice taxed by the country must not rest on a VAT id of another.
    const QString misfit = Tax::checkVatIdCountry(land, ds.FieldByName(QStringLiteral("USTID"))->AsString());
    if (!misfit.isEmpty()) throw AppError(misfit);
    ds.Edit();
    if (landField->AsString() != land) landField->SetAsString(land);
    ds.FieldByName(QStringLiteral("GEAENDERT"))->SetAsString(German::formatDate(Today()));
}

void Tdataa::AdressBeforeDelete(TVexDaoTable &ds)
{
    // Documents keep their customer number: an address they name is blocked
    // or made anonymous instead (see PersonalData), never deleted under them.
    if (const Value k = ds.FieldByName(QStringLiteral("KDNR"))->value();
        !k.isNull() && PersonalData::hasDocuments(Datenbank, qint64(k.toDouble()))) {
        const auto kept = PersonalData::retention(Datenbank, qint64(k.toDouble()), Today());
        throw AppError(
            kept
                ? QStringLiteral("Die Adresse %1 kann nicht gelöscht werden: ihre Vorgänge müssen aufbewahrt "
                                 "werden, zuletzt %2. Sie kann gesperrt werden.")
                      .arg(ds.FieldByName(QStringLiteral("NAME1"))->AsString(), kept->text())
                : QStringLiteral("Die Adresse %1 kann nicht gelöscht werden: Vorgänge nennen sie. Sie kann "
                                 "anonymisiert werden.")
                      .arg(ds.FieldByName(QStringLiteral("NAME1"))->AsString()),
            AppError::Kind::Refused);
    }
    uPersonen.First();
    while (!uPersonen.IsEmpty())
        uPersonen.Delete();
    // The contact notes and the e-invoice data go too: left behind they would
    // turn up at the next address that is given the same number.
    const Value kdnr = ds.FieldByName(QStringLiteral("KDNR"))->value();
    if (kdnr.isNull()) return;
    for (const QString &table : {QStringLiteral("Notizen"), QStringLiteral("ERechnung")}) {
        if (!Datenbank.table(table)) continue;
        TVexDaoTable rows(nullptr, table);
        rows.setDatabase(&Datenbank);
        rows.SQL() << QStringLiteral("select id from %1 where KDNR = %2")
                          .arg(table, QString::number(kdnr.toDouble(), 'g', 17));
        rows.Open();
        while (!rows.IsEmpty())
            rows.Delete();
    }
}

void Tdataa::AdressBeforeClose(TVexDaoTable &ds)
{
    if (ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert) ds.Post();
}

QStringList Tdataa::BankDataLines(qint64 kdnr)
{
    // The address as it is stored, read by a query of its own: the shared
    // datasets may stand elsewhere or hold unsaved changes.
    TVexDaoTable konto(nullptr, QStringLiteral("konto"));
    konto.setDatabase(&Datenbank);
    konto.SQL() << QStringLiteral("select KontoInhaber, KontoBank, KontoBLZ, KontoNr from adress")
                << QStringLiteral("where kdnr = %1").arg(kdnr);
    konto.Open();
    QStringList lines;
    if (konto.IsEmpty()) return lines;
    const auto value = [&](const char *name) {
        return konto.FieldByName(QString::fromLatin1(name))->AsString().trimmed();
    };
    const QString inhaber = value("KontoInhaber"), bank = value("KontoBank"), blz = value("KontoBLZ"),
                  nr = value("KontoNr");
    // Older addresses hold a bank code and account number, newer ones BIC
    // and IBAN in the same fields; each line says which.
    const bool isIban = QRegularExpression(QStringLiteral("^[A-Za-z]{2}[0-9]{2}")).match(nr).hasMatch();
    const bool isBic =
        !blz.isEmpty() && !QRegularExpression(QStringLiteral("^[0-9 ]+$")).match(blz).hasMatch();
    if (!inhaber.isEmpty()) lines << QStringLiteral("Kontoinhaber: ") + inhaber;
    if (!bank.isEmpty()) lines << QStringLiteral("Bank: ") + bank;
    if (!blz.isEmpty()) lines << (isBic ? QStringLiteral("BIC: ") : QStringLiteral("BLZ: ")) + blz;
    if (!nr.isEmpty()) lines << (isIban ? QStringLiteral("IBAN: ") : QStringLiteral("Konto-Nr.: ")) + nr;
    return lines;
}
