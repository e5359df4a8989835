/*
** asi_driver_side.h: what a driver program needs to serve the engine.
**
** A driver is a program the engine starts for one environment.  It derives
** a session class from CAsiDrvSession (one session per connection), and its
** main hands a maker of sessions to asi_drv_serve, which attaches to the
** engine's shared mapping, serves requests until the engine asks it to
** quit or goes away, and answers the program's exit status.
**
**     class MySession : public CAsiDrvSession { ... };
**     static CAsiDrvSession *make(void *) { return new MySession; }
**     int main(int argc, char **argv) { return asi_drv_serve(argc, argv, make, nullptr); }
**
** Each handler answers 1 on success and 0 on failure, recording its
** conditions in the reply with error() (a native code, an SQLSTATE and a
** text); a failure without a condition is reported as ASI_ERR_DRIVER_FAILED.
** An engine exception thrown inside a handler (a value class refusing a
** text, for instance) becomes a condition of its code.
*/
#ifndef PV_SQLCLIENT_ASI_DRIVER_SIDE_H
#define PV_SQLCLIENT_ASI_DRIVER_SIDE_H

#include <cstdarg>
#include <cstddef>

#include "sqlclient/asi_message.h"
#include "sqlclient/asi_plain.h"

/* The reply a handler fills. */
class CAsiDrvReply {
public:
    CAsiDrvReply() noexcept : m_failed(0), m_blockLeft(0), m_blockBytes(0), m_inRow(0) {}

    /* Records an error condition: the driver's native code, the SQLSTATE
    ** (five characters; null gives "HY000") and a printf-style text. */
    void error(int native, const char *sqlstate, const char *fmt, ...)
        __attribute__((format(printf, 4, 5)));

    /* Records a completion condition (a warning); the request still
    ** succeeds. */
    void warning(int native, const char *sqlstate, const char *fmt, ...)
        __attribute__((format(printf, 4, 5)));

    /* prepare: the statement's dynamic function code (18 for a query),
    ** its number of input parameters, and one result
    ** column at a time: its name, a null value of its type (precision,
    ** scale and length included) and whether it may be null. */
    void setFunction(int code);
    void setParamCount(int n);
    void addColumn(const char *name, const CAsiData &type, int nullable = 1);

    /* execute: the number of rows the statement touched. */
    void setRowCount(long n);

    /* fetch: a row was found, its number (from 1); then its values in
    ** column order with addValue.  A fetch that sets no row answers "no
    ** row" (SQLSTATE 02000 at the engine). */
    void setRow(long number);
    void addValue(const CAsiData &value);

    /* fetchBlock: one further row, numbered from 1 like setRow; its values
    ** follow with addValue and it ends with endBlockRow.  beginBlockRow
    ** answers 0 when the block takes no more rows (nothing is begun then);
    ** endBlockRow answers 1 when the row went into the block, 0 when it did
    ** not fit in the bytes left (the row is dropped and the block is full).
    ** dropBlockRow forgets a begun row (a value that could not be made). */
    int beginBlockRow(long number);
    int endBlockRow();
    void dropBlockRow() noexcept;

    /* fetchBlock: one value of the further row being built, sent plain
    ** (asi_plain.h) in place of addValue where the column's value takes it
    ** (asi_plain_fits); the driver then needs no value object for it.
    ** Raises ASI_ERR_BAD_ARGUMENT outside a further row. */
    void addPlain(const asi_plain_value &value);

    /* fetchBlock: one further row whose value items the driver has written
    ** already (plain items, or value-only records with their type items),
    ** n bytes at items; in place of beginBlockRow, the values and
    ** endBlockRow.  Answers 1 when the row went into the block, 0 when the
    ** block takes no more rows (nothing is added then). */
    int addBlockRowItems(long number, const void *items, std::size_t n);

    /* Adds one further row with the values add() adds between
    ** beginBlockRow and endBlockRow; a value add() cannot make (it throws)
    ** drops the row, so that its own fetch reports the failure. Answers 1
    ** when the row went into the block, 0 when the block ended before it. */
    template <class AddValues>
    int addBlockRow(long number, AddValues add)
    {
        if (!beginBlockRow(number)) return 0;
        try {
            add();
        } catch (...) {
            dropBlockRow();
            return 0;
        }
        return endBlockRow();
    }

    /* The server: opens a block of at most rows further rows within bytes
    ** of the whole reply body; closeBlock ends it (a row left begun is
    ** dropped). */
    void openBlock(int rows, std::size_t bytes) noexcept;
    void closeBlock() noexcept;

    /* The function code and parameter count set for this reply (0 when
    ** none was set). */
    int function() const noexcept { return m_function; }
    int paramCount() const noexcept { return m_params; }

    /* 1 once setRow was called for this reply. */
    int hasRow() const noexcept { return m_hasRow; }

    /* Further rows that went into the block, and the number of the last
    ** row the reply carries (the row of setRow when the block is empty). */
    int blockRows() const noexcept { return m_blockRowsSent; }
    long lastRow() const noexcept { return m_lastRow; }

    /* 1 once an error condition was recorded; 1 once a warning was. */
    int failed() const noexcept { return m_failed; }
    int warned() const noexcept { return m_warned; }

    /* The reply's body (for the server). */
    const CAsiMsgBuf &body() const noexcept { return m_body; }
    CAsiMsgBuf &body() noexcept { return m_body; }

