/*
** asi_statement.h: CAsiStatement, a statement prepared on a connection:
** its dynamic function code, its result columns described without running
** it, its input parameters, and the cursors declared on it.
**
**     CAsiStatement s;
**     s.prepare(conn, "SELECT * FROM ROCK");
**     if (s.functionCode() == ASI_FUNC_CURSOR_SPEC) ... else s.execute();
*/
#ifndef PV_SQLCLIENT_ASI_STATEMENT_H
#define PV_SQLCLIENT_ASI_STATEMENT_H

#include <chrono>
#include <vector>

#include "sqlclient/asi_descriptor.h"
#include "sqlclient/asi_handle.h"
#include "sqlclient/asi_message.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/asi_transport.h"

class CAsiConnection;
class CAsiCursor;

/* The longest statement text (characters): what one text item carries. */
constexpr int ASI_STMT_TEXT_MAX = 32767;

/* SQLSTATE conditions of statements: 26000 invalid SQL statement name (not
** prepared), 07001 using clause does not match parameters, 24000 invalid
** cursor state, 07005 prepared statement not a cursor specification. */
constexpr int ASI_STATE_NOT_PREPARED = 0x2600;
constexpr int ASI_STATE_PARAMS = 0x0701;
constexpr int ASI_STATE_CURSOR = 0x2400;
constexpr int ASI_STATE_NOT_CURSOR = 0x0705;

class CAsiStatement : public CAsiHandle {
public:
    CAsiStatement() noexcept;

    /* Deallocates quietly and detaches its cursors and connection. */
    ~CAsiStatement() override;

    /* Prepares the text on the connection (a prepared statement is
    ** deallocated first) and keeps its description.  An INSERT, UPDATE or
    ** DELETE text without parameters is described here (its standard
    ** function code, no columns, no parameters) and reaches the driver
    ** with each execution, in one round trip; its driver conditions then
    ** come from execute.  Raises 08003,
    ** ASI_ERR_BAD_ARGUMENT for a missing text or one beyond
    ** ASI_STMT_TEXT_MAX, and the driver's conditions (the statement is then
    ** not prepared). */
    void prepare(CAsiConnection *conn, const char *text);

    /* The dynamic function code (18 for a cursor specification); raises
    ** 26000 when not prepared. */
    int functionCode() const;

    /* Executes a statement that is not a cursor specification with its
    ** parameter values; answers the rows touched.  Raises 26000, 07005
    ** for a cursor specification, 07001 when a parameter has no value,
    ** and the driver's conditions. */
    long execute();

    /* Releases the prepared statement; the description is forgotten and
    ** open cursors are closed.  The release reaches the driver with the
    ** connection's next request.  Nothing when not prepared. */
    void deallocate();

    /* The whole result the driver answered the prepare with, for the
    ** statement's first open: moved into bytes and rows (one undecoded row
    ** each, the first with full value records) while no request went to
    ** the driver since, the open follows the prepare at once (within the
    ** time the prepare's own request took) and the driver lives; 1.  0 when
    ** there is none, and from then on. */
    int takeResult(std::vector<unsigned char> &bytes, std::vector<asi_msg_block_row> &rows);

    /* Lets the whole result of the prepare go, with its memory. */
    void dropResult() noexcept;

    /* Bytes held for the whole result of the prepare (0 when none). */
    std::size_t resultHeld() const noexcept { return m_resultBytes.capacity(); }

    /* Number of result columns; raises 26000. */
    int columnCount() const;

    /* Result column i (from 0): its name and a null value of its type;
    ** raises 26000 and 07009. */
    const CAsiColumn &outputColumn(int i) const;

    /* 1 when result column i may be null; raises 26000 and 07009. */
    int columnNullable(int i) const;

    /* A new null value of result column i's type, owned by the caller, in
    ** *out; answers 1.  Raises 26000, 07009 and 0xA008. */
    int describeColumn(int i, CAsiData **out) const;

    /* Number of input parameters; raises 26000. */
    int paramCount() const;

    /* Sets input parameter i (from 0) to a copy of v; raises 26000, 07009
    ** and 0xA008. */
    void setParameter(int i, const CAsiData &v);

    /* Refuses input parameter i: a value the caller bound could not be
    ** held, so its old value goes and the next execute or open raises the
    ** condition code instead of running.  Nothing for an i out of range. */
    void refuseParameter(int i, int code) noexcept;

    /* 1 while prepared; its connection (null when gone) and driver id. */
    int isPrepared() const noexcept { return m_prepared; }
    CAsiConnection *connection() const noexcept { return m_conn; }
    int id() const noexcept { return m_id; }

    /* Raises 26000 unless prepared on a live connection. */
    void requirePrepared() const;

    /* Writes the parameter values into a request; raises 07001 when one
    ** has none, a refused one's condition when one was refused. */
    void putParameters(CAsiMsgBuf &body) const;

    /* Cursors register while declared on the statement; the connection
    ** detaches itself when it goes. */
    void attach(CAsiCursor *c);
    void detach(CAsiCursor *c) noexcept;
    void connectionGone() noexcept;

    /* 1 while the text reaches the driver only with each execution. */
    int isDeferred() const noexcept { return m_isDeferred; }

private:
    /* Forgets the description. */
    void forget() noexcept;

    /* Takes the description of a prepare reply (columns, nullable flags,
    ** parameters, function code) and the whole result it answered. */
    void describe(CAsiMessage &reply);

    /* Sends the deferred text to be prepared, executed and forgotten by
    ** the driver in one round trip (the text stays deferred, to be sent
    ** again by the next execute); answers the rows touched.  Raises as
    ** execute. */
    long runDeferred();

    CAsiConnection *m_conn;          /* connection, null when none */
    int m_id;                        /* the driver's statement id, 0 when none */
    int m_prepared;                  /* 1 while prepared */
    int m_function;                  /* dynamic function code */
    CAsiRow *m_cols;                 /* result columns, null when none */
    std::vector<int> m_nullable;     /* nullable flag of each result column */
    CAsiDescriptor m_in;             /* input parameters */
    std::vector<int> m_refused;      /* by parameter: the condition refusing its bound value, or 0 */
    std::vector<CAsiCursor *> m_cursors; /* cursors declared on it */
    CAsiUcStr m_deferredText;        /* text sent with each execution, not prepared in the driver */
    int m_isDeferred;                /* 1 while m_deferredText is so sent */
    std::vector<unsigned char> m_resultBytes;     /* rows of the whole result the prepare answered */
    std::vector<asi_msg_block_row> m_resultRows;  /* each of them in m_resultBytes */
    long m_resultCalls = -1;         /* the driver's request count when it came; -1 when none is held */
    std::chrono::steady_clock::time_point m_resultAt{};   /* when it came */
    std::chrono::steady_clock::duration m_resultSpan{};   /* the time the prepare's request took */
};

#endif
