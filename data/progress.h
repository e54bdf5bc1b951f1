// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start-up progress (0 to 11) that the data modules report while they
// open their datasets; the splash window shows it when there is one.
#include <functional>

namespace StartupProgress {

void set(int value);
void setHandler(std::function<void(int)> handler); // empty = nobody listens

} // namespace StartupProgress
