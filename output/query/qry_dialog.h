/*
** qry_dialog.h: the query command and its condition dialog "pv_condition".
**
** The user picks a project, output columns and condition rows (connector,
** column, operator, value, and for spatial operators an area or a line
** drawn in the drawing), names the query to keep it in the project's
** setup, and runs it into the table browser.
**
**     pv-query        ; at the command line, or (pv_query) from LISP
*/
#ifndef PV_OUTPUT_QRY_DIALOG_H
#define PV_OUTPUT_QRY_DIALOG_H

#include "core/qry.h"
#include "platform/include/ads_host.h"
#include "platform/include/dcl_host.h"

/* Rows the "condition" list shows at a time. */
#define QRY_DLG_PAGE_ROWS 14

/* End statuses of pv_condition_dialog. */
#define QRY_DLG_CANCEL 0   /* closed */
#define QRY_DLG_RUN    1   /* run the query */
#define QRY_DLG_LINE   5   /* draw a line, then show the dialog again */
#define QRY_DLG_AREA   6   /* draw an area, then show the dialog again */

/* The command: the dialog until it is closed or a query is run (after
** each drawn area or line it is shown again as it was); the query run
** into the browser; an unkept query freed. Answers 5100. */
int pv_query(struct resbuf *args);
/* Shows "pv_condition" (first set: afresh on the newest project; clear:
** as it was before a drawing pick) and answers its end status; -5001
** after "Cannot load dialog box: %s." when it cannot be created. */
int pv_condition_dialog(int first);
/* Rebuilds an output list from the dialog's "output" selection, with the
** key columns when with_keys is set; the previous list is freed unless it
** belongs to the current query. 0; -1 when the selection cannot be read;
** -2 without a list head or project; -9101 without memory (nothing built). */
int qry_build_output_list(ads_hdlg dialog, qry_out_rec **head, int with_keys);
/* A condition row as the "condition" list shows it. */
void qry_cond_row_text(const qry_cond_rec *cond, char *out, int size);

#endif
