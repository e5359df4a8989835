/*
** asi_driver_side.cpp: the serving loop of a driver program and the reply
** builder its handlers fill.
**
** The loop waits on the mapping's work semaphore in slices; between slices
** it checks that the engine that started it is still its parent, so that
** a driver never outlives its engine.  A posted work semaphore means one or
** more channels have a pending request: each is received whole, handed to
** the channel's session and answered.  The statements a request names for
** release are forgotten before it is served: the engine sends the release
** of a statement with its next request instead of waiting for a reply of
** its own.
*/
#include "sqlclient/asi_driver_side.h"

#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "sqlclient/asi_valfactory.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

namespace {

/* Bytes of a condition text built from a format. */
constexpr int DRV_TEXT_MAX = 1024;

/* The SQLSTATE of a condition without one. */
constexpr const char *DRV_DEFAULT_STATE = "HY000";

/* Bytes a value of a further row is first written into. */
constexpr std::size_t DRV_VALUE_GUESS = 1024;

/* SQLSTATE of a request on a channel without a session. */
constexpr const char *DRV_NO_CONNECTION = "08003";

/* Exit statuses of asi_drv_serve. */
constexpr int DRV_EXIT_QUIT = 0;
constexpr int DRV_EXIT_ORPHAN = 1;
constexpr int DRV_EXIT_NO_MAPPING = 2;

/* What the liveness check of the engine looks at. */
struct drv_state {
    asi_shm_header *shm;   /* the mapping */
    asi_shm_layout layout; /* its layout, as checked when attaching */
    pid_t engine;          /* the engine's process */
};

/* 1 while the engine lives and has not asked the driver to quit. */
int engine_alive(void *ctx)
{
    drv_state *st = (drv_state *)ctx;
    if (__atomic_load_n(&st->shm->quit, __ATOMIC_ACQUIRE))
        return 0;
    return getppid() == st->engine;
}

/* The mapping's descriptor from the arguments or the environment; -1. */
int mapping_fd(int argc, char **argv)
{
    std::size_t n = std::strlen(ASI_DRIVER_FD_ARG);
    for (int i = 1; i < argc; i++)
        if (argv[i] && std::strncmp(argv[i], ASI_DRIVER_FD_ARG, n) == 0)
            return std::atoi(argv[i] + n);
    const char *e = std::getenv(ASI_DRIVER_FD_ENV);
    return e ? std::atoi(e) : -1;
}

/* Fetches, then, when the engine asked for a block and the fetch stood on
** a row, lets the session add the rows that follow within the reply's
** piece of the channel (piece bytes). */
int fetch_with_block(CAsiDrvSession *s, CAsiMessage &m, CAsiDrvReply &r, std::size_t piece)
{
    if (!s->fetch(m.id, m.orientation, m.offset, r))
        return 0;
    if (m.block > 0 && r.hasRow() && !r.failed()) {
        r.openBlock(m.block < ASI_BLOCK_ROWS ? m.block : ASI_BLOCK_ROWS, piece);
        s->fetchBlock(m.id, r);
        r.closeBlock();
    }
    return 1;
}

/* Runs fn (a request's work filling r) inside an exception frame: an
** engine exception becomes the reply's conditions, a failure without a
** condition gets one. */
template <class F> void run_guarded(CAsiDrvReply &r, F fn)
{
    CAsiDiagArea diag;
    int thrown = 0;
    int ok = asi_try_call(&diag, 0, fn, &thrown);
    if (thrown) {
        r.clear();
        char state[ASI_SQLSTATE_LEN + 1], text[DRV_TEXT_MAX];
        for (int i = 0; i < diag.count(); i++) {
            CAsiUcStr t;
            diag.condText(i, t);
            t.toMb(text, sizeof text);
            r.error(diag.condCode(i), asi_sqlstate_text(diag.condCode(i), state), "%s", text);
        }
        if (!r.failed())
            r.error(thrown, asi_sqlstate_text(thrown, state), "driver failure");
    } else if (!ok && !r.failed()) {
        r.error(ASI_ERR_DRIVER_FAILED, DRV_DEFAULT_STATE, "driver failed without a condition");
    }
}

/* The id of the cursor a prepare opens for itself: the engine's ids are
** all above 0. */
constexpr int DRV_PREPARE_CURSOR = -1;

/* After a prepare that described a query without
** parameters, which the session opens cheaply: opens the statement's own
** cursor, reads its rows and, when all of them came without a condition,
** number at most ASI_RESULT_ROWS and fit in ASI_RESULT_BYTES with the
** description, adds them to the reply as its whole result (the first row
** with full value records, as fetch answers it).  The cursor is closed
** either way; whatever failed is left for the engine's own open and fetch
** to meet. */
void answer_result(CAsiDrvSession *s, int stmt, CAsiDrvReply &r)
{
    if (r.failed() || r.function() != ASI_FUNC_CURSOR_SPEC || r.paramCount() != 0 || !s->opensCheaply(stmt))
        return;
    constexpr std::size_t HEADS = ASI_ITEM_HEAD + sizeof(std::int32_t) + ASI_ITEM_COUNTED_HEAD;
    if (r.body().length() + HEADS >= ASI_RESULT_BYTES)
        return;
    std::size_t budget = ASI_RESULT_BYTES - r.body().length() - HEADS;
    CAsiDrvReply rows, after;
    std::size_t first = 0;   /* bytes of the first row's items */
    int whole = 0;
    asi_value_list none;
    run_guarded(rows, [&] {
        if (!s->open(DRV_PREPARE_CURSOR, stmt, none, rows) || rows.failed() ||
            !s->fetch(DRV_PREPARE_CURSOR, ASI_FETCH_FIRST, 0, rows) || rows.failed())
            return 1;
        if (rows.hasRow()) {
            first = rows.body().length();
            /* A session adds at most a fetch's block of rows at a time. */
            rows.openBlock(ASI_RESULT_ROWS - 1, budget);
            for (int had = -1; had < rows.blockRows() && rows.blockRows() < ASI_RESULT_ROWS - 1;) {
                had = rows.blockRows();
                s->fetchBlock(DRV_PREPARE_CURSOR, rows);
            }
            rows.closeBlock();
            if (!s->fetch(DRV_PREPARE_CURSOR, ASI_FETCH_NEXT, 0, after) || after.failed() || after.hasRow())
                return 1;
        }
        whole = 1;
        return 1;
    });
    run_guarded(after, [&] {
        s->close(DRV_PREPARE_CURSOR);
        return 1;
    });
    if (!whole || rows.failed() || rows.warned() || rows.body().length() > budget ||
        first > (std::size_t)ASI_ITEM_MAX_DATA)
        return;
    int n = rows.hasRow() ? 1 + rows.blockRows() : 0;
    r.body().put([&](CAsiOStream &o) {
        o.putI32(ASI_TAG_RESULT, n);
        if (n > 0)
            o.putBytes(ASI_TAG_BLOCK_ROW, rows.body().data(), (int)first);
    });
    r.body().append(rows.body().data() + first, rows.body().length() - first);
}

/* Prepares, executes and forgets at once a statement that is no query
** and takes no parameters: the one round trip of a
** statement prepared to be run once (the engine sends its text again to
** run it again).  Any other statement stays prepared, not run. */
int prepare_execute(CAsiDrvSession *s, CAsiMessage &m, CAsiDrvReply &r)
{
    if (!s->prepare(m.id, m.name, r) || r.failed())
        return 0;
    if (r.function() == ASI_FUNC_CURSOR_SPEC || r.paramCount() > 0)
        return 1;   /* the engine sees from the description that nothing ran */
    asi_value_list none;
    int ok = s->execute(m.id, none, r);
    s->deallocate(m.id);
    return ok;
}

/* Runs one parsed request against the channel's session slot. */
int dispatch(int code, CAsiMessage &m, CAsiDrvSession *&s, asi_drv_session_fn make, void *ctx,
             CAsiDrvReply &r, std::size_t piece)
{
    if (code == ASI_REQ_CONNECT) {
        if (s) {
            s->disconnect();
            delete s;
            s = nullptr;
        }
        s = make(ctx);
        if (!s) {
            r.error(ASI_ERR_NO_MEMORY, DRV_DEFAULT_STATE, "driver cannot make a session");
            return 0;
        }
        if (s->connect(m.name, m.user, m.password, r) && !r.failed())
            return 1;
        delete s;
        s = nullptr;
        return 0;
    }
    if (!s) {
        r.error(ASI_ERR_DRIVER_FAILED, DRV_NO_CONNECTION, "connection does not exist");
        return 0;
    }
    switch (code) {
    case ASI_REQ_DISCONNECT:
        s->disconnect();
        delete s;
        s = nullptr;
        return 1;
    case ASI_REQ_SET_CATALOG: return s->setCatalog(m.name, r);
    case ASI_REQ_SET_SCHEMA: return s->setSchema(m.name, r);
    case ASI_REQ_PREPARE:
        if (!s->prepare(m.id, m.name, r))
            return 0;
        answer_result(s, m.id, r);
        return 1;
    case ASI_REQ_EXECUTE: return s->execute(m.id, m.values, r);
    case ASI_REQ_DEALLOCATE: s->deallocate(m.id); return 1;
    case ASI_REQ_OPEN: return s->open(m.id, m.id2, m.values, r);
    case ASI_REQ_FETCH: return fetch_with_block(s, m, r, piece);
    case ASI_REQ_PREPARE_EXECUTE: return prepare_execute(s, m, r);
    case ASI_REQ_CLOSE: s->close(m.id); return 1;
    default:
        r.error(ASI_ERR_DRIVER_FAILED, DRV_DEFAULT_STATE, "unknown request code %d", code);
        return 0;
    }
}

/* The answer a channel's session prepared to the fetch it expects next:
** after a fetch answered with a block, the rows that follow are read while
** the engine uses the block, so that the next forward fetch is answered at
** once.  Any other request first puts the cursor back where it stood. */
struct drv_readahead {
    CAsiDrvReply reply;    /* the prepared answer */
    int valid = 0;         /* 1 while it waits for its fetch */
    int cursor = 0;        /* the cursor it reads */
    int block = 0;         /* the block size that fetch asks for */
    long back = 0;         /* the row the cursor stood on before it */
};

/* Forgets a prepared answer and puts its cursor back on the row it stood
** on (rows of a block are numbered by their absolute positions). */
void drop_readahead(CAsiDrvSession *s, drv_readahead &a)
{
    if (!a.valid)
        return;
    a.valid = 0;
    if (!s)
        return;
    CAsiDrvReply scratch;
    run_guarded(scratch, [&] { return s->fetch(a.cursor, ASI_FETCH_ABSOLUTE, a.back, scratch); });
}

/* After an answer with a block on cursor `cursor`, prepares the answer to
** the forward fetch that will follow. */
void read_ahead(CAsiDrvSession *s, drv_readahead &a, int cursor, int block, long back, std::size_t piece)
{
    a.valid = 0;
    if (!s)
        return;
    CAsiMessage m;
    m.id = cursor;
    m.orientation = ASI_FETCH_NEXT;
    m.block = block;
    a.reply.clear();
    run_guarded(a.reply, [&] { return fetch_with_block(s, m, a.reply, piece); });
    a.valid = 1;
    a.cursor = cursor;
    a.block = block;
    a.back = back;
}

/* Receives, serves and answers the request pending on channel k.  0 when
** the engine went away meanwhile, else 1. */
int serve_channel(drv_state &st, int k, CAsiDrvSession *&s, asi_drv_session_fn make, void *ctx,
                  CAsiMsgBuf &body, CAsiMessage &msg, CAsiDrvReply &r, drv_readahead &ahead)
{
    int code = 0;
    int rc = asi_chan_receive(st.shm, st.layout, k, body, &code, engine_alive, &st);
    if (rc == ASI_XFER_LOST)
        return 0;
    r.clear();
    CAsiDrvReply *answer = &r;
    int cursor = 0, block = 0;
    if (rc != ASI_XFER_OK) {
        r.error(rc == ASI_XFER_NOMEM ? ASI_ERR_NO_MEMORY : ASI_ERR_STREAM, DRV_DEFAULT_STATE,
                "driver received a damaged request");
    } else {
        run_guarded(r, [&] {
            msg.parse(body.data(), body.length());
            if (s)
                for (int id : msg.releases)
                    s->deallocate(id);
            cursor = msg.id;
            block = msg.block;
            if (ahead.valid && code == ASI_REQ_FETCH && msg.id == ahead.cursor &&
                msg.orientation == ASI_FETCH_NEXT && msg.block == ahead.block) {
                ahead.valid = 0;
                answer = &ahead.reply;
                return 1;
            }
            drop_readahead(s, ahead);
            return dispatch(code, msg, s, make, ctx, r, st.layout.pieceSize);
        });
        msg.clear();
    }
    if (asi_chan_reply(st.shm, st.layout, k, answer->failed() ? ASI_REPLY_ERROR : ASI_REPLY_OK, answer->body(),
                       engine_alive, &st) != ASI_XFER_OK)
        return 0;
    if (code == ASI_REQ_FETCH && answer->blockRows() > 0 && !answer->failed()) {
        long back = answer->lastRow();
        read_ahead(s, ahead, cursor, block, back, st.layout.pieceSize);
    }
    return 1;
}

} // namespace

