// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/programfolderguard.h"
#include "tests/testdb.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// The run against the server needs its cluster; without one it has nothing
// to test and skips, so that tests_core alone still runs anywhere.
class ServerEnvironment : public ::testing::Environment
{
  public:
    void SetUp() override
    {
        if (TestDb::onServer() && TestDb::serverBase().isEmpty())
            GTEST_SKIP() << "TAVIREL_TEST_ENGINE=postgresql ohne TAVIREL_TEST_PG: kein Server für die Tests";
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);
    ::testing::AddGlobalTestEnvironment(new ProgramFolderGuard);
    return RUN_ALL_TESTS();
}
