/*
** dbf_refill.cpp: a table refilled all or nothing; see dbf_refill.h.
**
** The mark <table>.MRF (core/mark_file.h: a file of a dBASE project's
** folder, on a server a mark of PVMARK, which every user's logon finds)
** holds the table's name, then 1 or 0 for whether it
** was there (kept as <table>.DBO, a name the driver does not take for a
** table, or on a server as the table <table>_DBO), and "done" once the new
** table is filled whole. The mark is read the same on both roads; what it
** leaves out the folder or the server tells: on a dBASE project a copy
** replaces the new file only when it is whole; on a server the former
** table was set aside exactly when <table>_DBO is there (a refill refuses
** to begin beside a table of that name), so a refill cut short before the
** rename, or after the rename back, finds the former table in its place.
** The server runs each statement on its own (no transaction), and a rename
** is one statement: at any moment the former table is under one of its two
** names. While the new table is filled every other session's write is
** refused (a put-back would discard it): on a server by a trigger of the
** table, which goes with it, on a dBASE project by its guard file
** <table>.RFG (dbf/dbf_guard.cpp); the guard goes once the table is whole
** or put back. A mark that does not name its own table, or whose writer
** may not drop the tables it names (mark_writer_refusal), changes nothing
** and is set aside, named; nor is a server's table holding rows without the guard
** ever dropped: no refill made it.
*/
#include "data/dbf_refill.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pv_config.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "dbf/dbf.h"
#include "data/tblsetup.h"
#include "sqlclient/asi_driver.h"
#include "wfile/wfile.h"