/* Appends a condition. */
void CAsiDrvReply::condition(int native, const char *sqlstate, int warning, const char *text)
{
    CAsiUcStr state(sqlstate && std::strlen(sqlstate) == (std::size_t)ASI_SQLSTATE_LEN ? sqlstate
                                                                                      : DRV_DEFAULT_STATE);
    CAsiUcStr message(text);
    if (message.length() > ASI_ITEM_MAX_DATA / 2)
        message.left(message, ASI_ITEM_MAX_DATA / 2);
    m_body.put([&](CAsiOStream &o) {
        o.putI32(ASI_TAG_COND, native);
        o.putUcStr(ASI_TAG_SQLSTATE, state);
        o.putUcStr(ASI_TAG_MESSAGE, message);
        if (warning)
            o.putI32(ASI_TAG_WARNING, 1);
    });
}

/* Appends a condition whose text is made from a printf format (cut at
** DRV_TEXT_MAX bytes). */
void CAsiDrvReply::conditionf(int native, const char *sqlstate, int warning, const char *fmt, va_list ap)
{
    char text[DRV_TEXT_MAX];
    std::vsnprintf(text, sizeof text, fmt, ap);
    condition(native, sqlstate, warning, text);
}

/* Records an error condition. */
void CAsiDrvReply::error(int native, const char *sqlstate, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    conditionf(native, sqlstate, 0, fmt, ap);
    va_end(ap);
    m_failed = 1;
}

