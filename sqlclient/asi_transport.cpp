/*
** asi_transport.cpp: the shared mapping's layout, the sliced semaphore
** wait, and the piecewise exchange of messages over one channel.
**
** A message goes as pieces of at most the channel's buffer size.  The
** sender writes a piece (code, total, offset, length, data) and posts the
** receiver's semaphore; for every piece but the last the receiver copies
** it out and posts an acknowledgement on the sender's semaphore before the
** sender may overwrite the buffer.  The first piece of a request is
** announced by the channel's pending flag and the driver's work semaphore.
*/
#include "sqlclient/asi_transport.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_memory.h"

namespace {

/* Alignment of the data area. */
constexpr std::size_t SHM_ALIGN = 64;

/* Milliseconds in a second, nanoseconds in a millisecond and a second. */
constexpr long MS_PER_S = 1000;
constexpr long NS_PER_MS = 1000000;
constexpr long NS_PER_S = 1000000000;

/* Bytes of the header with n channels, before the data area. */
std::size_t shm_head_size(int channels) noexcept
{
    std::size_t n = offsetof(asi_shm_header, chan) + sizeof(asi_shm_channel) * (std::size_t)channels;
    return (n + SHM_ALIGN - 1) / SHM_ALIGN * SHM_ALIGN;
}

/* The clock of the timed waits: CLOCK_MONOTONIC where the C library can
** wait on it (a clock set back then cannot stretch a wait), else
** CLOCK_REALTIME. */
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 30))
constexpr clockid_t WAIT_CLOCK = CLOCK_MONOTONIC;

/* Waits on s until the absolute time of WAIT_CLOCK. */
int timed_wait(sem_t *s, const timespec *until) noexcept
{
    return sem_clockwait(s, WAIT_CLOCK, until);
}
#else
constexpr clockid_t WAIT_CLOCK = CLOCK_REALTIME;

/* Waits on s until the absolute time of WAIT_CLOCK. */
int timed_wait(sem_t *s, const timespec *until) noexcept
{
    return sem_timedwait(s, until);
}
#endif

/* The absolute WAIT_CLOCK time ms milliseconds from now. */
timespec deadline_in(int ms) noexcept
{
    timespec t;
    clock_gettime(WAIT_CLOCK, &t);
    t.tv_sec += ms / MS_PER_S;
    t.tv_nsec += (long)(ms % MS_PER_S) * NS_PER_MS;
    if (t.tv_nsec >= NS_PER_S) {
        t.tv_sec++;
        t.tv_nsec -= NS_PER_S;
    }
    return t;
}

/* Milliseconds of CLOCK_MONOTONIC, for measuring a total wait. */
long long now_ms() noexcept
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * MS_PER_S + t.tv_nsec / NS_PER_MS;
}

/* Writes piece number `offset` of a message into channel k. */
void put_piece(asi_shm_header *h, const asi_shm_layout &l, int k, int code, const CAsiMsgBuf &body,
               std::uint32_t offset, std::uint32_t piece) noexcept
{
    asi_shm_channel &c = h->chan[k];
    c.code = (std::uint32_t)code;
    c.total = (std::uint32_t)body.length();
    c.offset = offset;
    c.piece = piece;
    if (piece)
        std::memcpy(asi_shm_buffer(h, l, k), body.data() + offset, piece);
}

