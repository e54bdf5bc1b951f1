// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the business windows announce themselves to the main window: the
// one place that includes every window. A window not registered here keeps
// its menu entries and tool buttons disabled.
class Tfmain;

void RegisterBusinessWindows(Tfmain &main);
