/*
 * The files of a DB3 catalog directory besides the table data: finding a
 * table's files without regard to case, the directory's listing, the lock
 * a statement holds on a table file while it reads or writes it, and the
 * index side file.
 *
 * A table's indexes live in NAME.INI beside NAME.DBF, one section per
 * index:
 *
 *   ; indexes of table SAMPL
 *   [SAMPLPRI]
 *   Unique=0
 *   Columns=STN,SEC,SMP
 *
 * A session keeps the directory's listing (its tables and the journals
 * left beside them) while one stat of the directory shows it as it was,
 * once it was listed so long after its last change that a later change
 * shows in its times; a statement then looks for no file by name.
 *
 * The locks are flock() locks on the .DBF itself: shared while a statement
 * reads the table, exclusive while it writes it, so two connections (two
 * editors, or two driver processes) never interleave their writes. They
 * belong to the open file, not the process, and are taken in name order by
 * the caller so that two statements cannot wait for each other. A session
 * may keep a table's file open between its statements and lock it again
 * through the same descriptor (db3_lock_kept).
 */
#include "drivers/db3/db3_internal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include <fstream>
#include <sstream>

#include "wfile/wfile.h"

/* How long a statement waits for another connection's lock, and the
 * pause between two attempts (milliseconds). */
constexpr int DB3_LOCK_WAIT_MS = 10000;
constexpr int DB3_LOCK_PAUSE_MS = 5;

/* Extension of the index side file. */
constexpr const char *DB3_EXT_INDEX = ".INI";

/* Answers the path of NAME.ext in dir, found without regard to case; ""
 * when there is none or more than one candidate would be a guess. */
std::string db3_find_file(const std::string &dir, const std::string &name, const char *ext)
{
    std::string want = db3_upper(name) + ext;
    std::string path = dir + "/" + want;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
    std::string found;
    if (DIR *d = opendir(dir.c_str())) {
        while (struct dirent *e = readdir(d)) {
            if (strcasecmp(e->d_name, want.c_str()) == 0) {
                found = dir + "/" + e->d_name;
                break;
            }
        }
        closedir(d);
    }
    return found;
}

/* The path of a new NAME.ext (upper-case) in dir. */
std::string db3_new_path(const std::string &dir, const std::string &name, const char *ext)
{
    return dir + "/" + db3_upper(name) + ext;
}

/* Nanoseconds of one tick of a file system's clock the engine allows for
 * (two seconds on the coarsest): a change within the same tick as the one
 * before leaves a file's times as they were. */
constexpr long long DB3_FILE_TICK_NS = 2000000000LL;

/* The tick allowed for, and 1 when times are read rounded down to it
 * (db3_set_file_tick). */
static long long s_file_tick_ns = DB3_FILE_TICK_NS;
static int s_file_tick_rounds = 0;

/* Sets the file-time tick (see db3_engine.h). */
void db3_set_file_tick(long long ns)
{
    s_file_tick_rounds = ns > 0;
    s_file_tick_ns = ns > 0 ? ns : DB3_FILE_TICK_NS;
}

/* Nanoseconds of a time of stat(), rounded down to the tick when a test
 * set one. */
