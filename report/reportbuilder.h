// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lays a report's bands out on pages: the order of the bands, the hooks, the
// growing texts and the page breaks, which fall between lines of text and
// never through one.
#include "pageset.h"
#include "reportband.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <map>
#include <optional>
#include <vector>

class Report;
class RowSource;

class ReportBuilder
{
  public:
    ReportBuilder(Report &report, PageSet &pages);
    void run();

  private:
    struct Item
    {
        PageItem item;           // rect relative to the band
        bool pageNumber = false; // text is the prefix; the number is added on the page
    };
    struct Layout
    {
        std::vector<Item> items;
        qreal height = 0;
        bool subHeader = false;        // the column titles of the running sub-detail
        bool keepWithPrevious = false; // goes to a new page only with the band before it
        QStringList cut;               // elements whose text did not fit
        bool blank() const;            // nothing to see: no text, no line
    };
    // Where an element came to stand in its band, by design and in fact.
    struct Box
    {
        qreal left = 0, right = 0;
        qreal designBottom = 0;
        qreal top = 0, bottom = 0;
    };
    enum class Mode { Flow, Fixed, KeepWithNext, Overlay };

    void printBand(ReportBand &band, const RowSource *row, Mode mode);
    Layout layout(const ReportBand &band, const RowSource *row);
    // Adds the element's items (at its design top) and says where they stand.
    Box layoutElement(const ReportElement &e, const RowSource *row, Layout &out);
    qreal designHeight(const ReportElement &e);
    QString textOf(const ReportElement &e, const RowSource *row) const;
    QStringList wrap(const QString &text, const QFontMetricsF &fm, qreal widthPx) const;
    const QFontMetricsF &metrics(const QFont &font);
    // The line in the font, or in a smaller one, or shortened: whatever fits widthPx.
    QString shrunk(const QString &line, QFont &font, qreal widthPx, bool &cut);
    QString withEllipsis(QString line, const QFontMetricsF &fm, qreal widthPx) const;
    qreal heightOf(const ReportBand *band);

    void flow(Layout l);
    bool fits(const Layout &l) const;
    bool atTop() const;
    void emitAt(const Layout &l, qreal from, qreal to);
    void flushPending();
    qreal cutPoint(const Layout &l, qreal available) const;
    qreal pendingHeight() const;
    qreal bottom() const;
    qreal freshBodyTop();
    void newPage();
    void finishPage(bool last);
    void printColumnHeaders();
    void progress(int masterIndex, int masterCount, int subIndex, int subCount);

    Report &m_report;
    PageSet &m_pages;
    QImage m_reference; // the resolution at which texts are measured
    // A map: the references handed out stay valid while it fills.
    std::map<QString, QFontMetricsF> m_metrics;

    ReportBand *m_pageHeader = nullptr;
    ReportBand *m_pageFooter = nullptr;
    qreal m_footerHeight = 0; // of this page's footer, as it grew
    std::vector<ReportBand *> m_overlays, m_titles, m_columnHeaders, m_details, m_subDetails, m_summaries;

    Page m_page;
    bool m_pageOpen = false;
    int m_pageNumber = 0;
    qreal m_y = 0;       // next free position on the page, mm from the paper's top
    qreal m_bodyTop = 0; // where this page's rows begin
    bool m_columnHeadersOnPage = false;
    std::vector<Layout> m_pending;
    // The band flowed last, while nothing followed it on its page: a band
    // that keeps with it takes it along to the next page.
    struct Placed
    {
        Layout layout;
        int page = 0;
        size_t firstItem = 0, endItem = 0;
        qreal top = 0, end = 0;
    };
    std::optional<Placed> m_last;
    bool takeLastAlong(const Layout &l);
    void emitWhole(const Layout &l);
    // The running sub-detail whose column titles open every further page.
    ReportBand *m_repeatHeader = nullptr;
    const RowSource *m_repeatRow = nullptr;
    bool m_headerPrinted = false;
};
