#include "app/commandline.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::isCommand(args)) {
        QCoreApplication app(argc, argv);
        return CommandLine::run(args);
    }
    QCoreApplication app(argc, argv);
    std::puts("Die Fenster folgen; bis dahin: tavirel --help");
    return 0;
}