/* Copies the piece standing in channel k into body after checking it
** against what arrived so far (received bytes, the message's total and
** code from the first piece).  ASI_XFER_OK, _DAMAGED or _NOMEM. */
int take_piece(asi_shm_header *h, const asi_shm_layout &l, int k, CAsiMsgBuf &body,
               std::uint32_t received, std::uint32_t *total, int *code) noexcept
{
    const asi_shm_channel &c = h->chan[k];
    std::uint32_t t = c.total, off = c.offset, n = c.piece;
    if (received == 0 && off == 0) {
        if (t > ASI_MESSAGE_MAX)
            return ASI_XFER_DAMAGED;
        *total = t;
        *code = (int)c.code;
        try {
            body.clear();
            body.reserve(t);
        } catch (...) {
            return ASI_XFER_NOMEM;
        }
    } else if (t != *total || (int)c.code != *code) {
        return ASI_XFER_DAMAGED;
    }
    if (off != received || n > l.pieceSize || n > t - received || (n == 0 && t != received))
        return ASI_XFER_DAMAGED;
    if (n)
        std::memcpy(body.data() + received, asi_shm_buffer(h, l, k), n);
    body.setLength(received + n);
    return ASI_XFER_OK;
}

/* Sends body with code on channel k: the first piece is announced by
** first(), the later ones after an acknowledgement on ack and posted on
** next.  ASI_XFER_OK or _LOST. */
template <class First>
int send_pieces(asi_shm_header *h, const asi_shm_layout &l, int k, int code, const CAsiMsgBuf &body,
                First first, sem_t *ack, sem_t *next, asi_alive_fn alive, void *ctx) noexcept
{
    std::uint32_t total = (std::uint32_t)body.length(), sent = 0;
    std::uint32_t piece = total < l.pieceSize ? total : l.pieceSize;
    put_piece(h, l, k, code, body, 0, piece);
    first();
    sent = piece;
    while (sent < total) {
        if (asi_sem_wait(ack, alive, ctx) != 1)
            return ASI_XFER_LOST;
        piece = total - sent < l.pieceSize ? total - sent : l.pieceSize;
        put_piece(h, l, k, code, body, sent, piece);
        sem_post(next);
        sent += piece;
    }
    return ASI_XFER_OK;
}

/* Receives the rest of a message whose first piece stands in channel k:
** acknowledges on ack and waits on next for each further piece. */
int receive_pieces(asi_shm_header *h, const asi_shm_layout &l, int k, CAsiMsgBuf &body, int *code,
                   sem_t *ack, sem_t *next, asi_alive_fn alive, void *ctx) noexcept
{
    std::uint32_t total = 0;
    int rc = take_piece(h, l, k, body, 0, &total, code);
    while (rc == ASI_XFER_OK && body.length() < total) {
        sem_post(ack);
        if (asi_sem_wait(next, alive, ctx) != 1)
            return ASI_XFER_LOST;
        rc = take_piece(h, l, k, body, (std::uint32_t)body.length(), &total, code);
    }
    return rc;
}

} // namespace

/* Bytes of a mapping. */
std::size_t asi_shm_size(int channels, std::uint32_t piece) noexcept
{
    return shm_head_size(channels) + (std::size_t)channels * piece;
}

/* Lays out a fresh mapping; 1, or 0 when a semaphore cannot be made. */
int asi_shm_init(void *base, int channels, std::uint32_t piece) noexcept
{
    std::memset(base, 0, shm_head_size(channels));
    asi_shm_header *h = (asi_shm_header *)base;
    h->magic = ASI_SHM_MAGIC;
    h->version = ASI_SHM_VERSION;
    h->channels = (std::uint32_t)channels;
    h->pieceSize = piece;
    h->dataOffset = (std::uint32_t)shm_head_size(channels);
    if (sem_init(&h->started, 1, 0) != 0 || sem_init(&h->work, 1, 0) != 0)
        return 0;
    for (int k = 0; k < channels; k++)
        if (sem_init(&h->chan[k].toDriver, 1, 0) != 0 || sem_init(&h->chan[k].toEngine, 1, 0) != 0)
            return 0;
    return 1;
}

/* The layout of a sound mapping. */
asi_shm_layout asi_shm_layout_of(const asi_shm_header *h) noexcept
{
    return asi_shm_layout{h->channels, h->pieceSize, h->dataOffset};
}

