/*
** mark_file.cpp: marks of commands under way, in a dBASE project's folder
** or a server project's table PVMARK; see mark_file.h.
*/
#include "core/mark_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "wfile/wfile.h"

namespace {

/* Permissions of a mark (the process's umask applies). */
constexpr mode_t k_mark_mode = 0644;
/* A line's check: a tab and eight hex digits after its text. */
constexpr size_t k_check_digits = 8;
constexpr size_t k_check_size = k_check_digits + 1;

/* The CRC-32 (reflected, polynomial 0xEDB88320) of text continued from
** crc, the CRC of what came before it (0 for nothing). */
uint32_t crc32_more(uint32_t crc, const char *text, size_t n)
{
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        made = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; i++) crc = table[(crc ^ (unsigned char)text[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

/* Writes all of text to fd; 0, or -1 with errno. */
int write_all(int fd, const std::string &text)
{
    for (size_t done = 0; done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += (size_t)n;
    }
    return 0;
}

}  // namespace

static void mark_server_end(mark_file &mark, bool keep);

int mark_begin(mark_file &mark, const std::string &path, const std::string &body)
{
    std::string fresh = path + "N";
    /* Never through a link: one standing at the name is refused (ELOOP).
    ** The file is emptied only once locked, as another may be writing it. */
    int fd = wf_open(fresh.c_str(), O_CREAT | O_WRONLY, k_mark_mode);
    uint32_t check = 0;
    bool ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && ftruncate(fd, 0) == 0 &&
              write_all(fd, mark_seal(body, check)) == 0 && fsync(fd) == 0 &&
              rename(fresh.c_str(), path.c_str()) == 0;
    if (!ok) {
        int e = errno;
        if (fd >= 0) close(fd);
        unlink(fresh.c_str());
        errno = e;
        return -1;
    }
    mark.path = path;
    mark.fd = fd;
    mark.check = check;
    return 0;
}

static int mark_server_append(mark_file &mark, const std::string &sealed);

int mark_append(mark_file &mark, const std::string &text)
{
    if (mark.connection) {
        uint32_t check = mark.check;
        if (mark_server_append(mark, mark_seal(text, check)) != 0) return -1;
        mark.check = check;
        return 0;
    }
    if (mark.fd < 0) return 0;
    uint32_t check = mark.check;
    if (write_all(mark.fd, mark_seal(text, check)) != 0) return -1;
    mark.check = check;
    return 0;
}

void mark_end(mark_file &mark, bool keep)
{
    if (mark.connection) mark_server_end(mark, keep);
    if (mark.fd < 0) return;
    if (!keep) unlink(mark.path.c_str());
    close(mark.fd);
    mark.fd = -1;
}

int mark_take(mark_file &mark, const std::string &path, std::string &body)
{
    body.clear();
    /* A mark cut short while it was written: nothing was changed yet. */
    std::string fresh = path + "N";
    int fd = open(fresh.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(fresh.c_str());
        close(fd);
    }
    /* A link at that name is never one the program made; one that points
    ** nowhere goes (a mark begun there would make its target). */
    wf_drop_dangling(fresh.c_str());
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return MARK_NONE;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return MARK_BUSY;
    }
    char buf[4096];
    std::string sealed, why;
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) sealed.append(buf, (size_t)n);
    mark.path = path;
    mark.fd = fd;
    if (mark_unseal(sealed, body, why) == 0) return MARK_FOUND;
    body = why;
    return MARK_DAMAGED;
}

int mark_take_in(mark_file &mark, const char *dir_in, const char *name, std::string &body)
{
    if (!dir_in || !*dir_in) return MARK_NONE;
    std::string dir = dir_in;
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    return mark_take(mark, dir + name, body);
}

std::vector<std::string> mark_lines(const std::string &body)
{
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = body.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(body.substr(at, nl - at));
    return lines;
}

std::string mark_seal(const std::string &text, uint32_t &check)
{
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t nl = text.find('\n', at);
        std::string line = text.substr(at, nl == std::string::npos ? std::string::npos : nl - at) + "\n";
        at = nl == std::string::npos ? text.size() : nl + 1;
        check = crc32_more(check, line.data(), line.size());
        char tail[k_check_size + 2];
        std::snprintf(tail, sizeof tail, "\t%08x\n", (unsigned)check);
        out += line.substr(0, line.size() - 1) + tail;
    }
    return out;
}

