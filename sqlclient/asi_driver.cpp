/*
** asi_driver.cpp: starting, watching and stopping driver processes, and
** the manager's table of running drivers.
**
** A driver is started with fork and exec; the mapping's descriptor is the
** one thing it inherits on purpose (its close-on-exec flag is cleared in
** the child only) and its number is passed as "--asi-fd=N" and in
** ASI_DRIVER_FD.  The engine then waits on the mapping's start semaphore.
** Each driver leads a process group of its own, so that stopping it also
** ends the helpers it started and no abandoned driver leaves any behind.
*/
#include "sqlclient/asi_driver.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>
#include <algorithm>
#include <strings.h>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_memory.h"

extern char **environ;

namespace {

/* The start wait's slice: short, so that a program that cannot run is
** noticed at once. */
constexpr int START_SLICE_MS = 50;

/* Pause between looks at a driver asked to quit (microseconds), and the
** number of looks within ASI_START_TIMEOUT_MS. */
constexpr int QUIT_POLL_US = 10000;
constexpr int QUIT_POLLS = ASI_START_TIMEOUT_MS * 1000 / QUIT_POLL_US;

/* Bytes of the texts built for the child's argument and environment. */
constexpr int ARG_TEXT = 64;

/* Drivers the table holds at most (one per environment). */
constexpr int DRIVER_TABLE_MAX = 64;

/* The manager's table, under the engine's lock. */
CAsiDriverLink *s_links[DRIVER_TABLE_MAX];  /* running drivers, one per environment */

/* alive() of a link, as the transport's callback. */
int link_alive(void *ctx)
{
    return ((CAsiDriverLink *)ctx)->alive();
}

/* 1 when path names an executable regular file. */
int is_program(const char *path) noexcept
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, X_OK) == 0;
}

/* Joins dir and name into out (ASI_PATH_MAX); 1, or 0 when too long. */
int join_path(const char *dir, const char *name, char *out) noexcept
{
    int n = std::snprintf(out, ASI_PATH_MAX, "%s%s%s", dir, dir[0] && dir[std::strlen(dir) - 1] != '/' ? "/" : "",
                          name);
    return n > 0 && n < ASI_PATH_MAX;
}

/* Where a build tree keeps its driver programs: <top>/drivers/<driver>/
** followed by this folder. */
constexpr const char *BUILD_DRIVERS_DIR = "drivers";
constexpr const char *BUILD_SERVER_DIR = "server";
/* Where an installation keeps its programs: <top>/bin. */
constexpr const char *INSTALL_BIN_DIR = "bin";

/* The path of the file that holds the running engine (the module, or a
** program the engine is linked into) into out (ASI_PATH_MAX bytes); false
** when the loader cannot say or the path does not fit. */
bool engine_file(char *out) noexcept
{
    Dl_info info;
    if (!dladdr((void *)&asi_driver_resolve, &info) || !info.dli_fname || !info.dli_fname[0])
        return false;
    char *full = realpath(info.dli_fname, nullptr);   /* may be longer than out */
    if (!full)
        return false;
    bool fits = std::snprintf(out, ASI_PATH_MAX, "%s", full) < ASI_PATH_MAX;
    std::free(full);
    return fits;
}

} // namespace

