// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A banded report: paper and margins in millimetres, a base font, a title,
// bands with their elements and hooks, and the rows of a master source.
// Building it lays the bands out on pages (a PageSet); the report knows
// nothing of where its rows come from nor of how its pages are shown.
#include "reportband.h"

#include <QFont>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class PageSet;
class RowSource;

class Report
{
  public:
    Report();
    ~Report();
    Report(const Report &) = delete;
    Report &operator=(const Report &) = delete;

    QString title; // the preview's caption and the print job's name
    QSizeF paper{210, 297};
    QMarginsF margins{20, 15, 20, 10}; // left, top, right, bottom
    QFont baseFont;                    // of bands added from now on
    // Runs at the start of every build, before any band.
    std::function<void(Report &)> beforePrint;

    // The rows of the detail bands. Without a master the report runs once;
    // with a master that has no rows it prints nothing at all.
    void setMaster(RowSource *source) { m_master = source; }
    RowSource *master() const { return m_master; }

    ReportBand *addBand(ReportBand::Kind kind, const QString &name, qreal heightMm);
    // A child band printed right after the parent (and after the parent's
    // previous child, if it already has one).
    ReportBand *addChild(ReportBand *parent, const QString &name, qreal heightMm);
    // A sub-detail band over its own rows, with an optional column-title band.
    ReportBand *addSubDetail(const QString &name, qreal heightMm, RowSource *source,
                             ReportBand *header = nullptr);

    ReportBand *band(const QString &name) const;
    ReportElement *element(const QString &name) const;
    const std::vector<std::unique_ptr<ReportBand>> &bands() const { return m_bands; }
    qreal bandWidth() const { return paper.width() - margins.left() - margins.right(); }

    // Lays the report out on the page set's pages, telling it of each page
    // and of the progress; the page set is complete afterwards.
    void build(PageSet &pages);
    std::unique_ptr<PageSet> build();
    // Builds into a new page set that the hook receives first (to show it,
    // taking it over), then waits, with the user interface running, until
    // that page set is released. A failing build releases it.
    void preview(const std::function<void(PageSet *pages)> &hook);

  private:
    std::vector<std::unique_ptr<ReportBand>> m_bands;
    RowSource *m_master = nullptr;
};
