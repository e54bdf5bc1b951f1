// SPDX-License-Identifier: GPL-3.0-or-later
#include "notices.h"

#include <cstdio>

namespace Notices {

namespace {

std::function<void(const QString &)> &handler()
{
    static std::function<void(const QString &)> h;
    return h;
}

} // namespace

void setHandler(std::function<void(const QString &text)> h)
{
    handler() = std::move(h);
}

void tell(const QString &text)
{
    if (handler())
        handler()(text);
    else
        std::fprintf(stderr, "Hinweis: %s\n", text.toUtf8().constData());
}

} // namespace Notices