/* Looks a bare name up beside the engine's programs; see asi_driver.h. */
int asi_driver_beside(const char *engineFile, const char *name, char *out) noexcept
{
    if (!out)
        return 0;
    out[0] = '\0';
    if (!engineFile || !name || !name[0] || std::strchr(name, '/'))
        return 0;
    std::string top = engineFile;
    for (int up = 0; up < 2; up++) {   /* the file's folder, then the one above */
        std::size_t slash = top.find_last_of('/');
        if (slash == std::string::npos)
            return 0;
        top.erase(slash ? slash : 1);
    }
    std::string drivers = top + "/" + BUILD_DRIVERS_DIR;
    std::vector<std::string> dirs;
    if (DIR *d = opendir(drivers.c_str())) {
        while (struct dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                dirs.push_back(drivers + "/" + e->d_name + "/" + BUILD_SERVER_DIR);
        closedir(d);
    }
    std::sort(dirs.begin(), dirs.end());
    dirs.push_back(top + "/" + INSTALL_BIN_DIR);
    for (const std::string &dir : dirs)
        if (join_path(dir.c_str(), name, out) && is_program(out))
            return 1;
    out[0] = '\0';
    return 0;
}

/* Throws the code with a formatted message. */
void asi_fail(int code, const char *fmt, ...)
{
    char text[ASI_EXC_TEXT_MAX];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    asi_throw(code, "asi", text);
}

/* Resolves a Driver entry into a program path. */
int asi_driver_resolve(const char *entry, const char *base_dir, char *out) noexcept
{
    if (!entry || !entry[0] || !out)
        return 0;
    const char *base = base_dir && base_dir[0] ? base_dir : ".";
    if (entry[0] == '/')
        return std::snprintf(out, ASI_PATH_MAX, "%s", entry) < ASI_PATH_MAX && is_program(out);
    if (std::strchr(entry, '/'))
        return join_path(base, entry, out) && is_program(out);
    if (join_path(base, entry, out) && is_program(out))
        return 1;
    char engine[ASI_PATH_MAX];
    if (engine_file(engine) && asi_driver_beside(engine, entry, out))
        return 1;
    const char *path = std::getenv("PATH");
    while (path && *path) {
        const char *end = std::strchr(path, ':');
        std::size_t n = end ? (std::size_t)(end - path) : std::strlen(path);
        char dir[ASI_PATH_MAX];
        if (n > 0 && n < sizeof dir) {
            std::memcpy(dir, path, n);
            dir[n] = '\0';
            if (join_path(dir, entry, out) && is_program(out))
                return 1;
        }
        path = end ? end + 1 : nullptr;
    }
    out[0] = '\0';
    return 0;
}

/* An empty link. */
CAsiDriverLink::CAsiDriverLink() noexcept
    : m_pid(0), m_fd(-1), m_shm(nullptr), m_layout{0, 0, 0}, m_size(0), m_dead(0), m_refs(1)
{
    m_env[0] = '\0';
}

/* Ends the driver when it still runs and frees the mapping. */
CAsiDriverLink::~CAsiDriverLink()
{
    shutdown();
    if (m_shm) {
        asi_shm_destroy(m_shm, m_layout);
        munmap(m_shm, m_size);
    }
    if (m_fd >= 0)
        close(m_fd);
}

/* Starts a driver. */
CAsiDriverLink *CAsiDriverLink::start(const char *env, const char *program)
{
    CAsiDriverLink *lk = new (std::nothrow) CAsiDriverLink();
    if (!lk)
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiDriverLink::start");
    std::snprintf(lk->m_env, sizeof lk->m_env, "%s", env);
    lk->m_size = asi_shm_size(ASI_CHANNELS, ASI_PIECE_SIZE);
    lk->m_fd = memfd_create("petrivex-asi", MFD_CLOEXEC);
    if (lk->m_fd < 0 || ftruncate(lk->m_fd, (off_t)lk->m_size) != 0) {
        delete lk;
        asi_fail(ASI_ERR_NO_MEMORY, "cannot make the shared memory of driver %s", env);
    }
    void *base = mmap(nullptr, lk->m_size, PROT_READ | PROT_WRITE, MAP_SHARED, lk->m_fd, 0);
    if (base == MAP_FAILED) {
        delete lk;
        asi_fail(ASI_ERR_NO_MEMORY, "cannot map the shared memory of driver %s", env);
    }
    lk->m_shm = (asi_shm_header *)base;
    int made = asi_shm_init(base, ASI_CHANNELS, ASI_PIECE_SIZE);
    lk->m_layout = asi_shm_layout_of(lk->m_shm);   /* before the driver can write */
    if (!made) {
        delete lk;
        asi_fail(ASI_ERR_NO_MEMORY, "cannot make the semaphores of driver %s", env);
    }
    lk->m_shm->enginePid = (std::int32_t)getpid();

    /* Everything the child needs is built before fork: after it only
    ** async-signal-safe calls are made. */
    char fdArg[ARG_TEXT], fdEnv[ARG_TEXT];
    std::snprintf(fdArg, sizeof fdArg, "%s%d", ASI_DRIVER_FD_ARG, lk->m_fd);
    std::snprintf(fdEnv, sizeof fdEnv, "%s=%d", ASI_DRIVER_FD_ENV, lk->m_fd);
    std::size_t nenv = 0;
    while (environ && environ[nenv])
        nenv++;
    char **envp = (char **)std::calloc(nenv + 2, sizeof(char *));
    if (!envp) {
        delete lk;
        asi_throw(ASI_ERR_NO_MEMORY, "CAsiDriverLink::start");
    }
    std::size_t j = 0;
    for (std::size_t i = 0; i < nenv; i++)
        if (std::strncmp(environ[i], ASI_DRIVER_FD_ENV, std::strlen(ASI_DRIVER_FD_ENV)) != 0)
            envp[j++] = environ[i];
    envp[j++] = fdEnv;
    envp[j] = nullptr;
    char *argv[] = {(char *)program, fdArg, nullptr};

    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        fcntl(lk->m_fd, F_SETFD, 0);
        execve(program, argv, envp);
        _exit(127);
    }
    std::free(envp);
    if (pid > 0)
        setpgid(pid, pid);   /* also here: the group exists before any kill */
    if (pid < 0) {
        delete lk;
        asi_fail(ASI_ERR_DRIVER_LOST, "cannot start driver %s: %s", env, std::strerror(errno));
    }
    lk->m_pid = pid;
    int rc = asi_sem_wait(&lk->m_shm->started, link_alive, lk, ASI_START_TIMEOUT_MS, START_SLICE_MS);
    if (rc != 1) {
        lk->kill();   /* a driver that did not attach is not asked twice */
        delete lk;
        asi_fail(ASI_ERR_DRIVER_LOST, rc < 0 ? "driver %s did not start within %d ms"
                                             : "driver %s ended while starting (%d ms allowed)",
                 env, ASI_START_TIMEOUT_MS);
    }
    return lk;
}

