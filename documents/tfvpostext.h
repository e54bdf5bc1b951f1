#pragma once
// One position of the current document: quantity, prices, unit, title and
// description; the net price may also be entered as a gross amount.
// Made per use by the document editor (a local object run through
// Dialogs::instance().exec) and freed with it.
#include <QDialog>

class TFVPostext : public QDialog
{
    Q_OBJECT
  public:
    explicit TFVPostext(QWidget *owner);
};
