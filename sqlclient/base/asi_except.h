/*
** asi_except.h: the engine's exception frames and its failure codes.
**
** A failure anywhere in the engine or its value types is thrown as a numeric
** code to the innermost exception frame of the calling thread.  Underneath,
** the throw is a C++ exception (CAsiException); the frames record what they
** caught so that the engine's C-callable functions can turn it into a 0
** result and a condition.  No exception may cross a C boundary: every
** C-callable function runs its body through asi_try_call (below), which
** enters a frame, catches every failure and answers the failure value.
**
** Two kinds of frame exist, both per thread:
**   - asi_try_block: the block of at most ASI_TRY_MAX_FRAMES frame records
**     pushed with asi_try_enter and popped with asi_try_leave; the engine's
**     interface functions use it through asi_try_call.
**   - CAsiTryFrame: a frame object chained per thread that the link client
**     opens around a call; it keeps the exception object it caught until it
**     is handled or the frame is left.
**
** The idiom at a C boundary:
**
**     int asi_do_thing(ASI_HANDLE h)
**     {
**         return asi_try_call(&h->diag(), 0, [&] { ...; return 1; });
**     }
**
** and inside the engine a failure is simply asi_throw(ASI_ERR_INDEX, ...) or
** asi_raise_state(0x2203) (asi_diag.h).
*/
#ifndef PV_SQLCLIENT_BASE_ASI_EXCEPT_H
#define PV_SQLCLIENT_BASE_ASI_EXCEPT_H

#include <new>
#include <type_traits>
#include <utility>

#include "sqlclient/base/asi_object.h"

class CAsiDiagArea;

/* Engine failure codes (SQLSTATE conditions use the coding of asi_diag.h). */
constexpr int ASI_ERR_GENERAL = 0xA001;        /* an unexpected failure */
constexpr int ASI_ERR_BAD_ARGUMENT = 0xA002;   /* a bad argument (count, size) */
constexpr int ASI_ERR_NO_MEMORY = 0xA008;      /* memory exhausted */
constexpr int ASI_ERR_STREAM = 0xA00C;         /* value stream damaged or truncated */
constexpr int ASI_ERR_STREAM_FULL = 0xA00D;    /* value stream buffer full */
constexpr int ASI_ERR_TOO_DEEP = 0xA00E;       /* more than 200 nested frames */
constexpr int ASI_ERR_INDEX = 0xA011;          /* an index out of range */
constexpr int ASI_ERR_CHARSET = 0xA01E;        /* unknown character set name */
constexpr int ASI_ERR_LOCALE = 0xA01F;         /* unknown locale id or name */
constexpr int ASI_ERR_LOCALE_UNSUPPORTED = 0xA020; /* locale cannot compare */
constexpr int ASI_ERR_LINK_CONDITION = 0xE001; /* a link client condition */

/* The number of frames one thread's asi_try_block holds. */
constexpr int ASI_TRY_MAX_FRAMES = 200;

/* The longest location or message text an exception keeps (bytes). */
constexpr int ASI_EXC_TEXT_MAX = 256;

/* The exception object a throw carries: the numeric code, where it was
** thrown, an optional message, optional condition items (a diagnostics
** area owned by the object) and whether the condition has already been
** recorded in the thread's diagnostics. */
class CAsiException : public CAsiObject {
public:
    /* An exception of the code; location and message may be null. */
    explicit CAsiException(int code, const char *location = nullptr,
                           const char *message = nullptr) noexcept;
    CAsiException(const CAsiException &other) noexcept;
    CAsiException &operator=(const CAsiException &other) noexcept;
    ~CAsiException() override;

    /* A new copy (with a copy of its condition items); null without memory. */
    CAsiException *clone() const override;

    int code() const noexcept { return m_code; }
    const char *location() const noexcept { return m_location; }
    const char *message() const noexcept { return m_message; }

    /* 1 when asi_raise_state has already recorded the condition. */
    int recorded() const noexcept { return m_recorded; }
    void setRecorded(int flag) noexcept { m_recorded = flag; }

    /* The condition items carried with the exception, created on first use;
    ** null only when memory is exhausted.  itemsOrNull does not create. */
    CAsiDiagArea *items();
    const CAsiDiagArea *itemsOrNull() const noexcept { return m_items; }

private:
    int m_code;                          /* engine code or SQLSTATE code */
    int m_recorded;                      /* 1: already in the diagnostics */
    char m_location[ASI_EXC_TEXT_MAX];   /* where it was thrown, "" if unknown */
    char m_message[ASI_EXC_TEXT_MAX];    /* explanation, "" if none */
    CAsiDiagArea *m_items;               /* owned condition items, or null */
};

/* One frame record of the per-thread block. */
struct asi_try_frame {
    int code;                 /* code caught by this frame; 0 while none */
    CAsiException *pending;   /* owned copy of the caught exception, or null */
};

/* The per-thread block of exception frames. */
struct asi_try_block {
    int depth;                                /* frames in use, 0 to 200 */
    asi_try_frame frames[ASI_TRY_MAX_FRAMES]; /* frames[depth - 1] innermost */
};

