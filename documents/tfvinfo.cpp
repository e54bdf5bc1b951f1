#include "tfvinfo.h"

TFvInfo::TFvInfo(QWidget *owner) : QDialog(owner) {}
