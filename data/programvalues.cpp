// SPDX-License-Identifier: GPL-3.0-or-later
#include "programvalues.h"

ProgramValues &ProgramValues::instance()
{
    static ProgramValues values;
    return values;
}
