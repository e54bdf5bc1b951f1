#include "data/schema.h"
#include "tests/testdb.h"

#include <gtest/gtest.h>

TEST(Schema, NewFileHasAllTablesAndTypeRows)
{
    TestDb db;
    for (const auto &t : Schema::tables())
        EXPECT_EQ(db.raw().columns(t.name).size(), t.columns.size()) << t.name.toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select Typbez from vtyp where id='R'")).rawText(), QStringLiteral("Rechnung"));
}
