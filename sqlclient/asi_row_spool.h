/*
** asi_row_spool.h: the rows a driver keeps for an open cursor, each one a
** run of bytes the driver encodes, numbered from 1 in the order they were
** read.  The latest rows stay in memory, up to a budget of bytes; older
** ones go to a temporary file of the cursor's own, so that a cursor read
** over a million rows holds no more than the budget, and one scrolled back
** reads its rows again from the file.  A result within the budget never
** touches the file.
**
**     asi_row_spool s;
**     s.append(bytes, n);
**     const char *p; std::size_t len; s.row(1, &p, &len);
**
** Not locked: a driver that fills the spool in one thread and reads it in
** another holds its own lock around every call.
*/
#ifndef PV_SQLCLIENT_ASI_ROW_SPOOL_H
#define PV_SQLCLIENT_ASI_ROW_SPOOL_H

#include <cstddef>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

/* Rows in one chunk: the unit kept in memory or written to the file. */
constexpr long ASI_SPOOL_CHUNK_ROWS = 256;

/* Bytes of rows kept in memory before the oldest chunks go to the file
** (the chunk being filled and one read back from the file come on top). */
constexpr std::size_t ASI_SPOOL_MEMORY_BYTES = 4 << 20;

class asi_row_spool {
public:
    /* A spool keeping up to budget bytes of rows in memory. */
    explicit asi_row_spool(std::size_t budget = ASI_SPOOL_MEMORY_BYTES) noexcept : m_budget(budget) {}
    ~asi_row_spool();
    asi_row_spool(const asi_row_spool &) = delete;
    asi_row_spool &operator=(const asi_row_spool &) = delete;

    /* Appends a row of n bytes as row count() + 1; raises std::bad_alloc
    ** when memory runs out (the row is then not added).  Where the
    ** temporary file cannot be made or written, the rows stay in memory. */
    void append(const void *data, std::size_t n);

    /* Appends rows rows laid one after the other at data, ends[i] the
    ** offset after row i, as append does one by one but a chunk at a
    ** time; raises std::bad_alloc when memory runs out (the rows of the
    ** chunk being filled then are not added, those before stay). */
    void append(const char *data, const std::size_t *ends, std::size_t rows);

    /* Rows appended so far. */
    long count() const noexcept { return m_count; }

    /* Row k (1 to count()) into *data and *n, valid until the next call.
    ** Answers 1, or 0 for a row out of range or a file that cannot be
    ** read back. */
    int row(long k, const char **data, std::size_t *n);

    /* The most bytes of rows held in memory at once so far. */
    std::size_t memoryHighWater() const noexcept { return m_highWater; }

private:
    /* Consecutive rows: their bytes one after the other. */
    struct chunk {
        long first = 0;              /* number of its first row */
        std::string bytes;           /* the rows' bytes */
        std::vector<std::size_t> ends;   /* offset after each row in bytes */
    };
    /* Where a chunk written out lies in the file. */
    struct chunk_place {
        long offset = 0;             /* file offset of its ends, then its bytes */
        std::size_t rows = 0;        /* rows it holds */
        std::size_t bytes = 0;       /* bytes of its rows */
    };

    int spill();
    chunk &filling();
    int load(std::size_t index);
    void noteMemory() noexcept;

    std::size_t m_budget;            /* bytes of rows kept in memory before chunks are written out */
    std::deque<chunk> m_memory;      /* the latest chunks, oldest first; the last one fills */
    std::vector<chunk_place> m_places;   /* chunks in the file, by index from 0 */
    chunk m_loaded;                  /* one chunk read back from the file (first 0 when none) */
    std::FILE *m_file = nullptr;     /* the temporary file, owned; made at the first spill */
    long m_count = 0;                /* rows appended */
    std::size_t m_held = 0;          /* bytes of rows in memory now */
    std::size_t m_highWater = 0;     /* the most of m_held so far */
    std::size_t m_chunkBytes = 0;    /* bytes of the last chunk filled, room made for the next */
};

#endif