/* 1 while the process lives; reaps it once ended. */
int CAsiDriverLink::alive() noexcept
{
    if (m_dead.load() || m_pid <= 0)
        return 0;
    std::lock_guard<std::mutex> hold(m_reap);
    if (m_dead.load())
        return 0;
    int st = 0;
    pid_t r = waitpid(m_pid, &st, WNOHANG);
    if (r == 0)
        return 1;
    if (r < 0 && errno == ECHILD && ::kill(m_pid, 0) == 0)
        return 1;   /* reaped by someone else's handler yet still there */
    m_dead.store(1);
    return 0;
}

/* Marks the driver gone and kills it with its process group. */
void CAsiDriverLink::kill() noexcept
{
    if (m_pid > 0 && alive()) {
        if (::kill(-m_pid, SIGKILL) != 0)
            ::kill(m_pid, SIGKILL);
        std::lock_guard<std::mutex> hold(m_reap);
        waitpid(m_pid, nullptr, 0);
    }
    m_dead.store(1);
}

/* A free channel. */
int CAsiDriverLink::acquireChannel()
{
    if (!alive())
        asi_fail(ASI_ERR_DRIVER_LOST, "the driver of %s has ended", m_env);
    CAsiCriticalLock hold;
    for (std::uint32_t k = 0; k < m_layout.channels; k++)
        if (!m_shm->chan[k].inUse) {
            m_shm->chan[k].inUse = 1;
            return (int)k;
        }
    asi_fail(ASI_ERR_NO_CHANNEL, "driver %s serves %d connections already", m_env, ASI_CHANNELS);
}

/* Gives a channel back. */
void CAsiDriverLink::releaseChannel(int k) noexcept
{
    CAsiCriticalLock hold;
    if (m_shm && k >= 0 && (std::uint32_t)k < m_layout.channels)
        m_shm->chan[k].inUse = 0;
}

