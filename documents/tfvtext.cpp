#include "tfvtext.h"

TFVtext::TFVtext(QWidget *owner) : QDialog(owner) {}
