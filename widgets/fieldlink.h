// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The binding every data-aware control shares: it follows a data source's
// dataset, finds the field by name, knows whether the control holds a change
// not yet written, puts the dataset into edit state when the user begins a
// change, and writes the change when the user leaves the control or when the
// dataset posts or leaves the row (as the dataset's RecordUpdater). Errors are
// shown in the error box here, so that no exception leaves a Qt slot. The
// link is a child of its control, so that a window finds the links of all
// its controls (PendingEdits).
#include "data/tvexdaotable.h" // TDataSource needs the whole dataset class

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QKeyEvent;
class QWidget;
class TField;
class TVexDaoTable;

class FieldLink : public QObject, public RecordUpdater
{
    Q_OBJECT
  public:
    explicit FieldLink(QWidget *control);
    ~FieldLink() override;

    QWidget *control() const { return m_control; }

    void setDataSource(TDataSource *source);
    TDataSource *dataSource() const { return m_source; }
    void setDataField(const QString &name);
    const QString &dataField() const { return m_fieldName; }

    TVexDaoTable *dataSet() const;
    // The bound field; null when unbound, when the dataset is closed or has no such field.
    TField *field() const;
    // The field may take a value from the user now.
    bool canModify() const;
    bool editing() const;   // the dataset is in edit or insert state
    bool following() const; // a dataset is bound and its controls are not disabled

    // The field's text as the control shows it: for editing or for display.
    QString text(bool forEdit) const;

    // The user is changing the control's content: puts the dataset into edit
    // state first. False when the field cannot take it; the control then
    // shows the field again.
    bool beginChange();
    bool modified() const { return m_modified; }
    // The typed text was refused by its field and is still there, unchanged.
    bool refused() const { return m_refused && m_modified; }
    // Writes the pending change now; shows the error and returns false when
    // the field does not take it (the control keeps its content then).
    bool commit();
    // Drops the pending change and shows the field again (Escape).
    void reset();
    // Shows the field's current value unless the dataset's controls are disabled.
    void refresh();

    // The control's focus changes: leaving writes the change; a failed write
    // keeps the focus in the control so that the user can correct it.
    void focusEntered();
    void focusLeft(Qt::FocusReason reason);
    // Escape: true when a pending change was dropped.
    bool escape();
    // Esc pressed in the control: reverts typed text, and then the key is
    // used up (true) so that the dialog around does not act on it. In a
    // dialog with an Esc action of its own the key goes on to the dialog.
    bool escapeKey(QKeyEvent *event);
    // Answers a shortcut override: Esc belongs to the control while it has
    // typed text to revert, before any Esc shortcut of the window.
    bool wantsKey(QKeyEvent *event) const;
    // The control goes away: its typed text is written quietly where the
    // field takes it, so that a pending row keeps it (a window's closing
    // question has already written and checked it in the usual course).
    void flush();
    // The field's size where it limits typed text (text fields), else 0.
    int maxLength() const;

    // Set by the control: shows the field (null = nothing to show) and writes
    // the control's content into the field (may throw AppError).
    std::function<void(TField *field)> show;
    std::function<void(TField &field)> write;

    void updateRecord() override;

  private Q_SLOTS:
    void onDataSetChanged();
    void onCurrentChanged();
    void onRecordChanged(TField *field);
    void onStateChanged();

  private:
    void doShow();

    QWidget *m_control;
    QPointer<TDataSource> m_source;
    QString m_fieldName;
    bool m_modified = false;
    bool m_quiet = false; // our own Edit() or write is running: its signals are ours
    bool m_committing = false;
    bool m_refused = false;
};
