#pragma once
// The three free texts of the current document: header, footer and internal
// note, with the contract aids (month placeholder, direct-debit footer).
// Made per use by the document editor (a local object run through
// Dialogs::instance().exec) and freed with it.
#include <QDialog>

class TFVtext : public QDialog
{
    Q_OBJECT
  public:
    explicit TFVtext(QWidget *owner);
};
