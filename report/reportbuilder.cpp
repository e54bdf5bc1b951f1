// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportbuilder.h"

#include "report.h"
#include "reportfonts.h"
#include "rowsource.h"

#include "base/germanformat.h"
#include "base/money.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// Texts are measured at this resolution: fine enough that hinting and pixel
// rounding do not move a line break.
constexpr qreal kReferenceDpi = 600;
constexpr qreal kMmPerPx = 25.4 / kReferenceDpi;
constexpr qreal kEpsilon = 0.01; // mm

int horizontalFlags(Qt::Alignment a)
{
    if (a & Qt::AlignRight) return Qt::AlignRight;
    if (a & Qt::AlignHCenter) return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

} // namespace

ReportBuilder::ReportBuilder(Report &report, PageSet &pages)
    : m_report(report), m_pages(pages), m_reference(1, 1, QImage::Format_RGB32)
{
    m_reference.setDotsPerMeterX(qRound(kReferenceDpi / 0.0254));
    m_reference.setDotsPerMeterY(qRound(kReferenceDpi / 0.0254));
    for (const auto &b : report.bands()) {
        switch (b->kind()) {
        case ReportBand::Kind::PageHeader:
            if (!m_pageHeader) m_pageHeader = b.get();
            break;
        case ReportBand::Kind::PageFooter:
            if (!m_pageFooter) m_pageFooter = b.get();
            break;
        case ReportBand::Kind::Title:
            m_titles.push_back(b.get());
            break;
        case ReportBand::Kind::ColumnHeader:
            m_columnHeaders.push_back(b.get());
            break;
        case ReportBand::Kind::Detail:
            m_details.push_back(b.get());
            break;
        case ReportBand::Kind::SubDetail:
            m_subDetails.push_back(b.get());
            break;
        case ReportBand::Kind::Summary:
            m_summaries.push_back(b.get());
            break;
        case ReportBand::Kind::Overlay:
            m_overlays.push_back(b.get());
            break;
        case ReportBand::Kind::GroupHeader:
        case ReportBand::Kind::Child:
            break; // printed through the band they belong to
        }
    }
}

void ReportBuilder::run()
{
    if (m_report.beforePrint) m_report.beforePrint(m_report);
    RowSource *master = m_report.master();
    if (master && !master->first()) {
        m_pages.setComplete();
        return;
    }
    const int masterCount = master ? master->rowCount() : 1;
    newPage();
    for (ReportBand *b : m_titles)
        printBand(*b, master, Mode::Flow);
    printColumnHeaders();

    int masterIndex = 0;
    do {
        for (ReportBand *b : m_details)
            printBand(*b, master, Mode::Flow);
        for (ReportBand *sub : m_subDetails) {
            RowSource *rows = sub->source;
            bool has = rows && rows->first();
            const int subCount = rows ? rows->rowCount() : 0;
            if (sub->header && (has || sub->printHeaderIfEmpty)) {
                m_headerPrinted = false;
                printBand(*sub->header, rows, has ? Mode::KeepWithNext : Mode::Flow);
                if (sub->repeatHeaderOnNewPage) {
                    m_repeatHeader = sub->header;
                    m_repeatRow = rows;
                }
            }
            int subIndex = 0;
            while (has) {
                printBand(*sub, rows, Mode::Flow);
                progress(masterIndex, masterCount, ++subIndex, subCount);
                has = rows->next();
            }
            flushPending(); // column titles of an empty sub-detail
            m_repeatHeader = nullptr;
            m_repeatRow = nullptr;
        }
        progress(++masterIndex, masterCount, 0, 0);
    } while (master && master->next());

    for (ReportBand *b : m_summaries)
        printBand(*b, master, Mode::Flow);
    flushPending();
    finishPage(true);
    m_pages.setComplete();
}

void ReportBuilder::progress(int masterIndex, int masterCount, int subIndex, int subCount)
{
    if (masterCount <= 0) return;
    qreal done = masterIndex;
    if (subCount > 0) done += qreal(subIndex) / subCount;
    // 100 is for the finished run only.
    m_pages.setProgress(qMin(99, int(done * 100 / masterCount)));
}

