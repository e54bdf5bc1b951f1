#pragma once
// Lays a report's bands out on pages: the order of the bands, the hooks, the
// growing texts and the page breaks, which fall between lines of text and
// never through one.
#include "pageset.h"
#include "reportband.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
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
        bool subHeader = false; // the column titles of the running sub-detail
    };
    enum class Mode { Flow, Fixed, KeepWithNext };

    void printBand(ReportBand &band, const RowSource *row, Mode mode);
    Layout layout(const ReportBand &band, const RowSource *row);
    // Adds the element's items; returns its bottom.
    qreal layoutElement(const ReportElement &e, const RowSource *row, Layout &out);
    qreal designHeight(const ReportElement &e);
    QString textOf(const ReportElement &e, const RowSource *row) const;
    QStringList wrap(const QString &text, const QFontMetricsF &fm, qreal widthPx) const;
    const QFontMetricsF &metrics(const QFont &font);

    void flow(Layout l);
    void emitAt(const Layout &l, qreal from, qreal to);
    void flushPending();
    qreal cutPoint(const Layout &l, qreal available) const;
    qreal pendingHeight() const;
    qreal bottom() const;
    qreal freshBodyTop() const;
    void newPage();
    void finishPage(bool last);
    void printColumnHeaders();
    void progress(int masterIndex, int masterCount, int subIndex, int subCount);

    Report &m_report;
    PageSet &m_pages;
    QImage m_reference; // the resolution at which texts are measured
    QHash<QString, QFontMetricsF> m_metrics;

    ReportBand *m_pageHeader = nullptr;
    ReportBand *m_pageFooter = nullptr;
    std::vector<ReportBand *> m_titles, m_columnHeaders, m_details, m_subDetails, m_summaries;

    Page m_page;
    bool m_pageOpen = false;
    int m_pageNumber = 0;
    qreal m_y = 0;       // next free position on the page, mm from the paper's top
    qreal m_bodyTop = 0; // where this page's rows begin
    bool m_columnHeadersOnPage = false;
    std::vector<Layout> m_pending;
    // The running sub-detail whose column titles open every further page.
    ReportBand *m_repeatHeader = nullptr;
    const RowSource *m_repeatRow = nullptr;
    bool m_headerPrinted = false;
};
