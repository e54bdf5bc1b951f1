// SPDX-License-Identifier: GPL-3.0-or-later
// The document list's commands beyond showing and filtering: reports, export,
// the periodic invoicing and dunning runs and batch printing.
#include "tfvliste.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/tdatasource.h"
#include "data/tfield.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "documents/conversionmenu.h"
#include "documents/core/tfumw.h"
#include "documents/tkalenderform.h"
#include "einvoice/incomingstore.h"
#include "einvoice/supplieraccounts.h"
#include "lists/core/documentlistexport.h"
#include "lists/core/documentlistsql.h"
#include "lists/core/dunningrun.h"
#include "lists/core/invoicejournal.h"
#include "lists/core/periodicinvoicing.h"
#include "lists/incominginvoices.h"
#include "lists/tfmahnlauf.h"
#include "lists/tfvbezahlen.h"
#include "platform/appicons.h"
#include "printing/tberechnung.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/dialogs.h"
#include "widgets/shell.h"
#include "widgets/windowparts.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

using namespace WindowParts;

namespace {

const QString kTitle = QStringLiteral("Tavirelsverwaltung");

// A menu caption shows "&" as itself only when doubled.
QString literalCaption(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('&'), QLatin1String("&&"));
    return t;
}

std::function<void(const InvoiceReportRequest &)> &reportHandler()
{
    static std::function<void(const InvoiceReportRequest &)> handler;
    return handler;
}

} // namespace

void TFVListe::setReportHandlerForTests(std::function<void(const InvoiceReportRequest &)> handler)
{
    reportHandler() = std::move(handler);
}

// ---------------------------------------------------------------------------
// reports

void TFVListe::ToolButton2Click()
{
    Berichtmenu->popup(ToolButton2->mapToGlobal(QPoint(16, 16)));
}

void TFVListe::BerichtmenuPopup()
{
    const QString kunde = literalCaption(
        hasCurrentRow() ? vorganglist->FieldByName(QStringLiteral("Kunde"))->AsString() : QString());
    offrec->setText(QStringLiteral("Offene Rechnungen: %1").arg(kunde));
    AllRec->setText(QStringLiteral("Alle Rechnungen: %1").arg(kunde));
    bezRec->setText(QStringLiteral("Bezahlte Rechnungen: %1").arg(kunde));
}

void TFVListe::invoiceReport(int kind)
{
    InvoiceReportRequest request;
    request.kind = InvoiceReportKind(kind);
    // The list's period as the list applies it: any other than the pair
    // that stands for none, also one beginning on 01.01.1999.
    request.periodSet = Filter.PeriodStart != DocumentListFilter::NoPeriodStart() ||
                        Filter.PeriodEnd != DocumentListFilter::NoPeriodEnd();
    request.periodStart = Filter.PeriodStart;
    request.periodEnd = Filter.PeriodEnd;
    if (hasCurrentRow()) {
        request.kdnr = qint64(vorganglist->FieldByName(QStringLiteral("kdnr"))->AsFloat());
        request.kunde = vorganglist->FieldByName(QStringLiteral("Kunde"))->AsString();
    }
    guarded([&] {
        if (reportHandler())
            reportHandler()(request);
        else
            PreviewInvoiceReport(request);
    });
}

// ---------------------------------------------------------------------------
// export

void TFVListe::ToolButton4Click()
{
    Dialogs::SaveFileOptions options;
    options.caption = QStringLiteral("Liste exportieren");
    options.defaultSuffix = QStringLiteral("txt");
    options.filter = QStringLiteral("Textdateien (*.txt);;CSV-Dateien (*.csv);;Alle Dateien (*)");
    options.directory = QDir::rootPath();
#ifndef Q_OS_WIN
    // The root of a Unix file system is nobody's place for a file.
    options.directory = QDir::homePath();
#endif
    options.confirmOverwrite = true;
    const QString path = Dialogs::instance().saveFileName(this, options);
    if (path.isEmpty()) return;
    guarded([&] {
        DocumentListExport::write(*vorganglist, DocumentListExport::typeNames(dataa->Datenbank), path);
    });
}

