/*
** rename.h: the pv_rename command, which repairs the links of drawn
** entities after a project, a table or a key column was renamed in the
** database: every selected entity whose link names the old project gets
** the new project name, and optionally the new table and key-column
** names, in its extended data and a new host link. The database is not
** touched; the target project must be logged on.
**
**     (pv_rename)   ->  dialog pv_rename, then "Select objects:"
*/
#ifndef PV_DATA_RENAME_H
#define PV_DATA_RENAME_H

#include "platform/include/dcl_host.h"

/* Room of each of the dialog's six texts. */
#define RENAME_TEXT_SIZE 256

/* The command; answers 5100. */
int pv_rename(struct resbuf *args);

/* The dialog's buttons. */
void pv_rename_accept_cb(ads_callback_packet *cpkt);
void pv_rename_cancel_cb(ads_callback_packet *cpkt);

/* Renames the links of the entities the user selects. 0; -2 for blank or
** too long names; -1 when nothing is selected; the SQL layer's code when
** the row of a renamed link cannot be read (said once, naming the table;
** no link is changed). */
int rename_links(const char *old_prj, const char *new_prj, const char *old_tbl, const char *new_tbl,
                 const char *old_col, const char *new_col);

/* Renames one entity's link. 0; -2 for bad arguments; -9802 when the
** entity cannot be read; the parse's code; -9803 for a link of another
** project; -1 when the link cannot be written back; the SQL layer's code
** when its row cannot be read (the link unchanged). */
int rename_entity_link(const ads_name ename, const char *old_prj, const char *new_prj, const char *old_tbl,
                       const char *new_tbl, const char *old_col, const char *new_col);

#endif /* PV_DATA_RENAME_H */
