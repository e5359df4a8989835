/*
** pv_globals.h: the module-wide globals of the application core.
**
** They live from start-up to unload: the host's major version, the id of
** the loaded dialog file, the link client's application handle and the
** hatch-pattern names of ACAD.PAT. Start-up
** (module/pv_startup.h) sets them and unload clears them.
**
**     ads_new_dialog("pv_logon", g_dcl_id, NULL, &h);
*/
#ifndef PV_CORE_PV_GLOBALS_H
#define PV_CORE_PV_GLOBALS_H

/* Lowest host major version the module runs under. */
#define PV_HOST_VERSION_MIN 13

/* No dialog file loaded: the value of g_dcl_id before start-up and after
** unload. */
#define PV_NO_DCL (-1)

/* The host's major version read from ACADVER (at least 13). */
extern int g_host_version;
/* Id of the loaded dialog file PETRIVEX.DCL; PV_NO_DCL when none. */
extern int g_dcl_id;
/* The link client's application handle (ase_open_app at start-up,
** ase_close_app at unload); null when none is open. */
extern void *g_ase_app;
/* Names of the hatch patterns read from ACAD.PAT (upper case, heap texts
** in a heap array); null when none are loaded. */
extern char **g_hatch_list;
/* Number of names in g_hatch_list. */
extern int g_hatch_count;

#endif
