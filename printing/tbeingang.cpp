// SPDX-License-Identifier: GPL-3.0-or-later
#include "tbeingang.h"

#include "base/germanformat.h"
#include "data/value.h"
#include "einvoice/incomingstore.h"
#include "einvoice/invoicecheck.h"
#include "einvoice/supplieraccounts.h"
#include "report/pageset.h"
#include "report/reportfonts.h"
#include "report/rowsource.h"

namespace {

using BandKind = ReportBand::Kind;
using ReportFonts::font;

const QString kArial = QStringLiteral("Arial");

// The profile a file claims (BT-24), in words.
QString specificationName(const QString &id)
{
    const QString lower = id.toLower();
    if (lower.contains(QLatin1String("xrechnung"))) return QStringLiteral("XRechnung");
    for (const char *profile : {"extended", "basic", "en16931", "comfort"})
        if ((lower.contains(QLatin1String("factur-x")) || lower.contains(QLatin1String("zugferd"))) &&
            lower.contains(QLatin1String(profile)))
            return QStringLiteral("ZUGFeRD / Factur-X %1").arg(QString::fromLatin1(profile).toUpper());
    return id.isEmpty() ? QString() : QStringLiteral("EN 16931");
}

QString rateText(const QString &category, const Decimal &rate)
{
    return QStringLiteral("%1 %2")
        .arg(category, rate.isNull() ? QString() : rate.german(0) + QStringLiteral(" %"))
        .trimmed();
}

} // namespace

// Rows handed to a band as a plain list; a report reads them by field name.
class TBeingang::Rows : public RowSource
{
  public:
    QList<QVariantMap> rows;

    bool first() override
    {
        m_at = 0;
        return !rows.isEmpty();
    }
    bool next() override
    {
        if (m_at + 1 >= rows.size()) return false;
        ++m_at;
        return true;
    }
    QVariant value(const QString &field) const override
    {
        return m_at < rows.size() ? rows.at(m_at).value(field) : QVariant();
    }
    int rowCount() const override { return int(rows.size()); }

  private:
    qsizetype m_at = 0;
};

TBeingang::TBeingang(const IncomingInvoice &invoice, const QList<InvoiceFinding> &findings,
                     const QString &receipt)
    : m_invoice(invoice), m_findings(findings), m_receipt(receipt), m_lines(std::make_unique<Rows>()),
      m_totals(std::make_unique<Rows>()), m_sections(std::make_unique<Rows>()),
      m_checks(std::make_unique<Rows>())
{
    const IncomingInvoice &inv = m_invoice;
    const QString currency = inv.currency.isEmpty() ? QString() : QStringLiteral(" ") + inv.currency;
    for (const InvoiceLine &l : inv.lines) {
        const QString details = IncomingInvoice::lineDetails(l);
        m_lines->rows << QVariantMap{
            {QStringLiteral("pos"), l.id},
            {QStringLiteral("text"), details.isEmpty() ? l.name : l.name + QLatin1Char('\n') + details},
            {QStringLiteral("menge"), l.quantity.german(0)},
            {QStringLiteral("einheit"), IncomingInvoice::unitName(l.unit)},
            {QStringLiteral("preis"), l.netPrice.german()},
            {QStringLiteral("ust"), rateText(l.vatCategory, l.vatRate)},
            {QStringLiteral("betrag"), l.netAmount.german()},
        };
    }

    QStringList vatNames, vatBases, vatAmounts, exemptions;
    for (const InvoiceVatBreakdown &v : inv.vatBreakdown) {
        vatNames << QStringLiteral("%1 %2").arg(rateText(v.category, v.rate),
                                                IncomingInvoice::vatCategoryName(v.category));
        vatBases << v.basis.german();
        vatAmounts << v.amount.german();
        const QString why =
            QStringList{v.exemptionReason, v.exemptionCode}.join(QStringLiteral(" ")).trimmed();
        if (!why.isEmpty()) exemptions << QStringLiteral("%1: %2").arg(rateText(v.category, v.rate), why);
    }
    QStringList totalLabels, totalAmounts;
    for (const auto &[label, amount] : inv.totals()) {
        totalLabels << label;
        totalAmounts << amount.german() + currency;
    }
    m_totals->rows << QVariantMap{{QStringLiteral("vatNames"), vatNames.join(QLatin1Char('\n'))},
                                  {QStringLiteral("vatBases"), vatBases.join(QLatin1Char('\n'))},
                                  {QStringLiteral("vatAmounts"), vatAmounts.join(QLatin1Char('\n'))},
                                  {QStringLiteral("totalLabels"), totalLabels.join(QLatin1Char('\n'))},
                                  {QStringLiteral("totalAmounts"), totalAmounts.join(QLatin1Char('\n'))}};

    QStringList adjustments;
    for (const InvoiceAllowanceCharge &a : inv.adjustments)
        adjustments << IncomingInvoice::adjustmentText(a);
    const std::pair<QString, QStringList> sections[] = {
        {QStringLiteral("Nachlässe und Zuschläge"), adjustments},
        {QStringLiteral("Steuerbefreiung"), exemptions},
        {QStringLiteral("Zahlung"), inv.paymentLines()},
        {QStringLiteral("Bemerkungen"), inv.noteLines()},
    };
    for (const auto &[title, lines] : sections)
        if (!lines.isEmpty())
            m_sections->rows << QVariantMap{{QStringLiteral("title"), title},
                                            {QStringLiteral("text"), lines.join(QLatin1Char('\n'))}};

    for (const InvoiceFinding &f : m_findings)
        m_checks->rows << QVariantMap{
            {QStringLiteral("term"), f.term},
            {QStringLiteral("text"),
             f.rule.isEmpty() ? f.text : QStringLiteral("%1 (%2)").arg(f.text, f.rule)}};
    buildLayout();
}

