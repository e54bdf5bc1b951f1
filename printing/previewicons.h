// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pictures of the preview's tool buttons, drawn by the program itself so
// that no button is ever empty, whatever icon theme the desktop has.
#include <QIcon>

namespace PreviewIcons {

QIcon firstPage();
QIcon previousPage();
QIcon nextPage();
QIcon lastPage();
QIcon zoomOut();
QIcon zoomIn();
QIcon view();
QIcon print();
QIcon help();
QIcon close();

} // namespace PreviewIcons