namespace {

const char kMarkExt[] = DBF_EXT_REFILL_MARK;
const char kCopyExt[] = ".DBO";
const char kKeptSuffix[] = "_DBO";
const char kDone[] = "done";
/* What a statement that succeeds answers. */
constexpr int kSqlOk = 5100;
/* The trigger guarding a server's new table, and its function. */
const char kGuard[] = "PV_REFILL_GUARD";
/* Names a session to the guard, set in the writer's session: its process
** and when it began, so that a later session under the process of an
** ended writer is another. */
const char kSessionSetting[] = "pv.session";
const char kSessionOf[] = "s.pid || ':' || extract(epoch FROM s.backend_start)";

/* Where the former table is kept: the project's folder, and on a server
** project its connection (null on a dBASE project). */
struct keeper {
    std::string dir;
    void *connection;
};

/* A file of the folder, named as found on disk. */
std::string file_of(const std::string &dir, const std::string &name, const char *ext)
{
    char path[DBF_PATH_SIZE];
    std::snprintf(path, sizeof path, "%s%s%s", dir.c_str(), name.c_str(), ext);
    dbf_file_exists(path);
    return path;
}

bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

/* True when two files hold the same bytes. */
bool same_bytes(const std::string &a, const std::string &b)
{
    std::FILE *fa = wf_fopen(a.c_str(), "rb"), *fb = fa ? wf_fopen(b.c_str(), "rb") : nullptr;
    bool same = fa && fb;
    char ba[8192], bb[8192];
    while (same) {
        size_t na = std::fread(ba, 1, sizeof ba, fa), nb = std::fread(bb, 1, sizeof bb, fb);
        same = na == nb && std::memcmp(ba, bb, na) == 0;
        if (na < sizeof ba) break;
    }
    if (fa) std::fclose(fa);
    if (fb) std::fclose(fb);
    return same;
}

/* 1 when a table name is a plain name. */
bool plain(const std::string &name)
{
    if (name.empty() || name.size() >= TBL_NAME_SIZE || !std::isalpha((unsigned char)name[0])) return false;
    for (unsigned char ch : name)
        if (!std::isalnum(ch) && ch != '_') return false;
    return true;
}

/* 1 when the server holds the table, 0 when it has none of that name, -1
** when it cannot say (why set). */
int server_has(void *connection, const std::string &table, std::string &why)
{
    sql_col_rec *columns = nullptr;
    int n = sql_describe_table(connection, table.c_str(), &columns, 0);
    sql_col_list_free(&columns);
    if (n > 0) return 1;
    const sql_failure *f = sql_last_failure();
    if (n < 0 && f->code == n && std::strcmp(f->sqlstate, SQL_STATE_NO_TABLE) == 0) return 0;
    why = "cannot tell whether the server holds table " + table + ": " + sql_failure_text(n);
    return -1;
}

/* Runs a statement on the server; answers why it failed, "" when done. */
std::string server_run(void *connection, const std::string &text)
{
    long rows = 0;
    int rc = sql_execute_rows(connection, text.c_str(), 0, &rows);
    return rc == kSqlOk ? "" : text + " failed: " + sql_failure_text(rc);
}

/* The first text of the first row a query answers, into text; answers why
** it cannot, "" when done. */
std::string server_text(void *connection, const std::string &query, std::string &text)
{
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(connection, query.c_str(), &stmt, &cursor, &row, 0);
    text = n > 0 && row->text ? str_trim(row->text) : "";
    sql_close_query(&stmt, &cursor, &row);
    return n > 0 && !text.empty() ? "" : query + " failed: " + (n < 0 ? sql_failure_text(n) : "no row");
}

/* The function of the guard: the writer's session passes; another's write
** is refused, saying whether the writer is still at work. */
std::string guard_function()
{
    std::string body = std::string("BEGIN IF current_setting('") + kSessionSetting +
                       "', true) = TG_ARGV[0] THEN RETURN NULL; END IF; IF EXISTS (SELECT 1 FROM "
                       "pg_stat_get_activity(split_part(TG_ARGV[0], ':', 1)::integer) s WHERE s.backend_start IS "
                       "NULL OR " + kSessionOf + " = TG_ARGV[0]) THEN RAISE EXCEPTION 'Table % is being written by "
                       "% in another session.', upper(TG_TABLE_NAME), TG_ARGV[1]; END IF; RAISE EXCEPTION 'Filling "
                       "table % by % was cut short in another session; log on to the project again to put it "
                       "back.', upper(TG_TABLE_NAME), TG_ARGV[1]; END";
    std::string quoted;
    sql_quote(body.c_str(), quoted);
    return std::string("CREATE OR REPLACE FUNCTION ") + kGuard + "() RETURNS trigger LANGUAGE plpgsql AS " + quoted;
}

/* Drops the table a refill made when the server holds it (with the
** indexes named after it; one it does not hold leaves them alone: they
** may be the kept table's). A refill's table bears its guard from before
** its first row: one holding rows without it is another's and stays.
** Answers why it cannot, "" when done. */
std::string server_drop(void *connection, const std::string &table)
{
    std::string why, made, quoted;
    int there = server_has(connection, table, why);
    if (there <= 0) return why;
    sql_quote(table.c_str(), quoted);
    why = server_text(connection,
                      "SELECT CASE WHEN EXISTS (SELECT 1 FROM pg_trigger WHERE tgrelid = to_regclass(" + quoted +
                          ") AND tgname = lower('" + kGuard + "')) OR NOT EXISTS (SELECT 1 FROM " + table +
                          ") THEN 'made' ELSE 'other' END AS MADE",
                      made);
    if (!why.empty()) return why;
    if (made != "made") return "table " + table + " holds rows and no refill's guard: no refill made it";
    int rc = sql_drop_table(connection, table.c_str());
    return rc == kSqlOk ? "" : "DROP TABLE " + table + " failed: " + sql_failure_text(rc);
}

/* put_back on a dBASE project: the copy of the former table over the new
** file, or the new file removed. The copy itself stays until the mark is
** gone (copy_goes), so that a put-back cut short at any moment finds it
** again; it goes back as a second name of the copy, which needs no room
** (a full disk, a file-size limit), where the folder takes one. */
std::string put_back_file(const keeper &k, const std::string &name, bool had)
{
    std::string table = file_of(k.dir, name, DBF_EXT_TABLE), copy = file_of(k.dir, name, kCopyExt);
    if (had && !exists(copy)) return copy + " is not there";
    if (had && dbf_check_whole(copy.c_str(), nullptr) != DBF_OK) return copy + " is not a whole table";
    std::remove(file_of(k.dir, name, ".JNL").c_str());
    if (!had) {
        std::remove(table.c_str());
        return "";
    }
    /* A table the refill never changed (it could not be dropped), or one
    ** put back already, is the former one. */
    if (same_bytes(table, copy) || wf_link_place(copy.c_str(), table.c_str()) == 0) return "";
    return wf_copy(copy.c_str(), table.c_str()) == 0 ? ""
                                                     : "cannot copy " + copy + " over it: " + wf_reason(errno);
}

/* Once a dBASE table is put back and its mark gone, the copy of the
** former table goes (mark_end's step, run before the mark's lock goes;
** the table is then its only name), then its guard. */
mark_step copy_goes(const keeper &k, const std::string &name)
{
    return [k, name]() {
        if (k.connection) return 0;
        std::remove(file_of(k.dir, name, kCopyExt).c_str());
        dbf_guard_clear(k.dir.c_str(), name.c_str());
        return 0;
    };
}

/* Puts the former table back over the new one (had), or removes the new
** one; answers why it cannot, "" when done. On a dBASE project the journal
** of the new file goes with it, so that the driver does not write it into
** the former. On a server the former is back already when the kept table
** is not there. */
std::string put_back(const keeper &k, const std::string &name, bool had)
{
    if (k.connection) {
        const std::string kept = name + kKeptSuffix;
        std::string why;
        int set_aside = had ? server_has(k.connection, kept, why) : 0;
        if (set_aside < 0) return why;
        if (set_aside == 0) {
            if (had) return server_has(k.connection, name, why) > 0 ? "" : why.empty() ? kept + " is not there" : why;
            return server_drop(k.connection, name);
        }
        why = server_drop(k.connection, name);
        return !why.empty() ? why : server_run(k.connection, "ALTER TABLE " + kept + " RENAME TO " + name);
    }
    return put_back_file(k, name, had);
}

/* Lets the kept former table go once the new one is whole; answers why it
** cannot, "" when done (also when nothing was kept). */
std::string drop_kept(const keeper &k, const std::string &name, bool had)
{
    if (!k.connection) {
        std::remove(file_of(k.dir, name, kCopyExt).c_str());
        dbf_guard_clear(k.dir.c_str(), name.c_str());
        return "";
    }
    const std::string kept = name + kKeptSuffix;
    std::string why = server_run(k.connection, std::string("DROP TRIGGER IF EXISTS ") + kGuard + " ON " + name);
    int there = why.empty() && had ? server_has(k.connection, kept, why) : 0;
    return there <= 0 ? why : server_run(k.connection, "DROP TABLE " + kept + " CASCADE");
}

/* The keeper of a project: its folder, and its connection on a server;
** an empty folder when nothing is kept for it. */
keeper keeper_of(pjct_rec *p)
{
    keeper k{"", nullptr};
    if (!p || (!(p->flags & PJCT_ENV_DB3) && !p->connection)) return k;
    k.dir = mark_folder(p);
    if (!(p->flags & PJCT_ENV_DB3)) k.connection = p->connection;
    return k;
}

/* Keeps the table before the refill begins: its file copied, or on a
** server the table renamed. Answers why it cannot, "" when done; unsure
** is set when the server may have renamed it all the same (the mark must
** stay for the next logon). */
std::string keep(const keeper &k, const std::string &name, bool &unsure)
{
    unsure = false;
    if (!k.connection) {
        std::string file = file_of(k.dir, name, DBF_EXT_TABLE), copy = file_of(k.dir, name, kCopyExt);
        if (wf_copy(file.c_str(), copy.c_str()) == 0) return "";
        return "cannot copy it to " + copy + ": " + wf_reason(errno);
    }
    const std::string kept = name + kKeptSuffix;
    std::string why = server_run(k.connection, "ALTER TABLE " + name + " RENAME TO " + kept), unknown;
    if (!why.empty()) unsure = server_has(k.connection, kept, unknown) != 0;
    return why;
}

/* Mends the refill whose mark is at path (held in m; damaged when it
** failed its check, body then saying why), finishing it when the mark
** says the new table is whole or finish is set; answers -1 when the mark
** is not used or a table cannot be put back, 1 when mended. */
int recover_one(mark_file &m, const keeper &k, const std::string &stem, const std::string &body, bool damaged,
                bool finish = false)
{
    std::vector<std::string> lines = damaged ? std::vector<std::string>() : mark_lines(body);
    bool whole = (lines.size() == 2 || (lines.size() == 3 && lines[2] == kDone)) &&
                 (lines[1] == "0" || lines[1] == "1");
    std::string why = damaged ? body
                      : !whole ? (body.empty() ? "it is empty" : "it is cut short or not a mark of a table's refill")
                      : !plain(lines[0]) || !str_eq_nocase(lines[0].c_str(), stem.c_str())
                          ? "it names table \"" + lines[0] + "\", not its own"
                          : "";
    const char *name = why.empty() ? lines[0].c_str() : "";
    bool had = why.empty() && lines[1] == "1";
    /* The writer may drop the new table and the one kept (a server's). */
    if (why.empty()) why = mark_writer_refusal(m, name, "DROP");
    if (why.empty() && had) why = mark_writer_refusal(m, name + std::string(kKeptSuffix), "DROP");
    if (!why.empty()) {
        std::string named = m.path;
        std::string aside =
            mark_aside_text(m, k.connection ? "table" : "file",
                            "that table " + stem + " is whole" +
                                (k.connection ? "" : " (a former one may be kept as " + stem + kCopyExt + ")"));
        msg_alert(ERR_TITLE, "The mark %s of a table's refill cut short was not used: %s. %s", named.c_str(),
                  why.c_str(), aside.c_str());
        return -1;
    }
    if (lines.size() == 3 || finish) {
        if ((why = drop_kept(k, name, had)).empty())
            msg_alert(WARN_TITLE, "Filling table %s was cut short after it was complete; it is finished now.", name);
    } else if ((why = put_back(k, name, had)).empty()) {
        msg_alert(WARN_TITLE, had ? "Filling table %s was cut short; %s is as it was before."
                                  : "Filling table %s was cut short; the part of %s it had filled was removed.",
                  name, name);
    }
    if (!why.empty()) {
        msg_alert(ERR_TITLE,
                  "Filling table %s was cut short, and it cannot be put back now: %s. Its mark %s stays "
                  "for the next logon.",
                  name, why.c_str(), m.path.c_str());
        mark_end(m, true);
        return -1;
    }
    mark_end(m, false, copy_goes(k, name));
    return 1;
}

/* 1 when a file name (any case) ends in ext. */
bool has_ext(const std::string &name, const char *ext)
{
    size_t n = std::strlen(ext);
    return name.size() > n && str_eq_nocase(name.substr(name.size() - n).c_str(), ext);
}

/* Removes the copy <stem>.DBO of the folder when no mark of a refill names
** it and no refill at work holds its fresh mark: the fresh mark is taken
** (made and locked) for the while, so that no refill begins meanwhile.
** Answers 1 when removed. */
int drop_copy_left(const std::string &dir, const std::string &stem, const std::string &copy)
{
    std::string fresh = dir + stem + kMarkExt + "N";
    int fd = wf_open(fresh.c_str(), O_CREAT | O_RDWR, 0644);
    if (fd < 0) return 0;
    int gone = 0;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat st;
        /* A mark set aside (mark_set_aside) still names it for its owner. */
        if (!exists(dir + stem + kMarkExt) && !exists(mark_aside_name(dir + stem + kMarkExt, 1)) &&
            lstat((dir + copy).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            gone = unlink((dir + copy).c_str()) == 0;
        /* Only the fresh mark made here goes: one another made since stays. */
        struct stat mine, there;
        if (fstat(fd, &mine) == 0 && lstat(fresh.c_str(), &there) == 0 && mine.st_ino == there.st_ino &&
            mine.st_dev == there.st_dev && mine.st_size == 0)
            unlink(fresh.c_str());
    }
    close(fd);
    return gone;
}

/* What writers now gone left in the project's folder goes; see
** dbf_refill_recover. */
void sweep(pjct_rec *project, const keeper &k)
{
    std::vector<std::string> copies, removed;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(k.dir, ec), end; !ec && it != end; it.increment(ec))
        if (has_ext(it->path().filename().string(), kCopyExt)) copies.push_back(it->path().filename().string());
    for (const std::string &name : copies) {
        std::string stem = name.substr(0, name.size() - std::strlen(kCopyExt));
        if (!k.connection && plain(stem) && drop_copy_left(k.dir, stem, name)) removed.push_back(name);
    }
    for (const std::string &t : wf_temp_sweep(k.dir)) removed.push_back(t);
    /* A table's copy is named: the user may have wondered at it. */
    std::string said;
    for (const std::string &name : removed) {
        std::string target;
        if (!wf_temp_left(name, target)) target = name;
        if (has_ext(target, DBF_EXT_TABLE) || has_ext(target, DBF_EXT_MEMO) || has_ext(target, kCopyExt))
            said += (said.empty() ? "" : ", ") + name;
    }
    if (!said.empty())
        msg_alert(WARN_TITLE, "Copies of tables that commands cut short left in project %s were removed: %s.",
                  project->name, said.c_str());
}

}  // namespace

