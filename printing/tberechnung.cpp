// SPDX-License-Identifier: GPL-3.0-or-later
#include "tberechnung.h"

#include "printvorgang.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dunning.h"
#include "data/tax.h"
#include "data/tdataa.h"
#include "report/pageset.h"
#include "report/reportfonts.h"

#include <QDir>
#include <algorithm>

namespace {

using BandKind = ReportBand::Kind;
using ReportFonts::font;

const QString kTimes = QStringLiteral("Times New Roman");
const QString kArial = QStringLiteral("Arial");
const QString kBuiltInTitle = QStringLiteral("Bericht über Rechnungen");

// The ends of a period that names only one of them.
const QDate kNoPeriodStart(1999, 1, 1);
const QDate kNoPeriodEnd(2100, 12, 31);

QString moneyMask(const QString &currency)
{
    return QStringLiteral("#,##0.00 ") + currency;
}

// A fixed box that shows only what fits on its one line, shortened visibly:
// long names must not run into the amounts.
ReportElement &oneLineBox(ReportElement &e, qreal width)
{
    return e.size(width, 4.5).fitting(ReportElement::Fit::Cut);
}

} // namespace

InvoiceReportSelection InvoiceReportSelectionOf(const InvoiceReportRequest &request)
{
    const QString invoices = QStringLiteral("Typ = 'R'");
    const QString paid = QStringLiteral(" and bezahlt");
    const QString open = QStringLiteral(" and not bezahlt and not storniert");
    const QString customer = QStringLiteral(" and kdnr =") + QString::number(request.kdnr);
    const QString &k = request.kunde;

    InvoiceReportSelection s;
    switch (request.kind) {
    case InvoiceReportKind::Alle:
        s = {invoices, kBuiltInTitle, true, true};
        break;
    case InvoiceReportKind::Bezahlt:
        s = {invoices + paid, QStringLiteral("Bericht über bezahlte Rechnungen"), true, true};
        break;
    case InvoiceReportKind::Offen:
        s = {invoices + open, QStringLiteral("Bericht über offene Rechnungen"), false, true};
        break;
    case InvoiceReportKind::OffenKunde:
        s = {invoices + open + customer, QStringLiteral("Offene Rechnungen ") + k, false, true};
        break;
    case InvoiceReportKind::BezahltKunde:
        s = {invoices + paid + customer, QStringLiteral("Bezahlte Rechnungen ") + k, true, false};
        break;
    case InvoiceReportKind::AlleKunde:
        s = {invoices + customer, QStringLiteral("Alle Rechnungen ") + k, true, false};
        break;
    case InvoiceReportKind::Eingang:
        s = {QStringLiteral("Typ = 'E'"), QStringLiteral("Bericht über Eingangsrechnungen"), true, true,
             true};
        break;
    case InvoiceReportKind::EingangOffen:
        s = {QStringLiteral("Typ = 'E'") + open, QStringLiteral("Bericht über offene Eingangsrechnungen"),
             false, true, true};
        break;
    }
    if (s.usesPeriod && request.periodSet) {
        const QDate start = request.periodStart.isValid() ? request.periodStart : kNoPeriodStart;
        const QDate end = request.periodEnd.isValid() ? request.periodEnd : kNoPeriodEnd;
        s.filter += QStringLiteral(" and datum >= '%1' and datum <='%2'")
                        .arg(German::formatDate(start), German::formatDate(end));
    }
    return s;
}

void PreviewInvoiceReport(const InvoiceReportRequest &request)
{
    if (!dataa) throw AppError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
    TBeRechnung form(&dataa->Datenbank);
    form.Select(request);
    form.bericht.preview(BerichtPreview);
}

void WriteInvoiceReportPdf(TVexDaoDatabase *connection, const InvoiceReportRequest &request,
                           const QString &path)
{
    TBeRechnung form(connection);
    form.Select(request);
    const auto pages = form.bericht.build();
    if (pages->pagesAvailable() == 0)
        throw AppError(
            QStringLiteral("Der Bericht \"%1\" enthält keine Rechnungen; %2 wurde nicht geschrieben")
                .arg(form.bericht.title, QDir::toNativeSeparators(path)));
    pages->writePdf(path);
}

TBeRechnung::TBeRechnung(TVexDaoDatabase *connection, QObject *parent)
    : QObject(parent), Vorgang1(this, QStringLiteral("Vorgang1")), Adressen(this, QStringLiteral("Adressen")),
      m_rows(Vorgang1)
{
    setObjectName(QStringLiteral("BeRechnung"));
    Adressen.setDatabase(connection);
    Adressen.setTableName(QStringLiteral("Adress"));
    Vorgang1.setDatabase(connection);
    Vorgang1.setTableName(QStringLiteral("Vorgang1"));
    Vorgang1.addLookupField(QStringLiteral("Kundenname"), FieldType::Text, 60, QStringLiteral("kdnr"),
                            &Adressen, QStringLiteral("KDNR"), QStringLiteral("NAME1"));
    buildLayout();
}