void ReportBuilder::printBand(ReportBand &band, const RowSource *row, Mode mode)
{
    bool print = band.enabled;
    if (print && band.beforePrint) band.beforePrint(band, print);
    if (print) {
        Layout l = layout(band, row);
        for (const QString &name : l.cut)
            m_pages.noteCut(name);
        switch (mode) {
        case Mode::Overlay:
            for (const Item &it : l.items)
                m_page.items.push_back(it.item);
            break;
        case Mode::Fixed:
            emitAt(l, 0, l.height);
            break;
        case Mode::KeepWithNext:
            l.subHeader = band.kind() == ReportBand::Kind::GroupHeader;
            m_pending.push_back(std::move(l));
            break;
        case Mode::Flow:
            l.keepWithPrevious = band.keepWithPrevious;
            flow(std::move(l));
            break;
        }
    }
    if (band.child) printBand(*band.child, row, mode == Mode::KeepWithNext ? Mode::Flow : mode);
}

// ---- laying out one band

const QFontMetricsF &ReportBuilder::metrics(const QFont &font)
{
    const QString key = font.key();
    auto it = m_metrics.find(key);
    if (it == m_metrics.end()) it = m_metrics.emplace(key, QFontMetricsF(font, &m_reference)).first;
    return it->second;
}

QString ReportBuilder::textOf(const ReportElement &e, const RowSource *row) const
{
    switch (e.kind()) {
    case ReportElement::Kind::Label:
    case ReportElement::Kind::PageNumber:
        return e.text;
    case ReportElement::Kind::Memo:
        return e.lines.join(QLatin1Char('\n'));
    case ReportElement::Kind::Expression:
        return e.compute ? e.compute(row) : QString();
    case ReportElement::Kind::Line:
    case ReportElement::Kind::Picture:
        return QString();
    case ReportElement::Kind::DataText:
        break;
    }
    if (!row) return QString();
    const QVariant v = row->value(e.field);
    if (!v.isValid() || v.isNull()) return QString();
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return e.mask.isEmpty() ? German::formatFloat(v.toDouble())
                                : Money::formatAmount(v.toDouble(), e.mask);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return e.mask.isEmpty() ? QString::number(v.toLongLong()) : Money::formatAmount(v.toDouble(), e.mask);
    case QMetaType::QDate:
        return German::formatDate(v.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.time() == QTime(0, 0) ? German::formatDate(dt.date())
                                        : German::formatDate(dt.date()) + QLatin1Char(' ') +
                                              dt.time().toString(QStringLiteral("hh:mm:ss"));
    }
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("Ja") : QStringLiteral("Nein");
    default:
        return v.toString();
    }
}

QStringList ReportBuilder::wrap(const QString &text, const QFontMetricsF &fm, qreal widthPx) const
{
    QStringList out;
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normalised.split(QLatin1Char('\n'));
    for (const QString &paragraph : paragraphs) {
        if (widthPx <= 0 || fm.horizontalAdvance(paragraph) <= widthPx) {
            out << paragraph;
            continue;
        }
        QString line;
        qsizetype i = 0;
        const qsizetype n = paragraph.size();
        while (i < n) {
            // The next word with the blanks before it.
            qsizetype j = i;
            while (j < n && paragraph.at(j) == QLatin1Char(' '))
                ++j;
            while (j < n && paragraph.at(j) != QLatin1Char(' '))
                ++j;
            const QString piece = paragraph.mid(i, j - i);
            if (fm.horizontalAdvance(line + piece) <= widthPx) {
                line += piece;
                i = j;
                continue;
            }
            if (!line.trimmed().isEmpty()) {
                out << line;
                line.clear();
                // The blanks at the break go with it.
                while (i < n && paragraph.at(i) == QLatin1Char(' '))
                    ++i;
                continue;
            }
            // One word wider than the box: break it between characters.
            QString word = piece.trimmed();
            i = j;
            while (!word.isEmpty()) {
                int k = 1;
                while (k < word.size() && fm.horizontalAdvance(word.left(k + 1)) <= widthPx)
                    ++k;
                if (k < word.size()) {
                    out << word.left(k);
                    word = word.mid(k);
                } else {
                    line = word;
                    word.clear();
                }
            }
        }
        out << line;
    }
    return out;
}