void TFVListe::Rechnungsausgangsbuch1Click()
{
    // The list's period, or every invoice when none is chosen.
    const bool period = Filter.PeriodStart != DocumentListFilter::NoPeriodStart() ||
                        Filter.PeriodEnd != DocumentListFilter::NoPeriodEnd();
    const QDate from = period ? Filter.PeriodStart : QDate(), to = period ? Filter.PeriodEnd : QDate();
    Dialogs::SaveFileOptions options;
    options.caption = QStringLiteral("Rechnungsausgangsbuch speichern");
    options.defaultSuffix = QStringLiteral("csv");
    options.filter = QStringLiteral("CSV-Dateien (*.csv);;Textdateien (*.txt);;Alle Dateien (*)");
    options.directory = QDir::homePath();
    options.fileName = QDir(options.directory)
                           .filePath(period ? QStringLiteral("Rechnungsausgangsbuch %1 bis %2.csv")
                                                  .arg(German::formatDate(from), German::formatDate(to))
                                            : QStringLiteral("Rechnungsausgangsbuch.csv"));
    options.confirmOverwrite = true;
    const QString path = Dialogs::instance().saveFileName(this, options);
    if (path.isEmpty()) return;
    guarded([&] { InvoiceJournal::write(dataa->Datenbank, from, to, path); });
}

// ---------------------------------------------------------------------------
// periodic invoicing

void TFVListe::CreatePeriodicInvoices(const QString &letter)
{
    if (!IsPeriodLetter(letter)) return;
    if (!Fumw) Fumw = new TFumw(this);
    const QString word = PeriodWord(letter);
    if (!vorganglist->Active()) {
        ShowErrorBox(
            QStringLiteral("Die Vorgangsliste ist nicht geöffnet; es wurden keine Rechnungen erstellt"),
            this);
        return;
    }
    // The question names the period and what it has invoiced already; the
    // run itself decides again under its lock.
    const QString period = PeriodText(letter, BillingPeriodOf(letter, Today()));
    QString question = QStringLiteral("Wollen Sie wirklich die ") + word +
                       QStringLiteral("srechnungen erzeugen?") + QStringLiteral("\n\nAbrechnungszeitraum: ") +
                       period;
    const int invoiced =
        int(InvoicedContracts(*vorganglist->Database(), letter, BillingPeriodOf(letter, Today())).size());
    if (invoiced == 1)
        question +=
            QStringLiteral("\n1 Vertrag ist für diesen Zeitraum bereits abgerechnet und wird nicht noch "
                           "einmal berechnet.");
    else if (invoiced > 1)
        question +=
            QStringLiteral("\n%1 Verträge sind für diesen Zeitraum bereits abgerechnet und werden nicht "
                           "noch einmal berechnet.")
                .arg(invoiced);
    if (Dialogs::instance().message(this, kTitle, question, Dialogs::Question, Dialogs::Yes | Dialogs::No,
                                    Dialogs::No) != Dialogs::Yes)
        return;

    Progress->setValue(0);
    Progress->show();
    auto hide = qScopeGuard([this] { Progress->hide(); });
    const PeriodicRunResult r = CreatePeriodicInvoicesRun(*vorganglist, *Fumw, letter, true, showProgress());
    hide.dismiss();
    Progress->hide();

    // What was passed over and why, in every closing message.
    QString notes;
    if (r.repeated)
        notes += QStringLiteral(
            "\n\nDie Verbindung zum Datenbankserver war unterbrochen; vom ersten Versuch wurde "
            "nichts gespeichert, der Lauf wurde mit einer neuen Verbindung wiederholt.");
    if (!r.passedOver.isEmpty()) {
        notes +=
            QStringLiteral("\n\n%1 für %2 bereits abgerechnet und nicht noch einmal berechnet:")
                .arg(r.passedOver.size() == 1 ? QStringLiteral("1 Vertrag ist")
                                              : QStringLiteral("%1 Verträge sind").arg(r.passedOver.size()),
                     period);
        constexpr int kNamed = 10;
        for (int i = 0; i < std::min(int(r.passedOver.size()), kNamed); ++i)
            notes += QStringLiteral("\n") + r.passedOver.at(i);
        if (r.passedOver.size() > kNamed)
            notes += QStringLiteral("\n… und %1 weitere").arg(r.passedOver.size() - kNamed);
    }
    if (!r.error.isEmpty())
        Dialogs::instance().message(
            this, kTitle,
            QStringLiteral("Der Lauf wurde abgebrochen: %1\n\n%2")
                    .arg(r.error, r.count > 0 ? QStringLiteral("Die Rechnungen davor sind erstellt.")
                                              : QStringLiteral("Es wurde keine Rechnung gespeichert.")) +
                notes,
            Dialogs::Warning, Dialogs::Ok);
    if (r.count == 0) {
        // Nothing to print: no range to offer.
        if (r.error.isEmpty())
            Dialogs::instance().message(
                this, kTitle,
                r.passedOver.isEmpty() ? QStringLiteral("Es sind keine Rechnungen erstellt worden: Es gibt "
                                                        "keinen %1vertrag mit Positionen.")
                                             .arg(word)
                                       : QStringLiteral("Es sind keine Rechnungen erstellt worden.") + notes,
                Dialogs::Information, Dialogs::Ok);
        return;
    }
    if (Dialogs::instance().message(
            this, kTitle,
            QStringLiteral("Es sind %1 Rechnungen (%2 - %3) erstellt worden! Jetzt ausdrucken")
                    .arg(r.count)
                    .arg(r.first, r.last) +
                (r.error.isEmpty() ? notes : QString()),
            Dialogs::Information, Dialogs::Yes | Dialogs::No, Dialogs::Yes) == Dialogs::Yes)
        PrintInvoiceRange(r.first, r.last);
}