TBeRechnung::~TBeRechnung() = default;

void TBeRechnung::buildLayout()
{
    bericht.title = kBuiltInTitle;
    bericht.paper = QSizeF(210, 297);
    bericht.margins = QMarginsF(20, 10, 20, 10);
    bericht.baseFont = font(kTimes, 10);
    bericht.setMaster(&m_rows);
    bericht.beforePrint = [this](Report &) { berichtBeforePrint(); };

    QRBand1 = bericht.addBand(BandKind::Title, QStringLiteral("QRBand1"), 7.4);
    QRSysData1 = &QRBand1->addExpression(QStringLiteral("QRSysData1"), 0, 0.5,
                                         [this](const RowSource *) { return bericht.title; });
    QRSysData1->font = font(kTimes, 12, true);

    // Amounts right-aligned in boxes that end on one edge per column: net,
    // VAT, gross (six figures whole); after them the payment date or the
    // dunning level, whose longest name needs the room up to the margin.
    const qreal amountWidth = 20.0, netEnd = 95.0, vatEnd = 117.0, grossEnd = 139.0, paidAt = 142.0;
    const qreal rowPitch = 5.3;
    QRBand3 = bericht.addBand(BandKind::ColumnHeader, QStringLiteral("QRBand3"), rowPitch);
    QRBand3->font = font(kArial, 9, true);
    QRLabel2 = &QRBand3->addLabel(QStringLiteral("QRLabel2"), 0, 0.5, QStringLiteral("Datum"));
    QRLabel1 = &QRBand3->addLabel(QStringLiteral("QRLabel1"), 17.2, 0.5, QStringLiteral("Rech.-Nr."));
    QRLabel3 = &QRBand3->addLabel(QStringLiteral("QRLabel3"), 33.1, 0.5, QStringLiteral("Kunde"));
    QRLabel4 =
        &QRBand3->addLabel(QStringLiteral("QRLabel4"), netEnd - amountWidth, 0.5, QStringLiteral("Netto"))
             .size(amountWidth)
             .aligned(Qt::AlignRight);
    lmwst = &QRBand3->addLabel(QStringLiteral("lmwst"), vatEnd - amountWidth, 0.5, QStringLiteral("MwSt."))
                 .size(amountWidth)
                 .aligned(Qt::AlignRight);
    brutto =
        &QRBand3->addLabel(QStringLiteral("brutto"), grossEnd - amountWidth, 0.5, QStringLiteral("Brutto"))
             .size(amountWidth)
             .aligned(Qt::AlignRight);
    lbezahlt = &QRBand3->addLabel(QStringLiteral("lbezahlt"), paidAt, 0.5, QStringLiteral("bezahlt am"));
    lmahnstufe = &QRBand3->addLabel(QStringLiteral("lmahnstufe"), paidAt, 0.5, QStringLiteral("Mahnstufe"));

    QRBand2 = bericht.addBand(BandKind::Detail, QStringLiteral("QRBand2"), rowPitch);
    QRBand2->beforePrint = [this](ReportBand &, bool &print) { QRBand2BeforePrint(print); };
    QRDBText2 = &QRBand2->addExpression(QStringLiteral("QRDBText2"), 0, 0.5,
                                        [this](const RowSource *) { return dateText("Datum"); });
    QRDBText1 = &oneLineBox(
        QRBand2->addDataText(QStringLiteral("QRDBText1"), 17.2, 0.5, QStringLiteral("VorgangNR")), 12.2);
    QRDBText7 = &oneLineBox(
        QRBand2->addDataText(QStringLiteral("QRDBText7"), 33.1, 0.5, QStringLiteral("Kundenname")),
        netEnd - amountWidth - 33.1 - 1.0);
    netto = &QRBand2->addLabel(QStringLiteral("netto"), netEnd - amountWidth, 0.5, {})
                 .size(amountWidth)
                 .aligned(Qt::AlignRight);
    mw = &QRBand2->addLabel(QStringLiteral("mw"), vatEnd - amountWidth, 0.5, {})
              .size(amountWidth)
              .aligned(Qt::AlignRight);
    br = &QRBand2->addLabel(QStringLiteral("br"), grossEnd - amountWidth, 0.5, {})
              .size(amountWidth)
              .aligned(Qt::AlignRight);
    QRDBText6 = &QRBand2->addExpression(QStringLiteral("QRDBText6"), paidAt, 0.5, [this](const RowSource *) {
        // An open invoice shows how far its dunning went instead.
        const TField *level = Vorgang1.FindField(QStringLiteral("mahnstufe"));
        if (!m_levels) return dateText("BezahltDatum");
        return level && !level->IsNull() ? Dunning::LevelTitle(int(level->AsInteger())) : QString();
    });
    // To the right margin; a longer text is set smaller, never past it.
    QRDBText6->size(bericht.bandWidth() - paidAt);

    // One line per currency, as far apart as the rows above (the bold font's
    // own spacing sets them almost onto one another); the boxes end where
    // the amount columns end. The net sum has room to its left; VAT and
    // gross keep to their columns, a long sum set smaller there.
    const qreal sumWidth = 33.3, columnSumWidth = grossEnd - vatEnd - 1.0;
    QRBand4 = bericht.addBand(BandKind::Summary, QStringLiteral("QRBand4"), 7.9);
    QRBand4->font = font(kTimes, 11, true);
    QRBand4->beforePrint = [this](ReportBand &, bool &print) { QRBand4BeforePrint(print); };
    negesamt = &QRBand4->addLabel(QStringLiteral("negesamt"), netEnd - sumWidth, 1.3, {})
                    .size(sumWidth)
                    .aligned(Qt::AlignRight);
    mwgesamt = &QRBand4->addLabel(QStringLiteral("mwgesamt"), vatEnd - columnSumWidth, 1.3, {})
                    .size(columnSumWidth)
                    .aligned(Qt::AlignRight);
    brgesamt = &QRBand4->addLabel(QStringLiteral("brgesamt"), grossEnd - columnSumWidth, 1.3, {})
                    .size(columnSumWidth)
                    .aligned(Qt::AlignRight);
    for (ReportElement *sum : {negesamt, mwgesamt, brgesamt})
        sum->lineSpacing = rowPitch;
}

