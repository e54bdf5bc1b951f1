// SPDX-License-Identifier: GPL-3.0-or-later
#include "businesswindows.h"

#include "app/commandline.h"
#include "app/startup.h"
#include "app/tavirelapplication.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    // "--db PATH" alone starts the windows on another database file.
    QString databasePath;
    if (args.size() == 3 && args.at(1) == QLatin1String("--db")) {
        databasePath = args.at(2);
        args = args.mid(0, 1);
    } else if (args.size() == 2 && args.at(1).startsWith(QLatin1String("--db="))) {
        databasePath = args.at(1).mid(5);
        args = args.mid(0, 1);
    } else if (args.size() == 2 && !args.at(1).startsWith(QLatin1Char('-')) &&
               args.at(1).contains(QRegularExpression(QStringLiteral("[./\\\\]"))) &&
               QFileInfo(args.at(1)).isFile()) {
        // A database file handed over by the desktop (a double-click, or the
        // menu entry's %f); no command is spelt with a dot or a slash.
        databasePath = QFileInfo(args.at(1)).absoluteFilePath();
        args = args.mid(0, 1);
    }

    if (CommandLine::isCommand(args)) {
        if (CommandLine::needsFonts(args)) {
            Platform::useHeadlessDisplay();
            QGuiApplication app(argc, argv);
            return CommandLine::run(args);
        }
        QCoreApplication app(argc, argv);
        return CommandLine::run(args);
    }
    TavirelApplication app(argc, argv);
    return Startup::run(RegisterBusinessWindows, databasePath);
}
