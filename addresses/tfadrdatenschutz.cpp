// SPDX-License-Identifier: GPL-3.0-or-later
// The address window's data protection: an address that documents name is
// blocked or made anonymous instead of deleted, and "Datenauskunft …"
// writes what is stored about the current address.
#include "tfadr.h"

#include "base/apperror.h"
#include "data/dates.h"
#include "data/personaldata.h"
#include "data/tdataa.h"
#include "printing/personexport.h"
#include "widgets/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kCaption = QStringLiteral("Tavirelsverwaltung");

} // namespace

bool TFAdr::offerBlockingInsteadOfDeleting()
{
    TVexDaoDatabase &db = dataa->Datenbank;
    const qint64 kdnr = qint64(dataa->AdressKDNR->AsFloat());
    if (dataa->AdressKDNR->IsNull() || !PersonalData::hasDocuments(db, kdnr)) return false;
    const QString name = dataa->AdressNAME1->AsString();
    const QString erased =
        QStringLiteral("Ansprechpartner, Notizen, E-Rechnungsdaten, Bankdaten, Telefon, Telefax, E-Mail, "
                       "Internetadresse, Anrede und Bemerkung");
    const auto kept = PersonalData::retention(db, kdnr, Today());
    const QString question =
        kept ? QStringLiteral("Die Adresse %1 kann nicht gelöscht werden: ihre Vorgänge müssen aufbewahrt "
                              "werden, zuletzt %2.\n\nSoll sie stattdessen gesperrt werden? Dabei werden %3 "
                              "gelöscht; Name und Anschrift bleiben für die Vorgänge.")
                   .arg(name, kept->text(), erased)
             : QStringLiteral(
                   "Die Adresse %1 kann nicht gelöscht werden, denn Vorgänge nennen sie; aufbewahrt "
                   "werden müssen sie nicht mehr.\n\nSoll die Adresse anonymisiert werden? Dabei "
                   "werden %2, Name und Anschrift gelöscht, bei ihren Vorgängen Anschrift, Notiz und "
                   "Kopftext; die Beträge bleiben.")
                   .arg(name, erased);
    if (Dialogs::instance().message(this, kCaption, question, Dialogs::Question, Dialogs::Yes | Dialogs::No,
                                    Dialogs::No) != Dialogs::Yes)
        return true;
    guarded([&] {
        dataa->Adress.CheckBrowseMode();
        if (kept)
            PersonalData::block(db, kdnr, Today());
        else
            PersonalData::anonymise(db, kdnr, Today());
        dataa->Adress.Refresh();
        dataa->Adress.Locate(QStringLiteral("KDNR"), Value(double(kdnr)), 0);
    });
    return true;
}

void TFAdr::Datenauskunft1Click()
{
    guarded([this] {
        if (!dataa->Adress.Active() || dataa->Adress.IsEmpty()) return;
        dataa->Adress.CheckBrowseMode();
        const qint64 kdnr = qint64(dataa->AdressKDNR->AsFloat());
        Dialogs::SaveFileOptions options;
        options.caption = QStringLiteral("Datenauskunft speichern");
        options.defaultSuffix = QStringLiteral("json");
        options.filter = QStringLiteral("JSON-Dateien (*.json)");
        options.confirmOverwrite = false; // nothing is overwritten: a file there is refused
        options.directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        options.fileName = PersonExportBaseName(kdnr) + QStringLiteral(".json");
        const QString path = Dialogs::instance().saveFileName(this, options);
        if (path.isEmpty()) return;
        const QFileInfo chosen(path);
        QStringList warnings;
        const QStringList files = WritePersonExport(dataa->Datenbank, kdnr, chosen.absolutePath(),
                                                    chosen.completeBaseName(), &warnings);
        QString text =
            QStringLiteral("Die Datenauskunft zu %1 (Kd-Nr %2) ist geschrieben, nur für Sie lesbar:\n\n")
                .arg(dataa->AdressNAME1->AsString())
                .arg(kdnr);
        for (const QString &f : files.mid(0, 2))
            text += QDir::toNativeSeparators(f) + QLatin1Char('\n');
        if (files.size() > 2)
            text += QStringLiteral("und %1 Vorgänge als PDF im Ordner %2\n")
                        .arg(files.size() - 2)
                        .arg(QDir::toNativeSeparators(QFileInfo(files.at(2)).absolutePath()));
        for (const QString &w : warnings)
            text += QStringLiteral("\nWarnung: %1").arg(w);
        Dialogs::instance().message(this, kCaption, text, Dialogs::Information, Dialogs::Ok);
    });
}
