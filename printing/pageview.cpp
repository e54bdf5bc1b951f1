// SPDX-License-Identifier: GPL-3.0-or-later
#include "pageview.h"

#include "report/pageset.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <cmath>

namespace {

constexpr int kDesk = 16; // grey border around the page, pixels

} // namespace

class PageView::Sheet : public QWidget
{
  public:
    explicit Sheet(PageView *view) : QWidget(view), m_view(view) { setAttribute(Qt::WA_OpaquePaintEvent); }

  protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter p(this);
        p.fillRect(event->rect(), QColor(0x80, 0x84, 0x8c));
        const QSize page = m_view->pageSizeInPixels();
        const QRect paper(kDesk, kDesk, page.width(), page.height());
        p.fillRect(paper.translated(3, 3), QColor(0x50, 0x54, 0x5c));
        p.fillRect(paper, Qt::white);
        if (m_view->m_pages && m_view->m_page > 0) {
            p.setClipRect(event->rect() & paper);
            m_view->m_pages->paintPage(m_view->m_page, p, QRectF(paper));
        }
    }

  private:
    PageView *m_view;
};

PageView::PageView(QWidget *parent) : QScrollArea(parent), m_sheet(new Sheet(this))
{
    setObjectName(QStringLiteral("Preview"));
    setWidget(m_sheet);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x84, 0x8c));
    viewport()->setPalette(pal);
    updateSheet();
}

void PageView::setPageSet(PageSet *pages)
{
    if (m_pages) disconnect(m_pages, nullptr, this, nullptr);
    m_pages = pages;
    m_page = 0;
    if (pages) {
        connect(pages, &PageSet::pageAvailable, this, [this](int available) {
            if (m_page == 0 && available > 0) showPage(1);
        });
        if (pages->pagesAvailable() > 0) m_page = 1;
    }
    updateSheet();
    Q_EMIT pageChanged(m_page);
}

void PageView::showPage(int number)
{
    if (!m_pages || number < 1 || number > m_pages->pagesAvailable()) return;
    if (number != m_page) {
        m_page = number;
        verticalScrollBar()->setValue(0);
        m_sheet->update();
    }
    Q_EMIT pageChanged(m_page);
}

void PageView::setZoom(int percent)
{
    if (percent < 2 || percent > 2000 || percent == m_zoom) return;
    // Keep the part of the page that is seen: its middle across, its top
    // edge down the page (so a page seen from its top stays so).
    const qreal cx = (horizontalScrollBar()->value() + viewport()->width() / 2.0) / qMax(1, m_sheet->width());
    const qreal top = verticalScrollBar()->value() / qreal(qMax(1, m_sheet->height()));
    m_zoom = percent;
    updateSheet();
    horizontalScrollBar()->setValue(qRound(cx * m_sheet->width() - viewport()->width() / 2.0));
    verticalScrollBar()->setValue(qRound(top * m_sheet->height()));
}

qreal PageView::pixelsPerMmAt100() const
{
    return logicalDpiX() / 25.4;
}

QSize PageView::pageSizeInPixels() const
{
    const QSizeF paper = m_pages ? m_pages->paperSize() : QSizeF(210, 297);
    const qreal f = pixelsPerMmAt100() * m_zoom / 100.0;
    return QSize(qRound(paper.width() * f), qRound(paper.height() * f));
}

int PageView::wholePageZoom() const
{
    const QSizeF paper = m_pages ? m_pages->paperSize() : QSizeF(210, 297);
    const qreal w = viewport()->width() - 2 * kDesk - 3;
    const qreal h = viewport()->height() - 2 * kDesk - 3;
    const qreal byWidth = w / (paper.width() * pixelsPerMmAt100());
    const qreal byHeight = h / (paper.height() * pixelsPerMmAt100());
    return qMax(2, int(std::floor(qMin(byWidth, byHeight) * 100)));
}

int PageView::pageWidthZoom() const
{
    const QSizeF paper = m_pages ? m_pages->paperSize() : QSizeF(210, 297);
    // The page is then taller than the view: leave room for the scroll bar.
    int w = viewport()->width();
    if (!verticalScrollBar()->isVisible())
        w -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    w -= 2 * kDesk + 3;
    return qMax(2, int(std::floor(w / (paper.width() * pixelsPerMmAt100()) * 100)));
}

void PageView::updateSheet()
{
    const QSize page = pageSizeInPixels();
    m_sheet->resize(page.width() + 2 * kDesk + 3, page.height() + 2 * kDesk + 3);
    m_sheet->update();
}

void PageView::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    Q_EMIT viewResized();
}
