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
    // The last resort: handlers show their own errors (ShowErrorsOf); one that
    // got here escaped its handler, which is a fault of the program, logged.
    const auto escaped = [receiver](const QString &what) {
        qCritical("Tavirelsverwaltung: ein Fehler ist aus der Behandlung eines Ereignisses für %s "
                  "entkommen: %s",
                  receiver ? receiver->metaObject()->className() : "?", qUtf8Printable(what));
        ShowErrorBox(what, activeWindow());
    };
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError &e) {
        escaped(e.message());
    } catch (const std::exception &e) {
        escaped(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        escaped(QStringLiteral("Unbekannter Fehler"));
    }
    return false;
}
