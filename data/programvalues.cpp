#include "programvalues.h"

ProgramValues &ProgramValues::instance()
{
    static ProgramValues values;
    return values;
}