long long db3_file_time_ns(const struct timespec &t)
{
    long long ns = (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
    return s_file_tick_rounds ? ns - ns % s_file_tick_ns : ns;
}

/* Nanoseconds of the coarsest fine-grained file time: a time that is a
 * whole number of them was set by a coarse clock (FAT's 2 s, exFAT's 10
 * ms, a network share's second). */
constexpr long long DB3_COARSE_TIME_NS = 10000000LL;

/* Answers whether a file's time was set by a coarse clock (see
 * db3_internal.h). */
bool db3_coarse_time(const struct timespec &t)
{
    return s_file_tick_rounds || t.tv_nsec % DB3_COARSE_TIME_NS == 0;
}

/* The clock file times are set from, in nanoseconds. */
long long db3_clock_ns()
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

/* Answers whether a file last changed at last_ns (the later of its
 * times) had settled when its state was taken at taken_ns: a tick or more
 * before, so that any later change moves its times. */
bool db3_settled(long long last_ns, long long taken_ns)
{
    return last_ns + s_file_tick_ns < taken_ns;
}

/* Brings a listing up to its directory (see db3_internal.h). A table's
 * path is its .DBF as listed with the extension upper-cased, or the file
 * db3_find_file finds when there is no such entry. */
void db3_list_catalog(const std::string &dir, db3_listing *l)
{
    struct stat st;
    if (stat(dir.c_str(), &st) != 0) {
        long version = l->version;
        *l = db3_listing();
        l->version = version + 1;
        return;
    }
    long long mtime = db3_file_time_ns(st.st_mtim), ctime = db3_file_time_ns(st.st_ctim);
    if (l->listed && l->trusted && l->dev == (unsigned long long)st.st_dev && l->ino == (unsigned long long)st.st_ino
        && l->mtime_ns == mtime && l->ctime_ns == ctime)
        return;
    /* Read before the entries: a change after them is later still. */
    long long now = db3_clock_ns();
    l->version++;
    l->listed = 1;
    l->dev = st.st_dev;
    l->ino = st.st_ino;
    l->mtime_ns = mtime;
    l->ctime_ns = ctime;
    l->trusted = db3_settled(std::max(mtime, ctime), now);
    l->entries.clear();
    l->tables.clear();
    if (DIR *d = opendir(dir.c_str())) {
        while (struct dirent *e = readdir(d)) {
            size_t n = strlen(e->d_name);
            l->entries.emplace(e->d_name, n);
            if (n > 4 && strcasecmp(e->d_name + n - 4, DBF_EXT_TABLE) == 0)
                l->tables.emplace(db3_upper(std::string(e->d_name, n - 4)), db3_listed{std::string(e->d_name, n - 4)});
        }
        closedir(d);
    }
    for (auto &t : l->tables) {
        std::string file = t.second.path + DBF_EXT_TABLE;
        t.second.path = l->entries.count(file) ? dir + "/" + file : db3_find_file(dir, t.first, DBF_EXT_TABLE);
        t.second.journal = db3_journal_listed(t.second.path, l->entries);
    }
}

/* Lists the tables of dir: the base names of its .DBF files. */
std::vector<std::string> db3_list_tables(const std::string &dir)
{
    std::vector<std::string> out;
    if (DIR *d = opendir(dir.c_str())) {
        while (struct dirent *e = readdir(d)) {
            size_t n = strlen(e->d_name);
            if (n > 4 && strcasecmp(e->d_name + n - 4, DBF_EXT_TABLE) == 0)
                out.emplace_back(e->d_name, n - 4);
        }
        closedir(d);
    }
    return out;
}

/* Takes the flock() op (LOCK_SH or LOCK_EX) on fd, waiting up to
 * DB3_LOCK_WAIT_MS. Answers 1, or 0 with DB3_ERR_LOCKED or DB3_ERR_IO
 * naming path (fd is left open). */
static int db3_flock_wait(int fd, int op, const std::string &path, db3_error *err)
{
    for (int waited = 0;; waited += DB3_LOCK_PAUSE_MS) {
        if (flock(fd, op | LOCK_NB) == 0) return 1;
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= DB3_LOCK_WAIT_MS) {
            if (errno == EWOULDBLOCK)
                return db3_fail(err, DB3_ERR_LOCKED, "table file %s is locked by another connection", path.c_str());
            return db3_fail(err, DB3_ERR_IO, "cannot lock %s: %s", path.c_str(), strerror(errno));
        }
        usleep(DB3_LOCK_PAUSE_MS * 1000);
    }
}

/* Takes a lock on the file at path (see db3_internal.h). Answers 1, or 0
 * with DB3_ERR_IO when the file cannot be opened, DB3_ERR_LOCKED when
 * another connection keeps it locked for longer than DB3_LOCK_WAIT_MS,
 * or the condition of a failed restore. */
int db3_lock_file(db3_lock *lk, const std::string &path, int exclusive, db3_error *err, int recover)
{
    db3_unlock_file(lk);
    /* Never through a link swapped in since the logon, never waiting on a FIFO. */
    int fd = wf_open(path.c_str(), O_RDONLY);
    if (fd < 0) return db3_fail(err, DB3_ERR_IO, "cannot open %s: %s", path.c_str(), wf_reason(errno));
    if (!db3_flock_wait(fd, exclusive ? LOCK_EX : LOCK_SH, path, err)) {
        close(fd);
        return 0;
    }
    lk->fd = fd;
    lk->path = path;
    return !recover || db3_lock_recover(lk, exclusive, err);
}

/* Takes a lock through a kept descriptor (see db3_internal.h). */
int db3_lock_kept(db3_lock *lk, int fd, const std::string &path, int exclusive, db3_error *err)
{
    db3_unlock_file(lk);
    if (!db3_flock_wait(fd, exclusive ? LOCK_EX : LOCK_SH, path, err)) return 0;
    lk->fd = fd;
    lk->path = path;
    lk->kept = 1;
    return 1;
}

