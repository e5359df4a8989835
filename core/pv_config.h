/*
** pv_config.h: the SQL configuration as the application sees it: the
** configured environments and projects, read from the engine's
** configuration store (asi.ini; from host version 14 on the same entries
** are what the engine calls its registry), and the writes of the project
** manager.
**
** The store's layout:
**     [ENVIRONMENTS]          one key per environment:  DB3=
**     [DB3]                   Driver=pvdb3
**                             PETRIVEX=projects            (catalog directory)
**                             PETRIVEX.GEO=GEO             (a project: its schema)
**     [ASE_CATALOGS]          GEO=projects                 (catalog of the host links)
**     [PETRIVEX_MISC]         GEO.links=1                  (host links on)
** In a DB3 environment a relative catalog lies in the store's own
** directory, and a relative project directory in the catalog (in the
** store's directory when the environment names no catalog).
**
**     if (pv_config_load() != RTNORM) ...;
**     int i = pv_config_project_index("GEO", -1);   // g_pjct_dirs[i], g_pjct_env[i]
*/
#ifndef PV_CORE_PV_CONFIG_H
#define PV_CORE_PV_CONFIG_H

/* Sections, keys and key forms of the store. */
#define PV_CFG_ENVIRONMENTS  "ENVIRONMENTS"
#define PV_CFG_ASE_CATALOGS  "ASE_CATALOGS"
#define PV_CFG_MISC          "PETRIVEX_MISC"
#define PV_CFG_DRIVER        "Driver"
#define PV_CFG_CATALOG       "PETRIVEX"
#define PV_CFG_PROJECT_KEY   "PETRIVEX.%s"
#define PV_CFG_LINKS_KEY     "%s.links"
/* The environment of dBASE projects (compared without regard to case). */
#define PV_ENV_DB3           "DB3"

/* Longest name of a project or an environment (the project record's
** name without its terminator). */
#define PV_CFG_NAME_MAX      256
/* Room of one value read from the store (a directory). */
#define PV_CFG_VALUE_SIZE    1024
/* First room for a section's key list; doubled while the list is cut. */
#define PV_CFG_LIST_SIZE     4096
/* Largest room tried for a key list. */
#define PV_CFG_LIST_MAX      (1024 * 1024)

/* The configured SQL environments (heap texts in a heap array), indexed
** by a project's environment index; null when none are loaded. */
extern char **g_env_names;
/* Number of entries of g_env_names. */
extern int g_env_count;
/* Per configured project, in store order: its name, its directory (or
** schema), and the index of its environment in g_env_names. */
extern char **g_pjct_names;
extern char **g_pjct_dirs;
extern int *g_pjct_env;
/* Number of configured projects. */
extern int g_pjct_count;

/* Reads the environments and projects from the default store into the
** lists above (freeing any lists loaded before). 5100; -9102 when the
** store cannot be opened or read or names no environment; -9101 when
** memory runs out. On failure the lists are left empty. */
int pv_config_load(void);
/* Frees the lists and clears their counts. */
void pv_config_free(void);

/* Why the last pv_config_load failed: the store's path with the line or
** section at fault and the cause; "" after a load that succeeded. */
const char *pv_config_failure(void);
/* Why the last load left out a project entry of that name (any case):
** the entry, its section, the store's path and line, and the cause (a
** value too long, a name the store may not hold); null when none was. */
const char *pv_config_refusal(const char *name);
/* The number of project entries the last load left out, and the n-th
** one's reason (null out of range). */
int pv_config_refusal_count(void);
const char *pv_config_refusal_nth(int n);

/* Index of an environment in g_env_names (any case); -1 when absent or
** for null. */
int pv_config_env_index(const char *env);
/* Index of a configured project (any case) of the environment env_index,
** or of any environment when env_index is -1; -1 when absent. */
int pv_config_project_index(const char *name, int env_index);
/* The catalog directory of an environment (its "PETRIVEX" entry, made
** absolute for DB3), "" when it has none; null for a bad index. */
const char *pv_config_catalog(int env_index);
/* 1 when the store switches host links on for the project
** ("<project>.links" a non-zero number), else 0 (also when absent). */
int pv_config_links(const char *project);

/* 1 when the text can be a project or environment name in the store:
** 1 to PV_CFG_NAME_MAX characters above blank, none of = [ ] ; # ' " \
** nor a leading or trailing blank; else 0. */
int pv_config_name_ok(const char *name);

/* Project manager: configures a project of an environment with its
** directory (or schema) and catalog of host links, and its links switch;
** the lists are read again afterwards. 5100; -2 for a bad name or
** directory or an unknown environment (after an alert saying which);
** -9102 when the store cannot be written (nothing is changed then). */
int pv_config_add_project(const char *env, const char *name, const char *dir, int links);
/* Removes a project's entries; 5100; -2 when it is not configured;
** -9102 when the store cannot be written. */
int pv_config_remove_project(const char *name);
/* Writes the links switch of a configured project; 5100, -2, -9102 as
** above. */
int pv_config_set_links(const char *name, int on);

#endif
