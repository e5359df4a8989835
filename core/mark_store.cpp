/*
** mark_store.cpp: the marks of a project where it keeps them (core/
** mark_file.h): a dBASE project's as files of its folder, a server
** project's as rows of its table PVMARK, held by the server's advisory
** lock of the writer's session.
*/
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/mark_file.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "wfile/wfile.h"

namespace {

/* Bytes of a mark's text one row of PVMARK holds (as twice as many hex
** digits), and the widths of its name and command columns. */
constexpr size_t k_piece_bytes = 120;
constexpr int k_name_width = 64;
constexpr int k_command_width = 40;
/* Rows of PVMARK one INSERT writes (well inside the engine's longest
** statement). */
constexpr long k_statement_pieces = 40;
/* Added to a mark's name while its first text is written. */
const char k_fresh[] = "N";
/* What a statement that succeeds answers. */
constexpr int k_sql_ok = 5100;
/* The column of PVMARK recording the role that wrote each row, its width,
** and the trigger (and its function) filling it. */
#define MARK_ROLE "WRITER_ROLE"
constexpr int k_role_width = 64;
#define MARK_ROLE_TRIGGER "PV_MARK_WRITER"

/* The server's advisory lock of a mark: one key per schema and name. */
std::string lock_key(const std::string &name)
{
    std::string quoted;
    sql_quote(("." + name).c_str(), quoted);
    return "hashtext('pv.mark.' || current_schema() || " + quoted + ")";
}

/* Runs a statement; 5100 or its failure's code. */
int run(void *connection, const std::string &text)
{
    long rows = 0;
    return sql_execute_rows(connection, text.c_str(), 0, &rows);
}

/* The texts of column column of each row a query answers; -1 when it
** fails (a missing table counts as no rows), else the rows. */
long query_texts(void *connection, const std::string &text, const char *column, std::vector<std::string> &out)
{
    out.clear();
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(connection, text.c_str(), &stmt, &cursor, &row, 0);
    for (int i = 0; i < n; i++) {
        if (i > 0 && sql_fetch(cursor, row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0) != k_sql_ok) {
            n = -1;
            break;
        }
        sql_col_rec *c = sql_col_find(row, column, nullptr, nullptr);
        std::string t = c && c->text ? c->text : "";
        while (!t.empty() && t.back() == ' ') t.pop_back();
        out.push_back(t);
    }
    sql_close_query(&stmt, &cursor, &row);
    if (n < 0 && std::strcmp(sql_last_failure()->sqlstate, SQL_STATE_NO_TABLE) == 0) return 0;
    return n < 0 ? -1 : n;
}

/* Takes the server's lock of a mark without waiting: 1 taken, 0 held by
** another session, -1 when the server cannot say. */
int try_lock(void *connection, const std::string &name)
{
    std::vector<std::string> got;
    if (query_texts(connection, "SELECT CASE WHEN pg_try_advisory_lock(" + lock_key(name) + ") THEN 1 ELSE 0 END AS GOT",
                    "GOT", got) != 1)
        return -1;
    return got[0] == "1" ? 1 : 0;
}

/* Gives back the server's lock of a mark. */
void unlock(void *connection, const std::string &name)
{
    std::string text = "SELECT 1 FROM (SELECT pg_advisory_unlock(" + lock_key(name) + ")) AS l";
    void *stmt = nullptr, *cursor = nullptr;
    sql_execute(connection, &stmt, &cursor, text.c_str(), 0);
    sql_free_handles(&stmt, &cursor);
}

/* The condition naming a mark's rows. */
std::string of_name(const std::string &name)
{
    std::string quoted;
    sql_quote(name.c_str(), quoted);
    return " FROM " MARK_TABLE " WHERE NAME = " + quoted;
}

/* The condition that PVMARK's trigger records the role writing each row. */
const char k_role_recorded[] = "EXISTS (SELECT 1 FROM pg_trigger WHERE tgrelid = to_regclass('" MARK_TABLE
                               "') AND tgname = lower('" MARK_ROLE_TRIGGER "') AND tgenabled IN ('O', 'A'))";

/* Has the server record in each row of PVMARK the role writing it: the
** column MARK_ROLE, set by a trigger on every insert and update whatever
** the statement gives, so that no session can write another's name. A
** PVMARK of an earlier version gains them from a session that owns it;
** another's fails, and its marks stay without a writer (never obeyed).
** Two sessions at once both make the function; one trigger stands. */
void record_writers(void *connection)
{
    std::vector<std::string> got;
    if (query_texts(connection, std::string("SELECT CASE WHEN ") + k_role_recorded + " THEN 1 ELSE 0 END AS GOT", "GOT",
                    got) == 1 &&
        got[0] == "1")
        return;
    run(connection, "ALTER TABLE " MARK_TABLE " ADD COLUMN IF NOT EXISTS " MARK_ROLE " VARCHAR(" +
                        std::to_string(k_role_width) + ")");
    run(connection, "CREATE OR REPLACE FUNCTION " MARK_ROLE_TRIGGER "() RETURNS trigger LANGUAGE plpgsql SET "
                    "search_path = pg_catalog AS 'BEGIN NEW." MARK_ROLE " := current_user; RETURN NEW; END'");
    run(connection, "CREATE TRIGGER " MARK_ROLE_TRIGGER " BEFORE INSERT OR UPDATE ON " MARK_TABLE
                    " FOR EACH ROW EXECUTE PROCEDURE " MARK_ROLE_TRIGGER "()");
}

/* Makes PVMARK when the schema has none (one another session makes
** meanwhile is used), recording its writers; 0, or -1 with the server's
** words the last failure. */
int make_table(void *connection)
{
    sql_col_rec *columns = nullptr;
    int n = sql_describe_table(connection, MARK_TABLE, &columns, 0);
    sql_col_list_free(&columns);
    char text[256];
    std::snprintf(text, sizeof text,
                  "CREATE TABLE " MARK_TABLE
                  " (NAME CHAR(%d), ORDNUMBER INTEGER, MARKTEXT CHAR(%d), WRITER CHAR(%d), " MARK_ROLE
                  " VARCHAR(%d), PRIMARY KEY (NAME, ORDNUMBER))",
                  k_name_width, (int)(2 * k_piece_bytes), k_command_width, k_role_width);
    if (n <= 0 && sql_create_missing(connection, MARK_TABLE, text) < 0) return -1;
    record_writers(connection);
    return 0;
}

/* Reads into who the role the server recorded writing every row of the
** mark, "" when there is not one (a row of an earlier version, rows of
** several roles, or a PVMARK whose trigger does not record them). 0; -1
** when the server cannot say (its words the last failure). */
int writer_of(void *connection, const std::string &name, std::string &who)
{
    std::vector<std::string> got;
    std::string q =
        std::string("SELECT CASE WHEN count(DISTINCT " MARK_ROLE ") = 1 AND count(" MARK_ROLE ") = count(*) "
                    "AND ") +
        k_role_recorded + " THEN max(" MARK_ROLE ") ELSE '' END AS WHO" + of_name(name);
    long n = query_texts(connection, q, "WHO", got);
    if (n < 0) return -1;
    who = n == 1 ? got[0] : "";
    /* A PVMARK of an earlier version: its owner's logon records writers
    ** from now on. */
    if (who.empty()) record_writers(connection);
    return 0;
}

/* 1 when a name read from PVMARK can be a mark's: no folder separator, no "..". */
bool mark_name_ok(const std::string &name)
{
    return name.find_first_of("/\\") == std::string::npos && name.find("..") == std::string::npos;
}

/* Adds the sealed text to a held server mark as rows named name, at most
** k_statement_pieces to an INSERT (a mark cut short between two is read
** without its last line, whose check is in the last piece). 0, or -1 with
** errno. */
int insert_pieces(mark_file &mark, const std::string &name, const std::string &sealed, const std::string &command)
{
    static const char hex[] = "0123456789abcdef";
    std::string quoted, writer;
    sql_quote(name.c_str(), quoted);
    sql_quote(command.substr(0, k_command_width).c_str(), writer);
    const std::string head = "INSERT INTO " MARK_TABLE " (NAME, ORDNUMBER, MARKTEXT, WRITER) VALUES ";
    std::string text;
    long pieces = mark.pieces, in_text = 0;
    for (size_t at = 0; at < sealed.size(); at += k_piece_bytes) {
        std::string digits;
        for (size_t i = at; i < sealed.size() && i < at + k_piece_bytes; i++) {
            digits += hex[(unsigned char)sealed[i] >> 4];
            digits += hex[(unsigned char)sealed[i] & 15];
        }
        text += (in_text ? ", (" : head + "(") + quoted + ", " + std::to_string(pieces++) + ", '" + digits + "', " +
                writer + ")";
        bool last = at + k_piece_bytes >= sealed.size();
        if (++in_text < k_statement_pieces && !last) continue;
        if (run(mark.connection, text) != k_sql_ok) {
            errno = EIO;
            return -1;
        }
        mark.pieces = pieces;
        text.clear();
        in_text = 0;
    }
    return 0;
}

/* The text of a mark from its pieces in order; "" with why when a piece
** is missing or not hex. */
std::string join_pieces(const std::vector<std::string> &orders, const std::vector<std::string> &pieces,
                        std::string &why)
{
    std::string text;
    for (size_t i = 0; i < pieces.size(); i++) {
        const std::string &p = pieces[i];
        if (orders[i] != std::to_string(i) || p.size() % 2 ||
            p.find_first_not_of("0123456789abcdef") != std::string::npos) {
            why = "its piece " + std::to_string(i) + (orders[i] != std::to_string(i) ? " is missing" : " is not hex");
            return "";
        }
        for (size_t k = 0; k < p.size(); k += 2) text += (char)std::strtol(p.substr(k, 2).c_str(), nullptr, 16);
    }
    return text;
}

bool server(const pjct_rec *p)
{
    return p && (p->flags & PJCT_ENV_SERVER) && p->connection;
}

/* 1 when a name ends in an extension, any case (or in it and "N" when
** fresh is set). */
bool ends_in(const std::string &name, const char *ext, bool fresh)
{
    std::string e = std::string(ext) + (fresh ? "N" : "");
    return name.size() > e.size() && str_eq_nocase(name.substr(name.size() - e.size()).c_str(), e.c_str());
}

/* Adds sealed lines to a held server mark; 0, or -1 with errno. */
int server_append(mark_file &mark, const std::string &sealed)
{
    return insert_pieces(mark, mark.name, sealed, "");
}

/* Lets a held server mark go, its rows deleted unless keep is set. */
void server_end(mark_file &mark, bool keep)
{
    if (!keep) run(mark.connection, "DELETE" + of_name(mark.name));
    unlock(mark.connection, mark.name);
    mark.connection = nullptr;
}

/* Sets a held server mark aside: its rows renamed to a name no mark
** holds (mark_set_aside), and let go. */
int server_aside(mark_file &mark, std::string &aside)
{
    std::string why = "no free name", was;
    sql_quote(mark.name.c_str(), was);
    for (int k = 1; k <= MARK_ASIDE_TRIES; k++) {
        std::string name = mark_aside_name(mark.name, k), quoted;
        if (name.size() >= (size_t)k_name_width) {
            why = "its name is too long";
            break;
        }
        std::vector<std::string> there;
        long n = query_texts(mark.connection, "SELECT NAME" + of_name(name), "NAME", there);
        if (n > 0) continue;
        sql_quote(name.c_str(), quoted);
        if (n == 0 &&
            run(mark.connection, "UPDATE " MARK_TABLE " SET NAME = " + quoted + " WHERE NAME = " + was) == k_sql_ok) {
            server_end(mark, true);
            aside = name + " in " MARK_TABLE;
            return 0;
        }
        why = sql_failure_text(sql_last_failure()->code);
        break;
    }
    server_end(mark, true);
    aside = "it cannot be renamed: " + why;
    return -1;
}

const mark_store k_server_store = {server_append, server_end, server_aside};

/* The marks other sessions hold, noted for the logon to say once: per
** table, the commands writing it and the marks found. */
struct busy_note {
    std::string table;                 /* what is written ("Table STATN") */
    std::vector<std::string> commands; /* the commands, each once */
    int marks = 0;                     /* the marks found */
};
std::vector<busy_note> s_busy;

/* A server mark of that name, held by the connection's session. */
void hold(mark_file &mark, void *connection, const std::string &name)
{
    mark.connection = connection;
    mark.store = &k_server_store;
    mark.name = name;
}

}  // namespace

