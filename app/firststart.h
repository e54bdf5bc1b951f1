// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The first start without a database: the user is asked whether to create an
// empty one or one with the sample data; none is ever created silently.
#include <QString>

class QWidget;

namespace FirstStart {

enum class Made { Nothing, Sample, Empty };

// Asks only when the program's own database (no --db given, no server named)
// is a file that does not exist yet. Yes: with sample data and the sample
// firm in the settings (unless a firm is set up there); No: empty, and the
// settings without the sample firm; Cancel: none. AppError when the creation
// fails. Says which database was made.
Made offerDatabase(QWidget *parent, const QString &databasePath);

} // namespace FirstStart
