// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbcheckbox.h"

#include "data/tfield.h"

DBCheckBox::DBCheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent), m_link(this)
{
    m_link.show = [this](TField *f) { setChecked(f && f->AsBoolean()); };
    m_link.write = [this](TField &f) { f.SetAsBoolean(isChecked()); };
}

void DBCheckBox::nextCheckState()
{
    if (m_readOnly || !m_link.beginChange()) return;
    QCheckBox::nextCheckState();
    m_link.commit();
}
