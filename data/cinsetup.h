/*
** cinsetup.h: the column input setup dialog "pv_cinsetup".
**
** The dialog edits the input rule of one column of a registered table: the
** profile and dictionary its values are picked from, the level, several
** values and their delimiter, the default, the range and the switches.
** What may be set follows the column's place in the table's keys and its
** type. It works on a copy of the rule; on "accept" the profile is loaded
** (or shared with another rule naming it) and the copy replaces the rule
** in the project's list.
**
**     pv_cinsetup_dialog(column->attr, project);   // 5100 after the dialog
**     column->attr = the registered column's rule  // the old one may be gone
*/
#ifndef PV_DATA_CINSETUP_H
#define PV_DATA_CINSETUP_H

#include "core/col_attr.h"
#include "core/pjct.h"

/* Runs the dialog on a rule of the project. Answers 5100 after the dialog
** ran (accepted or not); -2 for a null argument; -9101 when the working
** copy cannot be made; -5001 when the dialog cannot be loaded (reported as
** -9501 with the dialog's name). After an accept the rule handed in may
** have been freed: callers take the rule their column now carries. */
int pv_cinsetup_dialog(col_attr_rec *rule, pjct_rec *project);

#endif
