// SPDX-License-Identifier: GPL-3.0-or-later
#include "documentlistfilter.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "data/dates.h"
#include "data/programfolder.h"
#include "dunningrun.h"

const QList<DocumentListFilter::StatusEntry> &DocumentListFilter::StatusEntries()
{
    static const QString line = QStringLiteral("------------------------------------");
    static const QList<StatusEntry> entries = {
        {QStringLiteral("(alle Vorgänge)"), QString(), false, QStringLiteral("alle")},
        {line, QString(), true, QString()},
        {QStringLiteral("alle Angebote"), QStringLiteral("Typ = 'A'"), false, QStringLiteral("angebote")},
        {QStringLiteral("alle Rechnungen"), QStringLiteral("Typ = 'R'"), false, QStringLiteral("rechnungen")},
        {QStringLiteral("alle Verträge"), QStringLiteral("Typ = 'V'"), false, QStringLiteral("vertraege")},
        {line, QString(), true, QString()},
        {QStringLiteral("Bezahlte Rechnungen"), QStringLiteral("(bezahlt) and Typ = 'R'"), false,
         QStringLiteral("bezahlt")},
        {QStringLiteral("Offene Rechnungen"),
         QStringLiteral("not (bezahlt) and not (storniert) and Typ = 'R'"), false, QStringLiteral("offen")},
        {QStringLiteral("Stornierte Rechnungen"), QStringLiteral("(storniert) and Typ = 'R'"), false,
         QStringLiteral("storniert")},
        {line, QString(), true, QString()},
        {QStringLiteral("Verträge (Monat)"), QStringLiteral("Typ = 'V' and VertragT = 'M'"), false,
         QStringLiteral("vertraege-monat")},
        {QStringLiteral("Verträge (Jahr)"), QStringLiteral("Typ = 'V' and VertragT = 'J'"), false,
         QStringLiteral("vertraege-jahr")},
        {QStringLiteral("Verträge (Quartal)"), QStringLiteral("Typ = 'V' and VertragT = 'Q'"), false,
         QStringLiteral("vertraege-quartal")},
        {QStringLiteral("Verträge (Halbjahr)"), QStringLiteral("Typ = 'V' and VertragT = 'H'"), false,
         QStringLiteral("vertraege-halbjahr")},
        {line, QString(), true, QString()},
        {QStringLiteral("Eingangsrechnungen"), QStringLiteral("Typ = 'E'"), false, QStringLiteral("eingang")},
        {QStringLiteral("Eingangsrechnungen (offen)"),
         QStringLiteral("not (bezahlt) and not (storniert) and Typ = 'E'"), false,
         QStringLiteral("eingang-offen")},
        {line, QString(), true, QString()},
        // Its condition depends on the day and the dunning settings: made when chosen.
        {QStringLiteral("überfällig"), QString(), false, QStringLiteral("ueberfaellig")},
        {QStringLiteral("Mahnungen"), QStringLiteral("Typ = 'M'"), false, QStringLiteral("mahnungen")},
    };
    return entries;
}

int DocumentListFilter::statusIndexOfCommandName(const QString &name)
{
    const QList<StatusEntry> &entries = StatusEntries();
    for (int i = 0; i < entries.size(); ++i)
        if (!entries[i].separator && entries[i].commandName == name) return i;
    return -1;
}

QString DocumentListFilter::customerCondition(const QString &kdnrText)
{
    return QStringLiteral("kdnr =") + kdnrText;
}

void DocumentListFilter::chooseStatus(int index)
{
    const QList<StatusEntry> &entries = StatusEntries();
    if (index < 0 || index >= entries.size() || entries[index].separator) return;
    StatusFilter = entries[index].filter;
    Overdue = entries[index].commandName == QLatin1String("ueberfaellig");
    if (Overdue) {
        // Invoices due for their next reminder (or for court) today. Malformed
        // settings are the run's to report; the list shows what their
        // defaults give.
        Dunning::Settings settings;
        try {
            settings = Dunning::Settings::read(ProgramFolder::iniPath());
        } catch (const AppError &) {
        }
        StatusFilter = OverdueFilter(settings, Today());
    }
}

void DocumentListFilter::setQuarter(int quarter, const QDate &today)
{
    if (quarter < 1 || quarter > 4) throw AppError(QStringLiteral("Ein Quartal ist 1, 2, 3 oder 4"));
    if (!periodSet()) PeriodStart = today;
    const int year = PeriodStart.year();
    const int firstMonth = 3 * (quarter - 1) + 1;
    PeriodStart = QDate(year, firstMonth, 1);
    PeriodEnd = QDate(year, firstMonth + 2, 1);
    PeriodEnd = PeriodEnd.addDays(PeriodEnd.daysInMonth() - 1);
}

void DocumentListFilter::clearPeriod()
{
    PeriodStart = NoPeriodStart();
    PeriodEnd = NoPeriodEnd();
}

QString DocumentListFilter::filterText() const
{
    QString text;
    if (!StatusFilter.isEmpty()) text = QStringLiteral(" and ") + StatusFilter;
    if (!CustomerFilter.isEmpty()) text += QStringLiteral(" and ") + CustomerFilter;
    text += QStringLiteral(" and datum >= %1 and datum <=%2")
                .arg(DateToSqlLiteral(PeriodStart), DateToSqlLiteral(PeriodEnd));
    return text.mid(5);
}

QString DocumentListFilter::periodText() const
{
    return QStringLiteral("%1 - %2").arg(German::formatDate(PeriodStart), German::formatDate(PeriodEnd));
}
