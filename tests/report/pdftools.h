// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading back what a PDF holds, through the poppler tools that the setup
// installs: its text page by page, its page count and its fonts.
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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

// A word of a page and where it stands, in millimetres from the paper's top-left corner.
struct Word
{
    QString text;
    QRectF box;
};

inline QList<Word> words(const QString &pdf, int page)
{
    const QString html = run(QStringLiteral("pdftotext"),
                             {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
                              QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    constexpr double mm = 25.4 / 72;
    QList<Word> out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QPointF topLeft(m.captured(1).toDouble() * mm, m.captured(2).toDouble() * mm);
        const QPointF bottomRight(m.captured(3).toDouble() * mm, m.captured(4).toDouble() * mm);
        QString text = m.captured(5);
        text.replace(QLatin1String("&amp;"), QLatin1String("&"))
            .replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""));
        out.push_back(Word{text, QRectF(topLeft, bottomRight)});
    }
    return out;
}

// The first word with the text, or an empty box.
inline QRectF boxOf(const QList<Word> &words, const QString &text)
{
    for (const Word &w : words)
        if (w.text == text) return w.box;
    return QRectF();
}

// The page as a picture, as a viewer shows it; null when it cannot be made.
inline QImage picture(const QString &pdf, int page, int dotsPerInch)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("seite"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-r"),
         QString::number(dotsPerInch), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
         QString::number(page), pdf, base});
    return QImage(base + QStringLiteral(".png"));
}

// Blanks runs folded to one, so that layout spacing does not matter.
inline QString simplified(const QString &text)
{
    return text.simplified();
}

} // namespace PdfTools