/* Restores a locked table from the journal of a statement cut short (see
 * db3_internal.h). */
int db3_lock_recover(db3_lock *lk, int exclusive, db3_error *err)
{
    int ok = 1;
    if (db3_journal_exists(lk->path)) {
        ok = (exclusive || db3_flock_wait(lk->fd, LOCK_EX, lk->path, err)) && db3_journal_restore(lk->path, err);
        if (ok && !exclusive) ok = db3_flock_wait(lk->fd, LOCK_SH, lk->path, err);
    }
    if (!ok) db3_unlock_file(lk);
    return ok;
}

/* Releases a lock (closing its descriptor releases it; a kept one stays
 * open). */
void db3_unlock_file(db3_lock *lk)
{
    if (lk->fd >= 0 && lk->kept)
        flock(lk->fd, LOCK_UN);
    else if (lk->fd >= 0)
        close(lk->fd);
    lk->fd = -1;
    lk->kept = 0;
}

/* Cuts blanks from both ends of a text. */
static std::string db3_trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

/* Reads the indexes of table (see db3_internal.h). Answers 1 (no side file
 * is no index), or 0 with DB3_ERR_DAMAGED for a line that is neither a
 * section, an entry nor a comment, or an index without columns. */
int db3_read_indexes(const std::string &dir, const std::string &table, std::vector<db3_index> *out, db3_error *err)
{
    out->clear();
    std::string path = db3_find_file(dir, table, DB3_EXT_INDEX);
    if (path.empty()) return 1;
    FILE *f = wf_fopen(path.c_str(), "rb");
    if (!f) return db3_fail(err, DB3_ERR_IO, "cannot read the index file %s: %s", path.c_str(), wf_reason(errno));
    std::string text;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    bool failed = ferror(f);
    fclose(f);
    if (failed) return db3_fail(err, DB3_ERR_IO, "cannot read the index file %s", path.c_str());
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        std::string t = db3_trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t[0] == '[' && t.back() == ']') {
            db3_index ix;
            ix.name = db3_upper(db3_trim(t.substr(1, t.size() - 2)));
            out->push_back(ix);
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos || out->empty())
            return db3_fail(err, DB3_ERR_DAMAGED, "index file %s, line %d: not an index entry", path.c_str(), number);
        std::string key = db3_upper(db3_trim(t.substr(0, eq)));
        std::string value = db3_trim(t.substr(eq + 1));
        if (key == "UNIQUE") {
            out->back().unique = value == "1";
        } else if (key == "COLUMNS") {
            std::stringstream ss(value);
            std::string col;
            while (std::getline(ss, col, ','))
                if (!db3_trim(col).empty()) out->back().columns.push_back(db3_upper(db3_trim(col)));
        }
    }
    for (const db3_index &ix : *out)
        if (ix.name.empty() || ix.columns.empty())
            return db3_fail(err, DB3_ERR_DAMAGED, "index file %s: index %s has no columns", path.c_str(), ix.name.c_str());
    return 1;
}

/* Writes the indexes of table (see db3_internal.h): the text goes to a
 * temporary file that is renamed over the old one. Answers 1, or 0 with
 * DB3_ERR_IO. */
int db3_write_indexes(const std::string &dir, const std::string &table, const std::vector<db3_index> &list, db3_error *err)
{
    std::string path = db3_find_file(dir, table, DB3_EXT_INDEX);
    if (list.empty()) {
        if (!path.empty() && unlink(path.c_str()) != 0)
            return db3_fail(err, DB3_ERR_IO, "cannot remove %s: %s", path.c_str(), strerror(errno));
        return 1;
    }
    if (path.empty()) path = db3_new_path(dir, table, DB3_EXT_INDEX);
    std::string temp;
    FILE *f = wf_temp_fopen(path, temp, "w");
    if (!f) return db3_fail(err, DB3_ERR_IO, "cannot write the index file %s: %s", path.c_str(), wf_reason(errno));
    /* The first step that fails gives the reason. */
    int e = 0;
    auto step = [&e](bool done) {
        if (!done && !e) e = errno ? errno : EIO;
        return done;
    };
    bool ok = step(fprintf(f, "; indexes of table %s\n", db3_upper(table).c_str()) > 0);
    for (const db3_index &ix : list) {
        std::string cols;
        for (const std::string &c : ix.columns) cols += (cols.empty() ? "" : ",") + c;
        ok = ok && step(fprintf(f, "[%s]\nUnique=%d\nColumns=%s\n", ix.name.c_str(), ix.unique, cols.c_str()) > 0);
    }
    ok = step(fflush(f) == 0) && ok;
    ok = step(fclose(f) == 0) && ok;
    if (!ok || !step(wf_place(temp, path) == 0)) {
        unlink(temp.c_str());
        return db3_fail(err, DB3_ERR_IO, "cannot write the index file %s: %s", path.c_str(), strerror(e));
    }
    return 1;
}