/* Records a warning. */
void CAsiDrvReply::warning(int native, const char *sqlstate, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    conditionf(native, sqlstate, 1, fmt, ap);
    va_end(ap);
    m_warned = 1;
}

/* The dynamic function code. */
void CAsiDrvReply::setFunction(int code)
{
    m_function = code;
    m_body.put([&](CAsiOStream &o) { o.putI32(ASI_TAG_FUNCTION, code); });
}

/* The number of input parameters. */
void CAsiDrvReply::setParamCount(int n)
{
    m_params = n;
    m_body.put([&](CAsiOStream &o) { o.putI32(ASI_TAG_PARAMS, n); });
}

/* One result column. */
void CAsiDrvReply::addColumn(const char *name, const CAsiData &type, int nullable)
{
    CAsiUcStr n(name ? name : "");
    m_body.put([&](CAsiOStream &o) {
        o.putUcStr(ASI_TAG_COLUMN, n);
        o.putI32(ASI_TAG_NULLABLE, nullable ? 1 : 0);
        asi_value_write(o, type);
    });
}

/* Rows touched. */
void CAsiDrvReply::setRowCount(long n)
{
    m_body.put([&](CAsiOStream &o) { o.putI32(ASI_TAG_ROWCOUNT, (std::int32_t)n); });
}

