#pragma once
// The few things the program asks of the operating system directly.
#include <QString>
#include <functional>

namespace Platform {

// Hands a text to the system's open action: "calc.exe" starts the calculator
// (whatever it is called here), "mailto:" and web addresses go to their
// programs, anything else is opened as a local file. Failures stay silent.
void ShellOpen(const QString &text);

// The command line writes UTF-8; a console that expects another code page is
// told so, so that umlauts come out as umlauts.
void prepareConsole();

// Tests: record what would be opened (the URL text or the calculator's program)
// instead of opening it. An empty function restores the real launcher.
void setOpenHookForTests(std::function<void(const QString &what)> hook);

} // namespace Platform
