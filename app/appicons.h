#pragma once
// The program's own pictures: the splash symbol and the tool-bar and menu
// images. Tool bars prefer the desktop theme's icons and fall back to these,
// so that no button is ever empty on a desktop without an icon theme.
#include <QIcon>
#include <QPixmap>

namespace AppIcons {

QPixmap programSymbol(); // 34 x 34, the splash window's picture

QIcon addresses();    // "Adressverwaltung", "&Adressen"
QIcon articles();     // "Artikelstamm", "Ar&tikel"
QIcon newDocument();  // "Neuer Vorgang"
QIcon documentList(); // "Vorgangsliste", "&Vorgänge"
QIcon calculator();   // "Taschenrechner"

} // namespace AppIcons
