#pragma once
// Reading back what a PDF holds, through the poppler tools that the setup
// installs: its text page by page, its page count and its fonts.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace PdfTools {

inline QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of the whole file (pages separated by form feeds) or of one page.
inline QString text(const QString &pdf, int page = 0)
{
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    args << pdf << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), args);
}

inline int pageCount(const QString &pdf)
{
    const QStringList lines = run(QStringLiteral("pdfinfo"), {pdf}).split(QLatin1Char('\n'));
    for (const QString &l : lines)
        if (l.startsWith(QLatin1String("Pages:"))) return l.mid(6).trimmed().toInt();
    return -1;
}

// One line per font: name, type, and whether it is embedded.
inline QString fonts(const QString &pdf)
{
    return run(QStringLiteral("pdffonts"), {pdf});
}

// Blanks runs folded to one, so that layout spacing does not matter.
inline QString simplified(const QString &text)
{
    return text.simplified();
}

} // namespace PdfTools
