// SPDX-License-Identifier: GPL-3.0-or-later
#include "printvorgang.h"

#include "tbeingang.h"
#include "tbvorgang.h"
#include "tprevform.h"

#include "base/apperror.h"
#include "base/textfiles.h"
#include "data/programfolder.h"
#include "data/programvalues.h"
#include "data/tdataa.h"
#include "einvoice/ciiwriter.h"
#include "einvoice/einvoice.h"
#include "einvoice/facturx.h"
#include "einvoice/incomingstore.h"
#include "einvoice/sellerdata.h"
#include "platform/platform.h"
#include "report/pageset.h"
#include "widgets/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QPrinter>
#include <functional>

namespace {

void warn(QWidget *parent, const QString &text)
{
    Dialogs::instance().message(parent, QStringLiteral("Tavirelsverwaltung"), text, Dialogs::Warning,
                                Dialogs::Ok);
}

void reportLoadProblems(const QStringList &problems)
{
    if (problems.isEmpty()) return;
    warn(QApplication::activeWindow(),
         QStringLiteral("Der Briefkopf konnte nicht vollständig gelesen werden:\n\n%1\n\n"
                        "Gedruckt wird mit den eingebauten Texten.")
             .arg(problems.join(QLatin1Char('\n'))));
}

// Said when the document is printed, so that nobody sends a letter whose
// address lost its city line without knowing it.
void reportFitProblems(QWidget *parent, const TBvorgang &form, const PageSet &pages)
{
    const QStringList problems = form.fitProblems(pages);
    if (problems.isEmpty()) return;
    warn(parent, QStringLiteral("%1 passt nicht ganz auf den Briefbogen:\n\n%2")
                     .arg(form.Bericht.title, problems.join(QLatin1Char('\n'))));
}

// An invoice or credit note of a firm whose own data is not filled in yet
// would go out without name, tax number or bank account: the print says so.
QString firmWarning(const TBvorgang &form)
{
    if (!form.Vorgang1.Active() || form.Vorgang1.IsEmpty()) return QString();
    const QString typ = form.Vorgang1.FieldByName(QStringLiteral("typ"))->AsString().trimmed().toUpper();
    if (typ != QLatin1String("R") && typ != QLatin1String("G")) return QString();
    return SellerData::read(ProgramFolder::iniPath()).invoiceWarning();
}

// The letterhead report of the document, read and checked for existence.
void createForm(TBvorgang &form, const QString &idText, QStringList *warnings)
{
    form.FormCreate(idText);
    if (form.Vorgang1.IsEmpty())
        throw AppError(QStringLiteral("Es gibt keinen Vorgang mit der ID %1").arg(idText.trimmed()));
    if (warnings) {
        warnings->clear();
        const QString firm = firmWarning(form);
        if (!firm.isEmpty()) *warnings << firm;
        for (const QString &p : form.loadProblems())
            *warnings << p + QStringLiteral(" (gedruckt mit den eingebauten Texten)");
    }
    form.Bericht.title = form.titleText();
}

// The pages of the document; what did not fit goes to the warnings.
std::unique_ptr<PageSet> buildPages(TBvorgang &form, QStringList *warnings)
{
    auto pages = form.Bericht.build();
    if (warnings) *warnings << form.fitProblems(*pages);
    return pages;
}

} // namespace

void BerichtPreview(PageSet *pages)
{
    auto *preview = new TPrevForm(pages);
    preview->showMaximized();
}

