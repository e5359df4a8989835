/*
** asi_transport.h: the channel between the engine and a driver process: a
** shared mapping with process-shared semaphores, the request codes and the
** message items, and the growable message buffer both sides build their
** messages in.
**
** The engine creates the mapping (an anonymous memory file), places one
** header and ASI_CHANNELS channels in it and hands its descriptor to the
** driver it starts.  Each connection owns one channel.  A message (request
** or reply) is a request code or reply status and a body of value-stream
** items; a body larger than a channel's buffer travels in pieces, each
** piece acknowledged by the other side before the next is written.
**
** Every wait is made in slices of ASI_WAIT_SLICE_MS; within them the
** waiter asks every ASI_ALIVE_POLL_MS whether its peer still lives and
** gives up as soon as it does not.
**
**     CAsiMsgBuf req;
**     req.put([&](CAsiOStream &o) { o.putI32(ASI_TAG_ID, 7); });
**     asi_chan_call(shm, layout, ch, ASI_REQ_CLOSE, req, reply, &status, alive, ctx);
*/
#ifndef PV_SQLCLIENT_ASI_TRANSPORT_H
#define PV_SQLCLIENT_ASI_TRANSPORT_H

#include <semaphore.h>

#include <cstddef>
#include <cstdint>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_stream.h"

/* Engine codes of the driver manager and the transport. */
constexpr int ASI_ERR_DRIVER_CONFIG = 0xB021; /* no Driver entry, or no such program */
constexpr int ASI_ERR_NO_CHANNEL = 0xB022;    /* every channel of the driver in use */
constexpr int ASI_ERR_DRIVER_LOST = 0xB023;   /* the driver died or did not start */
constexpr int ASI_ERR_DRIVER_REPLY = 0xB024;  /* a damaged reply from the driver */
constexpr int ASI_ERR_DRIVER_FAILED = 0xB025; /* the driver failed without a condition */
constexpr int ASI_ERR_NOT_INITIALISED = 0xB026; /* asi_init has not run */

/* Waits are made in slices of this many milliseconds; the start of a
** driver is abandoned after ASI_START_TIMEOUT_MS. */
constexpr int ASI_WAIT_SLICE_MS = 5000;
constexpr int ASI_START_TIMEOUT_MS = 5000;

/* Before it blocks, a waiter looks at its semaphore for this many
** microseconds, giving its processor up between two looks (and first
** spins where its latest answers came quickly), as the peer's answer to a
** short request usually comes sooner than the kernel could put the waiter
** to sleep and wake it; only while a processor is free: see asi_sem_wait. */
constexpr int ASI_SPIN_US = 50;

/* Channels (connections) of one driver, and the bytes of one channel's
** buffer: the largest piece of a message, room for a block of a thousand
** rows of a station table (only the pages a channel uses are touched). */
constexpr int ASI_CHANNELS = 32;
constexpr std::uint32_t ASI_PIECE_SIZE = 256 * 1024;

/* The largest message either side accepts (bytes); a longer one is a
** damaged message. */
constexpr std::uint32_t ASI_MESSAGE_MAX = 256u * 1024 * 1024;

/* The mapping's identification. */
constexpr std::uint32_t ASI_SHM_MAGIC = 0x31585650;   /* "PVX1" */
constexpr std::uint32_t ASI_SHM_VERSION = 2;   /* 2: prepares answer small results, requests carry releases */

/* The environment variable and argument through which a driver learns the
** descriptor of its mapping. */
constexpr const char *ASI_DRIVER_FD_ENV = "ASI_DRIVER_FD";
constexpr const char *ASI_DRIVER_FD_ARG = "--asi-fd=";

/* Request codes (engine to driver). */
constexpr int ASI_REQ_CONNECT = 1;      /* environment, user, password */
constexpr int ASI_REQ_DISCONNECT = 2;   /* nothing */
constexpr int ASI_REQ_SET_CATALOG = 3;  /* name */
constexpr int ASI_REQ_SET_SCHEMA = 4;   /* name */
constexpr int ASI_REQ_PREPARE = 5;      /* statement id, text */
constexpr int ASI_REQ_EXECUTE = 6;      /* statement id, parameter values */
constexpr int ASI_REQ_DEALLOCATE = 7;   /* statement id */
constexpr int ASI_REQ_OPEN = 8;         /* cursor id, statement id, parameter values */
constexpr int ASI_REQ_FETCH = 9;        /* cursor id, orientation, offset */
constexpr int ASI_REQ_CLOSE = 10;       /* cursor id */
constexpr int ASI_REQ_PREPARE_EXECUTE = 11; /* statement id, text: prepared, executed without parameters
                                        ** and forgotten, unless it is a cursor specification or has some */
