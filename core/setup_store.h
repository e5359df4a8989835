/*
** setup_store.h: loading and saving a project's setup.
**
** At logon setup_load_all reads every setup table of the project (see
** core/setup_tables.h) and makes its records: the ellipsoids, coordinate
** systems and transformations join the global lists of map/ (the built-in
** project "Projections", logged on first, takes the names first); the
** input rules, registered tables and point setups hang from the project.
** setup_save_all writes back the tables whose change bits are set, after
** one question, and clears those bits.
**
**     setup_load_all(project);                  // at logon
**     setup_save_all(g_pjct_list, 1);           // pv_save, message 9, logoff
**
** The global coordinate lists are shared by every project; each record
** belongs to the project it was loaded from, and a project's tables get
** only its own records and the new ones that no project has saved yet
** (the built-in project is saved last, so that these go to a user's
** project).
** The built-in systems "USER" and "GEOGRAPHIC %s" are never written.
**
** A table that cannot be read at logon costs nothing: a setup table that
** exists but cannot be read is never written during that logon; a
** registered table that cannot be read keeps its PVTABLE row, its
** PVCOLUMN rules and its PVPOINT setups as they were read, and every save
** writes them back unchanged. Logon names every such table in one alert
** with the driver's text, and setup_table_refusal gives that text to the
** commands that would use the table. A save that would write a table's
** rows unchanged writes nothing.
*/
#ifndef PV_CORE_SETUP_STORE_H
#define PV_CORE_SETUP_STORE_H

#include <cstddef>

#include "core/pjct.h"
#include "core/setup_tables.h"

/* The question asked before the changed setups are written. */
#define SETUP_SAVE_QUESTION "Your %s setup has been changed. Save changes ?"
/* Longest list of project names in the question. */
#define SETUP_QUESTION_NAMES_MAX 200

/* Kinds of global coordinate records. */
enum setup_kind { SETUP_KIND_DATUM, SETUP_KIND_PROJ, SETUP_KIND_XFORM };

int setup_load_all(pjct_rec *project);
/* Sets the change bits (PJCT_CHG_*) in every logged-on project, so that
** the next save writes those setup tables of each. */
void setup_mark_changed_all(uint32_t bits);
/* A global coordinate record of the kind was renamed: the project it
** belonged to under the old name keeps it under the new one. Nothing
** happens when the old name had no owner. */
void setup_owner_rename(int kind, const char *old_name, const char *new_name);
int setup_save_all(pjct_rec *list, int confirm);
void setup_owner_clear(void);

/* What the setup store asks of the layers above it, each filling its own
** entries when the module starts: the profile editor's saver of the
** profiles its pickers changed, run last by setup_save_all (0, or -1 when
** one could not be written), and the drawing's loader of a shape library
** into the editor and the shape store, run for each library the symbol
** setups name at logon (0 when loaded), with its name for a library as
** given. An entry left empty is passed over. */
struct setup_upcalls {
    int (*save_profiles)(pjct_rec *list);
    int (*shape_lib_name)(const char *text, char *out, size_t size);
    int (*shape_lib_load)(const char *library);
};
extern setup_upcalls g_setup_upcalls;
int setup_name_eq(const char *a, const char *b);
const char *setup_table_refusal(const pjct_rec *project, const char *table);

/* Loaders and savers of the tables (entries of setup_tables.cpp). */
int setup_load_pvdatum(pjct_rec *project, const setup_text_rows *rows);
int setup_save_pvdatum(pjct_rec *project, setup_text_rows *rows);
int setup_load_pvproj(pjct_rec *project, const setup_text_rows *rows);
int setup_save_pvproj(pjct_rec *project, setup_text_rows *rows);
int setup_load_pvxform(pjct_rec *project, const setup_text_rows *rows);
int setup_save_pvxform(pjct_rec *project, setup_text_rows *rows);
void setup_saved_pvxform(pjct_rec *project);
int setup_save_pvxpoint(pjct_rec *project, setup_text_rows *rows);
int setup_load_pvcolumn(pjct_rec *project, const setup_text_rows *rows);
int setup_save_pvcolumn(pjct_rec *project, setup_text_rows *rows);
int setup_load_pvtable(pjct_rec *project, const setup_text_rows *rows);
int setup_save_pvtable(pjct_rec *project, setup_text_rows *rows);
int setup_load_pvpoint(pjct_rec *project, const setup_text_rows *rows);
int setup_save_pvpoint(pjct_rec *project, setup_text_rows *rows);
int setup_load_pvsymbol(pjct_rec *project, const setup_text_rows *rows);
int setup_save_pvsymbol(pjct_rec *project, setup_text_rows *rows);
int setup_load_pvquery(pjct_rec *project, const setup_text_rows *rows);
int setup_save_pvquery(pjct_rec *project, setup_text_rows *rows);
int setup_save_pvqout(pjct_rec *project, setup_text_rows *rows);
int setup_save_pvqpoint(pjct_rec *project, setup_text_rows *rows);
/* Re-binds the stored queries after a registered table changed. */
void setup_rebind_queries(pjct_rec *project, tbl_rec *row, const char *old_name);

#endif
