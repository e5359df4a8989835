/*
** asi_cursor.cpp: opening, scrolling and closing a cursor in the driver,
** and filling the bound buffers from each fetched row.
*/
#include "sqlclient/asi_cursor.h"

#include <climits>

#include "sqlclient/asi_connection.h"
#include "sqlclient/asi_driver.h"
#include "sqlclient/asi_driver_side.h"
#include "sqlclient/asi_statement.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_data.h"

/* An undeclared cursor. */
CAsiCursor::CAsiCursor() noexcept
    : m_stmt(nullptr), m_id(0), m_open(0), m_onRow(0), m_rowNumber(0), m_at(0), m_blockFirst(0)
{
}

/* Closes quietly and leaves the statement. */
CAsiCursor::~CAsiCursor()
{
    if (m_open) {
        CAsiDiagArea scratch;
        asi_try_call(&scratch, 0, [&] {
            close();
            return 1;
        });
    }
    if (m_stmt)
        m_stmt->detach(this);
}

/* The statement went: the cursor is closed and undeclared. */
void CAsiCursor::statementGone() noexcept
{
    m_stmt = nullptr;
    m_open = 0;
    m_onRow = 0;
    m_rowNumber = 0;
    m_row.release();
    dropBlock();
}

/* Forgets the held rows. */
void CAsiCursor::dropBlock() noexcept
{
    m_blockBytes.clear();
    m_blockRows.clear();
    m_blockFirst = 0;
    m_at = 0;
    m_whole = 0;
    m_pending.assign(m_pending.size(), 0);
}

/* Learns what each column takes plain. */
void CAsiCursor::learnColumns()
{
    int n = m_row.count();
    m_columns.resize((std::size_t)n);
    m_plain.resize((std::size_t)n);
    m_pending.assign((std::size_t)n, 0);
    for (int i = 0; i < n; i++)
        m_columns[(std::size_t)i] = m_row.value(i) ? asi_plain_column_of(*m_row.value(i)) : asi_plain_column();
}

/* The value of column i, set from its plain value when pending. */
CAsiData *CAsiCursor::valueAt(int i) const
{
    CAsiData *v = m_row.value(i);
    if ((std::size_t)i < m_pending.size() && m_pending[(std::size_t)i]) {
        asi_plain_set(v, m_plain[(std::size_t)i]);
        m_pending[(std::size_t)i] = 0;
    }
    return v;
}

/* Declares on a prepared cursor specification. */
void CAsiCursor::declare(CAsiStatement *stmt, const char *name)
{
    if (!name || !name[0])
        asi_raise_state(ASI_STATE_CURSOR_NAME);
    CAsiUcStr n(name);
    if (n.length() > ASI_CURSOR_NAME_MAX)
        asi_raise_state(ASI_STATE_CURSOR_NAME);
    if (!stmt)
        asi_raise_state(ASI_STATE_NOT_PREPARED);
    if (m_open)
        asi_raise_state(ASI_STATE_CURSOR);
    stmt->requirePrepared();
    if (stmt->functionCode() != ASI_FUNC_CURSOR_SPEC)
        asi_raise_state(ASI_STATE_NOT_CURSOR);
    int columns = stmt->columnCount();
    m_binds.assign((std::size_t)columns, asi_host_bind{0, nullptr, 0, nullptr});
    if (m_stmt != stmt) {
        if (m_stmt)
            m_stmt->detach(this);
        m_stmt = nullptr;
        stmt->attach(this);
        m_stmt = stmt;
    }
    m_name = n;
}

/* Opens before the first row. */
void CAsiCursor::open()
{
    if (!m_stmt || m_open)
        asi_raise_state(ASI_STATE_CURSOR);
    m_stmt->requirePrepared();
    dropBlock();
    /* A result the prepare brought whole is read here; else the driver
    ** opens its own cursor. */
    int held = m_stmt->takeResult(m_blockBytes, m_blockRows);
    int id = 0;
    if (!held) {
        CAsiConnection *conn = m_stmt->connection();
        id = conn->newId();
        CAsiMsgBuf body;
        body.put([&](CAsiOStream &o) {
            o.putI32(ASI_TAG_ID, id);
            o.putI32(ASI_TAG_ID2, m_stmt->id());
        });
        m_stmt->putParameters(body);
        CAsiMessage reply;
        conn->request(ASI_REQ_OPEN, body, reply);
    }
    m_row.resize(m_stmt->columnCount());
    m_id = id;
    m_open = 1;
    m_onRow = 0;
    m_rowNumber = 0;
    if (!held) {
        dropBlock();
        return;
    }
    learnColumns();
    m_blockFirst = 1;
    m_whole = 1;
    m_pos = 0;
    m_typed = 0;
}

/* The row a fetch means, when known here. */
long CAsiCursor::targetRow(int orientation, long offset) const noexcept
{
    switch (orientation) {
    case ASI_FETCH_NEXT: return m_at > 0 ? m_at + 1 : -1;
    case ASI_FETCH_PRIOR: return m_at > 0 ? m_at - 1 : -1;
    case ASI_FETCH_RELATIVE: return m_at > 0 ? m_at + offset : -1;
    case ASI_FETCH_FIRST: return 1;
    case ASI_FETCH_ABSOLUTE: return offset > 0 ? offset : -1;
    default: return -1;
    }
}

