/*
 * The records a statement of the DB3 driver writes, kept apart from the
 * table's file until the statement commits (db3_internal.h): those it
 * changes in place and those it adds.
 *
 * A statement that changes a few records keeps them in memory. One that
 * changes more than DB3_PENDING_MEMORY bytes of them moves them into a
 * scratch file beside the table and goes on there: every record at its
 * own place (record n at n times the record's length), a bit per record
 * number telling which are there, so that the driver's memory stays the
 * same whether a statement changes ten records or ten million. The
 * scratch file has no name in the folder (or loses it at once), so a kill
 * leaves nothing behind; records written one after another go out in
 * runs, and are read back in runs, as the statement scans and commits in
 * record order.
 *
 *   db3_pending_begin(&p, dir, record_length, base);
 *   db3_pending_put(&p, n, bytes, &err);  ...  db3_pending_runs(&p, 0, base, most, visit, &err);
 */
#include "drivers/db3/db3_internal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "wfile/wfile.h"

/* Bytes of records a statement keeps in memory before it moves them into
 * its scratch file. */
constexpr size_t DB3_PENDING_MEMORY = 2u << 20;

/* Bytes a record kept in memory costs beyond its own: the map's node and
 * the string around it. */
constexpr size_t DB3_PENDING_OVERHEAD = 96;

/* Bytes of records written to, or read from, the scratch file at once. */
constexpr size_t DB3_PENDING_RUN = 256u << 10;

/* Bits of a word of the scratch file's record map. */
constexpr long DB3_PENDING_BITS = 64;

/* Answers whether the scratch file holds record n. */
static bool db3_pending_marked(const db3_pending *p, long n)
{
    size_t w = (size_t)(n / DB3_PENDING_BITS);
    return n >= 0 && w < p->marks.size() && (p->marks[w] >> (n % DB3_PENDING_BITS) & 1);
}

/* Notes that the scratch file holds record n. */
static void db3_pending_mark(db3_pending *p, long n)
{
    size_t w = (size_t)(n / DB3_PENDING_BITS);
    if (w >= p->marks.size()) p->marks.resize(std::max(w + 1, p->marks.size() * 2), 0);
    p->marks[w] |= (uint64_t)1 << (n % DB3_PENDING_BITS);
}

/* Offset of record n in the scratch file. */
static off_t db3_pending_at(const db3_pending *p, long n)
{
    return (off_t)n * (off_t)p->record_length;
}

/* Fails with the scratch file's error e. Answers 0. */
static int db3_pending_fail(db3_error *err, const db3_pending *p, int e)
{
    return db3_fail(err, DB3_ERR_IO, "cannot keep the changes of table %s beside it: %s", p->table.c_str(),
                    strerror(e ? e : EIO));
}

/* Writes the run of records waiting to go into the scratch file. Answers
 * 1, or 0 with DB3_ERR_IO. */
static int db3_pending_flush(db3_pending *p, db3_error *err)
{
    if (p->run_count == 0) return 1;
    const char *at = p->run.data();
    size_t left = p->run.size();
    off_t where = db3_pending_at(p, p->run_first);
    while (left > 0) {
        ssize_t n = pwrite(p->fd, at, left, where);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return db3_pending_fail(err, p, errno);
        at += n, left -= (size_t)n, where += n;
    }
    p->run.clear();
    p->run_count = 0;
    return 1;
}

/* Opens the scratch file in the table's folder: without a name when the
 * file system allows, else under a new name removed at once. Answers 1,
 * or 0 with DB3_ERR_IO. */
