#pragma once
// One element of a band. Elements are small values that the report's
// builders set up once and that before-print hooks change between rows
// (move, hide, give another text or mask). Positions and sizes are in
// millimetres from the band's top-left corner.
#include <QFont>
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
        Line        // horizontal line, `width` long
    };
    // Anchor to the band instead of `left`: Left puts the element on the
    // band's left edge, Right puts its right edge on the band's right edge.
    enum class BandAlign { None, Left, Right };
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
    QFont font;
    Qt::Alignment alignment = Qt::AlignLeft; // of the text within its box
    BandAlign bandAlign = BandAlign::None;
    bool enabled = true;   // false: not printed at all
    bool autoSize = false; // the box is as wide as the text
    bool wordWrap = false; // wrap at the box's width
    bool grows = false;    // the box (and its band) grows with the text; else it is cut
    qreal penWidth = 0.3;  // lines, in millimetres

    QString text;      // label caption, page-number prefix
    QString field;     // data text
    QString mask;      // data text: "#,##0.00 €"; empty = general format
    QStringList lines; // memo
    Compute compute;   // expression

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
    ReportElement &wrapping(bool growing)
    {
        wordWrap = true;
        grows = growing;
        return *this;
    }

  private:
    Kind m_kind;
    QString m_name;
};