QString ReportBuilder::withEllipsis(QString line, const QFontMetricsF &fm, qreal widthPx) const
{
    static const QString ellipsis(QChar(0x2026));
    while (!line.isEmpty() && fm.horizontalAdvance(line + ellipsis) > widthPx)
        line.chop(1);
    return line + ellipsis;
}

QString ReportBuilder::shrunk(const QString &line, QFont &font, qreal widthPx, bool &cut)
{
    constexpr qreal kSmallest = 0.6;
    const qreal advance = metrics(font).horizontalAdvance(line);
    if (advance <= widthPx) return line;
    const qreal points = font.pointSizeF();
    // Widths grow with the size (the fonts are unhinted); the steps catch rounding.
    for (qreal f = qMax(kSmallest, widthPx / advance); f >= kSmallest - 1e-9; f -= 0.02) {
        font.setPointSizeF(points * qMax(f, kSmallest));
        if (metrics(font).horizontalAdvance(line) <= widthPx) return line;
    }
    font.setPointSizeF(points * kSmallest);
    cut = true;
    return withEllipsis(line, metrics(font), widthPx);
}

ReportBuilder::Box ReportBuilder::layoutElement(const ReportElement &e, const RowSource *row, Layout &out)
{
    const qreal bandWidth = m_report.bandWidth();
    const auto leftOf = [&](qreal boxWidth) {
        if (e.bandAlign == ReportElement::BandAlign::Left) return qreal(0);
        if (e.bandAlign == ReportElement::BandAlign::Right) return bandWidth - boxWidth;
        return e.left;
    };
    if (e.kind() == ReportElement::Kind::Line) {
        const qreal left = leftOf(e.width);
        if (e.width > 0) {
            Item it;
            it.item.kind = PageItem::Kind::Line;
            it.item.rect = QRectF(left, e.top, e.width, 0);
            it.item.penWidth = e.penWidth;
            it.item.color = e.color;
            out.items.push_back(std::move(it));
        }
        return Box{left, left + e.width, e.top, e.top, e.top};
    }
    if (e.kind() == ReportElement::Kind::Picture) {
        const qreal left = leftOf(e.width);
        const qreal height = designHeight(e);
        if (e.width > 0 && height > 0) {
            Item it;
            it.item.kind = PageItem::Kind::Picture;
            it.item.rect = QRectF(left, e.top, e.width, height);
            it.item.picture = e.picture;
            out.items.push_back(std::move(it));
        }
        return Box{left, left + e.width, e.top + height, e.top, e.top + height};
    }

    const QString text = ReportFonts::printable(textOf(e, row), e.font);
    const QFontMetricsF &fm = metrics(e.font);
    const bool pageNumber = e.kind() == ReportElement::Kind::PageNumber;
    const bool fixedWidth = e.width > 0;
    const qreal widthPx = e.width / kMmPerPx;
    QStringList lines;
    if (pageNumber)
        lines << text;
    else
        lines = wrap(text, fm, fixedWidth && e.fit != ReportElement::Fit::Shrink ? widthPx : 0);

    qreal boxWidth = e.width;
    if (!fixedWidth) {
        // Room for the number that the page adds.
        for (const QString &l : pageNumber ? QStringList{text + QStringLiteral("000")} : lines)
            boxWidth = qMax(boxWidth, fm.horizontalAdvance(l) * kMmPerPx);
    }
    const qreal lineHeight = e.lineSpacing > 0 ? e.lineSpacing : fm.lineSpacing() * kMmPerPx;
    const qreal boxHeight = e.height > 0 ? e.height : lineHeight;
    bool cut = false;
    if (e.fit != ReportElement::Fit::Grow && e.height > 0) {
        // What does not fit the box is cut, a whole line at a time.
        const int fitting = qMax(1, int(std::floor((boxHeight + kEpsilon) / lineHeight)));
        if (lines.size() > fitting) {
            lines = lines.mid(0, fitting);
            cut = true;
            if (fixedWidth) lines.last() = withEllipsis(lines.last(), fm, widthPx);
        }
    }

    const qreal left = leftOf(boxWidth);
    const int flags = horizontalFlags(e.alignment) | Qt::AlignTop;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).isEmpty()) continue;
        Item it;
        it.item.font = e.font;
        it.item.text = lines.at(i);
        if (fixedWidth && e.fit == ReportElement::Fit::Shrink && !pageNumber)
            it.item.text = shrunk(it.item.text, it.item.font, widthPx, cut);
        // A line set smaller keeps the baseline of its neighbours.
        const qreal lowered = (fm.ascent() - metrics(it.item.font).ascent()) * kMmPerPx;
        it.item.rect = QRectF(left, e.top + i * lineHeight + lowered, boxWidth, lineHeight - lowered);
        it.item.flags = flags;
        it.item.color = e.color;
        it.pageNumber = pageNumber;
        out.items.push_back(std::move(it));
    }
    const qreal height =
        e.fit == ReportElement::Fit::Grow ? qMax(boxHeight, lines.size() * lineHeight) : boxHeight;
    if (e.framed) {
        Item frame;
        frame.item.kind = PageItem::Kind::Frame;
        frame.item.rect = QRectF(left, e.top, boxWidth, height);
        frame.item.penWidth = e.penWidth;
        frame.item.color = e.color;
        out.items.push_back(std::move(frame));
    }
    if (cut) out.cut << e.name();
    return Box{left, left + boxWidth, e.top + boxHeight, e.top, e.top + height};
}

