// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportband.h"

ReportElement &ReportBand::add(ReportElement::Kind kind, const QString &name, qreal left, qreal top)
{
    m_elements.push_back(std::make_unique<ReportElement>(kind, name));
    ReportElement &e = *m_elements.back();
    e.left = left;
    e.top = top;
    e.font = font;
    return e;
}

ReportElement &ReportBand::addLabel(const QString &name, qreal left, qreal top, const QString &text)
{
    ReportElement &e = add(ReportElement::Kind::Label, name, left, top);
    e.text = text;
    return e;
}

ReportElement &ReportBand::addDataText(const QString &name, qreal left, qreal top, const QString &field)
{
    ReportElement &e = add(ReportElement::Kind::DataText, name, left, top);
    e.field = field;
    return e;
}

ReportElement &ReportBand::addExpression(const QString &name, qreal left, qreal top,
                                         ReportElement::Compute compute)
{
    ReportElement &e = add(ReportElement::Kind::Expression, name, left, top);
    e.compute = std::move(compute);
    return e;
}

ReportElement &ReportBand::addMemo(const QString &name, qreal left, qreal top, qreal memoWidth,
                                   qreal memoHeight, const QStringList &lines)
{
    ReportElement &e = add(ReportElement::Kind::Memo, name, left, top);
    e.width = memoWidth;
    e.height = memoHeight;
    e.lines = lines;
    return e;
}

ReportElement &ReportBand::addPageNumber(const QString &name, qreal left, qreal top, const QString &prefix)
{
    ReportElement &e = add(ReportElement::Kind::PageNumber, name, left, top);
    e.text = prefix;
    return e;
}

ReportElement &ReportBand::addLine(const QString &name, qreal left, qreal top, qreal length)
{
    ReportElement &e = add(ReportElement::Kind::Line, name, left, top);
    e.width = length;
    return e;
}

ReportElement &ReportBand::addPicture(const QString &name, qreal left, qreal top, qreal width)
{
    ReportElement &e = add(ReportElement::Kind::Picture, name, left, top);
    e.width = width;
    return e;
}

ReportElement *ReportBand::element(const QString &name) const
{
    for (const auto &e : m_elements)
        if (e->name() == name) return e.get();
    return nullptr;
}
