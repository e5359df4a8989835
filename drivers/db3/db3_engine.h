/*
 * The DB3 driver's engine: SQL over a directory of dBASE III tables.
 *
 * A session works on one catalog directory; every NAME.DBF in it is a table
 * (with NAME.DBT for its memo fields and NAME.INI for its indexes). Data
 * definition (CREATE TABLE, CREATE [UNIQUE] INDEX, DROP INDEX, DROP TABLE)
 * is done here on the files; SELECT, INSERT, UPDATE and DELETE are run by
 * SQLite over one virtual table per .DBF (db3_vtab.cpp), made afresh for
 * each statement. A statement is prepared (checked and described without
 * running), then executed, or opened as a cursor whose rows are read one
 * after the other (or all at once). Every failure gives a native code, an
 * SQLSTATE and a text; nothing is printed.
 *
 *   db3_error e;
 *   db3_session *s = db3_session_open("/proj/GEOL", &e);
 *   db3_result r;
 *   if (db3_run(s, "SELECT * FROM STATN ORDER BY 1", &r, nullptr, &e)) ...
 *   db3_session_close(s);
 */
#ifndef PV_DRIVERS_DB3_DB3_ENGINE_H
#define PV_DRIVERS_DB3_DB3_ENGINE_H

#include <string>
#include <vector>

/* SQL type codes of described columns (those of the engine's values). */
constexpr int DB3_TYPE_CHAR = 1;
constexpr int DB3_TYPE_NUMERIC = 2;
constexpr int DB3_TYPE_DECIMAL = 3;
constexpr int DB3_TYPE_INTEGER = 4;
constexpr int DB3_TYPE_SMALLINT = 5;
constexpr int DB3_TYPE_FLOAT = 6;
constexpr int DB3_TYPE_REAL = 7;
constexpr int DB3_TYPE_DOUBLE = 8;

/* Dynamic function codes of prepared statements. */
constexpr int DB3_FUNC_ALTER_TABLE = 4;
constexpr int DB3_FUNC_CURSOR = 18;       /* a cursor specification (SELECT) */
constexpr int DB3_FUNC_DELETE = 19;
constexpr int DB3_FUNC_DROP_TABLE = 32;
constexpr int DB3_FUNC_INSERT = 50;
constexpr int DB3_FUNC_CREATE_TABLE = 77;
constexpr int DB3_FUNC_UPDATE = 82;
constexpr int DB3_FUNC_CREATE_INDEX = -1; /* implementation-defined */
constexpr int DB3_FUNC_DROP_INDEX = -2;   /* implementation-defined */

/* Native condition codes; each has one SQLSTATE (db3_errors.cpp). */
constexpr int DB3_ERR_SYNTAX = 14215;       /* 42000 the statement cannot be parsed */
constexpr int DB3_ERR_NO_TABLE = 14216;     /* 42S02 no such table */
constexpr int DB3_ERR_NO_COLUMN = 14217;    /* 42S22 no such column (or ambiguous) */
constexpr int DB3_ERR_TABLE_EXISTS = 14218; /* 42S01 the table exists already */
constexpr int DB3_ERR_NO_INDEX = 14219;     /* 42S12 no such index */
constexpr int DB3_ERR_INDEX_EXISTS = 14220; /* 42S11 the index exists already */
constexpr int DB3_ERR_DUPLICATE = 14221;    /* 23000 a unique index refuses a key */
constexpr int DB3_ERR_TYPE = 14222;         /* 22018 a value is not of the column's type */
constexpr int DB3_ERR_RANGE = 14223;        /* 22003 a number does not fit its column */
constexpr int DB3_ERR_TOO_LONG = 14224;     /* 22001 a text does not fit its column */
constexpr int DB3_ERR_DAMAGED = 14225;      /* HY000 a table file is damaged */
constexpr int DB3_ERR_IO = 14226;           /* HY000 a file cannot be read or written */
constexpr int DB3_ERR_LOCKED = 14227;       /* HYT00 another connection keeps the table locked */
constexpr int DB3_ERR_NOT_SUPPORTED = 14228;/* 0A000 ALTER TABLE, a memo without memo file */
constexpr int DB3_ERR_CATALOG = 14229;      /* 3D000 the catalog directory cannot be used */
constexpr int DB3_ERR_DEFINITION = 14230;   /* 42000 a name, type or size the files cannot hold */
constexpr int DB3_ERR_MEMORY = 14231;       /* HY001 memory ran out */
constexpr int DB3_ERR_COUNT = 14232;        /* 21S01 values do not match the columns */
constexpr int DB3_ERR_COLUMN_EXISTS = 14233;/* 42S21 a column name given twice */
constexpr int DB3_ERR_STATE = 14234;        /* 24000 a statement used the wrong way */
constexpr int DB3_ERR_INTERNAL = 14235;     /* HY000 any other failure of SQLite */
constexpr int DB3_ERR_CHANGED = 14236;      /* 07000 a table changed since the statement was described: prepare it again */

/* One condition. */
struct db3_error {
    int native = 0;                /* DB3_ERR_ code, 0 for none */
    char sqlstate[6] = "00000";    /* five characters and the terminator */
    std::string text;              /* message for the user */
};

