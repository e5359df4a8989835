/*
** link_ase.h: host link creation. Besides its link in extended data,
** every linked entity is registered in the editor's own link store
** through the link client: the table's link path ("DB3.PETRIVEX.GEO.STATION"),
** its link path name ("GEO$STATION") with the key columns of the table's
** BASENUMBER, and one link per entity keyed by the row id. A project
** whose links switch is off gets no host links; after one failure the
** switch is turned off for the rest of the session.
**
**     if (link_ase_create(&rec->link, rec->ename) != RTNORM) ads_entdel(rec->ename);
*/
#ifndef PV_DRAW_LINK_ASE_H
#define PV_DRAW_LINK_ASE_H

#include "draw/link.h"
#include "platform/include/ads_host.h"

/* Room of the path text, terminator included. */
#define LINK_ASE_PATH_SIZE 8193
/* Levels of ase_init_path: the environment, the link path name. */
#define LINK_ASE_LEVEL_ENV 1
#define LINK_ASE_LEVEL_LPN 5
/* The environment whose path names a directory and a quoted table. */
#define LINK_ASE_ODBC "ODBC"

/* Creates the host link of the entity for the link's project and table.
** 5100 when made or when the project's links are off; -2 for a missing
** link or a null entity name, a project not logged on or a table not
** registered; -9101 without memory; -5001 when the host link cannot be
** made, after "\n%s Could not create link path." (path steps only) and
** "\n%s Could not create link.\n" under the error title, with the
** project's links switch cleared. */
int link_ase_create(const link_rec *link, const ads_name ename);
/* Erases every host link of the entity (an entity left without its row).
** 5100, also when it had none; -2 for a null name; RTERROR when the
** store refuses. */
int link_ase_erase(const ads_name ename);
/* Whether the host lists `name` among the link path names of the path
** descriptor (any case, texts only). 5100 found; -5001 not. */
int link_path_has_name(void *path, const char *name);
/* The link path name of a project's table: "project$table" with every
** character but a letter or digit turned into "_", into out (`size`
** bytes). Answers out. */
char *link_path_name(const char *project, const char *table, char *out, int size);

#endif
