#include "tfvpostext.h"

TFVPostext::TFVPostext(QWidget *owner) : QDialog(owner) {}