/* Decodes a held row into the current row's values. */
void CAsiCursor::decodeRow(const unsigned char *data, std::size_t len, long n)
{
    CAsiIStream in(data, len);
    std::int32_t number = 0;
    if (in.nextTag() != ASI_TAG_ROW || !in.readI32(&number) || number != n)
        asi_fail(ASI_ERR_DRIVER_REPLY, "the driver sent row %d where row %ld was to follow", (int)number, n);
    std::size_t at = (std::size_t)in.position();   /* the next item's offset */
    for (int i = 0; i < m_row.count(); i++) {
        if (at >= len)
            asi_fail(ASI_ERR_DRIVER_REPLY, "the driver sent %d values for %d columns", i, m_row.count());
        if (std::size_t used = asi_plain_decode(data + at, len - at, &m_plain[(std::size_t)i])) {
            holdPlain(i);
            at += used;
            continue;
        }
        CAsiIStream rec(data + at, len - at);
        decodeValue(rec, i);
        at += (std::size_t)rec.position();
    }
    if (at < len)
        asi_fail(ASI_ERR_DRIVER_REPLY, "the driver sent more values than the %d columns", m_row.count());
}

/* Holds column i's plain value as it came, for the buffers, when the
** column takes it (a column without a value object takes nothing plain:
** learnColumns). */
void CAsiCursor::holdPlain(int i)
{
    std::size_t k = (std::size_t)i;
    if (!asi_plain_fits(m_columns[k], m_plain[k]))
        asi_fail(ASI_ERR_DRIVER_REPLY, "the driver sent column %d a plain value its type does not take", i + 1);
    m_pending[k] = 1;
}

/* Reads column i's item in (a value record, or a plain item asi_plain_decode
** refused) into the current row. */
void CAsiCursor::decodeValue(CAsiIStream &in, int i)
{
    int tag = in.nextTag();
    std::int32_t sub = 0, type = 0;
    if (tag == ASI_TAG_SUBTYPE) {
        if (!in.readI32(&sub))
            asi_throw(ASI_ERR_STREAM, "CAsiCursor::fetch", "bad subtype item");
        tag = in.nextTag();
    }
    CAsiData *v = m_row.value(i);
    std::size_t k = (std::size_t)i;
    if (tag >= ASI_TAG_PLAIN_NULL && tag <= ASI_TAG_PLAIN_TEXT && !sub) {
        if (!asi_plain_read(in, tag, &m_plain[k]))
            asi_throw(ASI_ERR_STREAM, "CAsiCursor::fetch", "plain value item refused");
        holdPlain(i);
        return;
    }
    if ((tag != ASI_TAG_VALUE && tag != ASI_TAG_VALUE_ONLY) || !in.readI32(&type))
        asi_throw(ASI_ERR_STREAM, "CAsiCursor::fetch", "value item expected");
    m_pending[k] = 0;
    int sameType = v && v->typeCode() == type &&
                   (type == ASI_TYPE_DATETIME ? v->datetimeCode() : type == ASI_TYPE_INTERVAL ? v->intervalCode() : 0) == sub;
    if (tag == ASI_TAG_VALUE_ONLY) {
        /* Only what changes from row to row: read into the column's
        ** value, which holds the rest from the row before. */
        if (!sameType)
            asi_fail(ASI_ERR_DRIVER_REPLY, "the driver sent column %d a value of type %d without its attributes",
                     i + 1, (int)type);
        if (!v->unpackValue(in))
            asi_throw(ASI_ERR_STREAM, "CAsiCursor::fetch", "value record refused");
    } else if (sameType) {
        if (!v->unpack(in))
            asi_throw(ASI_ERR_STREAM, "CAsiCursor::fetch", "value record refused");
        m_columns[k] = asi_plain_column_of(*v);
    } else {
        m_row.setValue(i, asi_value_read(in, sub));
        m_columns[k] = asi_plain_column_of(*m_row.value(i));
    }
}

/* Writes column i's value into b, plain where it can. */
void CAsiCursor::putColumn(std::size_t i, const asi_host_bind &b) const
{
    if (i < m_pending.size() && m_pending[i] && asi_plain_put(b, m_columns[i], m_plain[i]))
        return;
    asi_host_put(b, valueAt((int)i));
}

/* Fills the bound buffers. */
void CAsiCursor::putBinds()
{
    for (std::size_t i = 0; i < m_binds.size(); i++)
        if (m_binds[i].type)
            putColumn(i, m_binds[i]);
}

/* Serves a held row. */
int CAsiCursor::takeHeld(long n)
{
    const asi_msg_block_row &r = m_blockRows[(std::size_t)(n - m_blockFirst)];
    m_at = n;
    decodeRow(m_blockBytes.data() + r.offset, r.length, n);
    m_onRow = 1;
    m_rowNumber = n;
    putBinds();
    return 1;
}

