/*
 * The rollback journal of a DB3 table: what a statement is about to
 * overwrite, saved beside the table before its first byte is written, so
 * that a statement cut short by a kill of the driver (or of the editor,
 * which takes the driver with it) is undone by the next connection that
 * locks the table.
 *
 * A statement changes a table in three ways only: records rewritten in
 * place, records and memo blocks appended, and the headers of the .DBF and
 * the .DBT rewritten. The journal keeps, for each file, its size and the
 * bytes of every range to be overwritten in place (the header, each
 * changed record, the last byte, which the first appended record takes
 * over); undoing is writing those bytes back and cutting the file to its
 * old size. A rollback journal was chosen over new files renamed into
 * place because a statement usually changes a few records of a large
 * table: the journal costs what is changed, a copy would cost the table.
 *
 * A connection keeps one journal file per table it writes, NAME.JNL: a
 * statement writes its journal into it and, once the table is written
 * whole, cuts it back to its first eight bytes, so that a statement costs
 * no new file, rename or removal (on ext4 a new or emptied file is also
 * pushed to the disk when it is closed; a file cut to a few bytes is
 * not). The file is removed when the connection is done with the table
 * and no other connection is using it. The journal's first eight bytes,
 * its mark, are written last: zeros first, and the mark once everything
 * after them is there. A journal of at most eight bytes (empty, or cut
 * back to its mark), or one whose mark is still zeros (a kill while it
 * was written), means nothing was changed yet: there is nothing to undo.
 * A longer journal with its mark is complete and is undone, and removed,
 * by the next connection that locks the table. A NAME.JNL.tmp (the
 * journal being written, as earlier versions of the driver wrote it) also
 * means nothing was changed and is removed. Restoring twice is harmless,
 * so a kill during a restore is mended by the next one. The journal
 * guards against ended processes, not against a machine losing power:
 * nothing is forced to the disk.
 *
 * The file, all numbers little-endian 64-bit:
 *
 *   "PVDB3JNL"  file count
 *   per file:   path length, path, size before, range count,
 *               per range: offset, length, the bytes
 *   "JNLEND!!"
 */
#include "drivers/db3/db3_internal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "wfile/wfile.h"

/* Marks of the journal's first and last eight bytes. */
static const char DB3_JNL_MAGIC[] = "PVDB3JNL";
static const char DB3_JNL_END[] = "JNLEND!!";
constexpr size_t DB3_JNL_MARK = 8;

/* Extension of the journal, and the suffix of one being written. */
constexpr const char *DB3_EXT_JOURNAL = ".JNL";
constexpr const char *DB3_JNL_TEMP = ".tmp";

/* Permissions of a new journal file (the process's umask applies). */
constexpr mode_t DB3_JNL_MODE = 0666;

/* Longest path and most files and ranges a journal may name: a larger
 * number is a damaged journal, not a reason to allocate without end. */
constexpr unsigned long long DB3_JNL_PATH_MAX = 4096;
constexpr unsigned long long DB3_JNL_FILES_MAX = 16;
constexpr unsigned long long DB3_JNL_RANGE_MAX = 1ull << 20;

/* The hook run after each write of a statement (tests only), or none. */
static db3_write_hook s_write_hook = nullptr;

/* Sets the hook run after each write (see db3_engine.h). */
void db3_set_write_hook(db3_write_hook hook)
{
    s_write_hook = hook;
}

/* Runs the write hook (see db3_internal.h). */
void db3_after_write(FILE *flush_first)
{
    if (!s_write_hook) return;
    if (flush_first) fflush(flush_first);
    s_write_hook();
}

/* The journal's path for the table file dbf: its extension replaced. */
std::string db3_journal_path(const std::string &dbf)
{
    size_t n = dbf.size(), ext = strlen(DBF_EXT_TABLE);
    std::string base = n > ext && strcasecmp(dbf.c_str() + n - ext, DBF_EXT_TABLE) == 0 ? dbf.substr(0, n - ext) : dbf;
    return base + DB3_EXT_JOURNAL;
}

/* Writes v as eight little-endian bytes. Answers whether it was written. */
static bool db3_jnl_put(FILE *f, unsigned long long v)
{
    unsigned char b[8];
    for (int i = 0; i < 8; i++) b[i] = (unsigned char)(v >> (8 * i));
    return fwrite(b, sizeof b, 1, f) == 1;
}

/* Reads eight little-endian bytes into *v. Answers whether they were there. */
static bool db3_jnl_get(FILE *f, unsigned long long *v)
{
    unsigned char b[8];
    if (fread(b, sizeof b, 1, f) != 1) return false;
    *v = 0;
    for (int i = 0; i < 8; i++) *v |= (unsigned long long)b[i] << (8 * i);
    return true;
}