constexpr int ASI_REQ_LAST = 11;

/* Reply statuses: the request succeeded (warnings may come with it), or
** failed with at least one condition. */
constexpr int ASI_REPLY_OK = 0;
constexpr int ASI_REPLY_ERROR = 1;

/* Fetch orientations. */
constexpr int ASI_FETCH_NEXT = 1;
constexpr int ASI_FETCH_PRIOR = 2;
constexpr int ASI_FETCH_FIRST = 3;
constexpr int ASI_FETCH_LAST = 4;
constexpr int ASI_FETCH_ABSOLUTE = 5;
constexpr int ASI_FETCH_RELATIVE = 6;

/* Dynamic function code of a cursor specification. */
constexpr int ASI_FUNC_CURSOR_SPEC = 18;

/* Item tags of the message bodies.  A value travels as an ASI_TAG_VALUE
** item holding its SQL type code, followed at once by the value's own
** record (its items up to the item of tag 65535). */
constexpr int ASI_TAG_ID = 1;          /* i32: statement or cursor id */
constexpr int ASI_TAG_ID2 = 2;         /* i32: the statement of a cursor */
constexpr int ASI_TAG_NAME = 3;        /* UCS-2: environment, catalog, schema, text */
constexpr int ASI_TAG_USER = 4;        /* UCS-2: user */
constexpr int ASI_TAG_PASSWORD = 5;    /* UCS-2: password */
constexpr int ASI_TAG_ORIENT = 6;      /* i32: fetch orientation */
constexpr int ASI_TAG_OFFSET = 7;      /* i32: fetch offset */
constexpr int ASI_TAG_FUNCTION = 8;    /* i32: dynamic function code */
constexpr int ASI_TAG_PARAMS = 9;      /* i32: number of input parameters */
constexpr int ASI_TAG_ROWCOUNT = 10;   /* i32: rows affected */
constexpr int ASI_TAG_ROW = 11;        /* i32: the fetched row's number (from 1) */
constexpr int ASI_TAG_COLUMN = 12;     /* UCS-2: a result column's name */
constexpr int ASI_TAG_NULLABLE = 13;   /* i32: 1 when the column may be null */
constexpr int ASI_TAG_VALUE = 14;      /* i32: SQL type code; the value follows */
constexpr int ASI_TAG_COND = 20;       /* i32: a condition's native code */
constexpr int ASI_TAG_SQLSTATE = 21;   /* UCS-2: its SQLSTATE (5 characters) */
constexpr int ASI_TAG_MESSAGE = 22;    /* UCS-2: its message text */
constexpr int ASI_TAG_WARNING = 23;    /* i32: 1 when the condition is a warning */
constexpr int ASI_TAG_BLOCK = 16;      /* i32: further rows a fetch may answer */
constexpr int ASI_TAG_BLOCK_ROW = 17;  /* bytes: one further row: its ASI_TAG_ROW item and values */
constexpr int ASI_TAG_VALUE_ONLY = 18; /* i32: SQL type code; in a further row, the value's own
                                       ** value-only record follows, read into the column's value
                                       ** of the row before, whose other attributes it keeps */
constexpr int ASI_TAG_RESULT = 29;     /* i32: in a prepare reply, the number of rows of the whole
                                       ** result, which follow as ASI_TAG_BLOCK_ROW items (the first
                                       ** with full value records); the driver holds no cursor */
constexpr int ASI_TAG_RELEASE = 30;    /* i32: in any request, a statement id the driver forgets
                                       ** before it serves the request */

/* Further rows the engine takes with one fetch: a fetch reply carries at
** most this many rows after the one fetched, and no more than fit with
** it in one piece of the channel.  Each reply costs both processes a
** wake-up, which on a busy machine costs more than the rows' bytes. */
constexpr int ASI_BLOCK_ROWS = 1024;

