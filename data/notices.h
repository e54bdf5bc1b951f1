// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the data layer has to tell the user without anything having failed
// (rights tightened, a server connection without encryption): the windows
// show it in a box; without a handler it goes to standard error, as the
// command line wants it.
#include <QString>
#include <functional>

namespace Notices {

void setHandler(std::function<void(const QString &text)> handler);
void tell(const QString &text);

} // namespace Notices
