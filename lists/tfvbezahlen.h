#pragma once
// The payment window: the status data of one document, where the user records
// the payment date and the paid and done marks.
#include <QDialog>

class TFVbezahlen : public QDialog
{
    Q_OBJECT
  public:
    TFVbezahlen(QWidget *owner, qint64 documentId);
};