/* The most rows and bytes a prepare answers with (the whole result of a
** query without parameters, opened at once by a driver that opens
** cheaply): a look-up, or one of many keys (IN), then costs one request,
** its reply taking one piece of the channel. */
constexpr int ASI_RESULT_ROWS = 1024;
constexpr std::size_t ASI_RESULT_BYTES = 256 * 1024;

/* One channel of the mapping.  Its buffer lies in the data area. */
struct asi_shm_channel {
    sem_t toDriver;          /* engine to driver: the next piece, or an ack */
    sem_t toEngine;          /* driver to engine: the next piece, or an ack */
    std::uint32_t inUse;     /* 1 while a connection owns the channel */
    std::uint32_t pending;   /* 1: a new request waits for the driver */
    std::uint32_t code;      /* request code, or reply status */
    std::uint32_t total;     /* bytes of the whole message */
    std::uint32_t offset;    /* where this piece begins in the message */
    std::uint32_t piece;     /* bytes of this piece in the buffer */
};

/* The head of the mapping. */
struct asi_shm_header {
    std::uint32_t magic;          /* ASI_SHM_MAGIC */
    std::uint32_t version;        /* ASI_SHM_VERSION */
    std::uint32_t channels;       /* channels that follow */
    std::uint32_t pieceSize;      /* bytes of each channel's buffer */
    std::uint32_t dataOffset;     /* where the first buffer begins */
    std::uint32_t quit;           /* 1: the driver is to end */
    std::int32_t driverPid;       /* set by the driver when it attaches */
    std::int32_t enginePid;       /* the engine's process */
    sem_t started;                /* driver posts once attached */
    sem_t work;                   /* engine posts for each new request or quit */
    asi_shm_channel chan[1];      /* channels, `channels` of them */
};

/* The layout of a mapping as one side knows it, kept in that side's own
** memory: the peer can write the header in the mapping, not this copy, so
** a peer that runs wild cannot steer the other side's copies outside the
** mapping. */
struct asi_shm_layout {
    std::uint32_t channels;     /* channels of the mapping */
    std::uint32_t pieceSize;    /* bytes of each channel's buffer */
    std::uint32_t dataOffset;   /* where the first buffer begins */
};

/* Bytes of a mapping of n channels with buffers of piece bytes. */
std::size_t asi_shm_size(int channels, std::uint32_t piece) noexcept;

/* Lays out a fresh mapping at base (size bytes from asi_shm_size) and
** initialises its semaphores as process-shared.  1, or 0 when a semaphore
** cannot be made. */
int asi_shm_init(void *base, int channels, std::uint32_t piece) noexcept;

/* The layout of a mapping just made by asi_shm_init or found sound by
** asi_shm_check; to be taken once and kept. */
asi_shm_layout asi_shm_layout_of(const asi_shm_header *h) noexcept;

/* Destroys the semaphores of a mapping made by asi_shm_init. */
void asi_shm_destroy(asi_shm_header *h, const asi_shm_layout &l) noexcept;

/* Checks a mapping of size bytes a driver attached to: magic, version and
** that the layout fits.  1 when sound, 0 otherwise. */
int asi_shm_check(const asi_shm_header *h, std::size_t size) noexcept;

/* Channel k's buffer. */
unsigned char *asi_shm_buffer(asi_shm_header *h, const asi_shm_layout &l, int k) noexcept;

/* Asks whether the peer still lives; ctx is the caller's. */
typedef int (*asi_alive_fn)(void *ctx);

/* Waits for the semaphore in slices of ASI_WAIT_SLICE_MS (slice_ms when
** given above 0, the slice set by asi_set_wait_slice otherwise).  Within a
** slice the peer is asked every ASI_ALIVE_POLL_MS whether it still lives,
** so a dead peer ends the wait at once whatever the slice.  Answers 1 when
** the semaphore was taken, 0 when the peer died (alive answered 0), or -1
** after total_ms when total_ms is above 0. */
int asi_sem_wait(sem_t *s, asi_alive_fn alive, void *ctx, int total_ms = 0,
                 int slice_ms = 0) noexcept;

/* What a wait does before it sleeps on its semaphore: it spins for spinUs
** microseconds, then looks at the semaphore between yields of its
** processor until yieldUs from its start (none for 0). */
struct asi_wait_plan {
    long spinUs;    /* microseconds of spinning */
    long yieldUs;   /* microseconds from the start of the wait while it yields */
};