TBeingang::~TBeingang() = default;

void TBeingang::buildLayout()
{
    const IncomingInvoice &inv = m_invoice;
    const QString heading = QStringLiteral("%1 %2").arg(IncomingInvoice::typeName(inv.typeCode), inv.number);
    Bericht.title = QStringLiteral("Eingangsrechnung %1").arg(inv.number);
    Bericht.paper = QSizeF(210, 297);
    Bericht.margins = QMarginsF(20, 15, 20, 12);
    Bericht.baseFont = font(kArial, 9);
    const qreal width = Bericht.bandWidth();

    // Pages 2 and later: what the page belongs to.
    ReportBand *pageHeader = Bericht.addBand(BandKind::PageHeader, QStringLiteral("Seitenkopf"), 8);
    pageHeader->printOnFirstPage = false;
    pageHeader
        ->addLabel(QStringLiteral("Kopf"), 0, 0, QStringLiteral("%1 – %2").arg(heading, inv.seller.name))
        .size(140, 4.5);
    pageHeader->addPageNumber(QStringLiteral("Seite"), 0, 0, QStringLiteral("Seite "))
        .size(25, 4.5)
        .aligned(Qt::AlignRight)
        .toBand(ReportElement::BandAlign::Right);
    pageHeader->addLine(QStringLiteral("Linie"), 0, 5.5, width);

    ReportBand *title = Bericht.addBand(BandKind::Title, QStringLiteral("Kopf"), 30);
    title->addLabel(QStringLiteral("Titel"), 0, 0, heading).withFont(font(kArial, 16, true));
    QStringList sub;
    if (inv.issueDate.isValid()) sub << QStringLiteral("vom ") + German::formatDate(inv.issueDate);
    sub << QStringLiteral("E-Rechnung ") + inv.formatName();
    if (!specificationName(inv.specificationId).isEmpty()) sub << specificationName(inv.specificationId);
    title->addLabel(QStringLiteral("Untertitel"), 0, 8, sub.join(QStringLiteral(" · ")))
        .size(width, 4.5)
        .fitting(ReportElement::Fit::Cut);
    const std::pair<QString, QStringList> parties[] = {
        {QStringLiteral("Verkäufer"), IncomingInvoice::partyLines(inv.seller)},
        {QStringLiteral("Käufer"), IncomingInvoice::partyLines(inv.buyer)},
    };
    qreal left = 0;
    for (const auto &[caption, lines] : parties) {
        title->addLabel(caption, left, 16, caption).withFont(font(kArial, 9, true));
        title->addMemo(caption + QStringLiteral("Adresse"), left, 21, 82, 0, lines)
            .fitting(ReportElement::Fit::Grow)
            .withFont(font(kArial, 10));
        left = 88;
    }

    // References and dates in two columns.
    const QStringList references = inv.referenceLines();
    ReportBand *facts = Bericht.addChild(title, QStringLiteral("Angaben"), 8);
    facts->enabled = !references.isEmpty();
    const qsizetype half = (references.size() + 1) / 2;
    facts->addMemo(QStringLiteral("Angaben1"), 0, 3, 82, 0, references.mid(0, half))
        .fitting(ReportElement::Fit::Grow);
    facts->addMemo(QStringLiteral("Angaben2"), 88, 3, 82, 0, references.mid(half))
        .fitting(ReportElement::Fit::Grow);

    // The lines, with their column titles on every page.
    ReportBand *columns = Bericht.addBand(BandKind::GroupHeader, QStringLiteral("Spalten"), 8);
    columns->font = font(kArial, 9, true);
    struct Column
    {
        const char *field, *caption;
        qreal left, width;
        Qt::Alignment align;
    };
    const Column cols[] = {
        {"pos", "Pos", 0, 9, Qt::AlignLeft},
        {"text", "Bezeichnung", 10, 77, Qt::AlignLeft},
        {"menge", "Menge", 88, 17, Qt::AlignRight},
        {"einheit", "Einheit", 107, 13, Qt::AlignLeft},
        {"preis", "Preis", 120, 19, Qt::AlignRight},
        {"ust", "USt.", 141, 11, Qt::AlignLeft},
        {"betrag", "Betrag", 152, width - 152, Qt::AlignRight},
    };
    ReportBand *line = Bericht.addSubDetail(QStringLiteral("Position"), 5.5, m_lines.get(), columns);
    for (const Column &c : cols) {
        const QString field = QString::fromLatin1(c.field);
        columns->addLabel(QStringLiteral("t") + field, c.left, 2, QString::fromUtf8(c.caption))
            .size(c.width)
            .aligned(c.align);
        ReportElement &e = line->addDataText(field, c.left, 0.5, field).size(c.width).aligned(c.align);
        if (field == QLatin1String("text") || field == QLatin1String("pos"))
            e.fitting(ReportElement::Fit::Grow);
    }
    columns->addLine(QStringLiteral("Linie"), 0, 7, width);

    // VAT breakdown on the left, the totals on the right.
    ReportBand *sums = Bericht.addSubDetail(QStringLiteral("Summen"), 12, m_totals.get());
    sums->addLine(QStringLiteral("Linie"), 0, 1, width);
    sums->addLabel(QStringLiteral("tUst"), 0, 3, QStringLiteral("Umsatzsteuer"))
        .withFont(font(kArial, 9, true));
    sums->addLabel(QStringLiteral("tBasis"), 44, 3, QStringLiteral("Basis"))
        .size(20)
        .aligned(Qt::AlignRight)
        .withFont(font(kArial, 9, true));
    sums->addLabel(QStringLiteral("tSteuer"), 64, 3, QStringLiteral("Steuer"))
        .size(18)
        .aligned(Qt::AlignRight)
        .withFont(font(kArial, 9, true));
    const Column sumColumns[] = {
        {"vatNames", "", 0, 44, Qt::AlignLeft},
        {"vatBases", "", 44, 20, Qt::AlignRight},
        {"vatAmounts", "", 64, 18, Qt::AlignRight},
        {"totalLabels", "", 92, 46, Qt::AlignLeft},
        {"totalAmounts", "", 138, width - 138, Qt::AlignRight},
    };
    for (const Column &c : sumColumns) {
        const QString field = QString::fromLatin1(c.field);
        ReportElement &e =
            sums->addDataText(field, c.left, field.startsWith(QLatin1String("total")) ? 3 : 8, field)
                .size(c.width)
                .aligned(c.align);
        e.fit = ReportElement::Fit::Grow;
    }

    // Allowances and charges, exemptions, payment and notes, a block each.
    ReportBand *section = Bericht.addSubDetail(QStringLiteral("Abschnitt"), 10, m_sections.get());
    section->addDataText(QStringLiteral("title"), 0, 2, QStringLiteral("title"))
        .withFont(font(kArial, 9, true));
    section->addDataText(QStringLiteral("text"), 0, 6.5, QStringLiteral("text"))
        .size(width)
        .fitting(ReportElement::Fit::Grow);

    // The findings of the checks, one row each.
    ReportBand *checksHeader = Bericht.addBand(BandKind::GroupHeader, QStringLiteral("Pruefungskopf"), 9);
    checksHeader
        ->addLabel(QStringLiteral("Pruefung"), 0, 3,
                   m_findings.isEmpty()
                       ? QStringLiteral("Prüfung: Rechenwerk und Pflichtangaben ohne Beanstandung")
                       : QStringLiteral("Prüfung: %1 Beanstandung%2")
                             .arg(m_findings.size())
                             .arg(m_findings.size() == 1 ? QString() : QStringLiteral("en")))
        .withFont(font(kArial, 10, true));
    // Its one line without findings never stands alone on a page.
    checksHeader->keepWithPrevious = true;
    ReportBand *check = Bericht.addSubDetail(QStringLiteral("Befund"), 5, m_checks.get(), checksHeader);
    check->addDataText(QStringLiteral("term"), 0, 0.5, QStringLiteral("term"))
        .size(20)
        .withFont(font(kArial, 9, true));
    check->addDataText(QStringLiteral("text"), 20, 0.5, QStringLiteral("text"))
        .size(width - 20)
        .fitting(ReportElement::Fit::Grow);

    ReportBand *footer = Bericht.addBand(BandKind::PageFooter, QStringLiteral("Fuss"), 9);
    footer->font = font(kArial, 7);
    footer->addLine(QStringLiteral("Linie"), 0, 0.5, width);
    footer->addLabel(QStringLiteral("Eingang"), 0, 1.5, m_receipt)
        .size(width - 22, 7)
        .fitting(ReportElement::Fit::Cut);
    footer->addPageNumber(QStringLiteral("Seite"), 0, 1.5, QStringLiteral("Seite "))
        .size(20, 4)
        .aligned(Qt::AlignRight)
        .toBand(ReportElement::BandAlign::Right);
}