    /* Empties the reply for the next request. */
    void clear() noexcept
    {
        m_body.clear();
        m_row.clear();
        m_failed = 0;
        m_warned = 0;
        m_hasRow = 0;
        m_blockRowsSent = 0;
        m_lastRow = 0;
        m_rowNumber = 0;
        m_function = 0;
        m_params = 0;
        m_blockLeft = 0;
        m_inRow = 0;
    }

private:
    /* Appends a condition with its text, or with a text made from a
    ** printf format and its arguments. */
    void condition(int native, const char *sqlstate, int warning, const char *text);
    void conditionf(int native, const char *sqlstate, int warning, const char *fmt, va_list ap);

    CAsiMsgBuf m_body;         /* items of the reply */
    CAsiMsgBuf m_row;          /* items of the further row being built */
    int m_failed;              /* 1 once error() was called */
    int m_warned = 0;          /* 1 once warning() was called */
    int m_hasRow = 0;          /* 1 once setRow was called */
    int m_blockRowsSent = 0;   /* further rows in the block */
    long m_lastRow = 0;        /* number of the last row carried */
    long m_rowNumber = 0;      /* number of the further row being built */
    int m_function = 0;        /* function code set, 0 when none */
    int m_params = 0;          /* parameter count set */
    int m_blockLeft;           /* further rows the open block still takes, 0 when none */
    std::size_t m_blockBytes;  /* bytes the whole body may reach with its block */
    int m_inRow;               /* 1 between beginBlockRow and endBlockRow */
};

/* One connection's session in the driver. */
class CAsiDrvSession {
public:
    virtual ~CAsiDrvSession() {}

    /* Connects to the environment as user; 1 or 0. */
    virtual int connect(const CAsiUcStr &env, const CAsiUcStr &user, const CAsiUcStr &password,
                        CAsiDrvReply &r) = 0;

    /* Ends the session (the session is deleted after). */
    virtual void disconnect() {}

    /* Sets the default catalog or schema; 1 or 0.  The defaults accept. */
    virtual int setCatalog(const CAsiUcStr &name, CAsiDrvReply &r);
    virtual int setSchema(const CAsiUcStr &name, CAsiDrvReply &r);

    /* Prepares text under the statement id and describes it (function
    ** code, parameters, result columns); 1 or 0. */
    virtual int prepare(int stmt, const CAsiUcStr &text, CAsiDrvReply &r) = 0;

    /* Executes a prepared statement that is not a cursor specification
    ** with its parameter values; 1 or 0. */
    virtual int execute(int stmt, const asi_value_list &params, CAsiDrvReply &r) = 0;

    /* Forgets a prepared statement. */
    virtual void deallocate(int stmt) = 0;

    /* Opens a scrollable cursor on a prepared cursor specification, before
    ** its first row; 1 or 0. */
    virtual int open(int cursor, int stmt, const asi_value_list &params, CAsiDrvReply &r) = 0;

    /* Moves the cursor (ASI_FETCH_NEXT ... ASI_FETCH_RELATIVE with its
    ** offset) and, when it stands on a row, returns it with setRow and
    ** addValue; 1 (row or no row) or 0 on failure. */
    virtual int fetch(int cursor, int orientation, long offset, CAsiDrvReply &r) = 0;

    /* Optional: after a fetch that stood on a row, adds the rows that
    ** follow it in the cursor's order with the reply's beginBlockRow,
    ** addValue and endBlockRow, until one of them says no or the rows end,
    ** and leaves the cursor on the last row that went into the block.  The
    ** rows' numbers must be their absolute positions, each one more than
    ** the row before it, as an absolute fetch would find them.  The default
    ** adds none: the engine then fetches one row at a time. */
    virtual void fetchBlock(int cursor, CAsiDrvReply &r);

    /* Closes a cursor. */
    virtual void close(int cursor) = 0;

    /* 1 when opening a cursor on the prepared query stmt (one without
    ** parameters) costs little more than reading its first rows and those
    ** are likely all there is: its prepare then
    ** opens it at once, and answers its result whole when it is small
    ** (ASI_TAG_RESULT), so that a look-up costs one round trip.  That
    ** cursor's id is below 0 (the engine's are above) and no more than
    ** ASI_RESULT_ROWS + 1 of its rows are fetched, first, in blocks and
    ** next, before it is closed: a session need not read further ahead
    ** for it.  A query the application may prepare only to learn its
    ** columns (every row of a long table) should answer 0: the open would
    ** be work for nothing.  The default 0: a driver whose open runs the
    ** whole query opens only when the engine asks. */
    virtual int opensCheaply(int stmt) const
    {
        (void)stmt;
        return 0;
    }
};

/* Where a scrollable cursor of n rows standing at pos (0 before the first
** row, n + 1 after the last) moves for a fetch orientation and its offset,
** into *to (not yet held within 0..n + 1). Answers 1, or 0 for an unknown
** orientation. A driver that has not read every row yet passes the rows it
** has; only LAST and a negative ABSOLUTE need them all. */
int asi_drv_fetch_target(int orientation, long offset, long pos, long n, long *to);

/* A cursor position held within 0 (before the first row) and n + 1. */
inline long asi_drv_fetch_clamp(long pos, long n)
{
    return pos < 0 ? 0 : pos > n + 1 ? n + 1 : pos;
}

/* Makes the session of a new connection; null when it cannot. */
typedef CAsiDrvSession *(*asi_drv_session_fn)(void *ctx);

/* Serves the engine until it asks to quit or ends.  The mapping's
** descriptor comes from the "--asi-fd=N" argument or ASI_DRIVER_FD.
** Answers the exit status: 0 after a quit request, 1 when the engine went
** away, 2 when there is no sound mapping to attach to. */
int asi_drv_serve(int argc, char **argv, asi_drv_session_fn make, void *ctx);

#endif
