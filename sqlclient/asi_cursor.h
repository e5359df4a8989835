/*
** asi_cursor.h: CAsiCursor, a scrollable cursor declared on a prepared
** cursor specification: open, fetch in every direction, close; the row it
** stands on is kept as values, and bound application buffers are filled
** at each fetch.
**
** A driver that serves rows in blocks answers a fetch with the row and
** the rows that follow it; the cursor keeps those undecoded and serves the
** next fetches that land on them itself, decoding each row into the values
** of the current row when it is fetched.  The values a further row holds
** plain (asi_plain.h) go straight into the bound buffers and the buffers
** a caller reads a value into; the column's value object is set from them
** only when a caller asks for the value or the buffer's type needs its
** conversion.  Every orientation keeps its
** meaning: a fetch that leaves the held rows goes to the driver, as an
** absolute fetch of the row it means when the driver's cursor stands
** elsewhere.  Closing, reopening, or a driver known to have ended drops
** the held rows.
**
** The first open of a statement whose prepare came back with its whole
** result (a look-up, say) takes that result when nothing was sent to the
** driver since: it costs no request, every fetch is served from the rows
** held, and the close sends nothing, the driver holding no cursor.
**
**     CAsiCursor c;
**     c.declare(&stmt, "ABCDEFGHIJKLMNOPQ");
**     c.open();
**     while (c.fetch(ASI_FETCH_NEXT, 0)) ...;
*/
#ifndef PV_SQLCLIENT_ASI_CURSOR_H
#define PV_SQLCLIENT_ASI_CURSOR_H

#include <vector>

#include "sqlclient/asi_descriptor.h"
#include "sqlclient/asi_handle.h"
#include "sqlclient/asi_message.h"
#include "sqlclient/asi_plain.h"

class CAsiStatement;

/* The longest cursor name (characters), and the completion condition of
** a fetch that finds no row (SQLSTATE 02000). */
constexpr int ASI_CURSOR_NAME_MAX = 128;
constexpr int ASI_STATE_NO_DATA = 0x0200;

/* SQLSTATE 34000: invalid cursor name. */
constexpr int ASI_STATE_CURSOR_NAME = 0x3400;

class CAsiCursor : public CAsiHandle {
public:
    CAsiCursor() noexcept;

    /* Closes quietly and detaches from its statement. */
    ~CAsiCursor() override;

    /* Declares the cursor on a prepared cursor specification.  Raises
    ** 34000 for an empty or too long name, 26000 when the statement is not
    ** prepared, 07005 when it is no cursor specification, 24000 while
    ** open. */
    void declare(CAsiStatement *stmt, const char *name);

    /* Opens the cursor before its first row, with the statement's
    ** parameter values.  Raises 24000 when undeclared or already open, and
    ** the driver's conditions. */
    void open();

    /* Moves the cursor (ASI_FETCH_...; offset for absolute and relative)
    ** and reads the row it stands on.  Answers 1 on a row; 0 when there is
    ** none (02000 is then recorded).  Raises 24000 when not open, the
    ** driver's conditions, ASI_ERR_DRIVER_REPLY for a row of the wrong
    ** width, and the conversions' conditions of bound buffers. */
    int fetch(int orientation, long offset);

    /* Closes the cursor; raises 24000 when not open. */
    void close();

    /* Binds an application buffer to result column i (type 0 unbinds);
    ** raises 24000 when undeclared, 07009 and ASI_ERR_BAD_ARGUMENT. */
    void bind(int i, const asi_host_bind &b);

    /* The value of column i of the current row (null value when null);
    ** raises 24000 without a current row and 07009. */
    const CAsiData *value(int i) const;

    /* Writes the value of column i of the current row into the buffer b as
    ** asi_host_put writes it, without making the value object where the row
    ** holds the value plain and the buffer takes it so; raises 24000 without
    ** a current row, 07009, and the conversion's conditions. */
    void putValue(int i, const asi_host_bind &b) const;

