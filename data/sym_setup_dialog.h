/*
** sym_setup_dialog.h: the dialog pv_symsetup that edits the symbol setup
** of one table column, of one profile item, or a named setup of a diagram
** that belongs to neither.
**
**     pv_symsetup_dialog(project, rule, nullptr);      // STATN.NAME's setup
**     pv_symsetup_dialog(project, nullptr, item);      // a profile item's
**     pv_symsetup_dialog(project, stereonet_setup);    // a named setup
**
** The dialog works on a copy of the current setup. Each field is typed in
** or associated with another column of the column's table (another item of
** the profile); accept checks every field, shows one alert listing what is
** wrong and keeps the dialog open, or puts the edited setup in place of the
** old one in the project's list.
*/
#ifndef PV_DATA_SYM_SETUP_DIALOG_H
#define PV_DATA_SYM_SETUP_DIALOG_H

#include <string>
#include <vector>

#include "core/pjct.h"
#include "core/sym_setup.h"
#include "platform/include/dcl_host.h"

struct col_attr_rec;
struct item_node;

/* Bits of the error sum of pv_symsetup_read, one per field. */
#define SYMSET_BAD_AROUND       0x1      /* position column */
#define SYMSET_BAD_LIBRARY      0x2
#define SYMSET_BAD_SYMBOL       0x4
#define SYMSET_BAD_LAYER        0x8
#define SYMSET_BAD_COLOUR       0x10
#define SYMSET_BAD_SIZE         0x20
#define SYMSET_BAD_ANGLE        0x40
#define SYMSET_BAD_ANGLE_OFFSET 0x80
#define SYMSET_BAD_X_OFFSET     0x100
#define SYMSET_BAD_Y_OFFSET     0x200
#define SYMSET_BAD_Z_OFFSET     0x400
#define SYMSET_BAD_POSITION     0x800
#define SYMSET_BAD_FONT         0x1000
#define SYMSET_BAD_PATTERN      0x2000
#define SYMSET_BAD_LINE_WIDTH   0x4000

/* Highest text position and colour number a setup takes. */
#define SYMSET_POSITION_MAX 8
#define SYMSET_COLOUR_MAX   255

/* What one run of the dialog edits; lives from the dialog's opening to its
** end and is handed to every callback. Exactly one of rule, item and named
** is set. */
struct symsetup_state {
    pjct_rec *project = nullptr;     /* the project whose list holds the setup; not owned */
    col_attr_rec *rule = nullptr;    /* column setup: the column's input rule; not owned */
    item_node *item = nullptr;       /* item setup: the item; not owned */
    item_node *root = nullptr;       /* item setup: the item's profile root; not owned */
    sym_rec *named = nullptr;        /* named setup: the caller's record; not owned */
    sym_rec *record = nullptr;       /* the working copy; owned until accepted */
};

/* The dialog on a column (rule) or a profile item (item): exactly one of
** them. 5100 after the dialog; -2 for a missing project, both or neither
** of rule and item, or an item in no tree; -9101 without memory; -5001
** after the error -9501 naming the dialog when it cannot be loaded. */
int pv_symsetup_dialog(pjct_rec *project, col_attr_rec *rule, item_node *item);
/* The dialog on a named setup bound to nothing (a diagram's), listed in the
** project or a default record the caller built. On accept a listed record
** takes the edited values in place (the caller's pointer stays valid); an
** unlisted one is left to the caller and an edited copy is attached. On
** cancel the caller's record is left alone. Answers as the other form; -2
** for a missing project or record. */
int pv_symsetup_dialog(pjct_rec *project, sym_rec *setup);

/* Reads the tiles of an open pv_symsetup into state->record and checks
** every field. 0 when all are valid; otherwise -(16384 + the sum of the
** SYMSET_BAD_* bits), after one alert under the error title listing their
** texts. -2 for a missing dialog, state or record. */
int pv_symsetup_read(ads_hdlg dialog, symsetup_state *state);
/* The alert text of a result of pv_symsetup_read: "\n%s" for each set bit
** in the order the dialog lists them; "" for 0 and other results. */
std::string pv_symsetup_error_text(int result);
/* Shows a setup in the tiles of an open pv_symsetup and sets the modes. */
void symsetup_show(ads_hdlg dialog, const symsetup_state *state);
/* Enables the tiles of the kinds switched on, empties and disables the
** others. */
void symsetup_modes(ads_hdlg dialog, const symsetup_state *state);

/* 1 when a text is a number as a setup takes it: blank, or digits, "+",
** "-" and "." with blanks only before and after them. */
int symsetup_is_number(const char *text);
/* 1 when a text is a name as a setup takes it: blank, or without control
** characters, the punctuation a layer or font name cannot hold, and
** blanks between its characters. */
int symsetup_is_name(const char *text);

/* A list picker (pv_sympick, pv_sympick2): the entries in "sym_list"; the
** chosen index in *chosen. 1 when one was chosen; 0 on cancel or with
** nothing selected; -1 after the alert "Cannot load dialog box: %s." */
int sym_pick_list(const char *dialog, const std::vector<std::string> &entries, int *chosen);

/* The symbol library dialog (sym_lib_dialog.cpp), and the same in the
** upgrade's mode. */
int pv_load_sym_dialog(int upgrade);
int symlib_load_for_upgrade(void);

#endif
