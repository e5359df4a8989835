/*
** host_util.cpp: releasing result buffers, running host commands with
** their echo and their dialogs switched off, the user's support folder,
** and the moments a test holds the process at.
*/
#include "core/host_util.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "core/err_text.h"

namespace {

/* The variables held at 0 while a host command runs. */
const char *const k_quiet_vars[] = {"CMDECHO", "CMDDIA"};
constexpr int QUIET_VAR_COUNT = 2;

/* The editor's setting that lists its support folders (the first one
** holds acad.lsp), and the characters that separate them. */
constexpr const char *PV_SUPPORT_SETTING = "ACAD";
constexpr const char *PV_SUPPORT_SEPARATORS = ";:";

}  // namespace

/* Frees the chain; RTNORM. */
int rb_free(struct resbuf *list)
{
    if (list) ads_relrb(list);
    return RTNORM;
}

/* Runs the command with CMDECHO and CMDDIA at 0; see host_util.h. */
int cmd_run(const char *command, const struct resbuf *args)
{
    if (!command || !*command) return -2;
    struct resbuf *head = ads_buildlist(RTSTR, command, 0);
    if (!head) return ERR_NO_MEMORY;

    struct resbuf saved[QUIET_VAR_COUNT];
    bool have[QUIET_VAR_COUNT];
    for (int i = 0; i < QUIET_VAR_COUNT; ++i) {
        have[i] = ads_getvar(k_quiet_vars[i], &saved[i]) == RTNORM;
        if (have[i]) {
            struct resbuf zero;
            zero.rbnext = nullptr;
            zero.restype = RTSHORT;
            zero.resval.rint = 0;
            ads_setvar(k_quiet_vars[i], &zero);
        }
    }
    /* The caller's list follows the command name for the call only. */
    head->rbnext = const_cast<struct resbuf *>(args);
    int rc = ads_cmd(head);
    head->rbnext = nullptr;
    ads_relrb(head);
    for (int i = 0; i < QUIET_VAR_COUNT; ++i) {
        if (!have[i]) continue;
        saved[i].rbnext = nullptr;
        ads_setvar(k_quiet_vars[i], &saved[i]);
    }
    return rc;
}

/* The editor's first support folder; see host_util.h. */
int pv_support_folder(char *folder)
{
    if (!folder) return RTERROR;
    if (ads_agetenv(PV_SUPPORT_SETTING, folder) != RTNORM) folder[0] = '\0';
    folder[std::strcspn(folder, PV_SUPPORT_SEPARATORS)] = '\0';
    return folder[0] ? RTNORM : RTERROR;
}

/* Stops the process at a moment a test names; see host_util.h. */
void pv_hold_at(const char *moment)
{
    static bool done = false;
    const char *held = std::getenv(PV_HOLD_ENV);
    if (done || !held || !moment || std::strcmp(held, moment) != 0) return;
    done = true;
    kill(getpid(), SIGSTOP);
}
