/*
** tile_util.h: the shared dialog helpers: a dialog's table of tile keys and
** callbacks, filling lists, and reading tiles as numbers, index lists and
** texts.
**
**     static const dlg_tile k_tiles[] = {{"accept", my_accept}, {"cancel", my_cancel}};
**     dlg_register(dlg, k_tiles, 2, &state);
**
**     int n = tile_get_int(dlg, "project");        // -1 when blank
**     int *sel, count;
**     if (tile_get_int_list(dlg, "sqlrow", &sel, &count) == RTNORM) ... free(sel);
**     int line = tile_get_one_index(dlg, "pv_memo_list");   // < 0: reported
*/
#ifndef PV_CORE_TILE_UTIL_H
#define PV_CORE_TILE_UTIL_H

#include "platform/include/dcl_host.h"

/* Room of the buffer tile_get_str fills: TILE_STR_LIMIT characters and the
** terminator. */
#define TILE_BUF_SIZE (TILE_STR_LIMIT + 1)

/* The tile's value read as an integer (a list gives its selected index);
** -1 when blank, unreadable or for bad arguments. */
int tile_get_int(ads_hdlg dialog, const char *key);
/* The selected indexes of a multiple-selection list (split at blanks,
** carriage returns and tabs) in a new heap array that the caller frees,
** with their count (0 and a null array for none). 5100; -5001 for bad
** arguments, an unreadable tile or no memory. */
int tile_get_int_list(ads_hdlg dialog, const char *key, int **out, int *count);
/* The single selected index of a list tile. When the selection cannot be
** used it is reported with err_report and its code answered: -9106 when no
** item is selected, -9105 when more than one is, -3 when the tile cannot
** be read (also for bad arguments). */
int tile_get_one_index(ads_hdlg dialog, const char *key);
/* Reads the tile into buffer (TILE_BUF_SIZE bytes); 5100 when the value is
** not blank, else -1 (also for bad arguments). */
int tile_get_str(ads_hdlg dialog, const char *key, char *buffer);
/* 1 when the toggle or radio button shows "1", else 0 (also for bad
** arguments). */
int tile_get_toggle(ads_hdlg dialog, const char *key);

/* Enables (on non-zero) or disables a tile. */
void tile_enable(ads_hdlg dialog, const char *key, int on);

/* One tile of a dialog's table and its callback. */
struct dlg_tile {
    const char *key;     /* tile key */
    CLIENTFUNC action;   /* its callback */
};

/* Registers a dialog's tile table: each tile's callback and the client
** data every callback receives. */
void dlg_register(ads_hdlg dlg, const dlg_tile *tiles, int n, void *data);
/* Fills a list or popup tile with n texts, replacing what it held. */
void dlg_fill_list(ads_hdlg dlg, const char *key, const char *const *texts, int n);
/* Sets a tile to an index written as a number. */
void dlg_set_index(ads_hdlg dlg, const char *key, int index);
/* 1 when a callback should act: the tile was picked or double-clicked. */
int cb_acts(const ads_callback_packet *cpkt);

#endif
