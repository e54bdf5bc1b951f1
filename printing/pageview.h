// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The page view of the preview: one page of a page set at a zoom factor on a
// grey desk, scrollable. It knows pages, not bands.
#include <QPointer>
#include <QScrollArea>

#include "report/pageset.h"

class PageView : public QScrollArea
{
    Q_OBJECT
  public:
    explicit PageView(QWidget *parent = nullptr);

    void setPageSet(PageSet *pages);
    PageSet *pageSet() const { return m_pages; }

    int pageNumber() const { return m_page; } // 0 while there is no page
    void showPage(int number);                // ignored outside the pages there are

    int zoom() const { return m_zoom; } // percent of the real size
    // Factors from 2 to 2000; others are ignored.
    void setZoom(int percent);
    // The largest zoom at which the whole page fits, and the zoom at which
    // the page's width fills the view.
    int wholePageZoom() const;
    int pageWidthZoom() const;

    QSize pageSizeInPixels() const; // at the current zoom

  Q_SIGNALS:
    void pageChanged(int number);
    void viewResized();

  protected:
    void resizeEvent(QResizeEvent *event) override;

  private:
    class Sheet;
    void updateSheet();
    qreal pixelsPerMmAt100() const;

    QPointer<PageSet> m_pages;
    Sheet *m_sheet;
    int m_page = 0;
    int m_zoom = 150;
};
