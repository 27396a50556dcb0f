#include "Database.h"

#include "ErrorOf.h"
#include "Exceptions.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Database, StatementsWithNamedParametersAndTypedRows)
{
    TDatabase db;
    EXPECT_FALSE(db.Connected());
    db.Open(":memory:");
    ASSERT_TRUE(db.Connected());
    db.ExecSQL("create table t (n integer, r real, s text, z text)");
    EXPECT_EQ(db.ExecSQL("insert into t values (:n, :r, :s, :z)",
                         {{"n", std::int64_t{7}}, {"r", 46100.5}, {"s", std::string("caf\xE9")}, {"z", TSqlValue{}}}),
              1);
    db.ExecSQL("insert into t values (8, 0, 'x', 'y')");
    EXPECT_EQ(db.ExecSQL("update t set s = 'q' where n > 100"), 0);
    const std::vector<TSqlRow> rows = db.Query("select n, r, s, z from t where n = :n", {{"n", std::int64_t{7}}});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (TSqlRow{std::int64_t{7}, 46100.5, std::string("caf\xE9"), std::monostate{}}));
}

TEST(Database, TransactionsCommitAndRollBack)
{
    TDatabase db;
    db.Open(":memory:");
    db.ExecSQL("create table t (n integer)");
    EXPECT_FALSE(db.InTransaction());
    db.StartTransaction();
    EXPECT_TRUE(db.InTransaction());
    db.ExecSQL("insert into t values (1)");
    db.Rollback();
    EXPECT_FALSE(db.InTransaction());
    db.StartTransaction();
    db.ExecSQL("insert into t values (2)");
    db.Commit();
    EXPECT_EQ(db.Query("select n from t"), std::vector<TSqlRow>{TSqlRow{std::int64_t{2}}});
}

TEST(Database, FailuresAreExceptions)
{
    TDatabase db;
    EXPECT_EQ(ErrorOf([&] { db.ExecSQL("select 1"); }), "De database is niet verbonden");
    db.Open(":memory:");
    EXPECT_THROW(db.ExecSQL("select * from missing"), Exception);
    EXPECT_THROW(db.Query("select :a", {{"b", std::int64_t{1}}}), Exception);
    QTemporaryDir dir;
    EXPECT_THROW(db.Open((dir.path() + "/no/such/folder/x.db").toStdString()), Exception);
    EXPECT_FALSE(db.Connected());
}

TEST(Database, AFileKeepsItsData)
{
    QTemporaryDir dir;
    const std::string file = (dir.path() + "/data.db").toStdString();
    {
        TDatabase db;
        db.Open(file);
        db.ExecSQL("create table t (s text)");
        db.ExecSQL("insert into t values ('kept')");
    }
    TDatabase db;
    db.Open(file);
    EXPECT_EQ(db.Query("select s from t"), std::vector<TSqlRow>{TSqlRow{std::string("kept")}});
}

} // namespace