ReportBuilder::Layout ReportBuilder::layout(const ReportBand &band, const RowSource *row)
{
    // Top to bottom, so that an element that grew pushes down what stands
    // below it, as far as it reaches into it.
    std::vector<const ReportElement *> order;
    for (const auto &e : band.elements())
        if (e->enabled) order.push_back(e.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const ReportElement *a, const ReportElement *b) { return a->top < b->top; });
    // The lowest bottom any element has by design: an element that ends there
    // keeps its distance to the band's bottom as it grows; one higher up only
    // makes the band grow when it reaches past the bottom.
    qreal lowest = 0;
    for (const ReportElement *e : order)
        lowest = qMax(lowest, e->top + designHeight(*e));
    Layout l;
    l.height = band.height;
    std::vector<Box> placed;
    for (const ReportElement *e : order) {
        const size_t first = l.items.size();
        Box box = layoutElement(*e, row, l);
        qreal shift = 0;
        for (const Box &above : placed)
            if (above.right > box.left + kEpsilon && box.right > above.left + kEpsilon &&
                e->top >= above.designBottom - kEpsilon)
                shift = qMax(shift, above.bottom - e->top);
        if (shift > kEpsilon) {
            for (size_t i = first; i < l.items.size(); ++i)
                l.items[i].item.rect.translate(0, shift);
            box.top += shift;
            box.bottom += shift;
        }
        placed.push_back(box);
        const qreal designBottom = e->top + designHeight(*e);
        const qreal gap = designBottom >= lowest - kEpsilon ? qMax<qreal>(0, band.height - designBottom) : 0;
        l.height = qMax(l.height, box.bottom + gap);
    }
    return l;
}

qreal ReportBuilder::designHeight(const ReportElement &e)
{
    if (e.kind() == ReportElement::Kind::Line) return 0;
    if (e.kind() == ReportElement::Kind::Picture) {
        if (e.picture.isNull() || e.picture.width() == 0) return 0;
        return e.height > 0 ? e.height : e.width * e.picture.height() / e.picture.width();
    }
    return e.height > 0 ? e.height : metrics(e.font).lineSpacing() * kMmPerPx;
}

