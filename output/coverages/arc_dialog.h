/*
** arc_dialog.h: the coverage dialog pv_arcpoly over the module's coverage
** options, the map-unit command pv_arcpoly and its plot of the map units
** of the entities the user selects.
**
**     if (pv_arcpoly_dialog(nullptr, nullptr) == 0) arc_plot_units();
*/
#ifndef PV_OUTPUT_ARC_DIALOG_H
#define PV_OUTPUT_ARC_DIALOG_H

#include "platform/include/dcl_host.h"

struct pjct_rec;
struct sql_col_rec;
struct resbuf;

/* The coverage dialogs: pv_arcpoly for the map units and for the legend
** checker (whose "symbol" edits the arcs' setup), pv_arc for the arcs. */
enum arc_dialog_kind { ARC_DIALOG_UNITS, ARC_DIALOG_ARCS, ARC_DIALOG_LEGEND };

/* The command handler (arguments unused): the dialog with neither project
** nor row, then the plot when it ended with OK. 5100. */
int pv_arcpoly(struct resbuf *args);
/* Runs the dialog on the options (cleared first). 0 after OK; -1 after
** cancel, without a map projection (alerted) or when the dialog cannot be
** opened (error -9501 naming "pv_arcpoly"). */
int pv_arcpoly_dialog(pjct_rec *project, sql_col_rec *row);
/* Runs dialog pv_arc (project, coverage, projection, "arcs", "table",
** symbol) on the options, cleared first. 0 after OK; -1 as
** pv_arcpoly_dialog (error -9501 naming "pv_arc"). */
int pv_arc_dialog(pjct_rec *project, sql_col_rec *row);
/* Runs the dialog of that kind; answers as pv_arcpoly_dialog. */
int arc_dialog_open(arc_dialog_kind kind, pjct_rec *project, sql_col_rec *row);
/* "accept" of pv_arc: reads the tiles and validates (arc_make_validate);
** an error stays in the dialog; when the project has a table ARCS, only a
** yes to "ARCS table exists. Overwrite ?" ends the dialog with OK. */
void pv_arc_accept_cb(ads_callback_packet *cpkt);
/* "arcs" and "table" of pv_arc: read the tiles and set the modes again. */
void pv_arc_toggle_cb(ads_callback_packet *cpkt);
/* "symbol" of pv_arc: with "arcs" or "table" set, the symbol setup dialog
** on the project's setup ARC_INFO_ARCS (a new one when it has none). */
void pv_arc_symbol_cb(ads_callback_packet *cpkt);
/* Fills the lists for the project at list index n (-1: none) and shows
** the options cleared. */
void pv_arcpoly_fill_tiles(ads_hdlg dlg, int n);
/* Enables the tiles for the options: all with a project, else only
** "cancel" (the rest disabled and cleared); "symbol" only with a unit
** column chosen or "arcs" or "table" set. */
void pv_arcpoly_tile_modes(ads_hdlg dlg);
/* Reads the tiles into the options. */
void pv_arcpoly_read_tiles(ads_hdlg dlg);
/* Shows the text of a validation code in the "error" tile ("" for 0). */
void arc_show_error(ads_hdlg dlg, int code);
/* Draws the map units of the entities the user selects that are linked to
** rows of the unit table, then closes the coverage. Answers the number of
** units drawn; -1 when the options are incomplete, nothing is selected,
** the coverage cannot be opened ("Could not open cover %s") or a linked
** row cannot be read (then none stays drawn). */
long arc_plot_units(void);

#endif /* PV_OUTPUT_ARC_DIALOG_H */
