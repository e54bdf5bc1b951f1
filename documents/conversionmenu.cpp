// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversionmenu.h"

#include "base/apperror.h"
#include "data/tdata.h"
#include "documents/core/conversion.h"
#include "documents/core/tfumw.h"
#include "widgets/dialogs.h"

#include <QMenu>

namespace ConversionMenu {

namespace {

const QString kTitle = QStringLiteral("Umwandeln");

Dialogs::Button ask(QWidget *parent, const QString &question, int buttons)
{
    return Dialogs::instance().message(parent, kTitle, question, Dialogs::Question, buttons, Dialogs::Yes);
}

} // namespace

void fill(QMenu &menu, const QString &typ)
{
    menu.clear();
    const QStringList targets = Conversion::targetsOf(typ);
    for (const QString &target : targets) {
        QAction *a = menu.addAction(Data ? Data->TypeName(target) : target);
        a->setObjectName(QStringLiteral("Umwandeln") + target);
        a->setData(target);
    }
    menu.setEnabled(!targets.isEmpty());
}

qint64 run(QWidget *parent, qint64 sourceId, const QString &typ)
{
    try {
        const Conversion::Source source = Conversion::read(sourceId);
        if (source.id == 0)
            throw AppError(QStringLiteral("Es gibt keinen Vorgang mit der ID %1.").arg(sourceId));
        const QString caption = QStringLiteral("%1 %2-%3").arg(source.typeName, source.typ, source.number);
        const QString target = Data->TypeName(typ);
        if (source.done &&
            ask(parent,
                QStringLiteral("%1 ist bereits erledigt. Trotzdem in \"%2\" umwandeln?").arg(caption, target),
                Dialogs::Yes | Dialogs::No) != Dialogs::Yes)
            return 0;
        QList<qint64> sources{sourceId};
        // One invoice for the customer's delivery notes that are still open.
        if (source.typ == QLatin1String("L") && typ == QLatin1String("R")) {
            const QList<Conversion::Source> others = Conversion::openDeliveryNotes(source.kdnr, sourceId);
            if (!others.isEmpty()) {
                QStringList names;
                for (const Conversion::Source &o : others)
                    names << QStringLiteral("L-%1 vom %2").arg(o.number, o.date);
                const Dialogs::Button answer = ask(
                    parent,
                    QStringLiteral("Der Kunde hat weitere offene Lieferscheine: %1.\n\nSollen sie mit %2 in "
                                   "eine Rechnung übernommen werden?\n\nJa: alle in eine Rechnung\nNein: nur "
                                   "%2\nAbbrechen: keine Rechnung")
                        .arg(names.join(QStringLiteral(", ")), caption),
                    Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
                if (answer == Dialogs::Cancel) return 0;
                if (answer == Dialogs::Yes)
                    for (const Conversion::Source &o : others)
                        sources << o.id;
            }
        }
        TFumw fumw(nullptr);
        return Conversion::Convert(fumw, sources, typ);
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), parent);
        return 0;
    }
}

} // namespace ConversionMenu