int mark_begin_of(mark_file &mark, const pjct_rec *p, const std::string &name, const std::string &body,
                  const char *command, const mark_step &ready)
{
    if (!server(p)) {
        std::string dir = mark_folder(p);
        return dir.empty() ? 0 : mark_begin(mark, dir + name, body, ready);
    }
    std::vector<std::string> there;
    if (name.size() >= (size_t)k_name_width || make_table(p->connection) != 0) {
        errno = name.size() >= (size_t)k_name_width ? ENAMETOOLONG : EIO;
        return -1;
    }
    int locked = try_lock(p->connection, name);
    if (locked != 1) {
        errno = locked == 0 ? EBUSY : EIO;
        return -1;
    }
    long found = query_texts(p->connection, "SELECT NAME" + of_name(name), "NAME", there);
    mark = mark_file();
    hold(mark, p->connection, name);
    mark.path = name + " in " MARK_TABLE;
    uint32_t check = 0;
    /* Written whole under a fresh name, then named in one statement; a
    ** fresh mark left by a writer cut short goes first. */
    std::string quoted, fresh;
    sql_quote(name.c_str(), quoted);
    sql_quote((name + k_fresh).c_str(), fresh);
    if (found != 0 || (ready && ready() != 0) || run(p->connection, "DELETE" + of_name(name + k_fresh)) != k_sql_ok ||
        insert_pieces(mark, name + k_fresh, mark_seal(body, check), command ? command : "") != 0 ||
        run(p->connection, "UPDATE " MARK_TABLE " SET NAME = " + quoted + " WHERE NAME = " + fresh) != k_sql_ok) {
        run(p->connection, "DELETE" + of_name(name + k_fresh));
        unlock(p->connection, name);
        mark = mark_file();
        errno = found > 0 ? EEXIST : EIO;
        return -1;
    }
    mark.check = check;
    return 0;
}

