// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress.h"

namespace StartupProgress {

namespace {
std::function<void(int)> &handler()
{
    static std::function<void(int)> h;
    return h;
}
} // namespace

void set(int value)
{
    if (handler()) handler()(value);
}

void setHandler(std::function<void(int)> h)
{
    handler() = std::move(h);
}

} // namespace StartupProgress