int dbf_refill_begin(dbf_refill &r, pjct_rec *p, const char *table, const char *command)
{
    r.dir.clear();
    keeper k = table ? keeper_of(p) : keeper{"", nullptr};
    if (k.dir.empty()) return 0;
    r.name = table;
    r.connection = k.connection;
    r.command = command ? command : "";
    std::string mark = r.name + kMarkExt;
    std::string why = mark_in_the_way(p, mark, "table " + r.name, "a refill",
                                      "%s of a refill cut short is left; log on to the project again");
    bool unsure = false;
    if (why.empty() && k.connection) {
        int there = server_has(k.connection, r.name, why);
        int kept = there > 0 ? server_has(k.connection, r.name + kKeptSuffix, why) : 0;
        if (kept > 0) why = "a table " + r.name + kKeptSuffix + " is there already; the former " + r.name +
                            " would be kept under that name";
        r.had = there > 0;
    } else if (why.empty()) {
        r.had = exists(file_of(k.dir, r.name, DBF_EXT_TABLE));
        std::remove(file_of(k.dir, r.name, kCopyExt).c_str());
    }
    /* A dBASE file is copied under the mark's lock before the mark names
    ** it (so that a logon never takes the copy for one left), a server
    ** table renamed after. */
    bool copy_first = r.had && !k.connection;
    std::string not_kept;
    mark_step copy = [&]() { return (not_kept = keep(k, r.name, unsure)).empty() ? 0 : -1; };
    if (why.empty() && mark_begin_of(r.mark, p, mark, r.name + "\n" + (r.had ? "1\n" : "0\n"), command,
                                     copy_first ? copy : nullptr) != 0) {
        why = !not_kept.empty() ? not_kept : "cannot write its mark " + mark + ": " + wf_reason(errno);
        if (copy_first) std::remove(file_of(k.dir, r.name, kCopyExt).c_str());
    } else if (why.empty() && r.had && k.connection && !(why = keep(k, r.name, unsure)).empty()) {
        mark_end(r.mark, unsure);
        if (unsure) why += "; it is put back at the next logon";
    }
    if (!why.empty()) {
        msg_alert(ERR_TITLE, "ERROR: %s was not changed: %s", table, why.c_str());
        return -1;
    }
    r.dir = k.dir;
    return 0;
}

