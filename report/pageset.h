// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pages of one report run: each page a short list of drawing items in
// millimetres, laid out once. Every output (preview, printer, PDF, a picture
// for the tests) draws them through paintPage, so all show the same lines
// at the same places.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

class QPainter;
class QPrinter;

struct PageItem
{
    enum class Kind : quint8 { Text, Line, Frame, Picture };
    Kind kind = Kind::Text;
    QRectF rect;        // millimetres on the paper; a line runs along the top edge
    QString text;       // one line of text
    QFont font;         // point size as printed
    int flags = 0;      // Qt::AlignmentFlag and Qt::TextFlag
    qreal penWidth = 0; // lines and frames, millimetres
    QColor color = Qt::black;
    QImage picture; // a picture item's, drawn into rect
};

struct Page
{
    std::vector<PageItem> items;
};

class PageSet : public QObject
{
    Q_OBJECT
  public:
    explicit PageSet(QObject *parent = nullptr);
    ~PageSet() override;

    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    QSizeF paperSize() const { return m_paper; } // millimetres
    void setPaperSize(const QSizeF &mm) { m_paper = mm; }

    // Pages built so far; the total once the run is complete.
    int pagesAvailable() const { return int(m_pages.size()); }
    int totalPages() const { return pagesAvailable(); }
    bool isComplete() const { return m_complete; }
    int progress() const { return m_progress; }
    const Page &page(int number) const; // from 1

    // Draws the page at its real size on the painter's device, its top-left
    // corner at the painter's origin...
    void paintPage(int number, QPainter &painter) const;
    // ... or scaled into the target rectangle (device coordinates).
    void paintPage(int number, QPainter &painter, const QRectF &target) const;
    // The page as a picture on white paper.
    QImage renderPage(int number, qreal dotsPerInch) const;

    // Gives the printer the pages' paper, orientation and the title as job
    // name: the start for a printer dialog, or the set-up of a direct print.
    void setUpPrinter(QPrinter &printer) const;
    // Prints on the printer as it is set up: its paper and orientation (a
    // page that does not match is scaled to fit, centred), its page range
    // and number of copies. Returns the pages sent (copies counted once).
    // AppError when the printer cannot be opened.
    int print(QPrinter &printer) const;
    // Every page as PDF with its fonts embedded; empty without pages.
    QByteArray pdfData() const;
    // Writes pdfData(). The file appears only when it was written completely;
    // AppError otherwise.
    void writePdf(const QString &path) const;

    // The elements whose text did not fit their box and was cut or
    // shortened, each named once, in the order of the pages.
    const QStringList &cutElements() const { return m_cut; }

    // ---- filled by the report's builder
    void addPage(Page page);
    void noteCut(const QString &element);
    void setProgress(int percent);
    void setComplete();

  Q_SIGNALS:
    void pageAvailable(int pagesAvailable);
    void progressChanged(int percent);
    void completed();

  private:
    QString m_title;
    QSizeF m_paper{210, 297};
    std::vector<Page> m_pages;
    QStringList m_cut;
    int m_progress = 0;
    bool m_complete = false;
};