/* The plan of a wait: with a processor free (cpu_free 1), a spin of
** recent_spin_us (what the latest answers took, 0 when one was slow) and
** yields up to ASI_SPIN_US; with none free, no spin and no yield, as a
** yield then gives the processor to a busy task for a whole time slice. */
asi_wait_plan asi_wait_plan_for(int cpu_free, long recent_spin_us) noexcept;

/* How often a wait asks whether its peer lives (milliseconds). */
constexpr int ASI_ALIVE_POLL_MS = 50;

/* Sets the default slice of asi_sem_wait in milliseconds; 0 or below
** restores ASI_WAIT_SLICE_MS.  Tests use it to show that a dead peer is
** noticed without the end of a slice. */
void asi_set_wait_slice(int ms) noexcept;

/* A growable message body, filled through value-stream writers. */
class CAsiMsgBuf {
public:
    CAsiMsgBuf() noexcept : m_data(nullptr), m_len(0), m_cap(0) {}
    ~CAsiMsgBuf();
    CAsiMsgBuf(const CAsiMsgBuf &) = delete;
    CAsiMsgBuf &operator=(const CAsiMsgBuf &) = delete;

    /* Appends what fill writes to a value stream: fill runs once against a
    ** counting stream, then against the buffer.  Throws 0xA008 without
    ** memory, or what fill throws. */
    template <class F> void put(F &&fill)
    {
        CAsiOStream count;
        fill(count);
        std::size_t need = (std::size_t)count.length();
        reserve(m_len + need);
        CAsiOStream out(m_data + m_len, need);
        fill(out);
        m_len += (std::size_t)out.length();
    }

    /* As put, writing in one pass where guess bytes are room enough
    ** (counting first only when they are not). */
    template <class F> void putDirect(F &&fill, std::size_t guess)
    {
        reserve(m_len + guess);
        try {
            CAsiOStream out(m_data + m_len, m_cap - m_len);
            fill(out);
            m_len += (std::size_t)out.length();
            return;
        } catch (const CAsiException &e) {
            if (e.code() != ASI_ERR_STREAM_FULL)
                throw;
        }
        put(fill);
    }

    /* Makes room for n bytes in all; throws 0xA008. */
    void reserve(std::size_t n);

    /* Appends n bytes of items written already; throws 0xA008. */
    void append(const void *p, std::size_t n);

    /* Sets the length to n (n within the capacity), for receivers that
    ** write into data() directly. */
    void setLength(std::size_t n) noexcept { m_len = n; }

    /* Empties the body (the memory is kept). */
    void clear() noexcept { m_len = 0; }

    const unsigned char *data() const noexcept { return m_data; }
    unsigned char *data() noexcept { return m_data; }
    std::size_t length() const noexcept { return m_len; }

private:
    unsigned char *m_data;   /* asi_malloc'd body, or null */
    std::size_t m_len;       /* bytes in use */
    std::size_t m_cap;       /* bytes allocated */
};

/* Transport results of the exchanges below. */
constexpr int ASI_XFER_OK = 1;        /* the message went or arrived whole */
constexpr int ASI_XFER_LOST = 0;      /* the peer died */
constexpr int ASI_XFER_DAMAGED = -1;  /* the piece headers do not agree */
constexpr int ASI_XFER_NOMEM = -2;    /* no memory for the message */

/* The exchanges take the mapping and this side's own copy of its layout.
**
** Engine side: sends the request code and body on channel k, then
** receives the reply into reply with its status.  Answers an
** ASI_XFER_... result. */
int asi_chan_call(asi_shm_header *h, const asi_shm_layout &l, int k, int code, const CAsiMsgBuf &body,
                  CAsiMsgBuf &reply, int *status, asi_alive_fn alive, void *ctx) noexcept;

/* Driver side: receives the rest of the request whose first piece is in
** channel k (its pending flag already cleared) into body, with its code.
** Answers an ASI_XFER_... result. */
int asi_chan_receive(asi_shm_header *h, const asi_shm_layout &l, int k, CAsiMsgBuf &body, int *code,
                     asi_alive_fn alive, void *ctx) noexcept;

/* Driver side: sends the reply status and body on channel k. */
int asi_chan_reply(asi_shm_header *h, const asi_shm_layout &l, int k, int status, const CAsiMsgBuf &body,
                   asi_alive_fn alive, void *ctx) noexcept;

#endif
