/*
** asi_cursor.cpp: opening, scrolling and closing a cursor in the driver,
** and filling the bound buffers from each fetched row.
*/
#include "sqlclient/asi_cursor.h"

#include <climits>

#include "sqlclient/asi_connection.h"
#include "sqlclient/asi_diag.h"
#include "sqlclient/asi_driver.h"
#include "sqlclient/asi_except.h"
#include "sqlclient/asi_statement.h"

/* An undeclared cursor. */
CAsiCursor::CAsiCursor() noexcept : m_stmt(nullptr), m_id(0), m_open(0), m_onRow(0), m_rowNumber(0) {}

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
    CAsiConnection *conn = m_stmt->connection();
    int id = conn->newId();
    CAsiMsgBuf body;
    body.put([&](CAsiOStream &o) {
        o.putI32(ASI_TAG_ID, id);
        o.putI32(ASI_TAG_ID2, m_stmt->id());
    });
    m_stmt->putParameters(body);
    CAsiMessage reply;
    conn->request(ASI_REQ_OPEN, body, reply);
    m_row.resize(m_stmt->columnCount());
    m_id = id;
    m_open = 1;
    m_onRow = 0;
    m_rowNumber = 0;
}

/* Moves and reads the row. */
int CAsiCursor::fetch(int orientation, long offset)
{
    if (!m_open || !m_stmt)
        asi_raise_state(ASI_STATE_CURSOR);
    if (orientation < ASI_FETCH_NEXT || orientation > ASI_FETCH_RELATIVE || offset < INT_MIN ||
        offset > INT_MAX)
        asi_fail(ASI_ERR_BAD_ARGUMENT, "bad fetch orientation %d or offset %ld", orientation, offset);
    CAsiMsgBuf body;
    body.put([&](CAsiOStream &o) {
        o.putI32(ASI_TAG_ID, m_id);
        o.putI32(ASI_TAG_ORIENT, orientation);
        o.putI32(ASI_TAG_OFFSET, (std::int32_t)offset);
    });
    CAsiMessage reply;
    m_onRow = 0;
    m_rowNumber = 0;
    m_stmt->connection()->request(ASI_REQ_FETCH, body, reply);
    if (reply.row <= 0) {
        asi_warn_state(ASI_STATE_NO_DATA);
        return 0;
    }
    if ((int)reply.values.size() != m_row.count())
        asi_fail(ASI_ERR_DRIVER_REPLY, "the driver sent %d values for %d columns", (int)reply.values.size(),
                 m_row.count());
    m_row.takeValues(reply.values);
    m_onRow = 1;
    m_rowNumber = reply.row;
    for (std::size_t i = 0; i < m_binds.size(); i++)
        if (m_binds[i].type)
            asi_host_put(m_binds[i], m_row.value((int)i));
    return 1;
}

/* Closes the cursor. */
void CAsiCursor::close()
{
    if (!m_open || !m_stmt)
        asi_raise_state(ASI_STATE_CURSOR);
    m_open = 0;
    m_onRow = 0;
    m_rowNumber = 0;
    m_row.release();
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
    return m_row.value(i);
}