namespace {

/* The guard of a server's table: its trigger naming the writer's session,
** which the setting kSessionSetting tells. Answers why it cannot be set,
** "" when done. */
std::string guard_server(const dbf_refill &r)
{
    std::string session;
    std::string why = server_text(r.connection, std::string("SELECT set_config('") + kSessionSetting + "', (SELECT " +
                                                    kSessionOf + " FROM pg_stat_get_activity(pg_backend_pid()) s), "
                                                    "false) AS WRITER", session);
    if (!why.empty()) return why;
    /* Another session may be making the function at once: the trigger
    ** tells whether one is there. */
    std::string made = server_run(r.connection, guard_function()), writer, command;
    sql_quote(session.c_str(), writer);
    sql_quote(r.command.c_str(), command);
    why = server_run(r.connection, std::string("CREATE TRIGGER ") + kGuard + " BEFORE INSERT OR UPDATE OR DELETE OR "
                                       "TRUNCATE ON " + r.name + " FOR EACH STATEMENT EXECUTE PROCEDURE " + kGuard +
                                       "(" + writer + ", " + command + ")");
    return !why.empty() && !made.empty() ? made : why;
}

}  // namespace

int dbf_refill_guard(dbf_refill &r)
{
    if (r.dir.empty()) return 0;
    std::string why;
    if (r.connection) {
        why = guard_server(r);
    } else {
        /* The driver of every dBASE project fills it. */
        pid_t driver = asi_driver_pid(PV_ENV_DB3);
        if (driver <= 0) why = "the driver of environment " PV_ENV_DB3 " is not running";
        else if (dbf_guard_set(r.dir.c_str(), r.name.c_str(), (long)driver, r.command.c_str()) != 0)
            why = "cannot write " + file_of(r.dir, r.name, DBF_EXT_GUARD) + ": " + wf_reason(errno);
    }
    if (why.empty()) return 0;
    msg_alert(ERR_TITLE, "ERROR: %s cannot be kept from other users while it is filled: %s", r.name.c_str(),
              why.c_str());
    return -1;
}