std::unique_ptr<PageSet> IncomingInvoicePages(const IncomingInvoice &invoice,
                                              const QList<InvoiceFinding> &findings, const QString &receipt)
{
    TBeingang form(invoice, findings, receipt);
    auto pages = form.Bericht.build();
    pages->setTitle(form.Bericht.title);
    return pages;
}

std::unique_ptr<TBeingang> IncomingInvoiceForm(TVexDaoDatabase &db, qint64 vorgangId)
{
    const StoredIncoming s = IncomingStore::storedOfVorgang(db, vorgangId);
    const IncomingInvoice invoice = IncomingInvoice::read(s.original, s.fileName);
    const QString receipt =
        QStringLiteral("Eingelesen am %1 aus %2 (Eingang Nr. %3)\nSHA-256 des Originals: %4")
            .arg(German::formatStamp(Value::fromDateTime(s.received).stamp()), s.fileName)
            .arg(s.id)
            .arg(s.sha256);
    QList<InvoiceFinding> findings = CheckIncomingInvoice(invoice);
    // A new account stands first until the user has confirmed it.
    if (const auto u = SupplierAccounts::unconfirmed(db, vorgangId))
        findings.prepend(InvoiceFinding{QStringLiteral("BT-84"), QString(), u->text});
    return std::make_unique<TBeingang>(invoice, findings, receipt);
}