// ---------------------------------------------------------------------------
// dunning

void TFVListe::Mahnlauf1Click()
{
    if (!vorganglist->Active()) return;
    TVexDaoDatabase &db = *vorganglist->Database();
    Dunning::Settings settings;
    try {
        settings = Dunning::Settings::read(ProgramFolder::iniPath());
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return;
    }
    TFMahnlauf run(db, settings, this);
    if (Dialogs::instance().exec(run) != QDialog::Accepted) return;

    Progress->setValue(0);
    Progress->show();
    auto hide = qScopeGuard([this] { Progress->hide(); });
    const DunningRunResult r =
        CreateReminders(db, settings, run.list(), run.leftOut(), showProgress(), run.barredConfirmed());
    hide.dismiss();
    Progress->hide();
    // Every document in the list, so that the new reminders can be printed
    // from it; afterwards the list shows the user's choice again.
    guarded([this] {
        vorganglist->Close();
        vorganglist->setFilter(QString());
        vorganglist->setFiltered(false);
        vorganglist->Open();
    });
    auto refilter = qScopeGuard([this] { ApplyFilter(); });

    const QString passedOver = PassedOverText(r);
    const QString passedOverPart = passedOver.isEmpty() ? QString() : QStringLiteral("\n\n") + passedOver;
    if (!r.error.isEmpty())
        Dialogs::instance().message(
            this, kTitle,
            QStringLiteral("Der Mahnlauf wurde abgebrochen: %1\n\nDie Mahnungen davor sind erstellt.%2")
                .arg(r.error, passedOverPart),
            Dialogs::Warning, Dialogs::Ok);
    if (r.made.isEmpty()) {
        if (r.error.isEmpty())
            Dialogs::instance().message(
                this, kTitle,
                QStringLiteral("Es sind keine Mahnungen erstellt worden.%1").arg(passedOverPart),
                Dialogs::Information, Dialogs::Ok);
        return;
    }
    const QString made = r.made.size() == 1
                             ? QStringLiteral("Es ist 1 Mahnung (%1) erstellt worden.").arg(r.first())
                             : QStringLiteral("Es sind %1 Mahnungen (%2 - %3) erstellt worden.")
                                   .arg(r.made.size())
                                   .arg(r.first(), r.last());
    if (Dialogs::instance().message(
            this, kTitle, QStringLiteral("%1%2\n\nJetzt ausdrucken?").arg(made, passedOverPart),
            Dialogs::Information, Dialogs::Yes | Dialogs::No, Dialogs::Yes) == Dialogs::Yes)
        PrintInvoiceRange(r.first(), r.last(), QStringLiteral("M"));
}

// ---------------------------------------------------------------------------
// batch printing

void TFVListe::Mehrfachdruck1Click()
{
    QString first, last;
    if (!Dialogs::instance().inputBox(this, QStringLiteral("Erste Rechnung"), QStringLiteral("Nr:"), first))
        first.clear();
    if (!Dialogs::instance().inputBox(this, QStringLiteral("letzte Rechnung"), QStringLiteral("Nr:"), last))
        last.clear();
    if (!first.isEmpty() && !last.isEmpty()) PrintInvoiceRange(first, last);
}

void TFVListe::log(const QString &line)
{
    Memo1->appendPlainText(line);
    // The run holds the event loop: the log shows each line as it comes.
    Memo1->viewport()->repaint();
}