// ---- placing bands on pages

qreal ReportBuilder::bottom() const
{
    return m_report.paper.height() - m_report.margins.bottom() - m_footerHeight;
}

qreal ReportBuilder::heightOf(const ReportBand *band)
{
    return band && band->enabled ? layout(*band, m_report.master()).height : 0;
}

qreal ReportBuilder::freshBodyTop()
{
    // As tall as the bands at the top of a further page will be with their
    // texts, not as they were designed.
    qreal y = m_report.margins.top() + heightOf(m_pageHeader);
    for (const ReportBand *b : m_columnHeaders)
        y += heightOf(b);
    if (m_repeatHeader && m_headerPrinted && m_repeatHeader->enabled)
        y += layout(*m_repeatHeader, m_repeatRow).height;
    return y;
}

qreal ReportBuilder::pendingHeight() const
{
    qreal h = 0;
    for (const Layout &l : m_pending)
        h += l.height;
    return h;
}

void ReportBuilder::emitAt(const Layout &l, qreal from, qreal to)
{
    const qreal left = m_report.margins.left();
    for (const Item &it : l.items) {
        const qreal top = it.item.rect.top();
        if (top < from - kEpsilon || top >= to - kEpsilon) continue;
        PageItem p = it.item;
        p.rect.translate(left, m_y - from);
        if (it.pageNumber) p.text += QString::number(m_pageNumber);
        m_page.items.push_back(std::move(p));
    }
    m_y += to - from;
}

void ReportBuilder::flushPending()
{
    std::vector<Layout> pending;
    pending.swap(m_pending);
    for (const Layout &l : pending) {
        emitAt(l, 0, l.height);
        if (l.subHeader) m_headerPrinted = true;
    }
}

qreal ReportBuilder::cutPoint(const Layout &l, qreal available) const
{
    // The lowest place at or above `available` that runs between the items.
    std::vector<qreal> candidates{available};
    for (const Item &it : l.items) {
        if (it.item.rect.top() < available) candidates.push_back(it.item.rect.top());
        if (it.item.rect.bottom() < available) candidates.push_back(it.item.rect.bottom());
    }
    std::sort(candidates.begin(), candidates.end(), std::greater<qreal>());
    for (qreal c : candidates) {
        if (c <= kEpsilon) break;
        bool clear = true;
        for (const Item &it : l.items) {
            const QRectF &r = it.item.rect;
            if (r.top() < c - kEpsilon && r.bottom() > c + kEpsilon) {
                clear = false;
                break;
            }
        }
        if (clear) return c;
    }
    return 0;
}

bool ReportBuilder::fits(const Layout &l) const
{
    return pendingHeight() + l.height <= bottom() - m_y + kEpsilon;
}

bool ReportBuilder::atTop() const
{
    return m_y <= m_bodyTop + kEpsilon && pendingHeight() <= kEpsilon;
}

bool ReportBuilder::Layout::blank() const
{
    return std::all_of(items.begin(), items.end(), [](const Item &it) {
        return it.item.kind == PageItem::Kind::Text && it.item.text.trimmed().isEmpty() && !it.pageNumber;
    });
}

void ReportBuilder::emitWhole(const Layout &l)
{
    flushPending();
    Placed p{l, m_pageNumber, m_page.items.size(), 0, m_y, 0};
    emitAt(l, 0, l.height);
    p.endItem = m_page.items.size();
    p.end = m_y;
    m_last = std::move(p);
}

bool ReportBuilder::takeLastAlong(const Layout &l)
{
    // Only the band right before, whole on this page, and only where both
    // fit on the next page together.
    if (!l.keepWithPrevious || !m_last || m_last->page != m_pageNumber ||
        m_last->endItem != m_page.items.size() || std::abs(m_last->end - m_y) > kEpsilon ||
        m_last->top <= m_bodyTop + kEpsilon ||
        m_last->layout.height + pendingHeight() + l.height > bottom() - freshBodyTop() + kEpsilon)
        return false;
    const Layout previous = std::move(m_last->layout);
    m_page.items.erase(m_page.items.begin() + qsizetype(m_last->firstItem), m_page.items.end());
    m_y = m_last->top;
    m_last.reset();
    std::vector<Layout> pending;
    pending.swap(m_pending);
    newPage();
    m_pending.push_back(previous);
    for (Layout &w : pending)
        m_pending.push_back(std::move(w));
    emitWhole(l);
    return true;
}

