// SPDX-License-Identifier: GPL-3.0-or-later
#include "report.h"

#include "pageset.h"
#include "reportbuilder.h"
#include "reportfonts.h"

#include <QEventLoop>
#include <QPointer>

Report::Report() : baseFont(ReportFonts::font(QStringLiteral("Times New Roman"), 12)) {}

Report::~Report() = default;

ReportBand *Report::addBand(ReportBand::Kind kind, const QString &name, qreal heightMm)
{
    m_bands.push_back(std::make_unique<ReportBand>(kind, name, heightMm, baseFont));
    return m_bands.back().get();
}

ReportBand *Report::addChild(ReportBand *parent, const QString &name, qreal heightMm)
{
    ReportBand *child = addBand(ReportBand::Kind::Child, name, heightMm);
    child->keepWithPrevious = true;
    while (parent->child)
        parent = parent->child;
    parent->child = child;
    return child;
}

ReportBand *Report::addSubDetail(const QString &name, qreal heightMm, RowSource *source, ReportBand *header)
{
    ReportBand *b = addBand(ReportBand::Kind::SubDetail, name, heightMm);
    b->source = source;
    b->header = header;
    return b;
}

ReportBand *Report::band(const QString &name) const
{
    for (const auto &b : m_bands)
        if (b->name() == name) return b.get();
    return nullptr;
}

ReportElement *Report::element(const QString &name) const
{
    for (const auto &b : m_bands)
        if (ReportElement *e = b->element(name)) return e;
    return nullptr;
}

void Report::build(PageSet &pages)
{
    ReportFonts::install();
    pages.setTitle(title);
    pages.setPaperSize(paper);
    ReportBuilder(*this, pages).run();
}

std::unique_ptr<PageSet> Report::build()
{
    auto pages = std::make_unique<PageSet>();
    build(*pages);
    return pages;
}

void Report::preview(const std::function<void(PageSet *)> &hook)
{
    auto *pages = new PageSet;
    pages->setTitle(title);
    pages->setPaperSize(paper);
    QPointer<PageSet> alive(pages);
    try {
        hook(pages);
        build(*pages);
    } catch (...) {
        delete alive.data();
        throw;
    }
    if (!alive) return;
    QEventLoop loop;
    QObject::connect(pages, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
}
