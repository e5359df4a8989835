/*
** odbc_dialect.h: what the ODBC driver does to the application's SQL
** before a server sees it, and to the server's answers before the engine
** sees them.
**
** The application writes one dialect (the statements of the DB3 driver).
** A server spells a few things otherwise; the driver rewrites them from a
** small table, token by token, and never touches what stands inside a
** quoted literal or a quoted identifier:
**
**   DOUBLE (a column type, not followed by PRECISION)  -> DOUBLE PRECISION
**   ALTER TABLE t MODIFY c type                        -> ALTER TABLE t ALTER COLUMN c TYPE type
**   DROP INDEX i ON t                                  -> DROP INDEX i
**   WINDOW (a column name the server reserves)         -> "window"
**   x LIKE p (without ESCAPE)                          -> x LIKE p ESCAPE '' ("\" plain, as on DB3)
**
**   odbc_translate("CREATE TABLE T (X DOUBLE)")  -> "CREATE TABLE T (X DOUBLE PRECISION)"
**
** Unquoted names are folded by the server (PostgreSQL folds them to lower
** case), so the names of result columns are given back in capitals, as the
** DB3 driver gives them.
*/
#ifndef PV_DRIVERS_ODBC_DIALECT_H
#define PV_DRIVERS_ODBC_DIALECT_H

#include <string>

/* Dynamic function codes the driver answers for a prepared statement. */
constexpr int ODBC_FUNC_ALTER_TABLE = 4;
constexpr int ODBC_FUNC_CURSOR = 18;       /* a cursor specification (SELECT) */
constexpr int ODBC_FUNC_DELETE = 19;
constexpr int ODBC_FUNC_DROP_TABLE = 32;
constexpr int ODBC_FUNC_INSERT = 50;
constexpr int ODBC_FUNC_CREATE_TABLE = 77;
constexpr int ODBC_FUNC_UPDATE = 82;
constexpr int ODBC_FUNC_CREATE_INDEX = -1; /* implementation-defined */
constexpr int ODBC_FUNC_DROP_INDEX = -2;   /* implementation-defined */
constexpr int ODBC_FUNC_OTHER = 0;

/* The statement in the server's spelling (see the table above). */
std::string odbc_translate(const std::string &sql);

/* The dynamic function code of a statement: a statement with result
** columns is a cursor specification; otherwise its leading keywords. */
int odbc_function_code(const std::string &sql, int result_columns);

/* A result column's name as the engine is given it: folded to capitals. */
std::string odbc_column_name(const std::string &name);

/* The connection string for a data source: the catalog entry names a DSN,
** or is a connection string itself when it holds "="; UseDeclareFetch=1
** is added unless that string sets it, so the PostgreSQL driver holds a
** cache of a result's rows rather than all of them; the password is
** added in braces (a "}" doubled), so it reaches the server exactly as
** typed ("%41" stays itself), and the user as it stands, or in braces when
** it holds ";", "{" or "}", so no value can add a keyword. */
std::string odbc_connection_string(const std::string &source, const std::string &user,
                                   const std::string &password);

/* The text with every occurrence of the password replaced by "***", so no
** diagnostic ever shows it. */
std::string odbc_scrub(const std::string &text, const std::string &password);

/* The SQLSTATE the engine is given for a server's own: the server's codes
** for a missing or existing table, column or index become the standard
** ones the application reads (42S02 "no such table" above all); the rest
** pass as they are. */
std::string odbc_sqlstate(const std::string &server_state);

/* The words of a statement outside its quotes, in capitals, each once, as
** a list of SQL literals ('STATN', 'NAME'); "" when it has none. */
std::string odbc_word_literals(const std::string &sql);

/* 1 when the name can be a schema written without quotes: a letter or "_"
** then letters, digits and "_", at most 63 characters. */
int odbc_plain_name(const std::string &name);

#endif /* PV_DRIVERS_ODBC_DIALECT_H */