/* A row was found. */
void CAsiDrvReply::setRow(long number)
{
    m_body.put([&](CAsiOStream &o) { o.putI32(ASI_TAG_ROW, (std::int32_t)(number > 0 ? number : 1)); });
    m_hasRow = 1;
    m_lastRow = number > 0 ? number : 1;
}

/* One value of the row, or of the further row being built: there only
** what changes from row to row, the value-only record. */
void CAsiDrvReply::addValue(const CAsiData &value)
{
    if (!m_inRow) {
        m_body.put([&](CAsiOStream &o) { asi_value_write(o, value); });
        return;
    }
    m_row.putDirect([&](CAsiOStream &o) {
        int type = value.typeCode();
        int sub = type == ASI_TYPE_DATETIME ? value.datetimeCode() : type == ASI_TYPE_INTERVAL ? value.intervalCode() : 0;
        if (sub)
            o.putI32(ASI_TAG_SUBTYPE, sub);
        o.putI32(ASI_TAG_VALUE_ONLY, type);
        int at = o.length();
        value.packValue(o);
        if (o.length() == at)
            value.pack(o);   /* a class without a value-only record */
    }, DRV_VALUE_GUESS);
}

/* One plain value of the further row being built. */
void CAsiDrvReply::addPlain(const asi_plain_value &value)
{
    if (!m_inRow)
        asi_throw(ASI_ERR_BAD_ARGUMENT, "CAsiDrvReply::addPlain", "a plain value outside a further row");
    m_row.putDirect([&](CAsiOStream &o) { asi_plain_write(o, value); },
                    ASI_ITEM_COUNTED_HEAD + sizeof(std::int64_t) + (std::size_t)(value.n > 0 ? value.n : 0));
}