void ReportBuilder::flow(Layout l)
{
    if (fits(l)) {
        emitWhole(l);
        return;
    }
    // Room at the end of a page that would stay empty starts no new page.
    if (l.blank() && pendingHeight() <= kEpsilon) {
        m_y = qMax(m_y, bottom());
        return;
    }
    if (takeLastAlong(l)) return;
    // A band that fits on a page of its own goes there whole.
    if (!atTop() && pendingHeight() + l.height <= bottom() - freshBodyTop() + kEpsilon) {
        newPage();
        if (fits(l)) {
            emitWhole(l);
            return;
        }
    }
    m_last.reset();
    // Taller than a page: it runs on over the next pages, broken between
    // lines. Column titles still keep at least the first line with them.
    const qreal waiting = pendingHeight();
    if (!atTop() && waiting > kEpsilon && cutPoint(l, bottom() - m_y - waiting) <= 0) newPage();
    flushPending();
    qreal from = 0;
    while (true) {
        const qreal available = bottom() - m_y;
        const qreal rest = l.height - from;
        if (rest <= available + kEpsilon) {
            emitAt(l, from, l.height);
            return;
        }
        Layout shifted;
        shifted.height = rest;
        for (const Item &it : l.items) {
            if (it.item.rect.top() < from - kEpsilon) continue;
            Item moved = it;
            moved.item.rect.translate(0, -from);
            shifted.items.push_back(std::move(moved));
        }
        qreal cut = cutPoint(shifted, available);
        if (cut <= 0) {
            if (m_y > m_bodyTop + kEpsilon) {
                newPage();
                continue;
            }
            // A single item taller than the page: nothing to do but cut it.
            cut = qMax<qreal>(available, 1);
        }
        emitAt(l, from, from + cut);
        from += cut;
        newPage();
    }
}

void ReportBuilder::printColumnHeaders()
{
    if (m_columnHeadersOnPage) return;
    m_columnHeadersOnPage = true;
    for (ReportBand *b : m_columnHeaders)
        printBand(*b, m_report.master(), Mode::Fixed);
    m_bodyTop = m_y;
}

void ReportBuilder::newPage()
{
    m_last.reset();
    if (m_pageOpen) finishPage(false);
    m_page = Page{};
    m_pageOpen = true;
    ++m_pageNumber;
    m_y = m_report.margins.top();
    for (ReportBand *b : m_overlays)
        if (m_pageNumber > 1 || b->printOnFirstPage) printBand(*b, m_report.master(), Mode::Overlay);
    // Known before the page fills: the footer as its texts make it.
    m_footerHeight = heightOf(m_pageFooter);
    if (m_pageHeader && (m_pageNumber > 1 || m_pageHeader->printOnFirstPage))
        printBand(*m_pageHeader, m_report.master(), Mode::Fixed);
    m_columnHeadersOnPage = false;
    m_bodyTop = m_y;
    if (m_pageNumber == 1) return; // the title comes before the column titles
    printColumnHeaders();
    if (m_repeatHeader && m_headerPrinted) printBand(*m_repeatHeader, m_repeatRow, Mode::Fixed);
    m_bodyTop = m_y;
}

void ReportBuilder::finishPage(bool last)
{
    if (!m_pageOpen) return;
    if (m_pageFooter && (!last || m_pageFooter->printOnLastPage)) {
        m_y = bottom();
        printBand(*m_pageFooter, m_report.master(), Mode::Fixed);
    }
    m_pageOpen = false;
    m_pages.addPage(std::move(m_page));
    m_page = Page{};
}