namespace {

// The number a document number text stands for when a whole-number
// condition can match it: decimal digits without a leading zero.
bool numberOfText(const QString &text, qint64 *number)
{
    if (text.isEmpty() || text.size() > 18 || (text.size() > 1 && text.at(0) == u'0')) return false;
    qint64 n = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return false;
        n = n * 10 + (c.unicode() - u'0');
    }
    *number = n;
    return true;
}

} // namespace

void TFVListe::PrintInvoiceRange(const QString &firstText, const QString &lastText, const QString &typLetter)
{
    qint64 first = 0, last = 0;
    try {
        first = German::readInteger(firstText);
        last = German::readInteger(lastText);
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return;
    }
    if (!shell()) {
        ShowErrorBox(QStringLiteral("Das Drucken von Vorgängen ist noch nicht verfügbar"), this);
        return;
    }

    vorganglist->DisableControls();
    auto resume = qScopeGuard([this] { vorganglist->EnableControls(); });
    Memo1->show();
    Memo1->clear();
    log(typLetter == QLatin1String("M") ? QStringLiteral("Mahnungsdruck wird gestartet...")
                                        : QStringLiteral("Rechnungsdruck wird gestartet..."));
    log(QString());
    try {
        if (last >= first) {
            // Only the numbers that name an invoice of the list are visited:
            // a range typed as 1 to 99999999 must not hold the program for
            // every number between. The log is the same as number by number.
            TVexDaoTable invoices(nullptr, QStringLiteral("vorganglist"));
            invoices.setDatabase(vorganglist->Database());
            invoices.SQL() = vorganglist->SQL();
            invoices.setFilter(QStringLiteral("Typ = %1").arg(Sql::quoteText(typLetter)));
            invoices.setFiltered(true);
            invoices.Open();
            std::map<qint64, bool> numbers;
            const TField *nrOfInvoice = invoices.FieldByName(QStringLiteral("vorgangnr"));
            for (int row = 0; row < invoices.RowCount(); ++row) {
                const Value v = nrOfInvoice->valueAt(row);
                qint64 n = 0;
                if (v.kind() == Value::Text && numberOfText(v.rawText(), &n) && n >= first && n <= last)
                    numbers[n] = true;
            }
            invoices.Close();

            const TField *nr = vorganglist->FieldByName(QStringLiteral("vorgangnr"));
            const TField *typ = vorganglist->FieldByName(QStringLiteral("Typ"));
            // While the list's filter is off every document is held; the
            // first invoice of each number in the list's order is found once.
            QHash<QString, int> firstRow;
            const bool filtered = vorganglist->Filtered();
            if (!filtered) {
                for (int row = vorganglist->RowCount() - 1; row >= 0; --row)
                    if (typ->valueAt(row).kind() == Value::Text &&
                        typ->valueAt(row).rawText().compare(typLetter, Qt::CaseInsensitive) == 0)
                        firstRow.insert(nr->valueAt(row).kind() == Value::Text ? nr->valueAt(row).rawText()
                                                                               : QString(),
                                        row);
            }
            for (const auto &[n, unused] : numbers) {
                Q_UNUSED(unused);
                const QString number = QString::number(n);
                vorganglist->setFilter(QStringLiteral("vorgangnr = ") + number);
                int row = -1;
                if (filtered) {
                    for (int r = 0; r < vorganglist->RowCount() && row < 0; ++r)
                        if (typ->valueAt(r).kind() == Value::Text &&
                            typ->valueAt(r).rawText().compare(typLetter, Qt::CaseInsensitive) == 0 &&
                            nr->valueAt(r).kind() == Value::Text && nr->valueAt(r).rawText() == number)
                            row = r;
                } else {
                    row = firstRow.value(number, -1);
                }
                if (row < 0) continue;
                vorganglist->MoveTo(row);
                log(QStringLiteral("Gedruckt wird Vorgang ") + number + QStringLiteral("..."));
                shell()->PrintVorgang(QString::number(currentId()), false, false);
                log(QStringLiteral("ok"));
            }
            // As after visiting every number: the condition of the last one stays.
            vorganglist->setFilter(QStringLiteral("vorgangnr = ") + QString::number(last));
        }
    } catch (const AppError &e) {
        log(QStringLiteral("Abgebrochen: ") + e.message());
        log(QString());
        log(QStringLiteral("Klicken Sie hier, um das Protokoll zu schließen"));
        resume.dismiss();
        vorganglist->EnableControls();
        ShowErrorBox(e.message(), this);
        return;
    }
    log(QString());
    log(QStringLiteral("Klicken Sie hier, um das Protokoll zu schließen"));
}
