// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandoptions.h"

#include <QRegularExpression>

namespace CommandLine {

void writeLine(std::FILE *stream, const QString &s)
{
    const QByteArray b = (s + QLatin1Char('\n')).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stream);
}

void scanArguments(const QStringList &args, const QStringList &known,
                   const std::function<void(const QString &word)> &word,
                   const std::function<void(const QString &option, const QString &value)> &option)
{
    for (int i = 1; i < args.size(); ++i) {
        QString arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--"))) {
            word(arg);
            continue;
        }
        QString value;
        bool inlineValue = false;
        if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            inlineValue = true;
        }
        if (!known.contains(arg)) throw UsageError{QStringLiteral("Unbekannte Option '%1'").arg(args.at(i))};
        if (!inlineValue) {
            if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--")))
                throw UsageError{QStringLiteral("Nach %1 fehlt ein Wert").arg(arg)};
            value = args.at(++i);
        }
        option(arg, value);
    }
}

QDate dateOption(const QString &option, const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{1,2}\\.\\d{1,2}\\.\\d{4}$"));
    const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("d.M.yyyy"));
    if (!form.match(text.trimmed()).hasMatch() || !d.isValid())
        throw UsageError{QStringLiteral("'%1' nach %2 ist kein gültiges Datum (erwartet wird TT.MM.JJJJ)")
                             .arg(text, option)};
    return d;
}

bool parsedOrUsage(const std::function<void()> &parse, const char *usage)
{
    try {
        parse();
        return true;
    } catch (const UsageError &e) {
        writeLine(stderr, e.message);
        writeLine(stderr, QString::fromUtf8(usage));
        return false;
    }
}

} // namespace CommandLine
