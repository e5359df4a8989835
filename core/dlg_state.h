/*
** dlg_state.h: saving and restoring the row-entry and browse state
** (core/row_state.h) around nested dialogs.
**
**     row_state_rec *saved = dlg_state_push();
**     if (!saved) return err_report(-9101, NULL);
**     dlg_state_reset();
**     ... run the inner dialog ...
**     dlg_state_pop(saved);
*/
#ifndef PV_CORE_DLG_STATE_H
#define PV_CORE_DLG_STATE_H

#include "core/row_state.h"

/* A new heap copy of the whole state (g_row_state with g_cur_row and
** g_row_count); the copy takes over the buffers (page lines, header,
** selection), which the current state then no longer holds. Null when
** memory runs out (the state is then unchanged). */
row_state_rec *dlg_state_push(void);
/* Restores the state from a copy made by dlg_state_push, frees the buffers
** the current state held, and frees the copy. Null does nothing. */
void dlg_state_pop(row_state_rec *copy);
/* Clears every field of the state and frees the buffers it holds. */
void dlg_state_reset(void);

#endif
