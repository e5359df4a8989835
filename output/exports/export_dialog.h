/*
** export_dialog.h: the command pv_export and its options dialog
** "pv_export_opts": the project whose linked rows give the attribute
** columns, the output type, the columns, the export projection, what the
** entities become (points, lines, polygons), the file name, delimiters,
** text height, point scale and whether texts carry attributes. Its "plot"
** button checks the choices and fills export_state() for export_run.
**
**     (pv_export)   ->  dialog pv_export_opts, "plot" runs the export
*/
#ifndef PV_OUTPUT_EXPORT_DIALOG_H
#define PV_OUTPUT_EXPORT_DIALOG_H

#include "platform/include/dcl_host.h"

/* The message of a map without projection, shown before the dialog. */
#define EXPORT_NO_MAP_PROJECTION "No projection assigned to map.\nUse the Map Setup option in DU-ZOREZ."

/* The command: refused (with its alert) when the map has no projection;
** runs the dialog and, when it ends with "plot", export_run. 5100; -5001
** when the dialog cannot be shown. */
int pv_export(struct resbuf *args);

/* Resets the export state and sets the dialog's starting tile modes. */
void export_opts_reset(ads_hdlg dlg);
/* The "plotype" callback: sets the output type, enables the file name,
** the kinds and "plot", and applies the kind again. */
void export_opts_tiles(ads_callback_packet *cpkt);
/* "project": fills "output" with the project's TABLE.COLUMN pairs. */
void pv_export_opts_project_cb(ads_callback_packet *cpkt);
/* "point": points, with the tiles the output type allows them. */
void pv_export_opts_point_cb(ads_callback_packet *cpkt);
/* "line" and "polygon": lines or polygons, with their tiles. */
void pv_export_opts_line_cb(ads_callback_packet *cpkt);
/* "plot": checks the choices (each failure shown in "error", the dialog
** kept open), fills the columns and ends the dialog with 1; ends it with
** 0 without memory. */
void pv_export_opts_plot_cb(ads_callback_packet *cpkt);

#endif /* PV_OUTPUT_EXPORT_DIALOG_H */