/* Copies the bytes of one range of the open file fd (those beyond its
 * end are not there and are saved as none) into the journal. Answers
 * whether all went well. */
static bool db3_jnl_copy_range(FILE *out, int fd, long long size, long long at, long long length)
{
    if (at < 0 || at >= size) length = 0;
    else if (length > size - at) length = size - at;
    if (!db3_jnl_put(out, (unsigned long long)(at < 0 ? 0 : at)) || !db3_jnl_put(out, (unsigned long long)length))
        return false;
    char buf[65536];
    for (long long done = 0; done < length;) {
        size_t want = (size_t)(length - done < (long long)sizeof buf ? length - done : (long long)sizeof buf);
        ssize_t got = pread(fd, buf, want, (off_t)(at + done));
        if (got <= 0 || fwrite(buf, (size_t)got, 1, out) != 1) return false;
        done += got;
    }
    return true;
}

/* Writes one file's part of the journal: its path, size and ranges (its
 * last byte added). A file that does not exist is saved with size 0 and
 * no ranges. Answers whether all went well. */
static bool db3_jnl_save_file(FILE *out, const db3_jfile &file)
{
    int fd = wf_open(file.path.c_str(), O_RDONLY);
    struct stat st;
    long long size = fd >= 0 && fstat(fd, &st) == 0 ? (long long)st.st_size : 0;
    /* The records rewritten in place, a range a run of them (within the
     * most a range may hold). */
    long length = file.records ? file.records->record_length : 1;
    long most = std::max(1L, (long)(DB3_JNL_RANGE_MAX / (unsigned long long)length));
    auto spans = [&](const std::function<int(long, long)> &visit) {
        return !file.records || db3_pending_spans(file.records, 0, file.records->base, most, visit);
    };
    unsigned long long runs = 0;
    spans([&](long, long) { return (int)++runs; });
    bool ok = db3_jnl_put(out, file.path.size()) && fwrite(file.path.data(), file.path.size(), 1, out) == 1 &&
              db3_jnl_put(out, (unsigned long long)size) && db3_jnl_put(out, file.ranges.size() + runs + 1);
    for (size_t i = 0; ok && i < file.ranges.size(); i++)
        ok = db3_jnl_copy_range(out, fd, size, file.ranges[i].first, file.ranges[i].second);
    ok = ok && spans([&](long first, long count) {
             return (int)db3_jnl_copy_range(out, fd, size, file.records_at + (long long)first * length,
                                            (long long)count * length);
         });
    ok = ok && db3_jnl_copy_range(out, fd, size, size - 1, 1);
    if (fd >= 0) close(fd);
    return ok;
}

/* Cuts the journal file path back to its mark, never through a link.
 * Answers 0, or -1 with errno. */
static int db3_jnl_cut(const std::string &path)
{
    int fd = wf_open(path.c_str(), O_WRONLY);
    if (fd < 0) return -1;
    int rc = ftruncate(fd, (off_t)DB3_JNL_MARK);
    int e = errno;
    close(fd);
    errno = e;
    return rc;
}

/* Saves the journal of the table dbf (see db3_internal.h): the kept
 * journal file is written over, after eight zero bytes, cut to its new
 * length, and the mark put over the zeros last. */
int db3_journal_save(const std::string &dbf, const std::vector<db3_jfile> &files, db3_error *err)
{
    static const char unmarked[DB3_JNL_MARK] = {};
    std::string path = db3_journal_path(dbf);
    int fd = wf_open(path.c_str(), O_RDWR | O_CREAT, DB3_JNL_MODE);
    FILE *out = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!out) {
        int e = errno;
        if (fd >= 0) close(fd);
        return db3_fail(err, DB3_ERR_IO, "cannot write the journal %s: %s", path.c_str(), wf_reason(e));
    }
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && fwrite(unmarked, DB3_JNL_MARK, 1, out) == 1 && db3_jnl_put(out, files.size());
    for (size_t i = 0; ok && i < files.size(); i++) ok = db3_jnl_save_file(out, files[i]);
    ok = ok && fwrite(DB3_JNL_END, DB3_JNL_MARK, 1, out) == 1 && fflush(out) == 0;
    off_t length = ok ? ftello(out) : 0;
    ok = ok && length > 0 && (st.st_size <= length || ftruncate(fd, length) == 0);
    if (ok) db3_after_write();
    ok = ok && pwrite(fd, DB3_JNL_MAGIC, DB3_JNL_MARK, 0) == (ssize_t)DB3_JNL_MARK;
    int e = ok ? 0 : errno;
    if (fclose(out) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        /* Cut back to its mark, the journal undoes nothing: the table was
         * not touched. */
        if (db3_jnl_cut(path) != 0 && !e) e = errno;
        return db3_fail(err, DB3_ERR_IO, "cannot write the journal %s: %s", path.c_str(), strerror(e ? e : EIO));
    }
    db3_after_write();
    return 1;
}