std::string mark_failure_text(const pjct_rec *p, int err)
{
    return server(p) && err == EIO ? sql_last_failure()->text : wf_reason(err);
}

int mark_take_of(mark_file &mark, const pjct_rec *p, const std::string &name, std::string &body)
{
    body.clear();
    std::string dir = mark_folder(p);
    if (!server(p)) return dir.empty() ? MARK_NONE : mark_take(mark, dir + name, body);
    /* A former mark of the project's folder (mark_names_of gives its path). */
    if (!dir.empty() && name.compare(0, dir.size(), dir) == 0 && mark_name_ok(name.substr(dir.size())))
        return mark_take(mark, name, body);
    mark = mark_file();
    mark.path = name + " in " MARK_TABLE;
    if (!mark_name_ok(name)) {
        body = "its name holds a folder separator or \"..\", which no mark's name does";
        return MARK_DAMAGED;
    }
    std::vector<std::string> orders, pieces;
    int locked = try_lock(p->connection, name);
    if (locked < 0) {
        body = std::string("the server cannot say whether a command writes it: ") +
               sql_failure_text(sql_last_failure()->code);
        return MARK_UNREAD;
    }
    if (locked == 0) {
        long n = query_texts(p->connection, "SELECT WRITER" + of_name(name) + " ORDER BY ORDNUMBER", "WRITER", pieces);
        if (n > 0) mark.command = pieces[0];
        return n == 0 ? MARK_NONE : MARK_BUSY;
    }
    hold(mark, p->connection, name);
    /* A mark cut short while its first text was written changed nothing. */
    run(p->connection, "DELETE" + of_name(name + k_fresh));
    std::string order = " ORDER BY ORDNUMBER";
    long n = query_texts(p->connection, "SELECT ORDNUMBER" + of_name(name) + order, "ORDNUMBER", orders);
    long m = n > 0 ? query_texts(p->connection, "SELECT MARKTEXT" + of_name(name) + order, "MARKTEXT", pieces) : n;
    if (n == 0) {
        server_end(mark, true);
        return MARK_NONE;
    }
    std::string why;
    std::string sealed = n < 0 || m != n ? "" : join_pieces(orders, pieces, why);
    if (n < 0 || m != n) why = std::string("it cannot be read: ") + sql_failure_text(sql_last_failure()->code);
    if (why.empty() && mark_unseal(sealed, body, why) == 0) {
        if (writer_of(p->connection, name, mark.writer) == 0) return MARK_FOUND;
        /* Unsure who wrote it, no command may go by it: it stays. */
        body = std::string("the server cannot say who wrote it: ") + sql_failure_text(sql_last_failure()->code);
        server_end(mark, true);
        return MARK_UNREAD;
    }
    body = why;
    return MARK_DAMAGED;
}