/* The calling thread's block (created with the thread, never null). */
asi_try_block *asi_try_block_get() noexcept;

/* Pushes a frame of the calling thread; 1 when pushed, 0 when the block
** already holds ASI_TRY_MAX_FRAMES frames. */
int asi_try_enter() noexcept;

/* The innermost frame record, where a throw lands; null when no frame is
** open. */
asi_try_frame *asi_try_jmpbuf() noexcept;

/* The code caught by the innermost frame; 0 when none or no frame. */
int asi_try_code() noexcept;

/* Records a caught exception in the innermost frame (its code and a copy of
** the object); nothing when no frame is open. */
void asi_try_catch(const CAsiException &e) noexcept;

/* Pops the innermost frame, deleting an exception it still holds; nothing
** when no frame is open. */
void asi_try_leave() noexcept;

/* Throws the code to the innermost frame; does not return. */
[[noreturn]] void asi_throw(int code, const char *location = nullptr,
                            const char *message = nullptr);

/* Raises the given exception object (the caller keeps it), or with null
** re-raises the exception pending in the innermost CAsiTryFrame (passing it
** to the next outer frame), else the one pending in the innermost block
** frame, else ASI_ERR_GENERAL.  Does not return. */
[[noreturn]] void asi_raise(const CAsiException *e = nullptr);

/* A frame object chained per thread.  Constructing it makes it the
** innermost frame; leaving it restores the previous one and deletes a
** pending exception not handled.
**
**     CAsiTryFrame frame;
**     try { ...; }
**     catch (const CAsiException &e) { frame.take(e); ...; frame.handled(); }
*/
class CAsiTryFrame {
public:
    CAsiTryFrame() noexcept;
    ~CAsiTryFrame();
    CAsiTryFrame(const CAsiTryFrame &) = delete;
    CAsiTryFrame &operator=(const CAsiTryFrame &) = delete;

    /* 0 on entry; the caught code once an exception arrived. */
    int code() const noexcept { return m_code; }

    /* The exception caught and not yet handled, or null. */
    CAsiException *pending() const noexcept { return m_pending; }

    /* Keeps a copy of a caught exception as pending (replacing one held). */
    void take(const CAsiException &e) noexcept;

    /* Marks the pending exception handled: deletes it, keeps the code. */
    void handled() noexcept;

    /* The frame that was innermost before this one, or null. */
    CAsiTryFrame *previous() const noexcept { return m_prev; }

    /* The calling thread's innermost frame object, or null. */
    static CAsiTryFrame *innermost() noexcept;

private:
    CAsiTryFrame *m_prev;       /* previous innermost frame of the thread */
    CAsiException *m_pending;   /* owned caught exception, or null */
    int m_code;                 /* caught code, 0 while none */
};

/* The thread's diagnostics area for the duration of a call (asi_diag.cpp). */
CAsiDiagArea *asi_set_thread_diag(CAsiDiagArea *diag) noexcept;

/* Records a failure that no condition has recorded yet (an engine code
** thrown by asi_throw) in the diagnostics area; used by asi_try_call. */
void asi_try_record(CAsiDiagArea *diag, const CAsiException &e) noexcept;

/* Runs body() inside a frame of the thread's block with diag as the thread's
** diagnostics area (null: none), and answers its result.  A failure thrown
** inside (a CAsiException, memory exhaustion or any other C++ exception) is
** caught, recorded in diag when not recorded yet, and turned into the
** answer fail; the code is also written to *code_out when given (0 on
** success).  More than 200 nested frames fail with ASI_ERR_TOO_DEEP.
** Nothing ever propagates out of it. */
template <class R, class F>
R asi_try_call(CAsiDiagArea *diag, R fail, F &&body, int *code_out = nullptr) noexcept
{
    if (code_out) *code_out = 0;
    CAsiDiagArea *saved = asi_set_thread_diag(diag);
    if (!asi_try_enter()) {
        CAsiException deep(ASI_ERR_TOO_DEEP, "asi_try_call");
        asi_try_record(diag, deep);
        asi_set_thread_diag(saved);
        if (code_out) *code_out = ASI_ERR_TOO_DEEP;
        return fail;
    }
    int code = 0;
    try {
        R result = std::forward<F>(body)();
        asi_try_leave();
        asi_set_thread_diag(saved);
        return result;
    } catch (const CAsiException &e) {
        asi_try_catch(e);
        asi_try_record(diag, e);
        code = e.code();
    } catch (const std::bad_alloc &) {
        CAsiException e(ASI_ERR_NO_MEMORY, "asi_try_call");
        asi_try_catch(e);
        asi_try_record(diag, e);
        code = ASI_ERR_NO_MEMORY;
    } catch (...) {
        CAsiException e(ASI_ERR_GENERAL, "asi_try_call");
        asi_try_catch(e);
        asi_try_record(diag, e);
        code = ASI_ERR_GENERAL;
    }
    asi_try_leave();
    asi_set_thread_diag(saved);
    if (code_out) *code_out = code;
    return fail;
}

#endif
