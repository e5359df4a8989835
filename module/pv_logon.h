/*
** pv_logon.h: logon and logoff of projects.
**
** Logon finds the project in the configuration, makes its record,
** connects to its environment (asking for user and password with the
** driver logon dialog pv_auth when the driver refuses them), sets the
** catalog and schema, reads the links switch, marks the environment
** (0x2000 DB3, 0x4000 a server), puts the project at the head of
** g_pjct_list and loads its setup tables; the built-in project
** "Projections" is logged on first, so its ellipsoids and projections
** take their names before the user's. Logoff saves the project's changed
** setup, disconnects and frees the record with its lists.
**
**     pjct_rec *p;
**     if (pjct_logon("GEO", "DB3", "", "", PJCT_LOGON_REPORT, &p) == RTNORM) ...
**     pjct_logoff(p, 1);
*/
#ifndef PV_MODULE_PV_LOGON_H
#define PV_MODULE_PV_LOGON_H

#include "core/pjct.h"

/* The built-in project of ellipsoids and projections. */
#define PV_PROJECTIONS "Projections"

/* Options of pjct_logon. */
#define PJCT_LOGON_REPORT 0x1  /* show each failure in an alert */
#define PJCT_LOGON_ASK    0x2  /* ask with pv_auth when the driver refuses the user */

/* Room of an engine diagnostics text shown with a failure. */
#define PJCT_DIAG_TEXT_SIZE 512

/* Logs on to a configured project of an environment (null or "" for the
** environment it is configured in) as user with password (null is "").
** 5100 with the record in *out (when given), also when the project was
** logged on already; -9401 for a name not configured (or configured for
** another environment), a name or user too long, or an unknown
** environment; -5002 when the user cancelled pv_auth; -9203 or the
** negated engine code when the connection fails; -2 or -9101 when the
** setup loader has no connection or memory (the project is then logged
** off again; a setup table it cannot read it reports and never writes, and
** the project stays); -9101 when memory runs out. Nothing is kept on
** failure. */
int pjct_logon(const char *name, const char *env, const char *user, const char *password, int options,
               pjct_rec **out);

/* Moves the column references of a project's stored queries, pie and
** chemistry diagrams from the table of the old name to the columns of the
** new row (or to nothing without one), each list keeping what it cannot
** bind by its names as the logon does; the registry's re-binding hook
** (tbl_set_rebind_hook), which logon sets. */
void pjct_rebind_setup(pjct_rec *project, tbl_rec *row, const char *old_name);

/* Logs the project off: with save and changed setups, asks "Your %s setup
** has been changed. Save changes ?" and on yes writes them (on no they
** are dropped); disconnects, frees its setup lists and its record. 5100;
** the saver's code when the setup could not be written and force is 0
** (the project then stays logged on, its changes kept); -2 for a project
** not logged on. */
int pjct_logoff(pjct_rec *project, int save, int force);

/* Logs off every project; with save, first writes the changed setups of
** all (one question for all). 5100. */
int pjct_logoff_all(int save);

/* The start-up step: logs on to "Projections" quietly. 5100, or the code
** of pjct_logon (-9401 when the configuration lacks the project); the
** reason is kept for pjct_logon_failure. */
int pjct_logon_projections(void);

/* The text of the last logon's failure ("Cannot connect to Projections in
** DB3: driver program pvdb3 of environment DB3 not found"), kept whether
** or not it was shown; "" after a logon that succeeded or before any. */
const char *pjct_logon_failure(void);

/* Runs the driver logon dialog pv_auth for a project: shows the title,
** offers the user, reads user and password into the buffers
** (PJCT_USER_SIZE and PJCT_PASSWORD_SIZE bytes). 5100 on OK; -5002 on
** cancel; -9501 when the dialog cannot be loaded. */
int pjct_auth_dialog(const char *title, char *user, char *password);

#endif