std::string mark_writer_refusal(const mark_file &mark, const std::string &table, const char *right)
{
    if (!mark.connection) return "";
    if (mark.writer.empty())
        return "the server did not record who wrote it (" MARK_TABLE " of an earlier version, or changed by "
               "another role since): remove it from " MARK_TABLE " once the table is checked";
    bool drop = std::strcmp(right, "DROP") == 0;
    std::string writer, table_text;
    sql_quote(mark.writer.c_str(), writer);
    sql_quote(table.c_str(), table_text);
    std::string may = drop ? std::string("pg_has_role(r, c.relowner, 'USAGE')")
                           : std::string("has_table_privilege(r, c.oid, '") + right + "')";
    /* The roles lacking the right: the writer, PVMARK's owner. */
    std::string roles = "SELECT CAST(" + writer +
                        " AS name) AS r UNION SELECT pg_get_userbyid(relowner) FROM "
                        "pg_class WHERE oid = to_regclass('" MARK_TABLE "')";
    std::string q = "SELECT r AS WHO FROM (" + roles + ") AS w, pg_class c WHERE c.oid = to_regclass(" + table_text +
                    ") AND NOT " + may + " ORDER BY r";
    std::vector<std::string> lacking;
    long n = query_texts(mark.connection, q, "WHO", lacking);
    if (n < 0)
        return "the rights of its writer " + mark.writer +
               " cannot be read: " + sql_failure_text(sql_last_failure()->code);
    if (n == 0) return "";
    std::string who =
        lacking[0] == mark.writer ? "its writer " + lacking[0] : "the owner of " MARK_TABLE ", " + lacking[0] + ",";
    std::string what =
        drop ? "drop table " + table
             : std::string(std::strcmp(right, "DELETE") == 0 ? "delete" : "change") + " rows of table " + table;
    return who + " may not " + what;
}

