/*
** stereo_dialog.h: the stereonet dialog pv_stereonet, its title check, the
** command's plot over the symbols the user selects, and the command
** handler pv_stereo.
**
**     pv_stereonet_dialog(nullptr, nullptr);   // from the command: OK plots
**     pv_stereonet_dialog(project, query_row); // from the plot loop
*/
#ifndef PV_OUTPUT_STEREO_DIALOG_H
#define PV_OUTPUT_STEREO_DIALOG_H

#include "platform/include/dcl_host.h"

struct pjct_rec;
struct sql_col_rec;


/* The command handler (arguments unused): the dialog with neither
** project nor row. 5100. */
int pv_stereo(struct resbuf *args);
/* Runs the dialog (project and row both null from the command, whose OK
** plots the selected symbols). 0 after OK; -1 after cancel, or when the
** dialog cannot be opened (error -9501 naming "pv_stereonet"). */
int pv_stereonet_dialog(pjct_rec *project, sql_col_rec *row);
/* Checks the title tile "netname" and converts the state's title to a
** block name; asks before redefining an existing block. 0; -1 after
** showing the reason in the error tile. The state keeps the title as
** typed (trimmed). */
int stereo_check_title(ads_hdlg dlg);
/* Plots the selected symbols linked to rows of the chosen table: reads
** each row by its base number and draws it, then places the net. */
void stereo_plot(void);

#endif /* PV_OUTPUT_STEREO_DIALOG_H */
