/*
** asi_env.h: the engine's environment: whether asi_init has run, which
** configuration store names the drivers, and the diagnostics of calls that
** have no handle of their own (asi_init, allocation of a handle).
**
**     CAsiEnv &env = asi_env();
**     if (!env.active()) ...;
*/
#ifndef PV_SQLCLIENT_ASI_ENV_H
#define PV_SQLCLIENT_ASI_ENV_H

#include <atomic>

#include "sqlclient/asi_handle.h"
#include "sqlclient/base/asi_files.h"

class CAsiEnv : public CAsiHandle {
public:
    CAsiEnv() noexcept : m_active(0) { m_cfgPath[0] = '\0'; }

    /* Starts the engine; answers 1 (a second start is harmless). */
    int init() noexcept;

    /* Stops the engine: every driver is shut down.  Handles still held
    ** fail from then on. */
    void term() noexcept;

    /* 1 between init and term. */
    int active() const noexcept { return m_active.load(); }

    /* Raises ASI_ERR_NOT_INITIALISED unless active. */
    void require() const;

    /* Remembers the configuration store the application opened last; the
    ** drivers are looked up in it ("" gives the default store). */
    void setConfigPath(const char *path) noexcept;

    /* Looks up an environment's "Driver" entry in the store and resolves
    ** it into out (ASI_PATH_MAX bytes).  Raises ASI_ERR_DRIVER_CONFIG when
    ** there is no entry or no such program, and the store's own failures. */
    void driverProgram(const char *env, char *out) const;

private:
    std::atomic<int> m_active;          /* 1 between init and term */
    char m_cfgPath[ASI_PATH_MAX];       /* store to look drivers up in, or "" */
};

/* The engine's one environment. */
CAsiEnv &asi_env() noexcept;

/* The key of a driver entry within an environment's section. */
constexpr const char *ASI_CFG_DRIVER_KEY = "Driver";

#endif
