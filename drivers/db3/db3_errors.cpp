/*
 * Conditions of the DB3 driver: each native code has one SQLSTATE of its
 * class, so the engine and the application can tell a wrong statement
 * (class 42) from bad data (22, 23) and from trouble with the files (HY).
 *
 *   return db3_fail(err, DB3_ERR_NO_TABLE, "table %s does not exist", name);
 */
#include "drivers/db3/db3_engine.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

/* Bytes of a formatted condition text. */
constexpr int DB3_TEXT_SIZE = 1024;

/* One native code with its SQLSTATE. */
struct db3_state_entry {
    int native;              /* DB3_ERR_ code */
    const char *sqlstate;    /* its SQLSTATE */
};

static const db3_state_entry db3_states[] = {
    {DB3_ERR_SYNTAX, "42000"},        {DB3_ERR_NO_TABLE, "42S02"},
    {DB3_ERR_NO_COLUMN, "42S22"},     {DB3_ERR_TABLE_EXISTS, "42S01"},
    {DB3_ERR_NO_INDEX, "42S12"},      {DB3_ERR_INDEX_EXISTS, "42S11"},
    {DB3_ERR_DUPLICATE, "23000"},     {DB3_ERR_TYPE, "22018"},
    {DB3_ERR_RANGE, "22003"},         {DB3_ERR_TOO_LONG, "22001"},
    {DB3_ERR_DAMAGED, "HY000"},       {DB3_ERR_IO, "HY000"},
    {DB3_ERR_LOCKED, "HYT00"},        {DB3_ERR_NOT_SUPPORTED, "0A000"},
    {DB3_ERR_CATALOG, "3D000"},       {DB3_ERR_DEFINITION, "42000"},
    {DB3_ERR_MEMORY, "HY001"},        {DB3_ERR_COUNT, "21S01"},
    {DB3_ERR_COLUMN_EXISTS, "42S21"}, {DB3_ERR_STATE, "24000"},
    {DB3_ERR_INTERNAL, "HY000"}, {DB3_ERR_CHANGED, "07000"},
};

/* Answers the SQLSTATE of a native code, "HY000" for a code not listed. */
const char *db3_sqlstate(int native)
{
    for (const db3_state_entry &e : db3_states)
        if (e.native == native) return e.sqlstate;
    return "HY000";
}

/* Sets err (when given) to the code, its SQLSTATE and the formatted text.
 * Answers 0. */
int db3_fail(db3_error *err, int native, const char *fmt, ...)
{
    if (!err) return 0;
    char text[DB3_TEXT_SIZE];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    err->native = native;
    snprintf(err->sqlstate, sizeof err->sqlstate, "%s", db3_sqlstate(native));
    err->text = text;
    return 0;
}
