// SPDX-License-Identifier: GPL-3.0-or-later
// The dialect's fuzz target runs on SQLite alone: the server engine, and
// with it libpq and the schema, stay out of its build.
#include "data/engine.h"

std::unique_ptr<Engine> createPgEngine()
{
    return nullptr;
}