namespace {

// Told about the built pages before they are shown or printed.
using PagesCheck = std::function<void(QWidget *parent, const PageSet &pages)>;

// The preview, or the print after the printer dialog or on the default printer.
void showOrPrint(Report &report, bool preview, bool withDialog, const PagesCheck &check = {})
{
    if (preview) {
        report.preview([check](PageSet *pages) {
            BerichtPreview(pages);
            if (!check) return;
            QObject::connect(pages, &PageSet::completed, pages,
                             [check, pages] { check(qobject_cast<QWidget *>(pages->parent()), *pages); });
        });
        return;
    }
    const auto pages = report.build();
    if (pages->pagesAvailable() == 0) return;
    if (check) check(QApplication::activeWindow(), *pages);
    QPrinter printer(QPrinter::HighResolution);
    pages->setUpPrinter(printer);
    QString printerName; // empty: the dialog's choice
    if (withDialog) {
        if (!Dialogs::instance().printerDialog(QApplication::activeWindow(), printer)) return;
    } else {
        if (!Platform::anyPrinter())
            throw AppError(QStringLiteral("Es ist kein Drucker eingerichtet; %1 wurde nicht gedruckt")
                               .arg(report.title));
        printerName = Platform::defaultPrinterName();
    }
    Platform::routePrintJob(printer, printerName);
    pages->print(printer);
}

// A document that stands for a received e-invoice prints as the invoice's
// own page, not on the letterhead.
std::unique_ptr<TBeingang> incomingForm(TVexDaoDatabase &db, const QString &idText)
{
    bool ok = false;
    const qint64 id = idText.trimmed().toLongLong(&ok);
    if (!ok || !IncomingStore::isIncomingDocument(db, id)) return nullptr;
    return IncomingInvoiceForm(db, id);
}

} // namespace

void PrintVorgang(const QString &idText, bool preview, bool withDialog)
{
    if (!dataa) throw AppError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
    if (auto incoming = incomingForm(dataa->Datenbank, idText)) {
        showOrPrint(incoming->Bericht, preview, withDialog);
        return;
    }
    TBvorgang form(&dataa->Datenbank);
    form.FormCreate(idText);
    const QString firm = firmWarning(form);
    if (!firm.isEmpty()) warn(QApplication::activeWindow(), firm);
    reportLoadProblems(form.loadProblems());
    form.Bericht.title = form.titleText();
    showOrPrint(form.Bericht, preview, withDialog,
                [&form](QWidget *parent, const PageSet &pages) { reportFitProblems(parent, form, pages); });
}

void WriteVorgangPdf(TVexDaoDatabase *connection, const QString &idText, const QString &path,
                     QStringList *warnings, SafeFile::Existing existing)
{
    std::unique_ptr<PageSet> pages;
    if (auto incoming = incomingForm(*connection, idText)) {
        pages = incoming->Bericht.build();
    } else {
        TBvorgang form(connection);
        createForm(form, idText, warnings);
        pages = buildPages(form, warnings);
    }
    const QString shown = QDir::toNativeSeparators(path);
    const QByteArray pdf = pages->pdfData();
    if (pdf.isEmpty())
        throw AppError(QStringLiteral("Der Bericht hat keine Seiten; %1 wurde nicht geschrieben").arg(shown));
    SafeFile::write(path, pdf, existing);
}

void WriteVorgangZugferdPdf(TVexDaoDatabase *connection, const QString &idText, const QString &path,
                            QStringList *warnings)
{
    TBvorgang form(connection);
    createForm(form, idText, warnings);
    // Refused before anything is drawn: an invoice that cannot be expressed
    // gets no PDF that would pass for an e-invoice.
    const EInvoice invoice =
        EInvoice::load(*connection, idText.trimmed().toLongLong(), SellerData::read(ProgramFolder::iniPath()),
                       ProgramValues::instance().MwstSatz);
    const QString shown = QDir::toNativeSeparators(path);
    const QByteArray pages = buildPages(form, warnings)->pdfData();
    if (pages.isEmpty())
        throw AppError(QStringLiteral("Der Bericht hat keine Seiten; %1 wurde nicht geschrieben").arg(shown));
    const QByteArray pdf = FacturX::attach(pages, CiiWriter::write(invoice, CiiWriter::Profile::EN16931));
    TextFiles::writeWhole(path, pdf);
}