std::vector<std::string> mark_names_of(const pjct_rec *p, const char *ext)
{
    std::vector<std::string> names;
    std::string dir = mark_folder(p);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !dir.empty() && !ec && it != end; it.increment(ec)) {
        std::string file = it->path().filename().string();
        bool fresh = ends_in(file, ext, true);
        if (!fresh && !ends_in(file, ext, false)) continue;
        if (fresh) file.pop_back();
        std::string named = server(p) ? dir + file : file;
        if (std::find(names.begin(), names.end(), named) == names.end()) names.push_back(named);
    }
    std::vector<std::string> rows;
    if (server(p) && query_texts(p->connection, "SELECT DISTINCT NAME FROM " MARK_TABLE " ORDER BY NAME", "NAME", rows) > 0)
        for (std::string r : rows) {
            bool fresh = ends_in(r, ext, true);
            if (fresh) r.pop_back();
            if ((fresh || ends_in(r, ext, false)) && std::find(names.begin(), names.end(), r) == names.end())
                names.push_back(r);
        }
    return names;
}

std::string mark_unique_name(const pjct_rec *p, const std::string &stem, const char *ext)
{
    std::vector<std::string> got;
    std::string writer = std::to_string((long)getpid());
    if (server(p) && query_texts(p->connection, "SELECT pg_backend_pid() AS PID", "PID", got) == 1) writer = got[0];
    std::string dir = server(p) ? "" : mark_folder(p);
    for (long k = 0;; k++) {
        std::string name = stem + "-" + writer + (k ? "-" + std::to_string(k) : "") + ext;
        std::error_code ec;
        bool taken = server(p) ? query_texts(p->connection, "SELECT NAME" + of_name(name), "NAME", got) > 0
                               : std::filesystem::exists(dir + name, ec) || std::filesystem::exists(dir + name + "N", ec);
        if (!taken) return name;
    }
}

/* "Table STATN is being written by pv-add in another session." (or "in
** 4 other sessions") of what is written, by whom and the marks found. */
static std::string busy_line(const std::string &table, const std::string &by, int marks)
{
    return table + " is being written by " + by +
           (marks == 1 ? " in another session." : " in " + std::to_string(marks) + " other sessions.");
}

std::string mark_busy_text(const mark_file &mark, const char *table, const char *command)
{
    return busy_line(table, mark.command.empty() ? command : mark.command, 1);
}

void mark_busy_note(const mark_file &mark, const char *table, const char *command)
{
    std::string what = table ? table : "", by = mark.command.empty() ? (command ? command : "") : mark.command;
    auto note = std::find_if(s_busy.begin(), s_busy.end(), [&](const busy_note &b) { return b.table == what; });
    if (note == s_busy.end()) note = s_busy.insert(s_busy.end(), busy_note{what, {}, 0});
    if (std::find(note->commands.begin(), note->commands.end(), by) == note->commands.end())
        note->commands.push_back(by);
    note->marks++;
}

std::string mark_busy_said(void)
{
    std::string out;
    for (const busy_note &b : s_busy) {
        std::string by;
        for (size_t i = 0; i < b.commands.size(); i++)
            by += (i == 0 ? "" : i + 1 == b.commands.size() ? " and " : ", ") + b.commands[i];
        out += (out.empty() ? "" : "\n") + busy_line(b.table, by, b.marks);
    }
    s_busy.clear();
    return out;
}

std::string mark_in_the_way(const pjct_rec *p, const std::string &name, const std::string &table, const char *command,
                            const std::string &left)
{
    mark_file m;
    std::string body;
    int got = mark_take_of(m, p, name, body);
    mark_end(m, true);
    if (got == MARK_NONE) return "";
    if (got == MARK_BUSY) return mark_busy_text(m, table.c_str(), command);
    if (got == MARK_UNREAD) return body;
    std::string text = left;
    size_t at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, m.path);
}