/* Destroys the semaphores of a mapping. */
void asi_shm_destroy(asi_shm_header *h, const asi_shm_layout &l) noexcept
{
    if (!h)
        return;
    sem_destroy(&h->started);
    sem_destroy(&h->work);
    for (std::uint32_t k = 0; k < l.channels; k++) {
        sem_destroy(&h->chan[k].toDriver);
        sem_destroy(&h->chan[k].toEngine);
    }
}

/* Checks an attached mapping; 1 when sound. */
int asi_shm_check(const asi_shm_header *h, std::size_t size) noexcept
{
    if (!h || size < sizeof(asi_shm_header) || h->magic != ASI_SHM_MAGIC ||
        h->version != ASI_SHM_VERSION)
        return 0;
    if (h->channels == 0 || h->channels > 4096 || h->pieceSize == 0 || h->pieceSize > ASI_MESSAGE_MAX)
        return 0;
    return h->dataOffset == shm_head_size((int)h->channels) &&
           asi_shm_size((int)h->channels, h->pieceSize) <= size;
}

/* Channel k's buffer. */
unsigned char *asi_shm_buffer(asi_shm_header *h, const asi_shm_layout &l, int k) noexcept
{
    return (unsigned char *)h + l.dataOffset + (std::size_t)k * l.pieceSize;
}

/* The default slice of asi_sem_wait (milliseconds); see asi_set_wait_slice. */
static std::atomic<int> s_wait_slice_ms{ASI_WAIT_SLICE_MS};

/* Sets the default slice of the waits. */
void asi_set_wait_slice(int ms) noexcept
{
    s_wait_slice_ms.store(ms > 0 ? ms : ASI_WAIT_SLICE_MS);
}

/* The longest spin a wait makes (microseconds).  A request the driver
** serves in a few dozen microseconds (a single-row INSERT) is answered
** within it; a wait that lasts longer than this is left to the kernel, as
** the time a spin could save is small beside it. */
constexpr long SPIN_MAX_US = 1000;

/* Nanoseconds in a microsecond. */
constexpr long NS_PER_US = 1000;

/* Microseconds of CLOCK_MONOTONIC. */
static long long now_us() noexcept
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * (NS_PER_S / NS_PER_US) + t.tv_nsec / NS_PER_US;
}

