// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own pictures: the splash symbol and the tool-bar and menu
// images. Tool bars prefer the desktop theme's icons and fall back to the
// pictures bundled from resources/icons, so that no button is ever empty or
// vague on a desktop without an icon theme.
#include <QIcon>
#include <QPixmap>
#include <QStringList>

namespace AppIcons {

QPixmap programSymbol(); // 34 x 34, the splash window's picture

// Main window.
QIcon addresses();    // "Adressverwaltung", "&Adressen"
QIcon articles();     // "Artikelstamm", "Ar&tikel"
QIcon newDocument();  // "Neuer Vorgang"
QIcon documentList(); // "Vorgangsliste", "&Vorgänge"
QIcon calculator();   // "Taschenrechner"

// Address window.
QIcon sortOrder();           // "Sortierung ändern"
QIcon addressToClipboard();  // "Adresse in Zwischenablage"
QIcon clearMailMergeMarks(); // "Alle Serienbriefmarker löschen"
QIcon editSwitch();          // "Bearbeiten ein/ausschalten"
QIcon newAddress();          // "Adresse anlegen"
QIcon deleteAddress();       // "Adresse löschen"
QIcon pickFromList();        // "Anrede auswählen"
QIcon webPage();             // "Internetseite öffnen"
QIcon eMail();               // "e-mail"

// The bundled picture by its file name without ".svg", whatever the theme
// offers; null when there is no such picture.
QIcon bundled(const QString &name);
QStringList bundledNames();

} // namespace AppIcons
