// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A band of a report: a horizontal strip of elements printed as a whole at a
// point of the report run (top of a page, once per row, at the end...). A
// band may have a child band, printed right after it whether or not the
// band's own hook suppressed it.
#include "reportelement.h"

#include <functional>
#include <memory>
#include <vector>

class RowSource;

class ReportBand
{
  public:
    enum class Kind {
        PageHeader,   // top of every page (or of every page but the first)
        Title,        // once, before everything else on the first page
        ColumnHeader, // top of every page, below the page header
        Detail,       // once per row of the report's master source
        SubDetail,    // once per row of its own source, after each master row
        GroupHeader,  // the column titles of a sub-detail, before its rows
        Summary,      // once, after the last row
        PageFooter,   // bottom of every page
        Overlay,      // over every page, placed from the paper's corner; takes no room
        Child         // after its parent band
    };
    // The hook may change the band's elements; clearing printBand leaves the
    // band out this time (its child still prints).
    using Hook = std::function<void(ReportBand &band, bool &printBand)>;

    ReportBand(Kind kind, const QString &name, qreal heightMm, const QFont &bandFont)
        : height(heightMm), font(bandFont), m_kind(kind), m_name(name)
    {}

    Kind kind() const { return m_kind; }
    const QString &name() const { return m_name; }

    qreal height; // millimetres; grows with growing elements
    QFont font;   // of elements added from now on
    Hook beforePrint;
    bool enabled = true;          // false: never printed (its child still is)
    bool printOnFirstPage = true; // page header, overlay
    bool printOnLastPage = true;  // page footer
    // Never alone at the top of a page: when it does not fit, the band
    // printed before it goes along to the next page (a child band always).
    bool keepWithPrevious = false;
    // Sub-detail: its rows, its column titles and whether those are printed
    // when there are no rows and again at the top of every further page.
    RowSource *source = nullptr;
    ReportBand *header = nullptr;
    bool printHeaderIfEmpty = true;
    bool repeatHeaderOnNewPage = true;
    ReportBand *child = nullptr;

    ReportElement &addLabel(const QString &name, qreal left, qreal top, const QString &text);
    ReportElement &addDataText(const QString &name, qreal left, qreal top, const QString &field);
    ReportElement &addExpression(const QString &name, qreal left, qreal top, ReportElement::Compute compute);
    ReportElement &addMemo(const QString &name, qreal left, qreal top, qreal width, qreal height,
                           const QStringList &lines = {});
    ReportElement &addPageNumber(const QString &name, qreal left, qreal top, const QString &prefix);
    ReportElement &addLine(const QString &name, qreal left, qreal top, qreal length);
    ReportElement &addPicture(const QString &name, qreal left, qreal top, qreal width);

    ReportElement *element(const QString &name) const; // null when there is none
    const std::vector<std::unique_ptr<ReportElement>> &elements() const { return m_elements; }

  private:
    ReportElement &add(ReportElement::Kind kind, const QString &name, qreal left, qreal top);

    Kind m_kind;
    QString m_name;
    std::vector<std::unique_ptr<ReportElement>> m_elements;
};
