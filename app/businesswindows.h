// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the business windows announce themselves to the main window. Each
// window's issue adds its line to RegisterBusinessWindows; until then the
// window's menu entries and tool buttons stay disabled.
class Tfmain;

void RegisterBusinessWindows(Tfmain &main);