int dbf_refill_end(dbf_refill &r, pjct_rec *p, bool whole)
{
    if (r.dir.empty()) return 0;
    keeper k{r.dir, r.connection};
    std::string closing; /* why the new table, whole, cannot be said to be */
    if (whole && mark_append(r.mark, std::string(kDone) + "\n") == 0) {
        /* The new table stands; a kept table the server would not drop
        ** goes at the next logon. */
        mark_end(r.mark, !drop_kept(k, r.name, r.had).empty());
        r.dir.clear();
        return 0;
    }
    if (whole)
        closing = "its mark " + r.mark.path + " cannot be finished: " +
                  (r.connection ? sql_failure_text(sql_last_failure()->code) : wf_reason(errno));
    std::string why = put_back(k, r.name, r.had);
    if (why.empty()) dbf_index_mended(p, r.name.c_str());
    if (!closing.empty() && why.empty())
        msg_alert(ERR_TITLE, "ERROR: %s was not changed: %s. %s", r.name.c_str(), closing.c_str(),
                  r.had ? "The former table is back in its place." : "The new table was removed.");
    else if (!why.empty())
        msg_alert(ERR_TITLE, "%s cannot be put back as it was: %s%s. It is put back at the next logon.", r.name.c_str(),
                  closing.empty() ? "" : (closing + "; ").c_str(), why.c_str());
    mark_end(r.mark, !why.empty(), copy_goes(k, r.name));
    r.dir.clear();
    return whole ? -1 : 0;
}

