/*
** host_util.h: small services over the host's interface: releasing result
** buffers, running host commands quietly and finding the user's support
** folder; and the moments a test may hold the process at.
**
**     struct resbuf *args = ads_buildlist(RTSTR, "", 0);
**     int rc = cmd_run("_REDRAW", args);
**     rb_free(args);
*/
#ifndef PV_CORE_HOST_UTIL_H
#define PV_CORE_HOST_UTIL_H

#include "platform/include/ads_host.h"

/* Frees a result-buffer chain built with ads_buildlist; 5100 (also for
** null). */
int rb_free(struct resbuf *list);

/* Runs the host command with the argument list (may be null), with the
** system variables CMDECHO and CMDDIA at 0 for the call and restored
** afterwards on every path. Answers the host's result of the command;
** -2 for a null or empty command, -9101 when memory runs out. */
int cmd_run(const char *command, const struct resbuf *args);

/* Writes into folder (ADS_PATH_MAX bytes) the first folder of the
** editor's setting "ACAD", the user's own support folder; 5100, or -5001
** with an empty folder when the editor names none. */
int pv_support_folder(char *folder);

/* Where two users' commands may meet, a test holds the process at a named
** moment to run their race in one order every time: when the environment
** variable PV_HOLD_AT names the moment, the process stops itself there
** (SIGSTOP) until it is let go (SIGCONT). Nothing happens otherwise. */
#define PV_HOLD_ENV "PV_HOLD_AT"
void pv_hold_at(const char *moment);

#endif
