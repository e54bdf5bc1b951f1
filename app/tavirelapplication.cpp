// SPDX-License-Identifier: GPL-3.0-or-later
#include "tavirelapplication.h"

#include "germantranslations.h"

#include "base/apperror.h"
#include "widgets/dialogs.h"

#include <exception>

TavirelApplication::TavirelApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    GermanTranslations::install();
    // The desktop matches the windows to the menu entry by this name.
    setDesktopFileName(QStringLiteral("de.tavirel.Tavirelsverwaltung"));
}

bool TavirelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), activeWindow());
    } catch (const std::exception &e) {
        ShowErrorBox(QString::fromLocal8Bit(e.what()), activeWindow());
    } catch (...) {
        ShowErrorBox(QStringLiteral("Unbekannter Fehler"), activeWindow());
    }
    return false;
}