/* Cuts the journal of the table dbf back to its mark once its statement
 * is written whole (the file is kept for the next statement). Answers 1,
 * or 0 with DB3_ERR_IO. */
int db3_journal_drop(const std::string &dbf, db3_error *err)
{
    std::string path = db3_journal_path(dbf);
    if (db3_jnl_cut(path) != 0 && errno != ENOENT)
        return db3_fail(err, DB3_ERR_IO, "cannot clear the journal %s: %s", path.c_str(), wf_reason(errno));
    return 1;
}

/* One range of a journal being read back: where its bytes go and where
 * the journal holds them (read when they are put back, never all held in
 * memory at once). */
struct db3_jrange {
    long long at;            /* offset in the file */
    long long length;        /* bytes */
    long long from;          /* offset of its bytes in the journal */
};

/* One file of a journal being read back. */
struct db3_jrestore {
    std::string path;                 /* the file */
    long long size;                   /* its size before the statement */
    std::vector<db3_jrange> ranges;   /* what it held in place */
};

/* Reads a whole journal's layout into files, passing over the bytes of
 * its ranges. Answers whether it is sound. */
static bool db3_jnl_read(FILE *in, std::vector<db3_jrestore> *files)
{
    char mark[DB3_JNL_MARK];
    unsigned long long count = 0;
    if (fread(mark, sizeof mark, 1, in) != 1 || memcmp(mark, DB3_JNL_MAGIC, DB3_JNL_MARK) != 0
        || !db3_jnl_get(in, &count) || count > DB3_JNL_FILES_MAX)
        return false;
    struct stat st;
    if (fstat(fileno(in), &st) != 0) return false;
    for (unsigned long long i = 0; i < count; i++) {
        db3_jrestore f;
        unsigned long long length = 0, size = 0, ranges = 0;
        if (!db3_jnl_get(in, &length) || length == 0 || length > DB3_JNL_PATH_MAX) return false;
        f.path.resize(length);
        if (fread(&f.path[0], length, 1, in) != 1 || f.path.find('\0') != std::string::npos) return false;
        if (!db3_jnl_get(in, &size) || size > (unsigned long long)INT64_MAX || !db3_jnl_get(in, &ranges)) return false;
        f.size = (long long)size;
        for (unsigned long long r = 0; r < ranges; r++) {
            unsigned long long at = 0, n = 0;
            if (!db3_jnl_get(in, &at) || !db3_jnl_get(in, &n) || n > DB3_JNL_RANGE_MAX || at + n > size) return false;
            long long from = (long long)ftello(in);
            if (from < 0 || from + (long long)n > (long long)st.st_size || fseeko(in, (off_t)n, SEEK_CUR) != 0)
                return false;
            f.ranges.push_back(db3_jrange{(long long)at, (long long)n, from});
        }
        files->push_back(std::move(f));
    }
    return fread(mark, sizeof mark, 1, in) == 1 && memcmp(mark, DB3_JNL_END, DB3_JNL_MARK) == 0 && fgetc(in) == EOF;
}

/* Puts one file back as the journal (open as jfd) saw it: its ranges
 * written back and the file cut to its old size. Answers whether all went
 * well (a file gone since is well only when it was empty). */
static bool db3_jnl_restore_file(int jfd, const db3_jrestore &f)
{
    int fd = wf_open(f.path.c_str(), O_WRONLY);
    if (fd < 0) return errno == ENOENT && f.size == 0;
    bool ok = true;
    char buf[65536];
    for (const db3_jrange &r : f.ranges)
        for (long long done = 0; ok && done < r.length;) {
            size_t want = (size_t)std::min(r.length - done, (long long)sizeof buf);
            ok = pread(jfd, buf, want, (off_t)(r.from + done)) == (ssize_t)want &&
                 pwrite(fd, buf, want, (off_t)(r.at + done)) == (ssize_t)want;
            done += (long long)want;
        }
    ok = ok && ftruncate(fd, (off_t)f.size) == 0;
    return close(fd) == 0 && ok;
}

