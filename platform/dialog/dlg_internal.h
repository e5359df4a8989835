/*
** dlg_internal.h: the dialog runtime's own records, shared by its files.
**
** dlg_runtime.cpp keeps the loaded dialog files and the open dialogs and
** implements the tile calls; dlg_answer.cpp runs a started dialog, reading
** the answers of a person or a script; dlg_lists_images.cpp fills list
** tiles and records image drawing.
** Nothing outside platform/dialog includes this header.
*/
#ifndef PV_PLATFORM_DIALOG_DLG_INTERNAL_H
#define PV_PLATFORM_DIALOG_DLG_INTERNAL_H

#include <map>
#include <string>
#include <vector>

#include "dcl_host.h"
#include "platform/dialog/dcl_reader.h"
#include "platform/dialog/dialog_test_api.h"

/* Deepest nesting of running dialogs (a callback that opens a dialog that
** opens another ...); deeper is refused as a runaway. */
constexpr int DLG_MAX_NESTING = 16;

/* Most tiles one dialog may hold (tile handles keep the index in 16 bits). */
constexpr int DLG_MAX_TILES = 65535;

/* Pixels of one character cell of the width and height attributes, for
** ads_dimensions_tile. */
constexpr int DLG_CELL_WIDTH_PX = 8;
constexpr int DLG_CELL_HEIGHT_PX = 16;

/* Size of an image tile without width or height, in character cells. */
constexpr int DLG_IMAGE_DEFAULT_WIDTH = 10;
constexpr int DLG_IMAGE_DEFAULT_HEIGHT = 4;

/* Key of the tile where a dialog says what it refuses (the errtile). */
constexpr char DLG_ERROR_TILE[] = "error";

/* One tile of an open dialog. */
struct dlg_tile {
  std::string kind;                /* built-in kind (button, list_box ...)  */
  std::string key;                 /* key, "" for a tile without one        */
  std::string value;               /* current value (label of a button or   */
                                   /* text; selection of a list)            */
  std::map<std::string, std::string> attrs; /* attributes as read           */
  std::vector<std::string> items;  /* contents of a list or popup list      */
  bool enabled = true;             /* false: greyed out                     */
  bool highlight = false;          /* image highlight, flipped by mode 4    */
  CLIENTFUNC action = nullptr;     /* from ads_action_tile, or none         */
  void *client_data = nullptr;     /* from ads_client_data_tile             */
  std::vector<dlg_image_call> image; /* drawing since the dialog opened     */
  int parent = -1;                 /* index of the enclosing tile           */
  std::vector<int> children;       /* indexes of the tiles inside           */
  int depth = 0;                   /* nesting below the dialog tile         */
};

/* One dialog from ads_new_dialog until ads_start_dialog returns. */
struct dlg_dialog {
  int id = 0;                      /* handle number, never reused           */
  std::string name;                /* dialog name in its file               */
  std::vector<dlg_tile> tiles;     /* tile 0 is the dialog itself           */
  std::map<std::string, int> keys; /* key -> tile index                     */
  CLIENTFUNC def_callback = nullptr; /* for tiles without their own action  */
  bool running = false;            /* inside ads_start_dialog               */
  bool done = false;               /* ads_done_dialog or term was called    */
  int status = DLGCANCEL;          /* status given to ads_done_dialog       */
  std::string focus;               /* key of the tile with the focus        */
  int error_sets = 0;              /* times the dialog wrote its error tile */
};

/* ---- dlg_runtime.cpp ---------------------------------------------------- */

/* The open dialog of a handle; nullptr (and a fault naming the call) when
** the handle is not an open dialog. */
dlg_dialog *dlg_from_handle(ads_hdlg hdlg, const char *call);
/* The handle of an open dialog. */
ads_hdlg dlg_handle(const dlg_dialog &d);
/* Index of the tile with key; -1 (and a fault naming call and key) when
** the dialog lacks it. */
int dlg_find_tile(dlg_dialog &d, const char *key, const char *call);
/* Answers the value ads_get_tile gives for a tile. */
std::string dlg_tile_value(const dlg_dialog &d, int tile);
/* Sets a tile's value as ads_set_tile does; false with why for a value the
** tile cannot take. */
bool dlg_tile_assign(dlg_dialog &d, int tile, const std::string &value,
                     std::string &why);
/* Answers true for the radio clusters (radio_row ... boxed_radio_column). */
bool dlg_is_radio_cluster(const std::string &kind);
/* Parses a list selection "0 3 4"; false when a part is no index of a list
** of count items, or several are given for a single selection. */
bool dlg_parse_selection(const std::string &text, size_t count, bool multiple,
                         std::vector<int> &out);
/* Calls the tile's action (or the default callback) with the reason; false
** when neither exists. */
bool dlg_fire(dlg_dialog &d, int tile, int reason, long x, long y);
/* What a pick of the tile does at the keyboard or in a script: toggles flip,
** radio buttons select, the OK and cancel tiles end the dialog when no
** action of their own does. */
void dlg_pick(dlg_dialog &d, int tile, int reason, long x, long y);
/* Index of the dialog's OK tile ("accept", else the is_default tile) or of
** its cancel tile ("cancel", else the is_cancel tile); -1 when none. */
int dlg_accept_tile(const dlg_dialog &d);
int dlg_cancel_tile(const dlg_dialog &d);
/* Keeps the end state of a dialog for the test interface. */
void dlg_keep_snapshot(const dlg_dialog &d);
/* Appends one image call to the log the test interface reads. */
void dlg_log_image_call(const dlg_image_call &c);

/* ---- dlg_answer.cpp ----------------------------------------------------- */

/* Runs a started dialog until it is done, reading answers from the script or
** the terminal. */
void dlg_run(dlg_dialog &d);
/* The text form of a dialog: its tiles with values, state and lists. */
std::string dlg_form_text(const dlg_dialog &d);

/* ---- dlg_lists_images.cpp ----------------------------------------------- */

/* Forgets an image under way on the dialog (it ended). */
void dlg_image_forget(const dlg_dialog &d);
/* Forgets a list under way on the dialog (it ended). */
void dlg_list_forget(const dlg_dialog &d);

#endif /* PV_PLATFORM_DIALOG_DLG_INTERNAL_H */
