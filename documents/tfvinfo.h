#pragma once
// Key data of the current document at a glance and its four status flags.
// Closing it, by "OK" or by Escape, recomputes the totals.
// Made per use by the document editor (a local object run through
// Dialogs::instance().exec) and freed with it.
#include <QDialog>

class TFvInfo : public QDialog
{
    Q_OBJECT
  public:
    explicit TFvInfo(QWidget *owner);
};
