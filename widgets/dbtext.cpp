// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbtext.h"

DBText::DBText(QWidget *parent) : QLabel(parent), m_link(this)
{
    setTextFormat(Qt::PlainText); // data is never markup
    m_link.show = [this](TField *) { setText(m_link.text(false)); };
}
