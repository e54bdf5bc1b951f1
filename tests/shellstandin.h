// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stand-in for the main window behind the shell seam: a window under test
// asks it instead of a real main window, and the test reads what was asked.
#include "widgets/shell.h"

#include <QStringList>
#include <array>
#include <set>

class StandInShell : public Shell
{
  public:
    explicit StandInShell(std::set<WindowKind> available = {}) : m_available(std::move(available))
    {
        setShell(this);
    }
    ~StandInShell() override { setShell(nullptr); }

    QStringList asked;

    bool isRegistered(WindowKind kind) const override { return m_available.count(kind) > 0; }
    QPointer<QWidget> &reference(WindowKind kind) override { return m_refs[size_t(kind)]; }
    void ShowVorgangEditor() override { asked << QStringLiteral("ShowVorgangEditor"); }
    void vorgangneuClick() override { asked << QStringLiteral("vorgangneuClick"); }
    void ShowVorgaengeOfAddress() override { asked << QStringLiteral("ShowVorgaengeOfAddress"); }
    void Kontakte1Click() override { asked << QStringLiteral("Kontakte1Click"); }
    void PrintVorgang(const QString &idText, bool preview, bool withDialog) override
    {
        asked << QStringLiteral("PrintVorgang %1%2%3")
                     .arg(idText, preview ? QStringLiteral(" Vorschau") : QString(),
                          withDialog ? QStringLiteral(" Dialog") : QString());
    }

  private:
    std::set<WindowKind> m_available;
    std::array<QPointer<QWidget>, 4> m_refs;
};
