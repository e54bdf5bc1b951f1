// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address data module: the program's one database connection and the two
// shared address datasets, with the rules for every address (customer number
// and dates of a new address, the change date on every save, contact persons
// deleted with their address, a pending change saved when the dataset closes).
#include "tdatasource.h"
#include "tvexdaodatabase.h"
#include "tvexdaotable.h"

#include <QObject>

class Tdataa : public QObject
{
    Q_OBJECT
  public:
    explicit Tdataa(QObject *parent = nullptr);
    ~Tdataa() override;

    // Creation: connects to the database (ProgramFolder::databasePath(): the
    // user's data folder, or daten/tavirel.mdb of a portable program folder,
    // unless a location is given) and opens Adress and
    // uPersonen. Throws on the first failing step; the rest is skipped.
    void DataModuleCreate(const QString &databasePath = QString());

    TVexDaoDatabase Datenbank;
    TVexDaoTable Adress;
    TDataSource DSAdress;
    TVexDaoTable uPersonen;
    TDataSource DSuPersonen;
    TVexDaoTable AdressSQL;

    // Field components of Adress (AdressKDNR, Adresskunde, ...).
    TField *AdressNAME1, *AdressVORNAME, *AdressID, *AdressTYP, *AdressANGELEGT, *AdressGEAENDERT,
        *AdressKDNR, *AdressNAMEN, *AdressSTRASSE, *AdressPLZ, *AdressORT, *AdressVORWAHL, *AdressTELEFON1,
        *AdressTELEFAX, *AdressKONTAKT, *AdressBEMERKUNG, *AdressWWW, *AdressEMAIL, *AdressLKDNR,
        *Adresskunde, *AdressLieferant, *AdressSerienbrief, *AdressAnrede, *AdressMA;
    // Country and VAT id; a file that could not be brought up to date lacks them.
    TField *AdressLAND, *AdressUSTID;
    // Field components of uPersonen.
    TField *uPersonenID, *uPersonenFIRMAID, *uPersonenFUNKTION, *uPersonenNAME, *uPersonenVORNAME,
        *uPersonenDURCHWAHL, *uPersonenEMAIL;

    // The bank data stored with the address of the customer number, a line
    // each ("Kontoinhaber: …", "Bank: …", "BLZ:"/"BIC: …", "Konto-Nr.:"/
    // "IBAN: …"); empty when there is none or no such address.
    QStringList BankDataLines(qint64 kdnr);

    void AdressAfterInsert(TVexDaoTable &ds);
    void AdressBeforePost(TVexDaoTable &ds);
    void AdressBeforeDelete(TVexDaoTable &ds);
    void AdressBeforeClose(TVexDaoTable &ds);
};

// The program-wide instance, made at start-up (empty until then).
extern Tdataa *dataa;
