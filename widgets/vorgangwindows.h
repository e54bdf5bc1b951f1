// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the main window needs of the document editor and the document list
// beyond showing them; the two windows implement these.

class QAbstractButton;
class QString;

class VorgangEditorWindow
{
  public:
    virtual ~VorgangEditorWindow() = default;
    virtual void tbNeuClick() = 0; // starts a new document in the editor
    // The current document's due date from the date the editor shows.
    virtual void EditDatumExit() = 0;
};

class VorgangListWindow
{
  public:
    virtual ~VorgangListWindow() = default;
    // The customer condition ("kdnr =1005"; empty = all customers).
    virtual void setCustomerFilter(const QString &condition) = 0;
    virtual void ApplyFilter() = 0;
    virtual QAbstractButton *BTfilter() const = 0; // the customer-filter toggle
};
