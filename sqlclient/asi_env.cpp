/*
** asi_env.cpp: the environment object, and the look-up of an
** environment's driver program in the configuration store: the entry
** "Driver" in the section named after the environment.
*/
#include "sqlclient/asi_env.h"

#include <cstdio>
#include <cstring>

#include "sqlclient/asi_config.h"
#include "sqlclient/asi_driver.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_memory.h"

namespace {

/* The engine's environment, alive for the whole process. */
CAsiEnv s_env;

} // namespace

/* The one environment. */
CAsiEnv &asi_env() noexcept
{
    return s_env;
}

/* Starts the engine. */
int CAsiEnv::init() noexcept
{
    m_active.store(1);
    return 1;
}

/* Stops the engine. */
void CAsiEnv::term() noexcept
{
    m_active.store(0);
    asi_driver_stop_all();
}

/* Raises unless active. */
void CAsiEnv::require() const
{
    if (!active())
        asi_fail(ASI_ERR_NOT_INITIALISED, "the SQL client has not been started");
}

/* Remembers the store. */
void CAsiEnv::setConfigPath(const char *path) noexcept
{
    CAsiCriticalLock hold;
    std::snprintf(m_cfgPath, sizeof m_cfgPath, "%s", path ? path : "");
}

/* The driver program of an environment. */
void CAsiEnv::driverProgram(const char *env, char *out) const
{
    char path[ASI_PATH_MAX];
    {
        CAsiCriticalLock hold;
        std::memcpy(path, m_cfgPath, sizeof path);
    }
    CAsiConfig cfg;
    cfg.open(path);
    char entry[ASI_PATH_MAX];
    int found = 0;
    {
        CAsiDiagArea scratch;   /* a missing entry is reported below */
        found = asi_try_call(&scratch, 0, [&] { return cfg.read(env, ASI_CFG_DRIVER_KEY, entry, sizeof entry) > 0; });
    }
    if (!found)
        asi_fail(ASI_ERR_DRIVER_CONFIG, "no Driver entry for environment %s in %s", env, cfg.path());
    if (!asi_driver_resolve(entry, cfg.dir(), out))
        asi_fail(ASI_ERR_DRIVER_CONFIG, "driver program %s of environment %s not found", entry, env);
}