/* One described column of a statement's result. */
struct db3_column {
    std::string name;              /* column name as SQLite gives it */
    std::string table;             /* table of a plain column, else empty */
    int type = DB3_TYPE_CHAR;      /* DB3_TYPE_ code */
    int length = 0;                /* characters of the field (CHAR length, number width) */
    int precision = 0;             /* digits: decimal for exact, binary for FLOAT/REAL/DOUBLE */
    int scale = 0;                 /* decimal places of an exact number */
    int nullable = 1;              /* dBASE fields are always nullable (blank) */
};

/* Kinds of a value. */
constexpr int DB3_VALUE_NULL = 0;
constexpr int DB3_VALUE_INT = 1;   /* i */
constexpr int DB3_VALUE_REAL = 2;  /* d */
constexpr int DB3_VALUE_TEXT = 3;  /* s: characters, or an exact number's digits "-12.50" */

/* One value of a row or a parameter. */
struct db3_value {
    int kind = DB3_VALUE_NULL;     /* DB3_VALUE_ kind */
    long long i = 0;               /* integer value */
    double d = 0;                  /* approximate value */
    std::string s;                 /* text value */
};

/* The rows of an opened cursor with its columns. */
struct db3_result {
    std::vector<db3_column> columns;            /* described columns */
    std::vector<std::vector<db3_value>> rows;   /* rows in result order */
};

struct db3_session;
struct db3_stmt;

/* Opens a session on the catalog directory dir. Answers the session, or
 * none with DB3_ERR_CATALOG (no such directory) or DB3_ERR_MEMORY in err. */
db3_session *db3_session_open(const char *dir, db3_error *err);

/* Closes a session; statements still prepared on it are freed. */
void db3_session_close(db3_session *s);

/* The session's catalog directory. */
const char *db3_session_dir(const db3_session *s);

/* Prepares one statement: parses it, checks its tables and columns and
 * describes its result. Answers the statement, or none with the condition
 * in err (DB3_ERR_SYNTAX for a text that cannot be parsed). */
db3_stmt *db3_prepare(db3_session *s, const char *text, db3_error *err);

/* The dynamic function code of a prepared statement (DB3_FUNC_). */
int db3_stmt_function(const db3_stmt *st);

/* The result columns of a cursor specification (empty for others). */
const std::vector<db3_column> &db3_stmt_columns(const db3_stmt *st);

/* The number of '?' parameters of the statement. */
int db3_stmt_param_count(const db3_stmt *st);

/* Records of a table a statement may read whole and still be said to
 * read few (db3_stmt_reads_few). */
constexpr long DB3_FEW_RECORDS = 64;

/* Answers 1 when the plan of a cursor specification, as prepared, reads
 * few records: each table it reads either holds at most DB3_FEW_RECORDS
 * records (as its header counted them) or is looked up by an equality on
 * BASENUMBER or on a key column of one of its declared indexes; 0
 * otherwise (a scan of a long table, a range, another statement). */
int db3_stmt_reads_few(const db3_stmt *st);

/* Executes a statement that is not a cursor specification, with the
 * values of its parameters (none when params is null). Answers 1 with the
 * number of rows touched in *rows (when given), or 0 with the condition. */
int db3_execute(db3_stmt *st, const std::vector<db3_value> *params, long *rows, db3_error *err);

/* Opens a cursor on a cursor specification with the values of its
 * parameters (none when params is null): its tables stay locked and read
 * until its last row was read or it is closed. While it is open the
 * session runs no other statement (DB3_ERR_STATE). Answers 1, or 0 with
 * the condition. */
int db3_cursor_open(db3_stmt *st, const std::vector<db3_value> *params, db3_error *err);

/* Reads the next row of st's open cursor into row (its values' room is
 * reused). Answers 1 for a row; 0 after the last row, or -1 with the
 * condition, and the cursor is then closed. */
int db3_cursor_next(db3_stmt *st, std::vector<db3_value> *row, db3_error *err);

/* Closes st's cursor when it is open: its tables are released. */
void db3_cursor_close(db3_stmt *st);

/* Runs a cursor specification and reads all its rows into out. Answers 1,
 * or 0 with the condition (out then holds no rows). */
int db3_open_cursor(db3_stmt *st, const std::vector<db3_value> *params, db3_result *out, db3_error *err);

/* Frees a prepared statement. */
void db3_stmt_free(db3_stmt *st);

/* Prepares and runs one statement: the rows of a SELECT go to out (when
 * given), the rows touched by another statement to *rows (when given).
 * Answers 1, or 0 with the condition. */
int db3_run(db3_session *s, const char *text, db3_result *out, long *rows, db3_error *err);

/* Sets err to the native code, its SQLSTATE and the printf-style text.
 * Answers 0, so that failures read "return db3_fail(err, ...)". */
int db3_fail(db3_error *err, int native, const char *fmt, ...) __attribute__((format(printf, 3, 4)));

/* The SQLSTATE of a native code ("HY000" for a code not listed). */
const char *db3_sqlstate(int native);

/* A function run after each write a statement makes to a table's files
 * (the journal, each memo, each record, the header). */
typedef void (*db3_write_hook)(void);

/* Sets the write hook (none: no hook). Only tests set one: a hook that
 * ends the process after the n-th write stands for a kill at that
 * moment. */
void db3_set_write_hook(db3_write_hook hook);

/* Sets the tick of the file system's clock the engine allows for before a
 * file's times vouch for a state read from it (ns; 0: two seconds, as on
 * the coarsest). Only tests set one: the engine then also reads file times
 * rounded down to it, as a file system with times that coarse gives them. */
void db3_set_file_tick(long long ns);

#endif
