/*
** asi_except.cpp: exception objects, the per-thread frame block, the chained
** frame objects, and the per-thread diagnostics pointer.
**
** A throw is a C++ exception of type CAsiException; the frames only record
** what they caught.  The per-thread state lives in thread-local storage.
*/
#include "sqlclient/base/asi_except.h"

#include <cstdio>
#include <cstring>

#include "sqlclient/base/asi_diag.h"

namespace {

/* The calling thread's frame block, diagnostics area and frame chain. */
thread_local asi_try_block t_block;
thread_local CAsiDiagArea *t_diag = nullptr;
thread_local CAsiTryFrame *t_frames = nullptr;

/* Copies a text into a fixed field, cut and terminated; "" for null. */
void exc_copy_text(char *dst, const char *src)
{
    if (!src) {
        dst[0] = '\0';
        return;
    }
    std::snprintf(dst, ASI_EXC_TEXT_MAX, "%s", src);
}

} // namespace

/* An exception of code with its location and message. */
CAsiException::CAsiException(int code, const char *location, const char *message) noexcept
    : m_code(code), m_recorded(0), m_items(nullptr)
{
    exc_copy_text(m_location, location);
    exc_copy_text(m_message, message);
}

/* A copy; the condition items are copied when memory allows. */
CAsiException::CAsiException(const CAsiException &other) noexcept
    : CAsiObject(other), m_code(other.m_code), m_recorded(other.m_recorded), m_items(nullptr)
{
    std::memcpy(m_location, other.m_location, sizeof m_location);
    std::memcpy(m_message, other.m_message, sizeof m_message);
    if (other.m_items)
        m_items = other.m_items->clone();
}

/* Takes another exception's code, texts and a copy of its items. */
CAsiException &CAsiException::operator=(const CAsiException &other) noexcept
{
    if (this == &other)
        return *this;
    CAsiDiagArea *items = other.m_items ? other.m_items->clone() : nullptr;
    delete m_items;
    m_items = items;
    m_code = other.m_code;
    m_recorded = other.m_recorded;
    std::memcpy(m_location, other.m_location, sizeof m_location);
    std::memcpy(m_message, other.m_message, sizeof m_message);
    return *this;
}

/* Deletes the condition items. */
CAsiException::~CAsiException()
{
    delete m_items;
    m_items = nullptr;
}

/* A new copy; null without memory. */
CAsiException *CAsiException::clone() const
{
    return new CAsiException(*this);
}

/* The condition items, made on first use; null without memory. */
CAsiDiagArea *CAsiException::items()
{
    if (!m_items)
        m_items = new CAsiDiagArea();
    return m_items;
}

/* The calling thread's frame block. */
asi_try_block *asi_try_block_get() noexcept
{
    return &t_block;
}

/* Pushes a frame; 1, or 0 when 200 frames are open. */
int asi_try_enter() noexcept
{
    if (t_block.depth >= ASI_TRY_MAX_FRAMES)
        return 0;
    asi_try_frame &f = t_block.frames[t_block.depth++];
    f.code = 0;
    f.pending = nullptr;
    return 1;
}

/* The innermost frame record, or null. */
asi_try_frame *asi_try_jmpbuf() noexcept
{
    return t_block.depth > 0 ? &t_block.frames[t_block.depth - 1] : nullptr;
}

/* The code caught by the innermost frame; 0 when none. */
int asi_try_code() noexcept
{
    asi_try_frame *f = asi_try_jmpbuf();
    return f ? f->code : 0;
}

/* Records a caught exception in the innermost frame. */
void asi_try_catch(const CAsiException &e) noexcept
{
    asi_try_frame *f = asi_try_jmpbuf();
    if (!f)
        return;
    f->code = e.code();
    delete f->pending;
    f->pending = e.clone();
}

/* Pops the innermost frame and deletes what it still holds. */
void asi_try_leave() noexcept
{
    if (t_block.depth <= 0)
        return;
    asi_try_frame &f = t_block.frames[--t_block.depth];
    delete f.pending;
    f.pending = nullptr;
    f.code = 0;
}

/* Throws the code as an engine exception. */
void asi_throw(int code, const char *location, const char *message)
{
    throw CAsiException(code, location, message);
}

/* Raises the given exception, or re-raises the pending one. */
void asi_raise(const CAsiException *e)
{
    if (e)
        throw CAsiException(*e);
    if (CAsiTryFrame *frame = t_frames) {
        if (frame->pending()) {
            CAsiException copy(*frame->pending());
            frame->handled();
            throw copy;
        }
    }
    if (asi_try_frame *f = asi_try_jmpbuf()) {
        if (f->pending) {
            CAsiException copy(*f->pending);
            throw copy;
        }
    }
    throw CAsiException(ASI_ERR_GENERAL, "asi_raise");
}

/* Registers the frame as the thread's innermost. */
CAsiTryFrame::CAsiTryFrame() noexcept : m_prev(t_frames), m_pending(nullptr), m_code(0)
{
    t_frames = this;
}

/* Restores the previous frame and deletes an unhandled exception. */
CAsiTryFrame::~CAsiTryFrame()
{
    if (t_frames == this)
        t_frames = m_prev;
    delete m_pending;
    m_pending = nullptr;
}

/* Keeps a copy of a caught exception. */
void CAsiTryFrame::take(const CAsiException &e) noexcept
{
    m_code = e.code();
    delete m_pending;
    m_pending = e.clone();
}

/* Deletes the pending exception; the code stays. */
void CAsiTryFrame::handled() noexcept
{
    delete m_pending;
    m_pending = nullptr;
}

/* The thread's innermost frame object. */
CAsiTryFrame *CAsiTryFrame::innermost() noexcept
{
    return t_frames;
}

/* Installs the thread's diagnostics area; answers the previous one. */
CAsiDiagArea *asi_set_thread_diag(CAsiDiagArea *diag) noexcept
{
    CAsiDiagArea *old = t_diag;
    t_diag = diag;
    return old;
}

/* The thread's diagnostics area, or null. */
CAsiDiagArea *asi_thread_diag() noexcept
{
    return t_diag;
}

/* Records an exception's condition in diag unless already recorded: the
** records it carries, else one record of its code and message. */
void asi_try_record(CAsiDiagArea *diag, const CAsiException &e) noexcept
{
    if (!diag || e.recorded())
        return;
    try {
        const CAsiDiagArea *items = e.itemsOrNull();
        if (items && items->count() > 0) {
            for (int i = 0; i < items->count(); i++)
                diag->appendRecord(*items, i);
            return;
        }
        diag->addCondition(e.code());
        if (e.message()[0])
            diag->setCondText(CAsiUcStr(e.message()));
        diag->complete();
    } catch (...) {
        /* Out of memory while recording: the 0 result still tells. */
    }
}
