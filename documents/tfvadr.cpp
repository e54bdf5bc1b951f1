#include "tfvadr.h"

#include "data/tvexdaotable.h"

#include <QGroupBox>

QPointer<TFVadr> &FVadrRef()
{
    static QPointer<TFVadr> ref;
    return ref;
}

TFVadr::TFVadr(QWidget *parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    typpanel = new QGroupBox(QStringLiteral("Art des Vorgangs"), this);
    adr = new TVexDaoTable(this, QStringLiteral("adr"));
}

TFVadr::~TFVadr()
{
    if (FVadrRef() == this) FVadrRef() = nullptr;
}

void TFVadr::OpenAddressList(const QString &) {}

void TFVadr::uebernahmeClick() {}
