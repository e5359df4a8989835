/*
** host_util.h: small services over the host's interface: releasing result
** buffers and running host commands quietly.
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

#endif