/* Opens a block. */
void CAsiDrvReply::openBlock(int rows, std::size_t bytes) noexcept
{
    m_blockLeft = rows > 0 ? rows : 0;
    m_blockBytes = bytes;
    m_inRow = 0;
}

/* Ends the block. */
void CAsiDrvReply::closeBlock() noexcept
{
    dropBlockRow();
    m_blockLeft = 0;
}

/* Begins a further row. */
int CAsiDrvReply::beginBlockRow(long number)
{
    if (m_blockLeft <= 0 || m_failed || number <= 0 || number > INT32_MAX)
        return 0;
    m_row.clear();
    m_row.put([&](CAsiOStream &o) { o.putI32(ASI_TAG_ROW, (std::int32_t)number); });
    m_inRow = 1;
    m_rowNumber = number;
    return 1;
}

/* Ends a further row: into the block when it fits. */
int CAsiDrvReply::endBlockRow()
{
    if (!m_inRow)
        return 0;
    m_inRow = 0;
    std::size_t n = m_row.length();
    if (n > (std::size_t)ASI_ITEM_MAX_DATA || m_body.length() + ASI_ITEM_COUNTED_HEAD + n > m_blockBytes) {
        m_blockLeft = 0;
        return 0;
    }
    m_body.putDirect([&](CAsiOStream &o) { o.putBytes(ASI_TAG_BLOCK_ROW, m_row.data(), (int)n); },
                     ASI_ITEM_COUNTED_HEAD + n);
    m_blockLeft--;
    m_blockRowsSent++;
    m_lastRow = m_rowNumber;
    return 1;
}

/* A further row of items written already. */
int CAsiDrvReply::addBlockRowItems(long number, const void *items, std::size_t n)
{
    constexpr std::size_t ROW_ITEM = ASI_ITEM_HEAD + sizeof(std::int32_t);   /* the row's number */
    if (m_inRow || m_blockLeft <= 0 || m_failed || number <= 0 || number > INT32_MAX)
        return 0;
    std::size_t len = ROW_ITEM + n;
    if (len > (std::size_t)ASI_ITEM_MAX_DATA || m_body.length() + ASI_ITEM_COUNTED_HEAD + len > m_blockBytes) {
        m_blockLeft = 0;
        return 0;
    }
    m_body.putDirect([&](CAsiOStream &o) {
        unsigned char *p = o.reserveBytes(ASI_TAG_BLOCK_ROW, (int)len);
        if (!p)
            return;   /* counting */
        CAsiOStream row(p, ROW_ITEM);
        row.putI32(ASI_TAG_ROW, (std::int32_t)number);
        std::memcpy(p + ROW_ITEM, items, n);
    }, ASI_ITEM_COUNTED_HEAD + len);
    m_blockLeft--;
    m_blockRowsSent++;
    m_lastRow = number;
    return 1;
}

/* Forgets a begun further row. */
void CAsiDrvReply::dropBlockRow() noexcept
{
    m_inRow = 0;
    m_row.clear();
}

