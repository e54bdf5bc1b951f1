// SPDX-License-Identifier: GPL-3.0-or-later
#include "germantranslations.h"

#include "data/programfolder.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace GermanTranslations {

namespace {

QPointer<QTranslator> &installed()
{
    static QPointer<QTranslator> t;
    return t;
}

} // namespace

QStringList searchFolders()
{
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
            ProgramFolder::file(QStringLiteral("translations"))};
}

QString install()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QLocale::setDefault(german);
    if (installed()) return installed()->filePath();
    auto *translator = new QTranslator(QCoreApplication::instance());
    for (const QString &folder : searchFolders()) {
        // qtbase holds the texts of the widgets, dialogs and printing.
        if (translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            installed() = translator;
            return translator->filePath();
        }
    }
    delete translator;
    return QString();
}

void uninstall()
{
    if (!installed()) return;
    QCoreApplication::removeTranslator(installed());
    delete installed().data();
    QLocale::setDefault(QLocale::system());
}

} // namespace GermanTranslations
