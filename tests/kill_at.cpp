/*
** kill_at.cpp: a library an end-to-end test preloads (LD_PRELOAD) into
** pvhost and its driver to kill one of them at an exact point of its file
** work, so that a command cut short is cut at the same place on every run.
**
** With PV_KILL_AT=N and PV_KILL_PROGRAM=pvdb3 (or pvhost) in the
** environment, the program of that name counts its calls of rename,
** renameat, unlink, unlinkat, ftruncate and fsync from its start, and just
** before the N-th it dies by SIGKILL; with PV_KILL_WHOM=parent it kills the
** program that started it instead (pvhost cut short while its driver
** works) and goes on. PV_KILL_NOTE names a file made just before the kill,
** holding the counting program's process number, so that the test knows
** the point was reached (and can wait for a driver left running). Any other program, or one
** without these settings, only passes every call on.
**
**     LD_PRELOAD=libpv_kill_at.so PV_KILL_AT=12 PV_KILL_PROGRAM=pvdb3 pvhost --script run.scr
*/
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" char *program_invocation_short_name;

namespace {

/* The call at which the program is cut (0: never; -1: not read yet), and
** the calls counted so far. */
long g_kill_at = -1;
long g_calls = 0;

/* Counts a call and cuts the program (or its parent) at the chosen one. */
void count_call()
{
    int saved = errno;
    if (g_kill_at < 0) {
        const char *at = std::getenv("PV_KILL_AT"), *program = std::getenv("PV_KILL_PROGRAM");
        g_kill_at = at && program && std::strcmp(program, program_invocation_short_name) == 0 ? std::atol(at) : 0;
    }
    if (g_kill_at > 0 && ++g_calls == g_kill_at) {
        if (const char *note = std::getenv("PV_KILL_NOTE")) {
            int fd = open(note, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            char pid[24];
            int n = std::snprintf(pid, sizeof pid, "%ld\n", (long)getpid());
            if (fd >= 0 && write(fd, pid, (size_t)n) == n)
                close(fd);
            else if (fd >= 0)
                close(fd);
        }
        const char *whom = std::getenv("PV_KILL_WHOM");
        if (whom && std::strcmp(whom, "parent") == 0)
            kill(getppid(), SIGKILL);
        else
            raise(SIGKILL);
    }
    errno = saved;
}

/* The C library's own function of that name. */
template <typename F> F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int rename(const char *from, const char *to)
{
    count_call();
    return next<int (*)(const char *, const char *)>("rename")(from, to);
}

int renameat(int from_dir, const char *from, int to_dir, const char *to)
{
    count_call();
    return next<int (*)(int, const char *, int, const char *)>("renameat")(from_dir, from, to_dir, to);
}

int unlink(const char *path)
{
    count_call();
    return next<int (*)(const char *)>("unlink")(path);
}

int unlinkat(int dir, const char *path, int flags)
{
    count_call();
    return next<int (*)(int, const char *, int)>("unlinkat")(dir, path, flags);
}

int ftruncate(int fd, off_t length)
{
    count_call();
    return next<int (*)(int, off_t)>("ftruncate")(fd, length);
}

int fsync(int fd)
{
    count_call();
    return next<int (*)(int)>("fsync")(fd);
}

}  // extern "C"
