#include "tfvartikel.h"

QPointer<Tfvartikel> &FvartikelRef()
{
    static QPointer<Tfvartikel> ref;
    return ref;
}

Tfvartikel::Tfvartikel(QWidget *owner) : QDialog(owner) {}

Tfvartikel::~Tfvartikel()
{
    if (FvartikelRef() == this) FvartikelRef() = nullptr;
}

void Tfvartikel::AddArtikelPosition() {}