/* Moves and reads the row. */
int CAsiCursor::fetch(int orientation, long offset)
{
    if (!m_open || !m_stmt)
        asi_raise_state(ASI_STATE_CURSOR);
    if (orientation < ASI_FETCH_NEXT || orientation > ASI_FETCH_RELATIVE || offset < INT_MIN ||
        offset > INT_MAX)
        asi_fail(ASI_ERR_BAD_ARGUMENT, "bad fetch orientation %d or offset %ld", orientation, offset);
    m_onRow = 0;
    m_rowNumber = 0;
    if (m_whole)
        return fetchWhole(orientation, offset);
    CAsiConnection *conn = m_stmt->connection();
    long target = targetRow(orientation, offset);
    long held = (long)m_blockRows.size();
    if (held > 0) {
        if (target >= m_blockFirst && target < m_blockFirst + held && conn->driverTrusted())
            return takeHeld(target);
        /* The driver's cursor stands on the last held row: a move from
        ** another row becomes the absolute fetch of the row it means. */
        long driverAt = m_blockFirst + held - 1;
        if (m_at > 0 && m_at != driverAt &&
            (orientation == ASI_FETCH_NEXT || orientation == ASI_FETCH_PRIOR || orientation == ASI_FETCH_RELATIVE)) {
            orientation = ASI_FETCH_ABSOLUTE;
            offset = target < 0 ? 0 : target > INT_MAX ? INT_MAX : target;
        }
    }
    dropBlock();
    CAsiMsgBuf body;
    body.put([&](CAsiOStream &o) {
        o.putI32(ASI_TAG_ID, m_id);
        o.putI32(ASI_TAG_ORIENT, orientation);
        o.putI32(ASI_TAG_OFFSET, (std::int32_t)offset);
        o.putI32(ASI_TAG_BLOCK, ASI_BLOCK_ROWS);
    });
    CAsiMessage reply;
    conn->request(ASI_REQ_FETCH, body, reply);
    if (reply.row <= 0) {
        asi_warn_state(ASI_STATE_NO_DATA);
        return 0;
    }
    if ((int)reply.values.size() != m_row.count())
        asi_fail(ASI_ERR_DRIVER_REPLY, "the driver sent %d values for %d columns", (int)reply.values.size(),
                 m_row.count());
    m_row.takeValues(reply.values);
    learnColumns();
    m_at = reply.row;
    if (!reply.blockRows.empty()) {
        m_blockBytes.swap(reply.blockBytes);
        m_blockRows.swap(reply.blockRows);
        m_blockFirst = (long)reply.row + 1;
    }
    m_onRow = 1;
    m_rowNumber = reply.row;
    putBinds();
    return 1;
}

/* Fetches from the whole result: every orientation moves as the
** driver's cursor would over the same rows. */
int CAsiCursor::fetchWhole(int orientation, long offset)
{
    CAsiConnection *conn = m_stmt->connection();
    if (!conn->driverTrusted())
        asi_fail(ASI_ERR_DRIVER_LOST, "the driver of %s has ended", conn->envName());
    long n = (long)m_blockRows.size(), to = 0;
    asi_drv_fetch_target(orientation, offset, m_pos, n, &to);
    m_pos = asi_drv_fetch_clamp(to, n);
    if (m_pos < 1 || m_pos > n) {
        asi_warn_state(ASI_STATE_NO_DATA);
        return 0;
    }
    if (!m_typed && m_pos != 1)
        decodeRow(m_blockBytes.data() + m_blockRows[0].offset, m_blockRows[0].length, 1);
    m_typed = 1;
    return takeHeld(m_pos);
}

/* Closes the cursor; one serving a whole result has nothing to close in
** the driver. */
void CAsiCursor::close()
{
    if (!m_open || !m_stmt)
        asi_raise_state(ASI_STATE_CURSOR);
    int whole = m_whole;
    m_open = 0;
    m_onRow = 0;
    m_rowNumber = 0;
    m_row.release();
    dropBlock();
    if (whole)
        return;
    CAsiMsgBuf body;
    body.put([&](CAsiOStream &o) { o.putI32(ASI_TAG_ID, m_id); });
    CAsiMessage reply;
    m_stmt->connection()->request(ASI_REQ_CLOSE, body, reply);
}

/* Binds a buffer to column i. */
void CAsiCursor::bind(int i, const asi_host_bind &b)
{
    if (!m_stmt)
        asi_raise_state(ASI_STATE_CURSOR);
    if (i < 0 || i >= (int)m_binds.size())
        asi_raise_state(ASI_STATE_BAD_INDEX);
    if (b.type)
        asi_host_check(b);
    m_binds[(std::size_t)i] = b;
}

/* Column i of the current row. */
const CAsiData *CAsiCursor::value(int i) const
{
    if (!m_onRow)
        asi_raise_state(ASI_STATE_CURSOR);
    return valueAt(i);
}

/* Column i of the current row into a buffer. */
void CAsiCursor::putValue(int i, const asi_host_bind &b) const
{
    if (!m_onRow)
        asi_raise_state(ASI_STATE_CURSOR);
    if (i < 0 || i >= m_row.count())
        asi_raise_state(ASI_STATE_BAD_INDEX);
    putColumn((std::size_t)i, b);
}
