/*
** chem_dialog.h: the two dialogs that define a chemistry diagram:
** pv_chemdiagram picks a saved diagram or names a new one, chooses the
** symbol column, the limits and scales, and opens pv_chemequation on each
** axis; pv_chemequation edits one axis equation as a list of terms. Both
** work on the chemistry state (chem_plot.h); a diagram accepted is saved
** in the project's list of terms.
**
**     if (pv_chemdiagram_dialog(row) == 0) ... g_chem holds the diagram ...
*/
#ifndef PV_OUTPUT_CHEM_DIALOG_H
#define PV_OUTPUT_CHEM_DIALOG_H

#include "core/chem_term.h"
#include "platform/include/dcl_host.h"

/* The diagram dialog over a row: the state is freed, the row kept. 0
** after OK; -1 after cancel, or after error -9501 naming the dialog when
** it cannot be loaded. */
int pv_chemdiagram_dialog(sql_col_rec *row);
/* The equation editor on one of the state's three equations (its head's
** address). 0 after "exit"; -1 otherwise, after error -9501 naming the
** dialog when it cannot be loaded. */
int pv_chemequation_dialog(chem_term_rec **equation);

/* Shows the diagram a term belongs to (name, symbol column, limits,
** scales, the three equation texts) and takes it into the state. */
void chem_show(ads_hdlg dlg, const chem_term_rec *term);
/* Enables the tiles the state allows: the limit and scale tiles only for
** an X-Y diagram (else emptied), "symbols" only with a symbol column. */
void chem_mode_tiles(ads_hdlg dlg);
/* Reads name, symbol column, limits and scales into the state and the X
** equation's head. */
void chem_read_tiles(ads_hdlg dlg);
/* Replaces the state's equations by copies of the saved diagram's terms
** and shows them. */
void chem_load(ads_hdlg dlg, const char *name);
/* The first thing that keeps the diagram from being accepted, as the
** error tile shows it; null when none. */
const char *chem_check_dialog(ads_hdlg dlg);
/* 1 for a proper name (also blank, or without a dialog); 0 when it holds
** another character than a letter, a digit or "_"; -1 when another saved
** diagram than the picked one has it. */
int chem_check_name(ads_hdlg dlg, const char *name);
/* Stores the state as a saved diagram under the typed name, replacing
** the picked one (a blank name removes it after asking). */
void chem_save(ads_hdlg dlg);

/* Reads the editor's tiles into a term. */
void chem_read_term(ads_hdlg dlg, chem_term_rec *term);
/* Checks one term of the equation; 0, else -1 with the reason in the
** error tile. */
int chem_check_term(ads_hdlg dlg, const chem_term_rec *equation, const chem_term_rec *term);
/* Removes the empty terms and checks every term and the brackets; 0 with
** the log flag stored in the first term, else -1 with the reason in the
** error tile and the failing term picked. */
int chem_check_equation(ads_hdlg dlg, chem_term_rec **equation);

#endif
