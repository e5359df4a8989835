/*
** dialog_test_api.h: what tests (and pvhost) may read of the dialog runtime.
**
** The image drawing of every dialog is recorded in one log; when a dialog
** ends its tiles are kept as a snapshot under its name, so a test can run a
** dialog from a script and then read what the dialog showed. Faults (a key
** the dialog lacks, a script that ran dry...) go to host_io_faults().
**
**   dlg_test_clear();
**   ... run a command whose dialog draws ...
**   for (const dlg_image_call &c : dlg_test_image_calls()) ...;
**   dlg_tile_snapshot t; dlg_test_last_tile("pv_logon", "project", t);
*/
#ifndef PV_PLATFORM_DIALOG_DIALOG_TEST_API_H
#define PV_PLATFORM_DIALOG_DIALOG_TEST_API_H

#include <string>
#include <vector>

#include "dcl_host.h"

/* Kinds of recorded image calls. */
enum dlg_image_op {
  DLG_IMAGE_FILL = 1,              /* ads_fill_image                        */
  DLG_IMAGE_VECTOR = 2,            /* ads_vector_image                      */
  DLG_IMAGE_SLIDE = 3              /* ads_slide_image                       */
};

/* One drawing call on an image tile. */
struct dlg_image_call {
  std::string dialog;              /* dialog name                           */
  std::string key;                 /* image tile key                        */
  dlg_image_op op = DLG_IMAGE_FILL;/* which call                            */
  int x1 = 0, y1 = 0;              /* fill/slide corner, or vector start    */
  int x2 = 0, y2 = 0;              /* fill/slide width and height, or       */
                                   /* vector end                            */
  int color = 0;                   /* colour number (0 for a slide)         */
  std::string slide;               /* slide name of ads_slide_image         */
};

/* A tile as it stood when its dialog ended (or as it stands now). */
struct dlg_tile_snapshot {
  std::string key;                 /* tile key                              */
  std::string kind;                /* built-in kind                         */
  std::string value;               /* value as ads_get_tile gives it        */
  bool enabled = true;             /* false: disabled                       */
  std::vector<std::string> items;  /* list contents                         */
};

/* Every image call since the last dlg_test_clear, in order. */
const std::vector<dlg_image_call> &dlg_test_image_calls();
/* Forgets the image log and the snapshots. */
void dlg_test_clear();
/* The keyed tiles of the dialog that last ended under this name; false when
** none has ended since the last clear. */
bool dlg_test_last_tiles(const std::string &dialog,
                         std::vector<dlg_tile_snapshot> &out);
/* One tile of that snapshot; false when the dialog or key is unknown. */
bool dlg_test_last_tile(const std::string &dialog, const std::string &key,
                        dlg_tile_snapshot &out);
/* One tile of an open dialog (callbacks use it); false when unknown. */
bool dlg_test_open_tile(ads_hdlg hdlg, const std::string &key,
                        dlg_tile_snapshot &out);
/* The text form of an open dialog, "" for a bad handle. */
std::string dlg_test_form(ads_hdlg hdlg);
/* Number of dialogs now running (inside ads_start_dialog). */
int dlg_test_running();
/* Number of dialogs created and not yet ended. */
int dlg_test_open();
/* Why the last ads_load_dialog failed ("" after a success). */
const std::string &dlg_test_load_error();

#endif /* PV_PLATFORM_DIALOG_DIALOG_TEST_API_H */
