// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A child window of the main window that brings menus of its own. While it is
// the active child, the main window shows these menus between "&Stammdaten"
// and "&Fenster"; when another child becomes active they disappear again.
// The menus stay owned by the child.
#include <QList>

class QMenu;

class MergingChild
{
  public:
    virtual ~MergingChild() = default;
    virtual QList<QMenu *> mergedMenus() const = 0;
};
