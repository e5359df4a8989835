/*
** pjct_list.h: looking up the logged-on projects of g_pjct_list and the
** column records of a project's registered tables.
**
**     int at;
**     pjct_rec *p = pjct_find("GEO", &at);
**     sql_col_rec *c = p ? pjct_find_column(p, "STATN", "EASTING", &at) : NULL;
*/
#ifndef PV_CORE_PJCT_LIST_H
#define PV_CORE_PJCT_LIST_H

#include <string>

#include "core/pjct.h"

struct sql_col_rec;

/* The n-th logged-on project, 0 being the newest; null when n is out of
** range (also for a negative n). */
pjct_rec *pjct_nth(int n);
/* The logged-on project of that name (without regard to case), with its
** index in *index when index is given (-1 when absent); null when absent
** or for a null name. */
pjct_rec *pjct_find(const char *name, int *index);
/* The logged-on project whose SQL connection is the given one; null when
** none or for a null connection. */
pjct_rec *pjct_find_by_session(const void *connection);
/* The logged-on project that holds the input rule in its rule list or
** whose column records point to it; null when none or for null. */
pjct_rec *pjct_of_col_attr(const col_attr_rec *rule);
/* The configured directory of a project (from g_pjct_names and
** g_pjct_dirs, any case); null when the name is not configured. */
const char *pjct_dir(const char *name);
/* The folder where the project's own files are written (an import's
** .ERR): a DB3 project's directory; for a server project, whose
** "directory" is its schema, the folder of the project's name in the
** user's support folder (the editor's first; the current folder when the
** editor names none), made when missing. Answers 0 with the folder in
** dir, or -1 with what failed in why. */
int pjct_file_dir(const pjct_rec *project, std::string &dir, std::string &why);
/* The n-th column record of the project counted over all its registered
** tables in registry order; null when out of range or for null. */
sql_col_rec *pjct_nth_column(const pjct_rec *project, int n);
/* The project's column record of that table and column (any case) with
** its index counted as for pjct_nth_column (-1 when absent); null when
** absent or for a null argument. */
sql_col_rec *pjct_find_column(const pjct_rec *project, const char *table, const char *column, int *index);

#endif