int mark_unseal(const std::string &sealed, std::string &body, std::string &why)
{
    body.clear();
    why.clear();
    uint32_t check = 0;
    std::vector<std::string> lines = mark_lines(sealed);
    for (size_t i = 0; i < lines.size(); i++) {
        const std::string &l = lines[i];
        size_t n = l.size() < k_check_size ? 0 : l.size() - k_check_size;
        unsigned long said = 0;
        char *end = nullptr;
        bool shaped = l.size() >= k_check_size && l[n] == '\t' &&
                      l.find_first_not_of("0123456789abcdef", n + 1) == std::string::npos;
        if (shaped) said = std::strtoul(l.c_str() + n + 1, &end, 16);
        std::string line = l.substr(0, n) + "\n";
        check = crc32_more(check, line.data(), line.size());
        if (!shaped || said != check) {
            why = "its line " + std::to_string(i + 1) + (shaped ? " fails its check" : " has no check");
            body.clear();
            return -1;
        }
        body += line;
    }
    return 0;
}

std::string mark_folder(const pjct_rec *project)
{
    std::string dir, why;
    if (pjct_file_dir(project, dir, why) != 0 || dir.empty()) return "";
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    return dir;
}

/* ---- A server project's marks: rows of PVMARK ---- */

namespace {

/* Bytes of a mark's text one row of PVMARK holds (as twice as many hex
** digits), and the widths of its name and command columns. */
constexpr size_t k_piece_bytes = 120;
constexpr int k_name_width = 64;
constexpr int k_command_width = 40;
/* What a statement that succeeds answers. */
constexpr int k_sql_ok = 5100;

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

/* Makes PVMARK when the schema has none; 0, or -1. */
int make_table(void *connection)
{
    sql_col_rec *columns = nullptr;
    int n = sql_describe_table(connection, MARK_TABLE, &columns, 0);
    sql_col_list_free(&columns);
    if (n > 0) return 0;
    char text[256];
    std::snprintf(text, sizeof text,
                  "CREATE TABLE " MARK_TABLE " (NAME CHAR(%d), ORDNUMBER INTEGER, MARKTEXT CHAR(%d), WRITER CHAR(%d), "
                  "PRIMARY KEY (NAME, ORDNUMBER))",
                  k_name_width, (int)(2 * k_piece_bytes), k_command_width);
    if (run(connection, text) == k_sql_ok) return 0;
    /* Another session may have made it meanwhile. */
    n = sql_describe_table(connection, MARK_TABLE, &columns, 0);
    sql_col_list_free(&columns);
    return n > 0 ? 0 : -1;
}

/* Adds the sealed text to a held server mark, its pieces in one INSERT
** (all or none). 0, or -1 with errno. */
int insert_pieces(mark_file &mark, const std::string &sealed, const std::string &command)
{
    static const char hex[] = "0123456789abcdef";
    std::string name, writer;
    sql_quote(mark.name.c_str(), name);
    sql_quote(command.substr(0, k_command_width).c_str(), writer);
    std::string text = "INSERT INTO " MARK_TABLE " (NAME, ORDNUMBER, MARKTEXT, WRITER) VALUES ";
    long pieces = mark.pieces;
    for (size_t at = 0; at < sealed.size(); at += k_piece_bytes) {
        std::string digits;
        for (size_t i = at; i < sealed.size() && i < at + k_piece_bytes; i++) {
            digits += hex[(unsigned char)sealed[i] >> 4];
            digits += hex[(unsigned char)sealed[i] & 15];
        }
        text += (at ? ", (" : "(") + name + ", " + std::to_string(pieces++) + ", '" + digits + "', " + writer + ")";
    }
    if (pieces == mark.pieces) return 0;
    if (run(mark.connection, text) != k_sql_ok) {
        errno = EIO;
        return -1;
    }
    mark.pieces = pieces;
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

}  // namespace

/* Adds sealed lines to a held server mark; 0, or -1 with errno. */
static int mark_server_append(mark_file &mark, const std::string &sealed)
{
    return insert_pieces(mark, sealed, "");
}

/* Lets a held server mark go, its rows deleted unless keep is set. */
static void mark_server_end(mark_file &mark, bool keep)
{
    if (!keep) run(mark.connection, "DELETE" + of_name(mark.name));
    unlock(mark.connection, mark.name);
    mark.connection = nullptr;
}

int mark_begin_of(mark_file &mark, const pjct_rec *p, const std::string &name, const std::string &body,
                  const char *command)
{
    if (!server(p)) {
        std::string dir = mark_folder(p);
        return dir.empty() ? 0 : mark_begin(mark, dir + name, body);
    }
    std::vector<std::string> there;
    if (name.size() > (size_t)k_name_width || make_table(p->connection) != 0) {
        errno = name.size() > (size_t)k_name_width ? ENAMETOOLONG : EIO;
        return -1;
    }
    int locked = try_lock(p->connection, name);
    if (locked != 1) {
        errno = locked == 0 ? EBUSY : EIO;
        return -1;
    }
    long found = query_texts(p->connection, "SELECT NAME" + of_name(name), "NAME", there);
    mark = mark_file();
    mark.connection = p->connection;
    mark.name = name;
    mark.path = name + " in " MARK_TABLE;
    uint32_t check = 0;
    if (found != 0 || insert_pieces(mark, mark_seal(body, check), command ? command : "") != 0) {
        unlock(p->connection, name);
        mark = mark_file();
        errno = found > 0 ? EEXIST : EIO;
        return -1;
    }
    mark.check = check;
    return 0;
}

int mark_take_of(mark_file &mark, const pjct_rec *p, const std::string &name, std::string &body)
{
    body.clear();
    if (!server(p) || name.find('/') != std::string::npos) {
        if (name.find('/') != std::string::npos) return mark_take(mark, name, body);
        std::string dir = mark_folder(p);
        return dir.empty() ? MARK_NONE : mark_take(mark, dir + name, body);
    }
    mark = mark_file();
    mark.path = name + " in " MARK_TABLE;
    std::vector<std::string> orders, pieces;
    int locked = try_lock(p->connection, name);
    if (locked != 1) {
        long n = query_texts(p->connection, "SELECT WRITER" + of_name(name) + " ORDER BY ORDNUMBER", "WRITER", pieces);
        if (n == 0) return MARK_NONE;
        if (n > 0) mark.command = pieces[0];
        if (locked == 0) return MARK_BUSY;
        body = std::string("the server cannot say whether its command still runs: ") + sql_last_failure()->text;
        return MARK_DAMAGED;
    }
    mark.connection = p->connection;
    mark.name = name;
    std::string order = " ORDER BY ORDNUMBER";
    long n = query_texts(p->connection, "SELECT ORDNUMBER" + of_name(name) + order, "ORDNUMBER", orders);
    long m = n > 0 ? query_texts(p->connection, "SELECT MARKTEXT" + of_name(name) + order, "MARKTEXT", pieces) : n;
    if (n == 0) {
        mark_server_end(mark, true);
        return MARK_NONE;
    }
    std::string why;
    std::string sealed = n < 0 || m != n ? "" : join_pieces(orders, pieces, why);
    if (n < 0 || m != n) why = std::string("it cannot be read: ") + sql_last_failure()->text;
    if (why.empty() && mark_unseal(sealed, body, why) == 0) return MARK_FOUND;
    body = why;
    return MARK_DAMAGED;
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
        for (const std::string &r : rows)
            if (ends_in(r, ext, false)) names.push_back(r);
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

std::string mark_busy_text(const mark_file &mark, const char *table, const char *command)
{
    return std::string(table) + " is being written by " +
           (mark.command.empty() ? command : mark.command.c_str()) + " in another session.";
}
