/*
** transport_test.cpp: the channel exchange between two processes over a
** mapping with small buffers, so that messages go in many pieces; damaged
** piece headers; a peer spoiling the layout; the sliced wait; the mapping
** check.
*/
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <chrono>
#include <string>
#include <thread>

#include "sqlclient/asi_driver_side.h"
#include "sqlclient/asi_transport.h"

namespace {

/* Buffer size of the test mapping, and the request code the echo peer
** answers with a damaged piece. */
constexpr std::uint32_t SMALL_PIECE = 100;
constexpr int TEST_CHANNELS = 2;
constexpr int CODE_DAMAGE = 99;

/* The request code the echo peer answers after scribbling over the
** mapping's layout fields, as a driver running wild might. */
constexpr int CODE_WILD = 98;

/* The echo peer: answers every request with its body reversed and the
** request code as status; CODE_DAMAGE gets a piece longer than the
** buffer; CODE_WILD gets its echo after the header's layout is spoilt. */
void echo_peer(asi_shm_header *h)
{
    const asi_shm_layout l = asi_shm_layout_of(h);
    CAsiMsgBuf body, reply;
    for (;;) {
        if (asi_sem_wait(&h->work, nullptr, nullptr) != 1)
            _exit(2);
        for (int k = 0; k < TEST_CHANNELS; k++) {
            if (!__atomic_exchange_n(&h->chan[k].pending, 0u, __ATOMIC_ACQ_REL))
                continue;
            int code = 0;
            if (asi_chan_receive(h, l, k, body, &code, nullptr, nullptr) != ASI_XFER_OK)
                _exit(3);
            if (code == CODE_DAMAGE) {
                h->chan[k].code = 0;
                h->chan[k].total = 10;
                h->chan[k].offset = 0;
                h->chan[k].piece = SMALL_PIECE + 1;
                sem_post(&h->chan[k].toEngine);
                continue;
            }
            if (code == CODE_WILD) {
                h->channels = 0xFFFFFFFFu;
                h->pieceSize = 0xFFFFFFFFu;
                h->dataOffset = 0x7FFFFFFFu;
            }
            reply.clear();
            reply.reserve(body.length());
            for (std::size_t i = 0; i < body.length(); i++)
                reply.data()[i] = body.data()[body.length() - 1 - i];
            reply.setLength(body.length());
            if (asi_chan_reply(h, l, k, code, reply, nullptr, nullptr) != ASI_XFER_OK)
                _exit(4);
        }
    }
}

/* A mapping shared with a forked echo peer. */
class TransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        size = asi_shm_size(TEST_CHANNELS, SMALL_PIECE);
        void *base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(base, MAP_FAILED);
        shm = (asi_shm_header *)base;
        ASSERT_EQ(asi_shm_init(base, TEST_CHANNELS, SMALL_PIECE), 1);
        layout = asi_shm_layout_of(shm);
        peer = fork();
        ASSERT_GE(peer, 0);
        if (peer == 0)
            echo_peer(shm);
    }

    void TearDown() override
    {
        if (peer > 0) {
            kill(peer, SIGKILL);
            waitpid(peer, nullptr, 0);
        }
        asi_shm_destroy(shm, layout);
        munmap(shm, size);
    }

    /* Sends a body of n bytes on channel k and checks the echo. */
    void roundTrip(int k, std::size_t n, int code)
    {
        CAsiMsgBuf body, reply;
        body.reserve(n);
        for (std::size_t i = 0; i < n; i++)
            body.data()[i] = (unsigned char)(i * 7 + n);
        body.setLength(n);
        int status = -1;
        ASSERT_EQ(asi_chan_call(shm, layout, k, code, body, reply, &status, nullptr, nullptr), ASI_XFER_OK);
        EXPECT_EQ(status, code);
        ASSERT_EQ(reply.length(), n);
        for (std::size_t i = 0; i < n; i++)
            ASSERT_EQ(reply.data()[i], body.data()[n - 1 - i]) << "byte " << i << " of " << n;
    }

    std::size_t size = 0;          /* bytes of the mapping */
    asi_shm_header *shm = nullptr; /* the mapping */
    asi_shm_layout layout{};       /* its layout, as made here */
    pid_t peer = -1;               /* the echo process */
};

TEST_F(TransportTest, MessagesOfEverySizeCrossInPieces)
{
    const std::size_t sizes[] = {0, 1, SMALL_PIECE - 1, SMALL_PIECE, SMALL_PIECE + 1, 3 * SMALL_PIECE, 12345};
    for (std::size_t n : sizes)
        roundTrip((int)(n % TEST_CHANNELS), n, ASI_REQ_FETCH);
}

TEST_F(TransportTest, DamagedPieceHeaderIsRefused)
{
    CAsiMsgBuf body, reply;
    int status = 0;
    EXPECT_EQ(asi_chan_call(shm, layout, 0, CODE_DAMAGE, body, reply, &status, nullptr, nullptr), ASI_XFER_DAMAGED);
    roundTrip(1, 250, ASI_REQ_PREPARE);
}

