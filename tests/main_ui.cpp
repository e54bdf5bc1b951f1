// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/tavirelapplication.h"
#include "tests/programfolderguard.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own application object, so that an error thrown by an
    // event handler reaches the error box here as it does in the program.
    TavirelApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ProgramFolderGuard);
    return RUN_ALL_TESTS();
}
