/*
** asi_statement.cpp: preparing, describing, executing and releasing a
** statement in the driver.  A prepare of a small query may come back with
** its whole result, which the statement keeps for its first open when it
** comes at once; a release travels with the connection's next request.
*/
#include "sqlclient/asi_statement.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <strings.h>

#include "sqlclient/asi_connection.h"
#include "sqlclient/asi_cursor.h"
#include "sqlclient/asi_driver.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

/* An unprepared statement. */
CAsiStatement::CAsiStatement() noexcept
    : m_conn(nullptr), m_id(0), m_prepared(0), m_function(0), m_cols(nullptr), m_isDeferred(0)
{
}

namespace {

/* The standard dynamic function codes of the statements described
** without the driver. */
constexpr int FUNC_DELETE_WHERE = 19;
constexpr int FUNC_INSERT = 50;
constexpr int FUNC_UPDATE_WHERE = 82;

/* 1 when text begins with the keyword kw (any case) and a blank. */
int starts_with_word(const char *text, const char *kw) noexcept
{
    std::size_t n = std::strlen(kw);
    return strncasecmp(text, kw, n) == 0 && std::isspace((unsigned char)text[n]);
}

/* 1 when c may stand inside a word of a statement text. */
int word_char(char c) noexcept
{
    return std::isalnum((unsigned char)c) || c == '_' || c == '$' || c == '#';
}

/* 1 when the text, read outside its literals ('...', a quote doubled
** inside) and quoted names ("..."), holds what only the driver can
** describe: a parameter marker, a statement end, a comment, or the word
** CURRENT of a positioned statement; 1 as well for a literal or name left
** open.  A '?', ';' or "current" inside a literal is the literal's own. */
int needs_description(const char *text) noexcept
{
    static const char positioned[] = "CURRENT";   /* of WHERE CURRENT OF */
    constexpr std::size_t POSITIONED_LEN = sizeof positioned - 1;
    for (const char *p = text; *p; p++) {
        char c = *p;
        if (c == '\'' || c == '"') {
            /* to the closing quote; a doubled one stays inside */
            for (p++;; p++) {
                if (!*p)
                    return 1;
                if (*p == c) {
                    if (p[1] != c)
                        break;
                    p++;
                }
            }
        } else if (c == '?' || c == ';' || (c == '-' && p[1] == '-') || (c == '/' && p[1] == '*')) {
            return 1;
        } else if (word_char(c) && (p == text || !word_char(p[-1]))) {
            if (strncasecmp(p, positioned, POSITIONED_LEN) == 0 && !word_char(p[POSITIONED_LEN]))
                return 1;
        }
    }
    return 0;
}

/* The function code of an INSERT, UPDATE or DELETE text that surely has
** no parameters and is no positioned statement; 0 for any other text
** (which the driver describes). */
int predicted_function(const char *text) noexcept
{
    while (std::isspace((unsigned char)*text))
        text++;
    if (needs_description(text))
        return 0;
    if (starts_with_word(text, "INSERT"))
        return FUNC_INSERT;
    if (starts_with_word(text, "UPDATE"))
        return FUNC_UPDATE_WHERE;
    if (starts_with_word(text, "DELETE"))
        return FUNC_DELETE_WHERE;
    return 0;
}

} // namespace

/* Forgets the description. */
void CAsiStatement::forget() noexcept
{
    m_prepared = 0;
    delete m_cols;
    m_cols = nullptr;
    m_nullable.clear();
    m_in.release();
    m_refused.clear();
    m_isDeferred = 0;
    m_deferredText.clear();
    m_resultBytes.clear();
    m_resultRows.clear();
    m_resultCalls = -1;
}

/* Deallocates quietly and lets go of cursors and connection. */
CAsiStatement::~CAsiStatement()
{
    CAsiDiagArea scratch;
    asi_try_call(&scratch, 0, [&] {
        deallocate();
        return 1;
    });
    forget();
    for (CAsiCursor *c : m_cursors)
        c->statementGone();
    m_cursors.clear();
    if (m_conn)
        m_conn->detach(this);
}

/* Raises 26000 unless prepared on a live connection. */
void CAsiStatement::requirePrepared() const
{
    if (!m_prepared || !m_conn)
        asi_raise_state(ASI_STATE_NOT_PREPARED);
}

