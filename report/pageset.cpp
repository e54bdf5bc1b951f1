// SPDX-License-Identifier: GPL-3.0-or-later
#include "pageset.h"

#include "base/apperror.h"
#include "base/textfiles.h"

#include <QBuffer>
#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

PageSet::PageSet(QObject *parent) : QObject(parent) {}

PageSet::~PageSet() = default;

const Page &PageSet::page(int number) const
{
    static const Page empty;
    if (number < 1 || number > pagesAvailable()) return empty;
    return m_pages[size_t(number - 1)];
}

void PageSet::paintPage(int number, QPainter &painter) const
{
    const QPaintDevice *device = painter.device();
    const qreal dpiX = device ? device->logicalDpiX() : 96;
    const qreal dpiY = device ? device->logicalDpiY() : 96;
    paintPage(number, painter, QRectF(0, 0, m_paper.width() * dpiX / 25.4, m_paper.height() * dpiY / 25.4));
}

void PageSet::paintPage(int number, QPainter &painter, const QRectF &target) const
{
    if (m_paper.isEmpty()) return;
    const qreal sx = target.width() / m_paper.width();
    const qreal sy = target.height() / m_paper.height();
    const qreal dpiY = painter.device() ? painter.device()->logicalDpiY() : 96;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setBrush(Qt::NoBrush);
    QFont last;
    qreal lastPoints = -1;
    for (const PageItem &item : page(number).items) {
        const QRectF r(target.x() + item.rect.x() * sx, target.y() + item.rect.y() * sy,
                       item.rect.width() * sx, item.rect.height() * sy);
        if (item.kind == PageItem::Kind::Picture) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(r, item.picture);
            continue;
        }
        if (item.kind != PageItem::Kind::Text) {
            painter.setPen(QPen(item.color, qMax<qreal>(item.penWidth * sy, 0.5), Qt::SolidLine,
                                item.kind == PageItem::Kind::Line ? Qt::FlatCap : Qt::SquareCap,
                                Qt::MiterJoin));
            if (item.kind == PageItem::Kind::Line)
                painter.drawLine(QPointF(r.left(), r.top()), QPointF(r.right(), r.top()));
            else
                painter.drawRect(r);
            continue;
        }
        // A point is 25.4 / 72 mm; the device turns point sizes into pixels
        // at its own resolution, so the size is given relative to that.
        const qreal points = item.font.pointSizeF() * 25.4 * sy / dpiY;
        if (points != lastPoints || !(item.font == last)) {
            last = item.font;
            lastPoints = points;
            QFont f = item.font;
            f.setPointSizeF(qMax<qreal>(points, 0.1));
            painter.setFont(f);
        }
        painter.setPen(item.color);
        painter.drawText(r, item.flags | Qt::TextDontClip | Qt::TextSingleLine, item.text);
    }
    painter.restore();
}

QImage PageSet::renderPage(int number, qreal dotsPerInch) const
{
    const QSize size(qRound(m_paper.width() * dotsPerInch / 25.4),
                     qRound(m_paper.height() * dotsPerInch / 25.4));
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
    image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(number, painter);
    return image;
}

void PageSet::setUpPrinter(QPrinter &printer) const
{
    printer.setDocName(m_title);
    printer.setPageLayout(QPageLayout(
        QPageSize(m_paper, QPageSize::Millimeter),
        m_paper.width() > m_paper.height() ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
}

int PageSet::print(QPrinter &printer) const
{
    int from = 1, to = pagesAvailable();
    const QPageRanges ranges = printer.pageRanges();
    if (printer.printRange() == QPrinter::PageRange && !ranges.isEmpty()) {
        from = qMax(from, ranges.firstPage());
        to = qMin(to, ranges.lastPage());
    }
    std::vector<int> numbers;
    for (int n = from; n <= to; ++n)
        if (printer.printRange() != QPrinter::PageRange || ranges.isEmpty() || ranges.contains(n))
            numbers.push_back(n);
    if (numbers.empty()) return 0;

    printer.setDocName(m_title);
    // The margins are the report's own; paper and orientation are the printer's.
    printer.setFullPage(true);
    // Printers that make copies themselves get each page once.
    const int copies = printer.supportsMultipleCopies() ? 1 : qMax(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(
            QStringLiteral("Der Drucker \"%1\" kann nicht angesprochen werden").arg(printer.printerName()));
    // A page on other paper is scaled to fit it whole, centred.
    const QSizeF sheet = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    const qreal dotsPerMm = printer.resolution() / 25.4;
    const qreal scale = qMin(sheet.width() / m_paper.width(), sheet.height() / m_paper.height());
    const QSizeF drawn = m_paper * scale;
    const QRectF target(QPointF((sheet.width() - drawn.width()) / 2, (sheet.height() - drawn.height()) / 2) *
                            dotsPerMm,
                        drawn * dotsPerMm);
    bool firstSheet = true;
    const auto sheetOf = [&](int n) {
        if (!firstSheet) printer.newPage();
        firstSheet = false;
        paintPage(n, painter, target);
    };
    if (collate) {
        for (int c = 0; c < copies; ++c)
            for (int n : numbers)
                sheetOf(n);
    } else {
        for (int n : numbers)
            for (int c = 0; c < copies; ++c)
                sheetOf(n);
    }
    painter.end();
    return int(numbers.size());
}

QByteArray PageSet::pdfData() const
{
    if (m_pages.empty()) return QByteArray();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(m_title);
        writer.setCreator(QStringLiteral("Tavirelsverwaltung"));
        writer.setResolution(1200);
        writer.setPageLayout(
            QPageLayout(QPageSize(m_paper, QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer)) return QByteArray();
        for (int n = 1; n <= pagesAvailable(); ++n) {
            if (n > 1) writer.newPage();
            paintPage(n, painter);
        }
        painter.end();
    }
    return buffer.data();
}

void PageSet::writePdf(const QString &path) const
{
    const QString shown = QDir::toNativeSeparators(path);
    if (m_pages.empty())
        throw AppError(QStringLiteral("Der Bericht hat keine Seiten; %1 wurde nicht geschrieben").arg(shown));
    const QByteArray pdf = pdfData();
    if (pdf.isEmpty())
        throw AppError(QStringLiteral("Die Datei %1 kann nicht geschrieben werden").arg(shown));
    TextFiles::writeWhole(path, pdf);
}

void PageSet::addPage(Page page)
{
    m_pages.push_back(std::move(page));
    Q_EMIT pageAvailable(pagesAvailable());
}

void PageSet::noteCut(const QString &element)
{
    if (!m_cut.contains(element)) m_cut << element;
}

void PageSet::setProgress(int percent)
{
    percent = qBound(0, percent, 100);
    if (percent == m_progress) return;
    m_progress = percent;
    Q_EMIT progressChanged(percent);
}

void PageSet::setComplete()
{
    m_complete = true;
    if (m_progress != 100) {
        m_progress = 100;
        Q_EMIT progressChanged(100);
    }
    Q_EMIT completed();
}
