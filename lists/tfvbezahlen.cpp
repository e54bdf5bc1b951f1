#include "tfvbezahlen.h"

TFVbezahlen::TFVbezahlen(QWidget *owner, qint64 documentId) : QDialog(owner)
{
    Q_UNUSED(documentId);
    setWindowTitle(QStringLiteral("Vorgangsdaten"));
}
