// SPDX-License-Identifier: GPL-3.0-or-later
#include "letterheadpreview.h"

#include "platform/pictures.h"
#include "report/reportfonts.h"

#include <QPainter>

namespace {

// The letterhead's margins and boxes, in millimetres, as the print has them.
constexpr qreal kLeft = 20, kTop = 15, kTextWidth = 170, kPaperW = 210, kPaperH = 297;
constexpr qreal kFooterTop = kPaperH - 10 - 18;
const qreal kFooterColumns[4] = {0, 45, 90, 132.3};

qreal mmOfPixels(int pixels)
{
    return pixels * 25.4 / 96.0;
}

} // namespace

LetterheadPreview::LetterheadPreview(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void LetterheadPreview::setTexts(const Texts &texts)
{
    m_texts = texts;
    update();
}

QImage LetterheadPreview::loadLogo(const QString &path)
{
    return Pictures::loadLogo(path);
}

void LetterheadPreview::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal s = qMin((width() - 2) / kPaperW, (height() - 2) / kPaperH); // pixels per millimetre
    const QPointF origin((width() - kPaperW * s) / 2, (height() - kPaperH * s) / 2);
    const auto at = [&](qreal x, qreal y) { return origin + QPointF(x * s, y * s); };
    const qreal dpi = logicalDpiY();
    const auto useFont = [&](const QString &family, qreal points, bool italic = false) {
        QFont f = ReportFonts::font(family.trimmed().isEmpty() ? QStringLiteral("Times New Roman")
                                                               : family.trimmed(),
                                    points, false, italic);
        f.setPointSizeF(qMax<qreal>(points * 25.4 * s / dpi, 0.5));
        p.setFont(f);
        return QFontMetricsF(f);
    };
    const auto lines = [&](const QString &text, qreal x, qreal y, qreal w, qreal h, const QFontMetricsF &fm) {
        // Wrapped at the box's width as the print wraps; what is below the box is left off.
        qreal top = y * s;
        for (const QString &line : text.split(QLatin1Char('\n'))) {
            if (top + fm.height() > (y + h) * s + 0.5) break;
            const QRectF box(at(x, 0).x(), origin.y() + top, w * s, (y + h) * s - top);
            const QRectF needed = fm.boundingRect(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, line);
            p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, line);
            top += qMax(needed.height(), fm.lineSpacing());
        }
    };

    p.fillRect(QRectF(at(0, 0), QSizeF(kPaperW * s, kPaperH * s)), Qt::white);
    p.setPen(QColor(160, 160, 160));
    p.drawRect(QRectF(at(0, 0), QSizeF(kPaperW * s, kPaperH * s)));

    if (!m_texts.logo.isNull() && m_texts.logoRect.width() > 0) {
        const QRectF r = m_texts.logoRect;
        const qreal h =
            r.height() > 0 ? r.height() : r.width() * m_texts.logo.height() / m_texts.logo.width();
        p.drawImage(QRectF(at(kLeft + r.left(), kTop + r.top()), QSizeF(r.width() * s, h * s)), m_texts.logo);
    }
    p.setPen(Qt::black);
    useFont(m_texts.nameFont, 36);
    p.drawText(at(kLeft + mmOfPixels(m_texts.nameAt.x()), kTop + mmOfPixels(m_texts.nameAt.y())) +
                   QPointF(0, p.fontMetrics().ascent()),
               m_texts.name);
    useFont(m_texts.additionFont.trimmed().isEmpty() ? QStringLiteral("Arial") : m_texts.additionFont, 12);
    p.drawText(at(kLeft + mmOfPixels(m_texts.additionAt.x()), kTop + mmOfPixels(m_texts.additionAt.y())) +
                   QPointF(0, p.fontMetrics().ascent()),
               m_texts.addition);
    lines(m_texts.sender, kLeft + 134.1, kTop + 1.3, 31.5, 28.8,
          useFont(QStringLiteral("Times New Roman"), 12));
    p.setPen(QPen(Qt::black, qMax<qreal>(0.3 * s, 0.5)));
    p.drawLine(at(kLeft, kTop + 30.4), at(kLeft + 168, kTop + 30.4));
    useFont(QStringLiteral("Arial"), 6);
    lines(m_texts.senderLine, kLeft, kTop + 33.1, 108, 4, QFontMetricsF(p.font()));

    // Where the recipient and the positions go, in grey.
    p.fillRect(QRectF(at(kLeft, kTop + 42.3), QSizeF(80 * s, 25 * s)), QColor(235, 235, 235));
    for (int i = 0; i < 8; ++i)
        p.fillRect(QRectF(at(kLeft, kTop + 100 + i * 8), QSizeF(kTextWidth * s, 3 * s)),
                   QColor(242, 242, 242));

    const QFontMetricsF footer = useFont(QStringLiteral("Arial"), 8);
    for (int i = 0; i < 4; ++i) {
        const qreal w = i == 3 ? kTextWidth - kFooterColumns[3] : 39.7;
        lines(m_texts.footer[i], kLeft + kFooterColumns[i], kFooterTop + 0.5, w, 16.7, footer);
    }
}