static int db3_pending_open(db3_pending *p, db3_error *err)
{
    p->fd = open(p->dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (p->fd >= 0) return 1;
    std::string temp;
    p->fd = wf_temp_open(p->dir + "/" + p->table, temp, 0600);
    if (p->fd < 0) return db3_pending_fail(err, p, errno);
    unlink(temp.c_str());
    return 1;
}

/* Moves the records held in memory into the scratch file. Answers 1, or
 * 0 with DB3_ERR_IO. */
static int db3_pending_spill(db3_pending *p, db3_error *err)
{
    if (!db3_pending_open(p, err)) return 0;
    for (auto &[n, bytes] : p->held) {
        if (p->run_count && (n != p->run_first + p->run_count || p->run.size() >= DB3_PENDING_RUN) &&
            !db3_pending_flush(p, err))
            return 0;
        if (!p->run_count) p->run_first = n;
        p->run.append(bytes);
        p->run_count++;
        db3_pending_mark(p, n);
    }
    std::map<long, std::string>().swap(p->held);
    return db3_pending_flush(p, err);
}

void db3_pending_begin(db3_pending *p, const std::string &dir, const std::string &table, int record_length, long base)
{
    db3_pending_clear(p);
    p->dir = dir;
    p->table = table;
    p->record_length = record_length;
    p->base = base;
}

void db3_pending_clear(db3_pending *p)
{
    if (p->fd >= 0) close(p->fd);
    p->fd = -1;
    std::map<long, std::string>().swap(p->held);
    std::vector<uint64_t>().swap(p->marks);
    std::string().swap(p->run);
    std::string().swap(p->scratch);
    p->run_count = 0;
    p->changed = p->added = 0;
}

bool db3_pending_has(const db3_pending *p, long n)
{
    return p->fd >= 0 ? db3_pending_marked(p, n) : p->held.count(n) > 0;
}

int db3_pending_put(db3_pending *p, long n, const char *rec, db3_error *err)
{
    bool had = db3_pending_has(p, n);
    if (p->fd < 0) {
        p->held[n].assign(rec, (size_t)p->record_length);
        if (p->held.size() * ((size_t)p->record_length + DB3_PENDING_OVERHEAD) > DB3_PENDING_MEMORY &&
            !db3_pending_spill(p, err)) {
            p->held.erase(n);
            return 0;
        }
    } else if (p->run_count && n >= p->run_first && n < p->run_first + p->run_count) {
        memcpy(&p->run[(size_t)(n - p->run_first) * (size_t)p->record_length], rec, (size_t)p->record_length);
    } else {
        if (p->run_count && (n != p->run_first + p->run_count || p->run.size() >= DB3_PENDING_RUN) &&
            !db3_pending_flush(p, err))
            return 0;
        if (!p->run_count) p->run_first = n;
        p->run.append(rec, (size_t)p->record_length);
        p->run_count++;
        db3_pending_mark(p, n);
    }
    if (!had) (n < p->base ? p->changed : p->added)++;
    return 1;
}

const char *db3_pending_get(db3_pending *p, long n, db3_error *err)
{
    if (p->fd < 0) {
        auto it = p->held.find(n);
        return it == p->held.end() ? nullptr : it->second.data();
    }
    if (!db3_pending_marked(p, n)) return nullptr;
    if (p->run_count && n >= p->run_first && n < p->run_first + p->run_count)
        return p->run.data() + (size_t)(n - p->run_first) * (size_t)p->record_length;
    p->scratch.resize((size_t)p->record_length);
    if (pread(p->fd, &p->scratch[0], p->scratch.size(), db3_pending_at(p, n)) != (ssize_t)p->scratch.size()) {
        db3_pending_fail(err, p, errno);
        return nullptr;
    }
    return p->scratch.data();
}

int db3_pending_spans(db3_pending *p, long from, long to, long most,
                      const std::function<int(long first, long count)> &visit)
{
    long first = -1, count = 0;
    auto take = [&](long n) {
        if (count && (n != first + count || count >= most)) {
            if (!visit(first, count)) return 0;
            count = 0;
        }
        if (!count) first = n;
        count++;
        return 1;
    };
    if (p->fd < 0) {
        for (auto it = p->held.lower_bound(from); it != p->held.end() && it->first < to; ++it)
            if (!take(it->first)) return 0;
    } else {
        for (long w = std::max(from, 0L) / DB3_PENDING_BITS; w < (long)p->marks.size() && w * DB3_PENDING_BITS < to;
             w++)
            for (uint64_t bits = p->marks[(size_t)w]; bits; bits &= bits - 1) {
                long n = w * DB3_PENDING_BITS + __builtin_ctzll(bits);
                if (n >= from && n < to && !take(n)) return 0;
            }
    }
    return count ? visit(first, count) : 1;
}

int db3_pending_runs(db3_pending *p, long from, long to, size_t most_bytes,
                     const std::function<int(long first, long count, char *bytes)> &visit, db3_error *err)
{
    if (p->fd >= 0 && !db3_pending_flush(p, err)) return 0;
    long most = std::max(1L, (long)(most_bytes / (size_t)p->record_length));
    std::string buf;
    return db3_pending_spans(p, from, to, most, [&](long first, long count) {
        buf.resize((size_t)count * (size_t)p->record_length);
        if (p->fd >= 0) {
            if (pread(p->fd, &buf[0], buf.size(), db3_pending_at(p, first)) != (ssize_t)buf.size())
                return db3_pending_fail(err, p, errno);
        } else {
            auto it = p->held.find(first);
            for (long k = 0; k < count; k++, ++it)
                memcpy(&buf[(size_t)k * (size_t)p->record_length], it->second.data(), (size_t)p->record_length);
        }
        return visit(first, count, &buf[0]);
    });
}
