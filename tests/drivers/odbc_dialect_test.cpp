/*
 * odbc_dialect_test.cpp: the statement rewriting of the ODBC driver, the
 * function codes it answers, and the connection strings and texts that
 * must never carry what they should not.
 */
#include <gtest/gtest.h>

#include "drivers/odbc/odbc_dialect.h"

TEST(OdbcDialect, RewritesOnlyWhatTheServerSpellsOtherwise)
{
    struct Case {
        const char *in, *out;
    } cases[] = {
        {"CREATE TABLE T1 (A CHAR(6),B DOUBLE)", "CREATE TABLE T1 (A CHAR(6),B DOUBLE PRECISION)"},
        {"create table t (x double precision)", "create table t (x double precision)"},
        {"ALTER TABLE SOILS ADD HOLE DOUBLE", "ALTER TABLE SOILS ADD HOLE DOUBLE PRECISION"},
        {"ALTER TABLE SOILS MODIFY DEPTH NUMERIC(8,2)", "ALTER TABLE SOILS ALTER COLUMN DEPTH TYPE NUMERIC(8,2)"},
        {"ALTER TABLE SOILS DROP DEPTH CASCADE", "ALTER TABLE SOILS DROP DEPTH CASCADE"},
        {"DROP INDEX STATNUNQ ON STATN", "DROP INDEX STATNUNQ"},
        {"DROP INDEX STATNUNQ", "DROP INDEX STATNUNQ"},
        /* Quoted literals and identifiers are never touched. */
        {"INSERT INTO T (A) VALUES ('DOUBLE')", "INSERT INTO T (A) VALUES ('DOUBLE')"},
        {"CREATE TABLE T (\"DOUBLE\" CHAR(2), A CHAR(20))", "CREATE TABLE T (\"DOUBLE\" CHAR(2), A CHAR(20))"},
        {"UPDATE T SET A = 'it''s DOUBLE MODIFY' WHERE B = 1", "UPDATE T SET A = 'it''s DOUBLE MODIFY' WHERE B = 1"},
        {"SELECT DOUBLE FROM T", "SELECT DOUBLE FROM T"},
        {"CREATE TABLE ROCKP (SORTNUMBER INTEGER,WINDOW INTEGER)", "CREATE TABLE ROCKP (SORTNUMBER INTEGER,\"window\" INTEGER)"},
        {"SELECT WINDOW FROM ROCKP WHERE A = 'WINDOW'", "SELECT \"window\" FROM ROCKP WHERE A = 'WINDOW'"},
        /* A column's CHAR padding takes no part in LIKE; "\" is plain. */
        {"SELECT A FROM T WHERE NAME LIKE 'Stra_e'", "SELECT A FROM T WHERE RTRIM(NAME) LIKE 'Stra_e' ESCAPE ''"},
        {"SELECT A FROM T WHERE T.NAME NOT LIKE '%e'", "SELECT A FROM T WHERE RTRIM(T.NAME) NOT LIKE '%e' ESCAPE ''"},
        {"SELECT A FROM T WHERE NAME LIKE 'a!_%' ESCAPE '!'", "SELECT A FROM T WHERE RTRIM(NAME) LIKE 'a!_%' ESCAPE '!'"},
        {"SELECT A FROM T WHERE 'x' LIKE NAME", "SELECT A FROM T WHERE 'x' LIKE NAME ESCAPE ''"},
    };
    for (const Case &c : cases) EXPECT_EQ(odbc_translate(c.in), c.out) << c.in;
}

TEST(OdbcDialect, FunctionCodesFollowTheLeadingKeywords)
{
    EXPECT_EQ(odbc_function_code("SELECT A FROM T", 1), ODBC_FUNC_CURSOR);
    EXPECT_EQ(odbc_function_code("insert into T values (1)", 0), ODBC_FUNC_INSERT);
    EXPECT_EQ(odbc_function_code("UPDATE T SET A = 1", 0), ODBC_FUNC_UPDATE);
    EXPECT_EQ(odbc_function_code("DELETE FROM T", 0), ODBC_FUNC_DELETE);
    EXPECT_EQ(odbc_function_code("CREATE TABLE T (A INT)", 0), ODBC_FUNC_CREATE_TABLE);
    EXPECT_EQ(odbc_function_code("CREATE UNIQUE INDEX I ON T (A)", 0), ODBC_FUNC_CREATE_INDEX);
    EXPECT_EQ(odbc_function_code("ALTER TABLE T ADD B INT", 0), ODBC_FUNC_ALTER_TABLE);
    EXPECT_EQ(odbc_function_code("DROP TABLE T", 0), ODBC_FUNC_DROP_TABLE);
    EXPECT_EQ(odbc_function_code("DROP INDEX I", 0), ODBC_FUNC_DROP_INDEX);
    EXPECT_EQ(odbc_function_code("", 0), ODBC_FUNC_OTHER);
}

TEST(OdbcDialect, ConnectionStringValuesCannotAddKeywords)
{
    EXPECT_EQ(odbc_connection_string("PVTEST", "joe", "rock"), "DSN=PVTEST;UseDeclareFetch=1;UID=joe;PWD={rock};");
    EXPECT_EQ(odbc_connection_string("DSN=X;Port=5", "", ""), "DSN=X;Port=5;UseDeclareFetch=1;");
    EXPECT_EQ(odbc_connection_string("DSN=X; usedeclarefetch=0", "", ""), "DSN=X; usedeclarefetch=0;");
    EXPECT_EQ(odbc_connection_string("PVTEST", "joe", "a;DSN=evil"),
              "DSN=PVTEST;UseDeclareFetch=1;UID=joe;PWD={a;DSN=evil};");
    EXPECT_EQ(odbc_connection_string("PVTEST", "joe", "x}y"), "DSN=PVTEST;UseDeclareFetch=1;UID=joe;PWD={x}}y};");
}

TEST(OdbcDialect, PasswordsAreScrubbedAndSchemasMustBePlainNames)
{
    EXPECT_EQ(odbc_scrub("login with s3cret failed (s3cret)", "s3cret"), "login with *** failed (***)");
    EXPECT_EQ(odbc_scrub("nothing to hide", ""), "nothing to hide");
    EXPECT_TRUE(odbc_plain_name("GEO"));
    EXPECT_TRUE(odbc_plain_name("_field_2024"));
    EXPECT_FALSE(odbc_plain_name("geo; DROP TABLE x"));
    EXPECT_FALSE(odbc_plain_name("1geo"));
    EXPECT_FALSE(odbc_plain_name(""));
    EXPECT_FALSE(odbc_plain_name(std::string(64, 'a')));
    EXPECT_EQ(odbc_column_name("basenumber"), "BASENUMBER");
    EXPECT_EQ(odbc_sqlstate("42P01"), "42S02");
    EXPECT_EQ(odbc_sqlstate("23505"), "23505");
}
