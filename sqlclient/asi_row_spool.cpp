/*
** asi_row_spool.cpp: a cursor's rows, the latest chunks in memory and the
** older ones in a temporary file (see the header).  A chunk goes to the
** file whole, as the ends of its rows followed by their bytes, and is read
** back whole when a fetch goes back to one of its rows.
*/
#include "sqlclient/asi_row_spool.h"

#include <algorithm>

/* Closes (and so removes) the temporary file. */
asi_row_spool::~asi_row_spool()
{
    if (m_file)
        std::fclose(m_file);
}

/* Keeps the high-water mark of the bytes held in memory. */
void asi_row_spool::noteMemory() noexcept
{
    if (m_held > m_highWater)
        m_highWater = m_held;
}

/* Writes the oldest chunk in memory to the end of the file and drops it
** from memory.  Answers 1, or 0 when the file cannot be made or written:
** the chunk then stays in memory (bytes written in part lie past every
** place recorded and are never read). */
int asi_row_spool::spill()
{
    if (!m_file && !(m_file = std::tmpfile()))
        return 0;
    const chunk &c = m_memory.front();
    chunk_place at;
    if (std::fseek(m_file, 0, SEEK_END) != 0 || (at.offset = std::ftell(m_file)) < 0)
        return 0;
    at.rows = c.ends.size();
    at.bytes = c.bytes.size();
    if (std::fwrite(c.ends.data(), sizeof c.ends[0], at.rows, m_file) != at.rows ||
        std::fwrite(c.bytes.data(), 1, at.bytes, m_file) != at.bytes || std::fflush(m_file) != 0)
        return 0;
    m_places.push_back(at);
    m_held -= c.bytes.size();
    m_memory.pop_front();
    return 1;
}

/* The chunk the next row goes into: the last one, or a new one when it is
** full (older ones going to the file while memory holds the budget), with
** room for as many bytes as the last one filled. */
asi_row_spool::chunk &asi_row_spool::filling()
{
    if (m_memory.empty() || (long)m_memory.back().ends.size() >= ASI_SPOOL_CHUNK_ROWS) {
        if (!m_memory.empty())
            m_chunkBytes = m_memory.back().bytes.size();
        /* m_held counts a chunk read back too: it stays within the budget. */
        while (!m_memory.empty() && m_held >= m_budget && spill()) {
        }
        m_memory.emplace_back();
        chunk &c = m_memory.back();
        c.first = m_count + 1;
        try {
            c.ends.reserve((std::size_t)ASI_SPOOL_CHUNK_ROWS);
            c.bytes.reserve(m_chunkBytes);
        } catch (...) {   /* the rows then make their own room */
        }
    }
    return m_memory.back();
}

/* Appends a batch of rows; see the header. */
void asi_row_spool::append(const char *data, const std::size_t *ends, std::size_t rows)
{
    for (std::size_t done = 0; done < rows;) {
        chunk &c = filling();
        std::size_t k = std::min(rows - done, (std::size_t)ASI_SPOOL_CHUNK_ROWS - c.ends.size());
        std::size_t from = done ? ends[done - 1] : 0, to = ends[done + k - 1];
        std::size_t before = c.bytes.size(), had = c.ends.size();
        try {
            c.bytes.append(data + from, to - from);
            for (std::size_t i = done; i < done + k; i++)
                c.ends.push_back(before + ends[i] - from);
        } catch (...) {
            c.bytes.resize(before);
            c.ends.resize(had);
            throw;
        }
        m_count += (long)k;
        m_held += to - from;
        noteMemory();
        done += k;
    }
}

/* Appends a row; see the header. */
void asi_row_spool::append(const void *data, std::size_t n)
{
    chunk &c = filling();
    std::size_t before = c.bytes.size();
    c.bytes.append(static_cast<const char *>(data), n);
    try {
        c.ends.push_back(c.bytes.size());
    } catch (...) {
        c.bytes.resize(before);
        throw;
    }
    m_count++;
    m_held += n;
    noteMemory();
}

/* Reads chunk index of the file into m_loaded.  Answers 1, or 0 when it
** cannot be read back. */
int asi_row_spool::load(std::size_t index)
{
    const chunk_place &at = m_places[index];
    m_held -= m_loaded.bytes.size();
    m_loaded.first = 0;
    m_loaded.ends.resize(at.rows);
    m_loaded.bytes.resize(at.bytes);
    m_held += at.bytes;
    noteMemory();
    if (std::fseek(m_file, at.offset, SEEK_SET) != 0 ||
        std::fread(m_loaded.ends.data(), sizeof m_loaded.ends[0], at.rows, m_file) != at.rows ||
        std::fread(&m_loaded.bytes[0], 1, at.bytes, m_file) != at.bytes)
        return 0;
    m_loaded.first = (long)index * ASI_SPOOL_CHUNK_ROWS + 1;
    return 1;
}

/* Row k; see the header. */
int asi_row_spool::row(long k, const char **data, std::size_t *n)
{
    if (k < 1 || k > m_count)
        return 0;
    const chunk *c = nullptr;
    if (!m_memory.empty() && k >= m_memory.front().first) {
        c = &m_memory[(std::size_t)((k - m_memory.front().first) / ASI_SPOOL_CHUNK_ROWS)];
    } else {
        std::size_t index = (std::size_t)((k - 1) / ASI_SPOOL_CHUNK_ROWS);
        if (m_loaded.first != (long)index * ASI_SPOOL_CHUNK_ROWS + 1 && !load(index))
            return 0;
        c = &m_loaded;
    }
    std::size_t i = (std::size_t)(k - c->first);
    std::size_t from = i ? c->ends[i - 1] : 0;
    *data = c->bytes.data() + from;
    *n = c->ends[i] - from;
    return 1;
}
