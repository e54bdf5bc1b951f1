// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plain child windows standing in for the business windows in the shell
// tests: they count how they were made and closed and may refuse to close.
#include "widgets/mergingchild.h"
#include "widgets/vorgangwindows.h"

#include <QCloseEvent>
#include <QMenu>
#include <QToolButton>
#include <QWidget>
#include <functional>

class TestWindow : public QWidget
{
  public:
    explicit TestWindow(const QString &caption) { setWindowTitle(caption); }
    std::function<void(QCloseEvent *)> onClose;
    int closeRequests = 0;

  protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++closeRequests;
        if (onClose) onClose(event);
    }
};

class MergingTestWindow : public TestWindow, public MergingChild
{
  public:
    explicit MergingTestWindow(const QString &caption) : TestWindow(caption)
    {
        first = new QMenu(QStringLiteral("&Adresse"), this);
        second = new QMenu(QStringLiteral("&Suchen"), this);
    }
    QList<QMenu *> mergedMenus() const override { return {first, second}; }
    QMenu *first;
    QMenu *second;
};

class EditorTestWindow : public TestWindow, public VorgangEditorWindow
{
  public:
    EditorTestWindow() : TestWindow(QStringLiteral("Vorgang")) {}
    void tbNeuClick() override { ++newDocuments; }
    void EditDatumExit() override { ++dueDates; }
    int newDocuments = 0;
    int dueDates = 0;
};

class ListTestWindow : public TestWindow, public VorgangListWindow
{
  public:
    ListTestWindow() : TestWindow(QStringLiteral("Vorgangs-Übersicht"))
    {
        button = new QToolButton(this);
        button->setCheckable(true);
    }
    void setCustomerFilter(const QString &condition) override { customerFilter = condition; }
    void ApplyFilter() override { appliedWith << customerFilter; }
    QAbstractButton *BTfilter() const override { return button; }
    QString customerFilter;
    QStringList appliedWith;
    QToolButton *button;
};
