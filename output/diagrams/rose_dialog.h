/*
** rose_dialog.h: the rose diagram dialog pv_rose, its title check, the
** command's road over the symbols the user selects, and the command
** handler pv_rose.
**
**     pv_rose_dialog(nullptr, nullptr);   // from the command: OK plots
*/
#ifndef PV_OUTPUT_ROSE_DIALOG_H
#define PV_OUTPUT_ROSE_DIALOG_H

#include "platform/include/dcl_host.h"

struct pjct_rec;
struct sql_col_rec;
struct resbuf;

/* Room of the interval read from its tile: 255 characters and the end. */
#define ROSE_INTERVAL_READ_SIZE 256

/* The command handler (arguments unused): the dialog with neither
** project nor row. 5100. */
int pv_rose(struct resbuf *args);
/* Runs the dialog. 0 after OK (from the command, after the plot); -1
** after cancel, or when it cannot be opened (error -9501 naming
** "pv_rose"). */
int pv_rose_dialog(pjct_rec *project, sql_col_rec *row);
/* Fills the dialog for the project at list index n: reset, range 360,
** the angle list, modes and tiles. */
void rose_fill(ads_hdlg dlg, int n);
/* Reads range, dip, interval and angle column from the tiles and applies
** the project's setup. */
void rose_read_tiles(ads_hdlg dlg);
/* Checks the title tile "rose_name"; asks before redefining an existing
** block. 0 with the title in the state; -1 after showing the reason. */
int rose_check_title(ads_hdlg dlg);
/* The command's plot of the selected symbols' rows. */
void rose_run(void);

#endif /* PV_OUTPUT_ROSE_DIALOG_H */
