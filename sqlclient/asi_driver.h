/*
** asi_driver.h: the driver manager: one driver process per environment,
** started from the environment's "Driver" entry, with the connections of
** that environment multiplexed over the channels of its shared mapping.
**
** A link is shared by the manager's table and by every connection on it
** (a reference count under the engine's lock).  A driver that dies is
** noticed by the next call or wait; the connections on it then fail with
** ASI_ERR_DRIVER_LOST, and the next connect to the environment starts a
** new driver.
**
**     CAsiDriverLink *lk = asi_driver_attach("DB3", "/opt/pv/pvdb3");
**     int k = lk->acquireChannel();
**     lk->call(k, ASI_REQ_CONNECT, req, reply, &status);
**     lk->releaseChannel(k); asi_driver_detach(lk);
*/
#ifndef PV_SQLCLIENT_ASI_DRIVER_H
#define PV_SQLCLIENT_ASI_DRIVER_H

#include <sys/types.h>

#include <atomic>
#include <mutex>

#include "sqlclient/asi_transport.h"
#include "sqlclient/base/asi_files.h"

/* The longest environment name kept (bytes, terminator included). */
constexpr int ASI_ENV_NAME_MAX = 64;

class CAsiDriverLink {
public:
    /* Starts the driver program for the environment and waits until it has
    ** attached to the mapping.  Raises ASI_ERR_DRIVER_LOST when it ends or
    ** does not attach within ASI_START_TIMEOUT_MS (it is then killed with
    ** every process of its group), and 0xA008 when the mapping cannot be
    ** made.  The link has one reference. */
    static CAsiDriverLink *start(const char *env, const char *program);

    /* 1 while the driver process lives; reaps it once it has ended. */
    int alive() noexcept;

    /* 1 once the driver is known to have ended (no system call: what the
    ** last look or call found). */
    int knownDead() const noexcept { return m_dead.load(std::memory_order_relaxed); }

    /* A free channel, now owned by the caller; raises ASI_ERR_NO_CHANNEL
    ** when all are taken and ASI_ERR_DRIVER_LOST when the driver is gone. */
    int acquireChannel();

    /* Gives a channel back. */
    void releaseChannel(int k) noexcept;

    /* Sends a request on channel k and receives the reply body and status.
    ** Raises ASI_ERR_DRIVER_LOST when the driver is or goes away,
    ** ASI_ERR_DRIVER_REPLY for a damaged reply (the driver is then
    ** stopped) and 0xA008 when the reply does not fit in memory. */
    void call(int k, int code, const CAsiMsgBuf &request, CAsiMsgBuf &reply, int *status);

    /* Ends the driver: asks it to quit, waits up to ASI_START_TIMEOUT_MS,
    ** then kills it.  The mapping stays until the last reference goes. */
    void shutdown() noexcept;

    /* Requests sent to the driver so far, on every channel: an answer
    ** given before stays current while this count has not moved. */
    long calls() const noexcept { return m_calls.load(std::memory_order_relaxed); }

    /* The driver's process id, and the environment's name. */
    pid_t pid() const noexcept { return m_pid; }
    const char *env() const noexcept { return m_env; }

    /* Reference counting under the engine's lock; the last release
    ** shuts the driver down and frees the link. */
    void addRef() noexcept;
    void release() noexcept;

private:
    CAsiDriverLink() noexcept;
    ~CAsiDriverLink();

    /* Marks the driver gone and kills it, with the process group it
    ** leads, when it still runs. */
    void kill() noexcept;

    char m_env[ASI_ENV_NAME_MAX];   /* environment name */
    pid_t m_pid;                    /* driver process, 0 when none */
    int m_fd;                       /* descriptor of the mapping, or -1 */
    asi_shm_header *m_shm;          /* the mapping, or null */
    asi_shm_layout m_layout;        /* the mapping's layout, as made here */
    std::size_t m_size;             /* bytes of the mapping */
    std::atomic<int> m_dead;        /* 1 once the driver has ended */
    std::atomic<long> m_calls{0};   /* requests sent, on every channel */
    std::mutex m_reap;              /* guards reaping the process */
    int m_refs;                     /* references, under the engine's lock */
};

/* The running driver of an environment with one more reference, starting
** it from program when there is none or it has died.  Raises as start. */
CAsiDriverLink *asi_driver_attach(const char *env, const char *program);

/* Drops a reference taken by asi_driver_attach. */
void asi_driver_detach(CAsiDriverLink *link) noexcept;

/* Shuts down every driver and empties the manager's table (asi_term). */
void asi_driver_stop_all() noexcept;

/* The process id of an environment's driver; 0 when none runs. */
pid_t asi_driver_pid(const char *env) noexcept;

/* Resolves a "Driver" entry into the program's path: a name with a '/' is
** taken relative to base_dir (the configuration file's directory) unless
** absolute; a bare name is looked for in base_dir, then beside the running
** engine's programs (asi_driver_beside with the file that holds the
** engine), then along PATH.  1 with out (ASI_PATH_MAX bytes) set to an
** executable file, else 0. */
int asi_driver_resolve(const char *entry, const char *base_dir, char *out) noexcept;

/* Looks a bare program name up beside an engine installed as engine_file:
** in a build tree the driver folders <top>/drivers/<driver>/server (in name
** order), installed the programs' folder <top>/bin, where <top> is the
** folder above the one holding engine_file.  1 with out (ASI_PATH_MAX
** bytes) set to an executable file, else 0 with out emptied (also for a
** name holding a '/'). */
int asi_driver_beside(const char *engine_file, const char *name, char *out) noexcept;

/* Throws the engine code with a message made from a printf format (cut at
** ASI_EXC_TEXT_MAX bytes); the interface frame records both.  Does not
** return. */
[[noreturn]] void asi_fail(int code, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));

#endif