/* Looks at the semaphore for up to spin_us microseconds from start_us; 1
** when it was taken meanwhile. */
static int spin_take(sem_t *s, long long start_us, long spin_us) noexcept
{
    constexpr int LOOKS_PER_CLOCK = 64;   /* looks between two readings of the clock */
    for (;;) {
        for (int i = 0; i < LOOKS_PER_CLOCK; i++) {
            if (sem_trywait(s) == 0)
                return 1;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        if (now_us() - start_us >= spin_us)
            return 0;
    }
}

/* How many of the latest answers the spin of the next wait looks at. */
constexpr int RECENT_ANSWERS = 4;

/* How long the latest answers took (microseconds, SPIN_MAX_US + 1 for any
** longer), a ring written by every wait of this process; all start at
** ASI_SPIN_US. */
static std::atomic<long> s_recent_us[RECENT_ANSWERS] = {ASI_SPIN_US, ASI_SPIN_US, ASI_SPIN_US, ASI_SPIN_US};
static std::atomic<unsigned> s_recent_at{0};

/* Notes how long an answer took, from the start of its wait. */
static void note_answer(long long waited_us) noexcept
{
    unsigned at = s_recent_at.fetch_add(1, std::memory_order_relaxed) % RECENT_ANSWERS;
    s_recent_us[at].store(waited_us > SPIN_MAX_US ? SPIN_MAX_US + 1 : (long)waited_us, std::memory_order_relaxed);
}

/* The spin of the next wait: the longest of the latest answers while every
** one of them came within SPIN_MAX_US; none as soon as one took longer. */
static long recent_spin() noexcept
{
    long longest = 0;
    for (const std::atomic<long> &w : s_recent_us) {
        long us = w.load(std::memory_order_relaxed);
        if (us > SPIN_MAX_US)
            return 0;
        if (us > longest)
            longest = us;
    }
    return longest;
}

/* Looks at the semaphore until spin_us from start_us have passed, giving
** the processor up between two looks, so that a peer waiting for one runs
** first; 1 when the semaphore was taken meanwhile. */
static int yield_take(sem_t *s, long long start_us, long spin_us) noexcept
{
    do {
        if (sem_trywait(s) == 0)
            return 1;
        sched_yield();
    } while (now_us() - start_us < spin_us);
    return 0;
}

/* Waits in slices for a semaphore the spin did not take: 1, 0 or -1 as
** asi_sem_wait. */
static int blocked_wait(sem_t *s, asi_alive_fn alive, void *ctx, int total_ms, int slice_ms) noexcept
{
    int slice = slice_ms > 0 ? slice_ms : s_wait_slice_ms.load();
    long long start = now_ms();
    for (;;) {
        long long left = slice;
        if (total_ms > 0) {
            long long rest = total_ms - (now_ms() - start);
            if (rest <= 0)
                return -1;
            if (rest < left)
                left = rest;
        }
        long long slice_end = now_ms() + left;
        for (long long rest = left; rest > 0; rest = slice_end - now_ms()) {
            int step = (int)(alive && rest > ASI_ALIVE_POLL_MS ? ASI_ALIVE_POLL_MS : rest);
            timespec until = deadline_in(step);
            if (timed_wait(s, &until) == 0)
                return 1;
            if (errno != EINTR && errno != ETIMEDOUT)
                return 0;
            if (alive && !alive(ctx))
                return 0;
        }
    }
}

/* Microseconds between two looks at the kernel's count of runnable tasks. */
constexpr long long LOAD_LOOK_US = 10000;

/* The time of the last look at that count (microseconds) and what it
** found: 1 when a processor was free. */
static std::atomic<long long> s_load_look_us{-LOAD_LOOK_US};
static std::atomic<int> s_cpu_free{1};

/* Processors this process may run on (at least 1). */
static long usable_cpus() noexcept
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? n : 1;
}

/* The running count of /proc/loadavg ("0.50 0.40 0.30 3/456 12345": the
** number before the slash), or -1 when it cannot be read. */
static long runnable_tasks() noexcept
{
    constexpr int LOADAVG_FIELD = 3;   /* blanks before the running count */
    char text[128];
    int fd = open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0)
        return -1;
    text[n] = '\0';
    const char *p = text;
    for (int blanks = 0; *p && blanks < LOADAVG_FIELD; p++)
        if (*p == ' ')
            blanks++;
    char *end = nullptr;
    long running = std::strtol(p, &end, 10);
    return end != p && *end == '/' ? running : -1;
}

/* 1 when every task that can run has a processor (looked at no more often
** than every LOAD_LOOK_US; 1 as well when the count cannot be read).  Only
** then does a long spin pay: on a machine with more runnable tasks than
** processors the spinner takes a processor the peer may be waiting for,
** and loses the quick turn the kernel gives a task that wakes from sleep. */
static int cpu_free(long long now) noexcept
{
    if (now - s_load_look_us.load(std::memory_order_relaxed) < LOAD_LOOK_US)
        return s_cpu_free.load(std::memory_order_relaxed);
    static const long cpus = usable_cpus();
    long running = runnable_tasks();
    int free = running < 0 || running <= cpus;
    s_cpu_free.store(free, std::memory_order_relaxed);
    s_load_look_us.store(now, std::memory_order_relaxed);
    return free;
}

/* What a wait does before it sleeps; see the header. */
asi_wait_plan asi_wait_plan_for(int cpu_free, long recent_spin_us) noexcept
{
    if (!cpu_free)
        return asi_wait_plan{0, 0};
    return asi_wait_plan{recent_spin_us > 0 ? recent_spin_us : 0, ASI_SPIN_US};
}