/* Bytes of a .DBF header that change with every write of its records:
 * the date of the last update (1 to 3), the record count (4 to 7) and
 * the change counter (DB3_COUNTER_AT). */
constexpr size_t DB3_HEAD_STAMP_FROM = 1;
constexpr size_t DB3_HEAD_STAMP_TO = 8;

/* Zeroes the date, record count and change counter in the first bytes of
 * a .DBF. */
static void db3_head_unstamped(std::string *head)
{
    for (size_t i = DB3_HEAD_STAMP_FROM; i < DB3_HEAD_STAMP_TO && i < head->size(); i++) (*head)[i] = '\0';
    for (size_t i = DB3_COUNTER_AT; i < DB3_COUNTER_AT + 2 && i < head->size(); i++) (*head)[i] = '\0';
}

/* Reads the header fields and descriptors of the .DBF at path as one text
 * (the layout a virtual table was declared from), with the fields' names
 * and column types. Answers 1, or 0 with
 * DB3_ERR_DAMAGED when the library refuses the file, DB3_ERR_IO when it
 * cannot be opened. */
int db3_read_layout(const std::string &path, db3_vtab_entry *entry, db3_error *err)
{
    dbf_handle *h = dbf_new();
    if (!h) return db3_fail(err, DB3_ERR_MEMORY, "no memory to open %s", path.c_str());
    int rc = dbf_open(h, path.c_str(), DBF_MODE_READ, 0);
    if (rc != DBF_OK) {
        dbf_free(h);
        if (rc == DBF_ERR_OPEN || rc == DBF_ERR_ARG)
            return db3_fail(err, DB3_ERR_IO, "cannot open table file %s", path.c_str());
        return db3_fail(err, DB3_ERR_DAMAGED, "table file %s is damaged (dBASE code %d)", path.c_str(), rc);
    }
    std::string *layout = &entry->layout;
    entry->path = path;
    entry->names.clear();
    entry->types.clear();
    for (int i = 0; i < h->field_count; i++) {
        dbf_field f = h->fields[i];
        f.type = h->file_types[i];
        entry->names.push_back(f.name);
        entry->types.push_back(db3_type_of_field(&f));
    }
    layout->assign(reinterpret_cast<const char *>(&h->header.header_length), sizeof h->header.header_length);
    layout->append(reinterpret_cast<const char *>(&h->header.record_length), sizeof h->header.record_length);
    layout->append(reinterpret_cast<const char *>(h->fields), sizeof(dbf_field) * (size_t)h->field_count);
    layout->append(h->file_types, (size_t)h->field_count);
    layout->push_back((char)h->header.version);
    /* The header, the descriptors dbf_open read and their terminator. */
    entry->head.resize(DBF_HEADER_SIZE + DBF_FIELD_SIZE * (size_t)h->field_count + 1);
    if (pread(fileno(h->file), &entry->head[0], entry->head.size(), 0) != (ssize_t)entry->head.size())
        entry->head.clear();
    db3_head_unstamped(&entry->head);
    entry->records = (long)h->header.record_count;
    dbf_close(h);
    dbf_free(h);
    return 1;
}

/* The record count of a .DBF's first bytes (see db3_internal.h): four
 * bytes from the least significant, after the date. */
long db3_head_records(const std::string &head)
{
    if (head.size() < DB3_HEAD_STAMP_TO) return -1;
    unsigned long n = 0;
    for (size_t i = DB3_HEAD_STAMP_TO; i-- > DB3_HEAD_STAMP_TO - 4;) n = n << 8 | (unsigned char)head[i];
    return (long)n;
}

/* Answers whether a file still has a layout (see db3_internal.h): one
 * read of its first bytes. */
int db3_layout_unchanged(int fd, const db3_vtab_entry &entry, std::string *head)
{
    if (fd < 0 || entry.head.empty()) return 0;
    std::string now(entry.head.size(), '\0');
    if (pread(fd, &now[0], now.size(), 0) != (ssize_t)now.size()) return 0;
    if (head) *head = now;
    db3_head_unstamped(&now);
    return now == entry.head;
}