    /* Writes column i's value into the sound buffer b as putValue would,
    ** where the current row holds it plain and it goes in whole: 1; 0,
    ** with nothing written, for anything else (no row, an index out of
    ** range, a value object, a conversion or a text cut), which putValue
    ** is then left to answer. */
    int putPlainWhole(int i, const asi_host_bind &b) const noexcept
    {
        std::size_t k = (std::size_t)i;
        return m_onRow && i >= 0 && k < m_pending.size() && m_pending[k] &&
               asi_plain_put_whole(b, m_columns[k], m_plain[k]);
    }

    /* 1 while open; 1 while on a row; the row's number (from 1). */
    int isOpen() const noexcept { return m_open; }
    int onRow() const noexcept { return m_onRow; }
    long rowNumber() const noexcept { return m_rowNumber; }

    /* The statement tells the cursor it goes. */
    void statementGone() noexcept;

    /* Rows held from the driver's last block (for tests and benchmarks). */
    int heldRows() const noexcept { return (int)m_blockRows.size(); }

private:
    /* The row number a fetch means when it can be known here (from the row
    ** the cursor stands on, or absolute), else -1. */
    long targetRow(int orientation, long offset) const noexcept;

    /* Serves held row n: decodes it into the current row and fills the
    ** bound buffers; 1.  Raises ASI_ERR_STREAM or ASI_ERR_DRIVER_REPLY for
    ** a damaged row (the cursor then stands on it without a row). */
    int takeHeld(long n);

    /* Decodes the held row's items (its number, then one value per
    ** column) into the current row's values, reusing each value when it
    ** has the type that came. */
    void decodeRow(const unsigned char *data, std::size_t len, long n);

    /* Reads column i's value record (or a plain item after a subtype) from
    ** in into the current row's value i. */
    void decodeValue(CAsiIStream &in, int i);

    /* Marks column i's plain value (just read into m_plain) pending; raises
    ** ASI_ERR_DRIVER_REPLY when the column does not take it. */
    void holdPlain(int i);

    /* Fills the bound buffers from the current row. */
    void putBinds();

    /* Writes column i's value (a valid index) into b: a plain value
    ** straight where the buffer takes it, else through the value object. */
    void putColumn(std::size_t i, const asi_host_bind &b) const;

    /* The value of column i, set first from its plain value when it holds
    ** one not yet set (a valid index). */
    CAsiData *valueAt(int i) const;

    /* Learns what each column's value takes plain, from the current row's
    ** values; no column then holds a plain value. */
    void learnColumns();

    /* Forgets the held rows. */
    void dropBlock() noexcept;

    /* Fetches from the held whole result; answers as fetch. */
    int fetchWhole(int orientation, long offset);

    CAsiStatement *m_stmt;            /* statement, null when undeclared */
    int m_id;                         /* the driver's cursor id */
    int m_open;                       /* 1 while open */
    int m_onRow;                      /* 1 while on a row */
    long m_rowNumber;                 /* current row, 0 when none */
    CAsiUcStr m_name;                 /* cursor name */
    CAsiDescriptor m_row;             /* values of the current row */
    std::vector<asi_host_bind> m_binds; /* bound buffers by column */
    long m_at;                        /* row the cursor stands on as known here (also one that failed
                                      ** to decode), 0 when only the driver knows */
    long m_blockFirst;                /* number of the first held row, 0 when none */
    std::vector<unsigned char> m_blockBytes;       /* the held rows' items */
    std::vector<asi_msg_block_row> m_blockRows;    /* each held row in m_blockBytes, in order */
    int m_whole = 0;                  /* 1 while the held rows are the whole result (no driver cursor) */
    long m_pos = 0;                   /* there: the row it stands on, 0 before the first, count + 1 after */
    int m_typed = 0;                  /* there: 1 once the first row gave the columns their types */
    std::vector<asi_plain_column> m_columns;        /* what each column's value takes plain */
    std::vector<asi_plain_value> m_plain;           /* each column's plain value in the current row (texts
                                                    ** point into m_blockBytes) */
    mutable std::vector<char> m_pending;            /* 1 where the column's value is still to be set from
                                                    ** m_plain */
};

#endif
