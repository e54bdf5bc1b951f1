// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The database holds names, addresses and bank data: its file (with the
// journal beside it) is for its owner only, and so is the data folder the
// program keeps it in. A database made by the program is made so; one that
// others could read is tightened when it is opened, and the user is told.
#include <QString>

namespace FileRights {

// The file, its journal and, when it lies in the program's own data folder,
// that folder: tightened to the owner where others may get in, after saying
// so (Notices). Rights that cannot be changed (another user's file) are left.
void protectDatabase(const QString &path);

// While one lives, opening a file tightens nothing: a look whether a file
// is a database of the program at all leaves another program's file as it is.
class LeaveAlone
{
  public:
    LeaveAlone();
    ~LeaveAlone();
    LeaveAlone(const LeaveAlone &) = delete;
    LeaveAlone &operator=(const LeaveAlone &) = delete;
};

// The folder of a new database, made where missing, each folder made for
// the owner only; AppError when it cannot be made.
void makeDatabaseFolder(const QString &folder);

} // namespace FileRights