TEST_F(TransportTest, LayoutSpoiltByThePeerDoesNotSteerTheCopies)
{
    roundTrip(0, 3 * SMALL_PIECE + 7, CODE_WILD);
    roundTrip(1, 2 * SMALL_PIECE, ASI_REQ_FETCH);
}

/* The liveness callback of a forked process. */
int peer_alive(void *ctx)
{
    pid_t pid = *(pid_t *)ctx;
    return waitpid(pid, nullptr, WNOHANG) == 0;
}

TEST_F(TransportTest, WaitEndsWhenThePeerDiesOrTheTimeRunsOut)
{
    sem_t idle;
    sem_init(&idle, 0, 0);
    EXPECT_EQ(asi_sem_wait(&idle, nullptr, nullptr, 120, 40), -1) << "a total time ends the wait";
    EXPECT_EQ(asi_sem_wait(&idle, peer_alive, &peer, 150, 40), -1) << "a living peer is waited for";
    kill(peer, SIGTERM);
    EXPECT_EQ(asi_sem_wait(&idle, peer_alive, &peer, 0, 40), 0) << "a dead peer ends the wait";
    peer = -1;
    sem_post(&idle);
    EXPECT_EQ(asi_sem_wait(&idle, nullptr, nullptr, 0, 40), 1);
    sem_destroy(&idle);
}

/* Posts s after delay_us from a thread of its own, which the caller joins. */
std::thread post_later(sem_t *s, int delay_us)
{
    return std::thread([s, delay_us] {
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us));
        sem_post(s);
    });
}

TEST(TransportWait, SpinLearntFromQuickAnswersKeepsEveryWaitsMeaning)
{
    constexpr int QUICK_US = 300;     /* answers that teach the waits to spin longer */
    constexpr int SLOW_US = 20000;    /* an answer far beyond any spin */
    constexpr int LESSONS = 20;
    sem_t s;
    sem_init(&s, 0, 0);
    for (int i = 0; i < LESSONS; i++) {
        std::thread t = post_later(&s, QUICK_US);
        EXPECT_EQ(asi_sem_wait(&s, nullptr, nullptr), 1) << "quick answer " << i;
        t.join();
    }
    EXPECT_EQ(asi_sem_wait(&s, nullptr, nullptr, 120, 40), -1) << "a total time still ends the wait";
    std::thread slow = post_later(&s, SLOW_US);
    EXPECT_EQ(asi_sem_wait(&s, nullptr, nullptr), 1) << "an answer after the spin is still taken";
    slow.join();
    EXPECT_EQ(sem_trywait(&s), -1) << "one post is taken once";
    sem_destroy(&s);
}

TEST(TransportWait, WaitSleepsAtOnceWhenNoProcessorIsFree)
{
    /* A yield on a machine with every processor wanted hands the waiter's
    ** processor to a busy task for a whole time slice, however soon the
    ** answer comes; a spin keeps the peer from one. */
    struct {
        int cpu_free;
        long recent_spin_us;
        long spin_us, yield_us;
    } const cases[] = {
        {0, 30, 0, 0},
        {0, 0, 0, 0},
        {1, 30, 30, ASI_SPIN_US},
        {1, 0, 0, ASI_SPIN_US},
    };
    for (const auto &c : cases) {
        asi_wait_plan p = asi_wait_plan_for(c.cpu_free, c.recent_spin_us);
        EXPECT_EQ(p.spinUs, c.spin_us) << "processor free " << c.cpu_free << ", latest answers " << c.recent_spin_us;
        EXPECT_EQ(p.yieldUs, c.yield_us) << "processor free " << c.cpu_free << ", latest answers " << c.recent_spin_us;
    }
}

TEST(TransportMapping, CheckRefusesForeignOrShortMappings)
{
    std::size_t size = asi_shm_size(1, SMALL_PIECE);
    std::string mem(size, '\0');
    asi_shm_header *h = (asi_shm_header *)mem.data();
    ASSERT_EQ(asi_shm_init(h, 1, SMALL_PIECE), 1);
    EXPECT_EQ(asi_shm_check(h, size), 1);
    EXPECT_EQ(asi_shm_check(h, size - 1), 0);
    h->magic ^= 1;
    EXPECT_EQ(asi_shm_check(h, size), 0);
    h->magic ^= 1;
    h->version = ASI_SHM_VERSION - 1;   /* an engine or driver of the former messages */
    EXPECT_EQ(asi_shm_check(h, size), 0);
    h->version = ASI_SHM_VERSION;
    h->pieceSize = 0;
    EXPECT_EQ(asi_shm_check(h, size), 0);
    h->pieceSize = SMALL_PIECE;
    asi_shm_destroy(h, asi_shm_layout_of(h));
}

TEST(TransportMapping, DriverWithoutAMappingExitsAtOnce)
{
    char arg0[] = "driver", arg1[] = "--asi-fd=999";
    char *argv[] = {arg0, arg1, nullptr};
    EXPECT_EQ(asi_drv_serve(2, argv, [](void *) -> CAsiDrvSession * { return nullptr; }, nullptr), 2);
}

} // namespace