int dbf_refill_finish(pjct_rec *project, const char *table, std::vector<std::string> &mended)
{
    keeper k = keeper_of(project);
    if (k.dir.empty()) return 0;
    mark_file m;
    std::string body;
    int got = mark_take_of(m, project, std::string(table) + kMarkExt, body);
    if (got != MARK_FOUND && got != MARK_DAMAGED) return got == MARK_NONE ? 0 : -1;
    int one = recover_one(m, k, table, body, got == MARK_DAMAGED, true);
    if (one > 0) mended.push_back(table);
    return one < 0 ? -1 : 0;
}

int dbf_refill_recover(pjct_rec *project, std::vector<std::string> &mended)
{
    keeper k = keeper_of(project);
    if (k.dir.empty()) return 0;
    int rc = 0;
    for (const std::string &path : mark_names_of(project, kMarkExt)) {
        /* A mark cut short while it was written goes in mark_take. */
        mark_file m;
        std::string body;
        int got = mark_take_of(m, project, path, body);
        std::string stem = std::filesystem::path(path).stem().string();
        if (got == MARK_BUSY) mark_busy_note(m, ("Table " + stem).c_str(), "a refill");
        if (got != MARK_FOUND && got != MARK_DAMAGED) continue;
        int one = recover_one(m, k, stem, body, got == MARK_DAMAGED);
        if (one < 0) rc = -1;
        else mended.push_back(stem);
    }
    sweep(project, k);
    /* A guard left by a writer gone, beside no mark, would keep every
    ** other writer out for ever. */
    pid_t driver = k.connection ? 0 : asi_driver_pid(PV_ENV_DB3);
    std::vector<std::string> said;
    if (driver > 0) dbf_guard_sweep(k.dir.c_str(), (long)driver, said);
    for (const std::string &line : said) msg_alert(WARN_TITLE, "%s", line.c_str());
    return rc;
}
