/*
** pnt_dialog.h: the point setup dialog "pv_pntsetup" of one registered
** table: it lists the table's point setups and adds, changes and removes
** them, linking each to the input rules of its columns.
**
**     pv_pntsetup_dialog(project, "STATN");     // 0 after the dialog ran
**
**     if (pnt_columns_used(project, candidate, candidate))
**         ... "ERROR: X,Y or Z column already used" ...
*/
#ifndef PV_DATA_PNT_DIALOG_H
#define PV_DATA_PNT_DIALOG_H

#include "core/pjct.h"
#include "core/pnt.h"
#include "core/tile_util.h"

/* Runs the point setup dialog on a registered table of the project.
** Answers 0 after the dialog ran; -2 for a missing project or a missing or
** blank table name; -1 when the table is not registered in the project or
** the dialog cannot be loaded (reported as "Cannot load dialog box: %s."). */
int pv_pntsetup_dialog(pjct_rec *project, const char *table);

/* 1 when a setup of the project other than candidate and excluded uses
** one of the candidate's columns: its X as that setup's X, Y or Z; its Y
** likewise; its Z (when given) as that setup's X or Y, or as its Z when
** both have one. 0 otherwise, also for a missing project or candidate. */
int pnt_columns_used(const pjct_rec *project, const pnt_rec *candidate, const pnt_rec *excluded);

/* Checks a setup read from the form and writes its first fault into the
** dialog's error tile (dialog may be null). Answers 0 when sound, else -1. */
int pnt_validate(ads_hdlg dialog, const pnt_rec *setup);

#endif