/* Waits in slices; within each the peer is asked every ASI_ALIVE_POLL_MS
** whether it lives (a zero-timeout look, no thread of its own).  Before
** it sleeps, a wait looks at its semaphore only while every runnable task
** has a processor (asi_wait_plan_for): it spins for as long as the longest
** of the latest answers took when all of them came within SPIN_MAX_US,
** then looks between yields of its processor up to ASI_SPIN_US from its
** start, which cost nothing when no other task wants the processor.  On a
** machine with more runnable tasks than processors it sleeps at once: a
** spin takes the processor the peer needs to answer, and a yield hands it
** to a busy task for a whole time slice (milliseconds), during which the
** waiter, still runnable, is not woken by the answer, as a sleeper is. */
int asi_sem_wait(sem_t *s, asi_alive_fn alive, void *ctx, int total_ms, int slice_ms) noexcept
{
    long long start = now_us();
    int free = cpu_free(start);
    asi_wait_plan plan = asi_wait_plan_for(free, free ? recent_spin() : 0);
    int rc = (plan.spinUs > 0 && spin_take(s, start, plan.spinUs)) ||
                     (plan.yieldUs > 0 && yield_take(s, start, plan.yieldUs))
                 ? 1
                 : blocked_wait(s, alive, ctx, total_ms, slice_ms);
    if (rc == 1)
        note_answer(now_us() - start);
    return rc;
}

/* Frees the body. */
CAsiMsgBuf::~CAsiMsgBuf()
{
    asi_mfree(m_data);
}

/* Makes room for n bytes; throws 0xA008. */
void CAsiMsgBuf::reserve(std::size_t n)
{
    if (n <= m_cap)
        return;
    std::size_t cap = m_cap ? m_cap : 256;
    while (cap < n)
        cap *= 2;
    m_data = (unsigned char *)asi_realloc(m_data, cap);
    m_cap = cap;
}

/* Appends bytes written already. */
void CAsiMsgBuf::append(const void *p, std::size_t n)
{
    reserve(m_len + n);
    if (n)
        std::memcpy(m_data + m_len, p, n);
    m_len += n;
}

/* Engine side: request out, reply in. */
int asi_chan_call(asi_shm_header *h, const asi_shm_layout &l, int k, int code, const CAsiMsgBuf &body,
                  CAsiMsgBuf &reply, int *status, asi_alive_fn alive, void *ctx) noexcept
{
    asi_shm_channel &c = h->chan[k];
    auto announce = [&] {
        __atomic_store_n(&c.pending, 1u, __ATOMIC_RELEASE);
        sem_post(&h->work);
    };
    int rc = send_pieces(h, l, k, code, body, announce, &c.toEngine, &c.toDriver, alive, ctx);
    if (rc != ASI_XFER_OK)
        return rc;
    if (asi_sem_wait(&c.toEngine, alive, ctx) != 1)
        return ASI_XFER_LOST;
    return receive_pieces(h, l, k, reply, status, &c.toDriver, &c.toEngine, alive, ctx);
}

/* Driver side: the rest of a request. */
int asi_chan_receive(asi_shm_header *h, const asi_shm_layout &l, int k, CAsiMsgBuf &body, int *code,
                     asi_alive_fn alive, void *ctx) noexcept
{
    asi_shm_channel &c = h->chan[k];
    return receive_pieces(h, l, k, body, code, &c.toEngine, &c.toDriver, alive, ctx);
}

/* Driver side: the reply. */
int asi_chan_reply(asi_shm_header *h, const asi_shm_layout &l, int k, int status, const CAsiMsgBuf &body,
                   asi_alive_fn alive, void *ctx) noexcept
{
    asi_shm_channel &c = h->chan[k];
    auto announce = [&] { sem_post(&c.toEngine); };
    return send_pieces(h, l, k, status, body, announce, &c.toDriver, &c.toEngine, alive, ctx);
}