/* Answers whether path names one of the table dbf's own files: in its
 * folder, under its name with any extension (the .DBF, the .DBT). A
 * journal naming any other file is not the table's. */
static bool db3_jnl_own_file(const std::string &dbf, const std::string &path)
{
    auto folder = [](const std::string &p) {
        size_t slash = p.rfind('/');
        return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
    };
    auto stem = [](const std::string &p) {
        std::string name = p.substr(p.rfind('/') + 1);   /* npos + 1 is 0 */
        size_t dot = name.rfind('.');
        return dot == std::string::npos ? name : name.substr(0, dot);
    };
    return folder(dbf) == folder(path) && strcasecmp(stem(dbf).c_str(), stem(path).c_str()) == 0;
}

/* Answers whether the journal open in in, longer than its mark, is sound
 * at its start: *marked is set when it carries its mark; one whose mark
 * is still zeros (cut short while it was written) does not and undoes
 * nothing. Answers false for a journal that begins with anything else
 * (damaged). */
static bool db3_jnl_marked(FILE *in, bool *marked)
{
    static const char unmarked[DB3_JNL_MARK] = {};
    char mark[DB3_JNL_MARK];
    bool whole = fread(mark, sizeof mark, 1, in) == 1;
    *marked = whole && memcmp(mark, DB3_JNL_MAGIC, DB3_JNL_MARK) == 0;
    return *marked || (whole && memcmp(mark, unmarked, DB3_JNL_MARK) == 0);
}

/* Undoes a statement cut short (see db3_internal.h). */
int db3_journal_restore(const std::string &dbf, db3_error *err)
{
    std::string path = db3_journal_path(dbf);
    unlink((path + DB3_JNL_TEMP).c_str());   /* cut short before the table was touched */
    if (!db3_journal_exists(dbf)) return 1;
    FILE *in = wf_fopen(path.c_str(), "rb");
    if (!in) return db3_fail(err, DB3_ERR_IO, "cannot read the journal %s: %s", path.c_str(), wf_reason(errno));
    std::vector<db3_jrestore> files;
    bool marked = false;
    bool sound = db3_jnl_marked(in, &marked);
    if (sound && marked) sound = fseek(in, 0, SEEK_SET) == 0 && db3_jnl_read(in, &files);
    for (const db3_jrestore &f : files)
        if (sound && !db3_jnl_own_file(dbf, f.path)) {
            fclose(in);
            return db3_fail(err, DB3_ERR_DAMAGED, "the journal %s names %s, which is not a file of its table; nothing was restored",
                            path.c_str(), f.path.c_str());
        }
    if (!sound) {
        fclose(in);
        return db3_fail(err, DB3_ERR_DAMAGED, "the journal %s of an unfinished statement is damaged; the table cannot be restored",
                        path.c_str());
    }
    for (const db3_jrestore &f : files)
        if (!db3_jnl_restore_file(fileno(in), f)) {
            int e = errno;
            fclose(in);
            return db3_fail(err, DB3_ERR_IO, "cannot restore %s from its journal: %s", f.path.c_str(), wf_reason(e));
        }
    fclose(in);
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        return db3_fail(err, DB3_ERR_IO, "cannot remove the journal %s: %s", path.c_str(), strerror(errno));
    return 1;
}

/* Removes the kept journal of the table dbf (see db3_internal.h) under an
 * exclusive lock taken without waiting: a connection that holds the table
 * may be writing the journal, and then keeps it. */
void db3_journal_forget(const std::string &dbf)
{
    int fd = wf_open(dbf.c_str(), O_RDONLY);
    if (fd < 0) return;
    std::string path = db3_journal_path(dbf);
    struct stat st;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && stat(path.c_str(), &st) == 0 && st.st_size <= (off_t)DB3_JNL_MARK)
        unlink(path.c_str());
    close(fd);
}

/* Answers whether the table dbf has a journal to look at: one longer than
 * its mark, or one being written as earlier versions wrote it. */
int db3_journal_exists(const std::string &dbf)
{
    struct stat st;
    std::string path = db3_journal_path(dbf);
    return (stat(path.c_str(), &st) == 0 && st.st_size > (off_t)DB3_JNL_MARK) || stat((path + DB3_JNL_TEMP).c_str(), &st) == 0;
}

/* Answers whether a directory's entries hold dbf's journal (see
 * db3_internal.h). */
int db3_journal_listed(const std::string &dbf, const std::set<std::string> &entries)
{
    std::string name = db3_journal_path(dbf);
    name.erase(0, name.rfind('/') + 1);
    return entries.count(name) || entries.count(name + DB3_JNL_TEMP);
}
