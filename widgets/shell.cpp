// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell.h"

namespace {
Shell *g_shell = nullptr;
}

Shell *shell()
{
    return g_shell;
}

void setShell(Shell *current)
{
    g_shell = current;
}

void forgetWindow(WindowKind kind, const QWidget *window)
{
    if (g_shell && g_shell->reference(kind) == window) g_shell->reference(kind) = nullptr;
}
