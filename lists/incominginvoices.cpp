// SPDX-License-Identifier: GPL-3.0-or-later
#include "incominginvoices.h"

#include "base/apperror.h"
#include "data/tdataa.h"
#include "einvoice/incomingstore.h"
#include "widgets/dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace IncomingInvoices {

namespace {

const QString kCaption = QStringLiteral("E-Rechnung einlesen");

Dialogs::Button say(QWidget *parent, const QString &text, Dialogs::Icon icon, int buttons = Dialogs::Ok)
{
    return Dialogs::instance().message(parent, kCaption, text, icon, buttons,
                                       buttons & Dialogs::Yes ? Dialogs::Yes : Dialogs::Ok);
}

} // namespace

qint64 ImportFromFile(QWidget *parent)
{
    if (!dataa) throw AppError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
    Dialogs::SaveFileOptions options;
    options.caption = kCaption;
    options.filter = QStringLiteral("E-Rechnungen (*.xml *.pdf *.XML *.PDF);;Alle Dateien (*)");
    options.directory = QDir::homePath();
    const QString path = Dialogs::instance().openFileName(parent, options);
    if (path.isEmpty()) return 0;
    try {
        const IncomingImport r = IncomingStore::import(
            *dataa, IncomingInvoice::loadFile(path), path, [&](const IncomingInvoice &inv) {
                const QStringList where = inv.seller.address.lines();
                return say(parent,
                           QStringLiteral(
                               "Der Verkäufer der Rechnung %1 ist nicht unter den Adressen:\n\n%2%3%4\n\n"
                               "Soll er als neuer Lieferant angelegt werden? Ohne seine Adresse wird die "
                               "Rechnung nicht übernommen.")
                               .arg(inv.number, inv.seller.name,
                                    where.isEmpty() ? QString()
                                                    : QLatin1Char('\n') + where.join(QLatin1Char('\n')),
                                    inv.seller.vatId.isEmpty()
                                        ? QString()
                                        : QStringLiteral("\nUSt-IdNr.: ") + inv.seller.vatId),
                           Dialogs::Question, Dialogs::Yes | Dialogs::No) == Dialogs::Yes;
            });
        if (r.id == 0) return 0;
        // The address window shows the new supplier too.
        // (A change the user is typing there is left alone.)
        if (r.supplierCreated && dataa->Adress.Active() && dataa->Adress.State() == DataSetState::Browse)
            dataa->Adress.Refresh();
        say(parent, r.summary(), r.findings.isEmpty() ? Dialogs::Information : Dialogs::Warning);
        return r.vorgangId;
    } catch (const AppError &e) {
        say(parent, e.message(), Dialogs::Warning);
        return 0;
    }
}

void SaveOriginal(QWidget *parent, qint64 vorgangId)
{
    if (!dataa) throw AppError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
    const StoredIncoming s = IncomingStore::storedOfVorgang(dataa->Datenbank, vorgangId);
    Dialogs::SaveFileOptions options;
    options.caption = QStringLiteral("Original der E-Rechnung speichern");
    const QString suffix = QFileInfo(s.fileName).suffix();
    options.defaultSuffix = suffix;
    options.filter =
        suffix.isEmpty()
            ? QStringLiteral("Alle Dateien (*)")
            : QStringLiteral("%1-Dateien (*.%2);;Alle Dateien (*)").arg(suffix.toUpper(), suffix);
    options.directory = QDir::homePath();
    options.fileName = s.fileName;
    const QString path = Dialogs::instance().saveFileName(parent, options);
    if (path.isEmpty()) return;
    IncomingStore::writeOriginal(s, path);
}

} // namespace IncomingInvoices