/* Prepares and describes. */
void CAsiStatement::prepare(CAsiConnection *conn, const char *text)
{
    if (!conn || !text)
        asi_fail(ASI_ERR_BAD_ARGUMENT, "no connection or no statement text");
    CAsiUcStr sql(text);
    if (sql.length() > ASI_STMT_TEXT_MAX)
        asi_fail(ASI_ERR_BAD_ARGUMENT, "statement text longer than %d characters", ASI_STMT_TEXT_MAX);
    if (!conn->isConnected())
        asi_raise_state(ASI_STATE_NO_CONNECTION);
    deallocate();
    if (m_conn != conn) {
        if (m_conn)
            m_conn->detach(this);
        m_conn = nullptr;
        conn->attach(this);
        m_conn = conn;
    }
    int id = conn->newId();
    int predicted = predicted_function(text);
    if (predicted) {
        m_id = id;
        m_function = predicted;
        m_deferredText = sql;
        m_isDeferred = 1;
        m_prepared = 1;
        return;
    }
    CAsiMsgBuf body;
    body.put([&](CAsiOStream &o) {
        o.putI32(ASI_TAG_ID, id);
        o.putUcStr(ASI_TAG_NAME, sql);
    });
    CAsiMessage reply;
    auto sent = std::chrono::steady_clock::now();
    conn->request(ASI_REQ_PREPARE, body, reply);
    m_id = id;
    describe(reply);
    m_resultAt = std::chrono::steady_clock::now();
    m_resultSpan = m_resultAt - sent;
}

/* Takes a prepare reply's description. */
void CAsiStatement::describe(CAsiMessage &reply)
{
    if (reply.params < 0)
        asi_fail(ASI_ERR_DRIVER_REPLY, "negative parameter count from the driver");
    int n = (int)reply.columns.size();
    CAsiRow *cols = new CAsiRow(n);
    if (!cols)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiStatement::prepare");
    std::vector<int> nullable((std::size_t)n);
    try {
        for (int i = 0; i < n; i++) {
            (*cols)[i].name().set(reply.columns[(std::size_t)i].name);
            (*cols)[i].setValue(reply.columns[(std::size_t)i].type);
            nullable[(std::size_t)i] = reply.columns[(std::size_t)i].nullable;
        }
        m_in.resize(reply.params);
        m_refused.assign((std::size_t)reply.params, 0);
    } catch (...) {
        delete cols;
        throw;
    }
    delete m_cols;
    m_cols = cols;
    m_nullable.swap(nullable);
    m_function = reply.function;
    m_prepared = 1;
    m_resultBytes.clear();
    m_resultRows.clear();
    m_resultCalls = -1;
    if (reply.result >= 0 && (std::size_t)reply.result == reply.blockRows.size() &&
        m_function == ASI_FUNC_CURSOR_SPEC && m_in.count() == 0) {
        m_resultBytes.swap(reply.blockBytes);
        m_resultRows.swap(reply.blockRows);
        m_resultCalls = m_conn->driverCalls();
        m_conn->holdResult(this);
    }
}

/* Lets the held result go; see the header. */
void CAsiStatement::dropResult() noexcept
{
    std::vector<unsigned char>().swap(m_resultBytes);
    std::vector<asi_msg_block_row>().swap(m_resultRows);
    m_resultCalls = -1;
}

/* The whole result answered with the prepare, while still current: no
** other request went to the driver since, and the open follows the
** prepare's reply within the time the prepare's own request took.  A later
** open, which the write of another program may have preceded, asks the
** driver, which reads the tables as they are then. */
int CAsiStatement::takeResult(std::vector<unsigned char> &bytes, std::vector<asi_msg_block_row> &rows)
{
    int current = m_resultCalls >= 0 && m_conn && m_conn->driverCalls() == m_resultCalls && m_conn->driverAlive() &&
                  std::chrono::steady_clock::now() - m_resultAt <= m_resultSpan;
    if (current) {
        bytes.swap(m_resultBytes);
        rows.swap(m_resultRows);
    }
    m_resultBytes.clear();
    m_resultRows.clear();
    m_resultCalls = -1;
    return current;
}

/* Prepares and executes the deferred text in one round trip. */
long CAsiStatement::runDeferred()
{
    CAsiMsgBuf body;
    body.put([&](CAsiOStream &o) {
        o.putI32(ASI_TAG_ID, m_id);
        o.putUcStr(ASI_TAG_NAME, m_deferredText);
    });
    CAsiMessage reply;
    try {
        m_conn->request(ASI_REQ_PREPARE_EXECUTE, body, reply);
    } catch (...) {
        /* Without a function code the driver could not prepare it: the
        ** statement is not prepared, as when a prepare fails.  Else it ran
        ** and failed; the driver forgot it, the text is kept to run again. */
        if (reply.function == 0)
            forget();
        else
            describe(reply);
        throw;
    }
    describe(reply);
    if (m_function == ASI_FUNC_CURSOR_SPEC || m_in.count() > 0) {
        /* Not what it looked like: the driver keeps it prepared, unrun. */
        m_isDeferred = 0;
        m_deferredText.clear();
        asi_raise_state(m_function == ASI_FUNC_CURSOR_SPEC ? ASI_STATE_NOT_CURSOR : ASI_STATE_PARAMS);
    }
    return reply.rowCount;
}