/* No further rows: one row per fetch. */
void CAsiDrvSession::fetchBlock(int, CAsiDrvReply &)
{
}

/* The default catalog: accepted. */
int CAsiDrvSession::setCatalog(const CAsiUcStr &, CAsiDrvReply &)
{
    return 1;
}

/* The default schema: accepted. */
int CAsiDrvSession::setSchema(const CAsiUcStr &, CAsiDrvReply &)
{
    return 1;
}

/* Serves the engine. */
int asi_drv_serve(int argc, char **argv, asi_drv_session_fn make, void *ctx)
{
    int fd = mapping_fd(argc, argv);
    struct stat sb;
    if (fd < 0 || !make || fstat(fd, &sb) != 0 || sb.st_size < (off_t)sizeof(asi_shm_header))
        return DRV_EXIT_NO_MAPPING;
    std::size_t size = (std::size_t)sb.st_size;
    void *base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED)
        return DRV_EXIT_NO_MAPPING;
    drv_state st{(asi_shm_header *)base, asi_shm_layout{0, 0, 0}, 0};
    if (!asi_shm_check(st.shm, size)) {
        munmap(base, size);
        return DRV_EXIT_NO_MAPPING;
    }
    st.layout = asi_shm_layout_of(st.shm);
    st.engine = (pid_t)st.shm->enginePid;
    /* A file grown past the process's size limit is a write that fails
    ** (EFBIG), told to the engine as such, never the driver's end. */
    std::signal(SIGXFSZ, SIG_IGN);
    /* A driver never outlives its engine, not even in the middle of a
    ** statement: the kernel kills it when the engine (the thread that
    ** started it; the module starts no threads of its own) ends. An engine
    ** gone before this line is seen by the parent check. */
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != st.engine) {
        munmap(base, size);
        return DRV_EXIT_ORPHAN;
    }
    st.shm->driverPid = (std::int32_t)getpid();
    sem_post(&st.shm->started);

    int channels = (int)st.layout.channels;
    CAsiDrvSession **sessions = (CAsiDrvSession **)std::calloc((std::size_t)channels, sizeof *sessions);
    int status = sessions ? DRV_EXIT_QUIT : DRV_EXIT_NO_MAPPING;
    CAsiMsgBuf body;
    CAsiMessage msg;
    CAsiDrvReply reply;
    drv_readahead *ahead = sessions ? new (std::nothrow) drv_readahead[(std::size_t)channels] : nullptr;
    if (!ahead)
        status = DRV_EXIT_NO_MAPPING;
    while (sessions && ahead) {
        int rc = asi_sem_wait(&st.shm->work, engine_alive, &st);
        if (__atomic_load_n(&st.shm->quit, __ATOMIC_ACQUIRE))
            break;
        if (rc != 1) {
            status = DRV_EXIT_ORPHAN;
            break;
        }
        for (int k = 0; k < channels; k++) {
            if (!__atomic_exchange_n(&st.shm->chan[k].pending, 0u, __ATOMIC_ACQ_REL))
                continue;
            if (!serve_channel(st, k, sessions[k], make, ctx, body, msg, reply, ahead[k])) {
                status = engine_alive(&st) ? DRV_EXIT_QUIT : DRV_EXIT_ORPHAN;
                goto done;
            }
        }
    }
done:
    delete[] ahead;
    if (sessions) {
        for (int k = 0; k < channels; k++)
            if (sessions[k]) {
                sessions[k]->disconnect();
                delete sessions[k];
            }
        std::free(sessions);
    }
    munmap(base, size);
    return status;
}

/* The target of a scrollable fetch; see the header. */
int asi_drv_fetch_target(int orientation, long offset, long pos, long n, long *to)
{
    switch (orientation) {
    case ASI_FETCH_NEXT: *to = pos + 1; return 1;
    case ASI_FETCH_PRIOR: *to = pos - 1; return 1;
    case ASI_FETCH_FIRST: *to = 1; return 1;
    case ASI_FETCH_LAST: *to = n; return 1;
    case ASI_FETCH_ABSOLUTE: *to = offset >= 0 ? offset : n + 1 + offset; return 1;
    case ASI_FETCH_RELATIVE: *to = pos + offset; return 1;
    default: return 0;
    }
}
