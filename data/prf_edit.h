/*
** prf_edit.h: the profile editor pv_edit_profile. It shows two item trees
** side by side, the target profile the user builds and saves and a source
** (another profile or a dictionary) items are copied from; items are
** inserted, modified, deleted, moved and copied in the target, and trees
** are loaded from and saved to profile tables or indented text files.
**
**     prf_save_changed(g_pjct_list);     // what the pickers changed
**     pv_edit_profile_dialog();          // 5100 after "Save and reset"... "Close"
*/
#ifndef PV_DATA_PRF_EDIT_H
#define PV_DATA_PRF_EDIT_H

#include "core/item_tree.h"
#include "platform/include/dcl_host.h"

struct pjct_rec;

/* Lines of a list page. */
#define PRF_EDIT_PAGE 10
/* Longest list line, in characters. */
#define PRF_EDIT_LINE_MAX 32

/* Modes of the editor. */
#define PRF_MODE_NORMAL   0
#define PRF_MODE_MOVE     3   /* a move is pending */
#define PRF_MODE_COPY     4   /* a copy within the target is pending */
#define PRF_MODE_SRC_COPY 5   /* a copy from the source is pending */

/* Results of prf_opts_dialog. */
#define PRF_OPT_TABLE 3   /* a profile (or dictionary) table */
#define PRF_OPT_TEXT  4   /* an indented text file */

/* The editor's state (one instance). */
struct prf_edit_state {
    pjct_rec *project;     /* target project; not owned */
    item_node *target;     /* target tree (a heap root), or null; owned unless shared */
    item_node *source;     /* source tree (a heap root), or null; owned */
    item_node *tgt_page;   /* first node of the target list's page */
    item_node *src_page;   /* first node of the source list's page */
    int shared;            /* 1: the target has been handed to input rules */
    int mode;              /* PRF_MODE_* */
};

/* The editor's state. */
prf_edit_state *prf_edit_state_get(void);

/* The editor modal dialog. 5100 when it ends with status 1; -5001
** otherwise and when it cannot be opened (reported). */
int pv_edit_profile_dialog(void);
/* Forgets the target project (and with full the dictionary side), frees
** the trees (the target unless shared), clears the page starts, the mode
** and the shared mark; with a dialog the name tiles and lists are cleared.
** 0. */
int prf_edit_reset(ads_hdlg dialog, int full);
/* The save-options dialog (pv_prf_opts or pv_dix_opts) showing message:
** PRF_OPT_TABLE, PRF_OPT_TEXT, 0 for none chosen; -1 when cancelled;
** -9501 when it cannot be opened (reported). */
int prf_opts_dialog(const char *dialog, const char *message);
/* Shows a page of a tree in a list tile from start; see the file. */
int item_list_show(ads_hdlg dialog, const char *key, item_node *start, int flag);

/* Saves every distinct changed tree (root flag ITEM_CHANGED) of the input
** rules of every project with PJCT_CHG_PROFILES as its rule's profile and
** dictionary; the flag and the bit are cleared on success. 0; -1 when a
** save failed (reported; that tree keeps its flag). */
int prf_save_changed(pjct_rec *list);
/* Hands prf_save_changed to the setup store (core/setup_store.h), which
** runs it last when it saves; the module's entry calls it at start. */
void prf_serve_setups(void);

#endif