/* The dynamic function code. */
int CAsiStatement::functionCode() const
{
    requirePrepared();
    return m_function;
}

/* Writes the parameter values. */
void CAsiStatement::putParameters(CAsiMsgBuf &body) const
{
    for (int i = 0; i < m_in.count(); i++) {
        const CAsiData *v = m_in.value(i);
        if (!v && (std::size_t)i < m_refused.size() && m_refused[(std::size_t)i])
            asi_raise_state(m_refused[(std::size_t)i]);
        if (!v)
            asi_raise_state(ASI_STATE_PARAMS);
        body.put([&](CAsiOStream &o) { asi_value_write(o, *v); });
    }
}

/* Executes a statement that is no cursor specification. */
long CAsiStatement::execute()
{
    requirePrepared();
    if (m_function == ASI_FUNC_CURSOR_SPEC)
        asi_raise_state(ASI_STATE_NOT_CURSOR);
    if (m_isDeferred)
        return runDeferred();
    CAsiMsgBuf body;
    body.put([&](CAsiOStream &o) { o.putI32(ASI_TAG_ID, m_id); });
    putParameters(body);
    CAsiMessage reply;
    m_conn->request(ASI_REQ_EXECUTE, body, reply);
    return reply.rowCount;
}

/* Releases the statement in the driver. */
void CAsiStatement::deallocate()
{
    if (!m_prepared)
        return;
    /* Open cursors are closed in the driver before their statement goes. */
    std::vector<CAsiCursor *> cursors;
    cursors.swap(m_cursors);
    for (CAsiCursor *c : cursors) {
        if (c->isOpen()) {
            CAsiDiagArea scratch;
            asi_try_call(&scratch, 0, [&] {
                c->close();
                return 1;
            });
        }
        c->statementGone();
    }
    int sent = !m_isDeferred;   /* the driver forgets a deferred text after each run */
    forget();
    if (sent && m_conn && m_conn->isConnected())
        m_conn->releaseLater(m_id);
}

/* Number of result columns. */
int CAsiStatement::columnCount() const
{
    requirePrepared();
    return m_cols ? m_cols->count() : 0;
}

/* Result column i. */
const CAsiColumn &CAsiStatement::outputColumn(int i) const
{
    requirePrepared();
    if (!m_cols || i < 0 || i >= m_cols->count())
        asi_raise_state(ASI_STATE_BAD_INDEX);
    return (*m_cols)[i];
}

/* 1 when result column i may be null. */
int CAsiStatement::columnNullable(int i) const
{
    outputColumn(i);
    return m_nullable[(std::size_t)i];
}

/* A new null value of column i's type. */
int CAsiStatement::describeColumn(int i, CAsiData **out) const
{
    const CAsiColumn &col = outputColumn(i);
    if (!out || !col.value())
        asi_fail(ASI_ERR_BAD_ARGUMENT, "no value to describe into");
    CAsiData *v = col.value()->clone();
    if (!v)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiStatement::describeColumn");
    v->setNull();
    *out = v;
    return 1;
}

/* Number of input parameters. */
int CAsiStatement::paramCount() const
{
    requirePrepared();
    return m_in.count();
}

/* Sets input parameter i. */
void CAsiStatement::setParameter(int i, const CAsiData &v)
{
    requirePrepared();
    m_in.item(i);
    CAsiData *copy = v.clone();
    if (!copy)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiStatement::setParameter");
    m_in.setValue(i, copy);
    if ((std::size_t)i < m_refused.size())
        m_refused[(std::size_t)i] = 0;
}

/* The value goes; the condition waits for the next execution. */
void CAsiStatement::refuseParameter(int i, int code) noexcept
{
    if (!m_prepared || i < 0 || i >= m_in.count() || (std::size_t)i >= m_refused.size())
        return;
    try {
        m_in.setValue(i, nullptr);
    } catch (...) {
        return;
    }
    m_refused[(std::size_t)i] = code;
}

/* A cursor registers. */
void CAsiStatement::attach(CAsiCursor *c)
{
    if (std::find(m_cursors.begin(), m_cursors.end(), c) == m_cursors.end())
        m_cursors.push_back(c);
}

/* A cursor leaves. */
void CAsiStatement::detach(CAsiCursor *c) noexcept
{
    m_cursors.erase(std::remove(m_cursors.begin(), m_cursors.end(), c), m_cursors.end());
}

/* The connection went: nothing is prepared any more. */
void CAsiStatement::connectionGone() noexcept
{
    for (CAsiCursor *c : m_cursors)
        c->statementGone();
    m_cursors.clear();
    forget();
    m_conn = nullptr;
}