/* One request and its reply. */
void CAsiDriverLink::call(int k, int code, const CAsiMsgBuf &request, CAsiMsgBuf &reply, int *status)
{
    if (!alive())
        asi_fail(ASI_ERR_DRIVER_LOST, "the driver of %s has ended", m_env);
    m_calls.fetch_add(1, std::memory_order_relaxed);
    int rc = asi_chan_call(m_shm, m_layout, k, code, request, reply, status, link_alive, this);
    if (rc == ASI_XFER_OK)
        return;
    /* The channel is out of step now: the driver cannot be trusted. */
    kill();
    if (rc == ASI_XFER_LOST)
        asi_fail(ASI_ERR_DRIVER_LOST, "the driver of %s ended during a request", m_env);
    if (rc == ASI_XFER_NOMEM)
        asi_fail(ASI_ERR_NO_MEMORY, "no memory for a reply of driver %s", m_env);
    asi_fail(ASI_ERR_DRIVER_REPLY, "damaged reply from the driver of %s", m_env);
}

/* Asks the driver to quit, then kills it. */
void CAsiDriverLink::shutdown() noexcept
{
    if (m_pid <= 0 || !alive()) {
        m_dead.store(1);
        return;
    }
    __atomic_store_n(&m_shm->quit, 1u, __ATOMIC_RELEASE);
    sem_post(&m_shm->work);
    for (int i = 0; i < QUIT_POLLS && alive(); i++)
        usleep(QUIT_POLL_US);
    kill();
}

/* One more reference. */
void CAsiDriverLink::addRef() noexcept
{
    CAsiCriticalLock hold;
    m_refs++;
}

/* One reference less; the last frees the link. */
void CAsiDriverLink::release() noexcept
{
    int left;
    {
        CAsiCriticalLock hold;
        left = --m_refs;
    }
    if (left == 0)
        delete this;
}

/* The running driver of an environment in the table, with one more
** reference; a dead one is dropped from the table.  Null when none runs.
** Called under the engine's lock. */
static CAsiDriverLink *find_running(const char *env) noexcept
{
    for (int i = 0; i < DRIVER_TABLE_MAX; i++) {
        CAsiDriverLink *lk = s_links[i];
        if (!lk || strcasecmp(lk->env(), env) != 0)
            continue;
        if (lk->alive()) {
            lk->addRef();
            return lk;
        }
        s_links[i] = nullptr;   /* dead: the table lets go, a new one starts */
        lk->release();
    }
    return nullptr;
}

/* The running driver of an environment, started when needed.  The start
** (up to ASI_START_TIMEOUT_MS) runs outside the engine's lock; when two
** threads start the same environment at once, the first to finish wins
** and the other driver is shut down. */
CAsiDriverLink *asi_driver_attach(const char *env, const char *program)
{
    {
        CAsiCriticalLock hold;
        if (CAsiDriverLink *lk = find_running(env))
            return lk;
    }
    CAsiDriverLink *fresh = CAsiDriverLink::start(env, program);
    CAsiDriverLink *winner = nullptr;
    int slot = -1;
    {
        CAsiCriticalLock hold;
        winner = find_running(env);
        for (int i = 0; !winner && i < DRIVER_TABLE_MAX && slot < 0; i++)
            if (!s_links[i])
                slot = i;
        if (!winner && slot >= 0) {
            s_links[slot] = fresh;
            fresh->addRef();
            return fresh;
        }
    }
    fresh->release();   /* shuts the spare driver down */
    if (!winner)
        asi_fail(ASI_ERR_NO_CHANNEL, "too many environments running (%d)", DRIVER_TABLE_MAX);
    return winner;
}

/* Drops a reference. */
void asi_driver_detach(CAsiDriverLink *link) noexcept
{
    if (link)
        link->release();
}

/* Shuts down every driver. */
void asi_driver_stop_all() noexcept
{
    CAsiDriverLink *links[DRIVER_TABLE_MAX];
    {
        CAsiCriticalLock hold;
        for (int i = 0; i < DRIVER_TABLE_MAX; i++) {
            links[i] = s_links[i];
            s_links[i] = nullptr;
        }
    }
    for (CAsiDriverLink *lk : links)
        if (lk) {
            lk->shutdown();
            lk->release();
        }
}

/* The process id of an environment's driver. */
pid_t asi_driver_pid(const char *env) noexcept
{
    CAsiCriticalLock hold;
    for (CAsiDriverLink *lk : s_links)
        if (lk && env && strcasecmp(lk->env(), env) == 0 && lk->alive())
            return lk->pid();
    return 0;
}
