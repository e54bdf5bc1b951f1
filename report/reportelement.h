// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One element of a band. Elements are small values that the report's
// builders set up once and that before-print hooks change between rows
// (move, hide, give another text or mask). Positions and sizes are in
// millimetres from the band's top-left corner.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

class RowSource;

class ReportElement
{
  public:
    enum class Kind {
        Label,      // fixed text
        DataText,   // a field of the band's row, through the mask when it has one
        Expression, // text computed from the band's row
        Memo,       // lines of text
        PageNumber, // prefix followed by the page number
        Line,       // horizontal line, `width` long
        Picture     // `picture` in the box; a height of 0 keeps its proportions
    };
    // Anchor to the band instead of `left`: Left puts the element on the
    // band's left edge, Right puts its right edge on the band's right edge.
    enum class BandAlign { None, Left, Right };
    // What a text does that does not fit its box. A box of width 0 is as wide
    // as its text and never needs to. Nothing ever runs out of its box.
    enum class Fit {
        // Each line stays one line: one too wide is set smaller until it fits
        // (to 60 % at most), beyond that shortened with "…". Lines below the
        // box's height are cut as with Cut.
        Shrink,
        // Wrapped at the box's width; the box grows downwards with its lines,
        // pushing down what stands below it, and its band grows with it.
        Grow,
        // Wrapped at the box's width; lines below the box's height are left
        // off and the last one shown ends in "…".
        Cut
    };
    using Compute = std::function<QString(const RowSource *row)>;

    ReportElement(Kind kind, const QString &name) : m_kind(kind), m_name(name) {}

    Kind kind() const { return m_kind; }
    const QString &name() const { return m_name; }

    qreal left = 0;
    qreal top = 0;
    // 0 means "as wide as the text" (or, for a line, nothing to draw).
    qreal width = 0;
    // 0 means one line of the font.
    qreal height = 0;
    // Millimetres from one line of the text to the next; 0 means the font's own.
    qreal lineSpacing = 0;
    QFont font;
    QColor color = Qt::black;                // of the text, the line and the frame
    Qt::Alignment alignment = Qt::AlignLeft; // of the text within its box
    BandAlign bandAlign = BandAlign::None;
    Fit fit = Fit::Shrink;
    bool enabled = true;  // false: not printed at all
    bool framed = false;  // a frame round the box
    qreal penWidth = 0.3; // lines and frames, in millimetres

    QString text;      // label caption, page-number prefix
    QString field;     // data text
    QString mask;      // data text: "#,##0.00 €"; empty = general format
    QStringList lines; // memo
    Compute compute;   // expression
    QImage picture;    // picture; a null one prints nothing

    // Chaining helpers for the builders of layouts.
    ReportElement &at(qreal l, qreal t)
    {
        left = l;
        top = t;
        return *this;
    }
    ReportElement &size(qreal w, qreal h = 0)
    {
        width = w;
        height = h;
        return *this;
    }
    ReportElement &withFont(const QFont &f)
    {
        font = f;
        return *this;
    }
    ReportElement &aligned(Qt::Alignment a)
    {
        alignment = a;
        return *this;
    }
    ReportElement &toBand(BandAlign a)
    {
        bandAlign = a;
        return *this;
    }
    ReportElement &fitting(Fit f)
    {
        fit = f;
        return *this;
    }

  private:
    Kind m_kind;
    QString m_name;
};