void TBeRechnung::Select(const InvoiceReportRequest &request)
{
    const InvoiceReportSelection s = InvoiceReportSelectionOf(request);
    Adressen.Open();
    Vorgang1.setFilter(s.filter);
    Vorgang1.setFiltered(true);
    Vorgang1.Open();
    bericht.title = s.title;
    lbezahlt->enabled = s.paidColumn;
    m_levels = !s.paidColumn;
    lmahnstufe->enabled = m_levels;
    QRLabel3->text = s.suppliers ? QStringLiteral("Lieferant") : QStringLiteral("Kunde");
}

QString TBeRechnung::dateText(const char *field) const
{
    const TField *f = Vorgang1.FieldByName(QString::fromLatin1(field));
    return f->IsNull() ? QString() : German::formatDate(f->AsDate());
}

void TBeRechnung::berichtBeforePrint()
{
    Totals.clear();
}

void TBeRechnung::QRBand2BeforePrint(bool &)
{
    // Each line in its own document's currency; the program-wide symbol is
    // left alone, so no other window shows a currency that is not its own.
    // The figures are those the document stores: net, VAT, gross = net + VAT.
    const QString currency = Vorgang1.FieldByName(QStringLiteral("Waehrung"))->AsString();
    const QString mask = moneyMask(currency);
    const qint64 net = Money::fromAmount(Vorgang1.FieldByName(QStringLiteral("vk"))->AsFloat());
    const qint64 gross = Tax::grossOf(Vorgang1);
    netto->text = Money::format(net, mask);
    mw->text = Money::format(gross - net, mask);
    br->text = Money::format(gross, mask);

    auto it = std::find_if(Totals.begin(), Totals.end(),
                           [&](const CurrencyTotal &t) { return t.Waehrung == currency; });
    if (it == Totals.end()) it = Totals.insert(Totals.end(), CurrencyTotal{currency, 0, 0, 0});
    it->NetTotal += net;
    it->VatTotal += gross - net;
    it->GrossTotal += gross;
}

void TBeRechnung::QRBand4BeforePrint(bool &)
{
    QStringList nets, vats, grosses;
    for (const CurrencyTotal &t : Totals) {
        nets << Money::format(t.NetTotal, moneyMask(t.Waehrung));
        vats << Money::format(t.VatTotal, moneyMask(t.Waehrung));
        grosses << Money::format(t.GrossTotal, moneyMask(t.Waehrung));
    }
    negesamt->text = nets.join(QLatin1Char('\n'));
    mwgesamt->text = vats.join(QLatin1Char('\n'));
    brgesamt->text = grosses.join(QLatin1Char('\n'));
    // The boxes hold every line; the band keeps its margin below them.
    const qreal lines = qMax<qreal>(1, qreal(Totals.size()));
    for (ReportElement *sum : {negesamt, mwgesamt, brgesamt})
        sum->height = lines * sum->lineSpacing;
    QRBand4->height = 2 * negesamt->top + lines * negesamt->lineSpacing;
}
