/*
** pv_project_cmds.h: the project commands of the core: pv_open (logon
** with LISP arguments or dialog pv_logon), pv_logoff, pv_save, pv_aseoff,
** pv_setup (the setup dialog) and pv_profile.
**
** Each is a handler of the command table: it takes the invocation's
** argument list and gives its LISP result itself.
**
**     (pv_open "GEO" "DB3" "" "")   ->  ("GEO" "DB3" "" "")  or nil
**     (pv_logoff "GEO")             ->  T or nil
*/
#ifndef PV_MODULE_PV_PROJECT_CMDS_H
#define PV_MODULE_PV_PROJECT_CMDS_H

#include "core/pjct.h"
#include "platform/include/ads_host.h"

/* Logs on. With arguments (project, environment, user, password; the last
** three may be left out or nil) without a dialog; without arguments
** through pv_logon and, where the driver asks for it, pv_auth. Gives the
** list of project, environment, user and password, or nil. 5100 on
** logon; -2 for bad arguments; -5002 when cancelled; the logon's code. */
int pv_open(struct resbuf *args);
/* Logs off the project named by the argument, or without one every
** project but the built-in projections, saving each one's changed setup
** first. Gives T when every one was logged off, else nil. 5100; -9401 for
** a project not logged on (or none at all); the saver's code. */
int pv_logoff(struct resbuf *args);
/* Writes the changed setups of every logged-on project (one question).
** The saver's code: 0 when all was written. */
int pv_save(struct resbuf *args);
/* Switches host links off for every logged-on project. Gives T when a
** project was logged on, else nil. 5100, or -9401 when none. */
int pv_aseoff(struct resbuf *args);
/* The setup dialog pv_setup: a project and the setup dialogs of maps,
** ellipsoids, projections, transformations, symbol libraries, tables and
** symbols. 5100; -9401 when no project is logged on; -9501 when the
** dialog cannot be loaded. */
int pv_setup(struct resbuf *args);
/* Saves the changed profiles of the logged-on projects, then opens the
** profile editor (also with no project logged on). 5100 when the editor
** ended with status 1; -5001 otherwise. */
int pv_profile(struct resbuf *args);

/* A sub-dialog the setup dialog opens for the chosen project; answers a
** host or application code. */
typedef int (*pv_setup_fn)(pjct_rec *project);

#endif
