/*
** dlg_runtime.cpp: the editor's modal dialogs: files, dialogs and tiles.
**
** ads_load_dialog reads and checks a dialog file once; ads_new_dialog makes
** an open dialog from one of its definitions, with a tile record per tile;
** the tile calls read and change those records; ads_start_dialog hands the
** dialog to dlg_run (dlg_answer.cpp), which reads answers until a callback
** calls ads_done_dialog, and then frees it. Handles are numbers, never
** pointers, so a stale handle is caught and recorded as a fault.
**
**   int id; ads_load_dialog("PETRIVEX.DCL", &id);
**   ads_new_dialog("pv_msg_box", id, NULL, &h); ads_start_dialog(h, &st);
*/
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include "platform/dialog/dlg_internal.h"
#include "platform/host_io.h"
#include "wfile/wfile.h"

namespace {

/* Everything the runtime holds. */
struct dlg_state {
  std::map<int, dcl_file> files;                 /* loaded files by id     */
  int next_file_id = 1;                          /* id of the next load    */
  std::map<int, std::unique_ptr<dlg_dialog>> dialogs; /* open, by handle   */
  int next_dialog_id = 1;                        /* handle of the next one */
  int running = 0;                               /* dialogs now started    */
  std::string load_error;                        /* why the last load failed*/
  std::vector<dlg_image_call> image_log;         /* every image call       */
  std::map<std::string, std::vector<dlg_tile_snapshot>> snapshots; /* ends */
};

/* The runtime's state, made on first use. */
dlg_state &st() {
  static dlg_state s;
  return s;
}

/* Makes a tile handle from a dialog id and tile index. */
ads_htile tile_handle(const dlg_dialog &d, int tile) {
  uintptr_t v = (static_cast<uintptr_t>(d.id) << 16) |
                static_cast<uintptr_t>(tile + 1);
  return reinterpret_cast<ads_htile>(v);
}

/* Finds the dialog and tile of a tile handle; false for a stale one. */
bool tile_from_handle(ads_htile h, dlg_dialog *&d, int &tile) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  int id = static_cast<int>(v >> 16);
  tile = static_cast<int>(v & 0xFFFF) - 1;
  auto it = st().dialogs.find(id);
  if (it == st().dialogs.end() || tile < 0 ||
      tile >= static_cast<int>(it->second->tiles.size()))
    return false;
  d = it->second.get();
  return true;
}

/* True when path names a readable file. */
bool readable(const std::string &path) {
    FILE *f = wf_fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

/* Finds a dialog file as named, else on the editor's search path
** (ads_findfile: current and drawing folders, support folders, resources,
** without regard to case); ".dcl" is added to a name without extension.
** Answers the path, or "" when none is found. */
std::string find_dcl(const std::string &name) {
  std::vector<std::string> names{name};
  size_t base = name.find_last_of('/');
  base = base == std::string::npos ? 0 : base + 1;
  if (name.find('.', base) == std::string::npos) names.push_back(name + ".dcl");
  for (const std::string &n : names) {
    if (readable(n)) return n;
    char found[ADS_PATH_MAX] = {0};
    if (ads_findfile(n.c_str(), found) == RTNORM && readable(found))
      return found;
  }
  return "";
}

/* Splits a list attribute ("a\nb\nc") into items. */
std::vector<std::string> split_items(const std::string &text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::string item;
  std::istringstream in(text);
  while (std::getline(in, item, '\n')) items.push_back(item);
  return items;
}

/* The radio cluster a radio button belongs to, or -1. */
int radio_cluster_of(const dlg_dialog &d, int tile) {
  for (int p = d.tiles[tile].parent; p >= 0; p = d.tiles[p].parent)
    if (dlg_is_radio_cluster(d.tiles[p].kind)) return p;
  return -1;
}

/* Collects the radio buttons of a cluster (nested rows included). */
void radio_buttons(const dlg_dialog &d, int cluster, std::vector<int> &out) {
  for (int c : d.tiles[cluster].children) {
    if (d.tiles[c].kind == "radio_button")
      out.push_back(c);
    else if (!dlg_is_radio_cluster(d.tiles[c].kind))
      radio_buttons(d, c, out);
  }
}

/* Turns one radio button on and the others of its cluster off. */
void radio_select(dlg_dialog &d, int button) {
  int cluster = radio_cluster_of(d, button);
  if (cluster >= 0) {
    std::vector<int> buttons;
    radio_buttons(d, cluster, buttons);
    for (int b : buttons) d.tiles[b].value = "0";
  }
  d.tiles[button].value = "1";
}

/* Answers true when text is a whole number within [lo, hi]. */
bool whole_number_in(const std::string &text, long lo, long hi) {
  if (text.empty()) return false;
  char *end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  return *end == '\0' && v >= lo && v <= hi;
}

/* Builds the tile records of a new dialog from the expanded definition. */
void build_tiles(dlg_dialog &d, const std::vector<dcl_tile> &tiles) {
  d.tiles.resize(tiles.size());
  for (size_t i = 0; i < tiles.size(); ++i) {
    const dcl_tile &s = tiles[i];
    dlg_tile &t = d.tiles[i];
    t.kind = s.kind;
    t.attrs = s.attrs;
    t.parent = s.parent;
    t.children = s.children;
    t.depth = s.depth;
    t.key = dcl_attr_or(s, "key", "");
    t.enabled = dcl_attr_or(s, "is_enabled", "true") != "false";
    t.items = split_items(dcl_attr_or(s, "list", ""));
    if (t.kind == "button" || t.kind == "text" || t.kind == "text_part")
      t.value = dcl_attr_or(s, "value", dcl_attr_or(s, "label", ""));
    else if (t.kind == "toggle" || t.kind == "radio_button")
      t.value = dcl_attr_or(s, "value", "0") == "1" ? "1" : "0";
    else if (t.kind == "slider")
      t.value = dcl_attr_or(s, "value", dcl_attr_or(s, "min_value", "0"));
    else if (t.kind != "image" && t.kind != "image_button" &&
             !dlg_is_radio_cluster(t.kind) && !dcl_is_container_kind(t.kind))
      t.value = dcl_attr_or(s, "value", "");
    if (t.kind == "popup_list" && t.value.empty() && !t.items.empty())
      t.value = "0";
    if (!t.key.empty()) d.keys[t.key] = static_cast<int>(i);
  }
  /* A cluster's value names its chosen button. */
  for (size_t i = 0; i < d.tiles.size(); ++i) {
    if (!dlg_is_radio_cluster(d.tiles[i].kind)) continue;
    std::string chosen = dcl_attr_or(tiles[i], "value", "");
    std::vector<int> buttons;
    radio_buttons(d, static_cast<int>(i), buttons);
    for (int b : buttons)
      if (!chosen.empty() && d.tiles[b].key == chosen) radio_select(d, b);
  }
}

/* Makes a new dialog; see ads_new_dialog. */
int new_dialog(const char *dlgname, int dcl_id, CLIENTFUNC def_callback,
               ads_hdlg *hdlg) {
  if (hdlg) *hdlg = nullptr;
  if (!dlgname || !hdlg) return RTERROR;
  auto f = st().files.find(dcl_id);
  if (f == st().files.end()) return RTERROR;
  std::vector<dcl_tile> tiles;
  std::string err;
  if (!dcl_expand_dialog(f->second, dlgname, tiles, err)) return RTERROR;
  if (tiles.size() > static_cast<size_t>(DLG_MAX_TILES)) return RTERROR;
  auto d = std::make_unique<dlg_dialog>();
  d->id = st().next_dialog_id++;
  d->name = dlgname;
  d->def_callback = def_callback;
  build_tiles(*d, tiles);
  *hdlg = dlg_handle(*d);
  st().dialogs[d->id] = std::move(d);
  return RTNORM;
}

/* Copies text into a caller's buffer of len bytes, cut to fit. */
void copy_out(const std::string &text, char *out, int len) {
  size_t n = text.size();
  if (n > static_cast<size_t>(len - 1)) n = static_cast<size_t>(len - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

/* Makes a snapshot of every keyed tile. */
std::vector<dlg_tile_snapshot> snapshot_of(const dlg_dialog &d) {
  std::vector<dlg_tile_snapshot> out;
  for (size_t i = 0; i < d.tiles.size(); ++i) {
    const dlg_tile &t = d.tiles[i];
    if (t.key.empty()) continue;
    dlg_tile_snapshot s;
    s.key = t.key;
    s.kind = t.kind;
    s.value = dlg_tile_value(d, static_cast<int>(i));
    s.enabled = t.enabled;
    s.items = t.items;
    out.push_back(s);
  }
  return out;
}

}  // namespace

/* ---- Shared with the other runtime files -------------------------------- */

dlg_dialog *dlg_from_handle(ads_hdlg hdlg, const char *call) {
  int id = static_cast<int>(reinterpret_cast<uintptr_t>(hdlg));
  auto it = st().dialogs.find(id);
  if (it == st().dialogs.end()) {
    host_io_record_fault(std::string(call) + ": not an open dialog");
    return nullptr;
  }
  return it->second.get();
}

/* Answers the handle number of a dialog as the editor hands it out. */
ads_hdlg dlg_handle(const dlg_dialog &d) {
  return reinterpret_cast<ads_hdlg>(static_cast<uintptr_t>(d.id));
}

/* Finds a tile by key; -1 and a fault naming the call when it is missing. */
int dlg_find_tile(dlg_dialog &d, const char *key, const char *call) {
  if (key) {
    auto it = d.keys.find(key);
    if (it != d.keys.end()) return it->second;
  }
  host_io_record_fault(std::string(call) + ": dialog " + d.name +
                       " has no tile \"" + (key ? key : "(null)") + "\"");
  return -1;
}

/* Answers true for the four radio cluster kinds. */
bool dlg_is_radio_cluster(const std::string &kind) {
  return kind == "radio_row" || kind == "radio_column" ||
         kind == "boxed_radio_row" || kind == "boxed_radio_column";
}

/* Answers a tile's value; a radio cluster answers its chosen button's key. */
std::string dlg_tile_value(const dlg_dialog &d, int tile) {
  const dlg_tile &t = d.tiles[tile];
  if (dlg_is_radio_cluster(t.kind)) {
    std::vector<int> buttons;
    radio_buttons(d, tile, buttons);
    for (int b : buttons)
      if (d.tiles[b].value == "1") return d.tiles[b].key;
    return "";
  }
  return t.value;
}

/* Reads "0 2 3" as list indexes; false for a part that is no index of the
** list or several indexes for a single selection. */
bool dlg_parse_selection(const std::string &text, size_t count, bool multiple,
                         std::vector<int> &out) {
  out.clear();
  std::istringstream in(text);
  std::string part;
  while (in >> part) {
    if (!whole_number_in(part, 0, static_cast<long>(count) - 1)) return false;
    out.push_back(std::atoi(part.c_str()));
  }
  return multiple || out.size() <= 1;
}

/* Gives a tile a value by its kind; false with why when it has none or
** when a list is given no selection of its own items. */
bool dlg_tile_assign(dlg_dialog &d, int tile, const std::string &value,
                     std::string &why) {
  dlg_tile &t = d.tiles[tile];
  if (dlg_is_radio_cluster(t.kind)) {
    std::vector<int> buttons;
    radio_buttons(d, tile, buttons);
    for (int b : buttons) {
      if (value.empty()) d.tiles[b].value = "0";
      else if (d.tiles[b].key == value) {
        radio_select(d, b);
        return true;
      }
    }
    if (value.empty()) return true;
    why = "\"" + value + "\" is no button of " + t.key;
    return false;
  }
  if (t.kind == "radio_button") {
    if (value == "1") radio_select(d, tile);
    else t.value = "0";
    return true;
  }
  if (t.kind == "toggle") {
    t.value = (value == "1") ? "1" : "0";
    return true;
  }
  if (t.kind == "image" || t.kind == "image_button" ||
      dcl_is_container_kind(t.kind)) {
    why = "a " + t.kind + " has no value";
    return false;
  }
  if (t.kind == "list_box" || t.kind == "popup_list") {
    /* A list holds only a selection of its own items, so that no caller
    ** reads back an index its list does not have. */
    std::vector<int> sel;
    bool multiple = t.kind == "list_box" && t.attrs.count("multiple_select") &&
                    t.attrs.at("multiple_select") == "true";
    if (!dlg_parse_selection(value, t.items.size(), multiple, sel)) {
      why = "\"" + value + "\" is no selection of the " +
            std::to_string(t.items.size()) + " items of \"" + t.key + "\"";
      return false;
    }
  }
  t.value = value;
  return true;
}

/* Calls the tile's callback (else the dialog's default) with a packet whose
** value is a copy; false when there is no callback. */
bool dlg_fire(dlg_dialog &d, int tile, int reason, long x, long y) {
  CLIENTFUNC f = d.tiles[tile].action ? d.tiles[tile].action : d.def_callback;
  if (!f) return false;
  std::string v = dlg_tile_value(d, tile);
  std::vector<char> value(v.begin(), v.end());
  value.push_back('\0');
  ads_callback_packet pkt;
  pkt.dialog = dlg_handle(d);
  pkt.tile = tile_handle(d, tile);
  pkt.value = value.data();
  pkt.client_data = d.tiles[tile].client_data;
  pkt.reason = reason;
  pkt.x = x;
  pkt.y = y;
  f(&pkt);
  return true;
}

/* Answers the OK tile: "accept", else the is_default tile; -1 for none. */
int dlg_accept_tile(const dlg_dialog &d) {
  auto it = d.keys.find("accept");
  if (it != d.keys.end()) return it->second;
  for (size_t i = 0; i < d.tiles.size(); ++i)
    if (d.tiles[i].attrs.count("is_default") &&
        d.tiles[i].attrs.at("is_default") == "true")
      return static_cast<int>(i);
  return -1;
}

/* Answers the cancel tile: "cancel", else the is_cancel tile; -1 for none. */
int dlg_cancel_tile(const dlg_dialog &d) {
  auto it = d.keys.find("cancel");
  if (it != d.keys.end()) return it->second;
  for (size_t i = 0; i < d.tiles.size(); ++i)
    if (d.tiles[i].attrs.count("is_cancel") &&
        d.tiles[i].attrs.at("is_cancel") == "true")
      return static_cast<int>(i);
  return -1;
}

/* Presses a tile as a person does; see dlg_internal.h. */
void dlg_pick(dlg_dialog &d, int tile, int reason, long x, long y) {
  dlg_tile &t = d.tiles[tile];
  bool own = t.action != nullptr;
  if (t.kind == "toggle" && reason == CBR_SELECT)
    t.value = t.value == "1" ? "0" : "1";
  if (t.kind == "radio_button") {
    radio_select(d, tile);
    int cluster = radio_cluster_of(d, tile);
    bool fired = own && dlg_fire(d, tile, reason, x, y);
    if (cluster >= 0 && d.tiles[cluster].action && !d.done) {
      dlg_fire(d, cluster, reason, x, y);
      fired = true;
    }
    if (!fired) dlg_fire(d, tile, reason, x, y);
    return;
  }
  dlg_fire(d, tile, reason, x, y);
  if (own || d.done) return;
  if (tile == dlg_accept_tile(d))
    ads_done_dialog(dlg_handle(d), DLGOK);
  else if (tile == dlg_cancel_tile(d))
    ads_done_dialog(dlg_handle(d), DLGCANCEL);
}

/* Keeps the keyed tiles of an ending dialog under its name. */
void dlg_keep_snapshot(const dlg_dialog &d) {
  st().snapshots[d.name] = snapshot_of(d);
}

/* Appends one image call to the log (dlg_lists_images.cpp). */
void dlg_log_image_call(const dlg_image_call &c) { st().image_log.push_back(c); }

/* ---- Dialog files ------------------------------------------------------- */

/* Loads a dialog file and checks every dialog in it. Answers RTNORM with
** the file's id, or RTERROR (id -1) when the file is missing or damaged;
** the reason is printed and kept for dlg_test_load_error. */
int ads_load_dialog(const char *dclfile, int *dcl_id) {
  if (dcl_id) *dcl_id = -1;
  if (!dclfile || !dcl_id) return RTERROR;
  std::string path = find_dcl(dclfile);
  dcl_file f;
  std::string err;
  if (path.empty()) {
    err = std::string("cannot find dialog file ") + dclfile;
  } else if (dcl_parse_file(path, f, err)) {
    std::vector<dcl_tile> tiles;
    for (const std::string &name : dcl_dialog_names(f))
      if (!dcl_expand_dialog(f, name, tiles, err)) {
        err = path + ": " + err;
        break;
      }
  }
  if (!err.empty()) {
    st().load_error = err;
    host_io_print("\n" + err + "\n");
    return RTERROR;
  }
  st().load_error.clear();
  int id = st().next_file_id++;
  st().files[id] = std::move(f);
  *dcl_id = id;
  return RTNORM;
}

/* Forgets a loaded dialog file (dialogs already open stay usable). Answers
** RTNORM, or RTERROR for an id that is not loaded. */
int ads_unload_dialog(int dcl_id) {
  return st().files.erase(dcl_id) ? RTNORM : RTERROR;
}

/* ---- Dialogs ------------------------------------------------------------ */

/* Opens the named dialog of a loaded file (not shown until started).
** Answers RTNORM with the handle, or RTERROR (handle null) for an unknown
** file id or a name the file lacks. */
int ads_new_dialog(const char *dlgname, int dcl_id, CLIENTFUNC def_callback,
                   ads_hdlg *hdlg) {
  return new_dialog(dlgname, dcl_id, def_callback, hdlg);
}

/* As ads_new_dialog; the text screen has no place, so x and y are unused. */
int ads_new_positioned_dialog(const char *dlgname, int dcl_id,
                              CLIENTFUNC def_callback, int x, int y,
                              ads_hdlg *hdlg) {
  (void)x;
  (void)y;
  return new_dialog(dlgname, dcl_id, def_callback, hdlg);
}

/* Shows the dialog and runs it until ads_done_dialog (or ads_term_dialog).
** Answers RTNORM with the status given to ads_done_dialog (DLGCANCEL when
** the script had no entry for it or ran dry, DLGALLDONE after
** ads_term_dialog); RTERROR for a bad handle, a dialog already running or
** dialogs nested more than DLG_MAX_NESTING deep. The handle is invalid
** afterwards. */
int ads_start_dialog(ads_hdlg hdlg, int *status) {
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_start_dialog");
  if (status) *status = DLGCANCEL;
  if (!d || !status) return RTERROR;
  if (d->running) {
    host_io_record_fault("ads_start_dialog: " + d->name + " is already running");
    return RTERROR;
  }
  if (st().running >= DLG_MAX_NESTING) {
    host_io_record_fault("ads_start_dialog: " + d->name +
                         " nested too deeply");
    return RTERROR;
  }
  d->running = true;
  ++st().running;
  if (!d->done) dlg_run(*d);
  --st().running;
  *status = d->status;
  dlg_keep_snapshot(*d);
  dlg_image_forget(*d);
  dlg_list_forget(*d);
  st().dialogs.erase(d->id);
  return RTNORM;
}

/* Ends a running dialog with the status its ads_start_dialog answers; the
** dialog closes when control returns to its loop. Answers RTNORM, or
** RTERROR for a bad handle or a dialog not yet started. */
int ads_done_dialog(ads_hdlg hdlg, int status) {
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_done_dialog");
  if (!d) return RTERROR;
  if (!d->running) {
    host_io_record_fault("ads_done_dialog: " + d->name + " is not started");
    return RTERROR;
  }
  d->done = true;
  d->status = status;
  return RTNORM;
}

/* Ends every dialog: running ones close with DLGALLDONE as control returns
** to them, dialogs not yet started are freed. Answers RTNORM. */
int ads_term_dialog(void) {
  std::vector<int> unstarted;
  for (auto &entry : st().dialogs) {
    dlg_dialog &d = *entry.second;
    if (d.running) {
      d.done = true;
      d.status = DLGALLDONE;
    } else {
      unstarted.push_back(entry.first);
    }
  }
  for (int id : unstarted) {
    dlg_image_forget(*st().dialogs[id]);
    dlg_list_forget(*st().dialogs[id]);
    st().dialogs.erase(id);
  }
  return RTNORM;
}

/* ---- Tiles -------------------------------------------------------------- */

/* Gives a tile its callback (null removes it). Answers RTNORM, or RTERROR
** (and a fault) for a bad handle or a key the dialog lacks. */
int ads_action_tile(ads_hdlg hdlg, const char *key, CLIENTFUNC tilefunc) {
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_action_tile");
  int t = d ? dlg_find_tile(*d, key, "ads_action_tile") : -1;
  if (t < 0) return RTERROR;
  d->tiles[t].action = tilefunc;
  return RTNORM;
}

/* Sets a tile's value: an edit box's text, a button's or text's label, a
** toggle's "0"/"1", a list's selection "0 2", a cluster's chosen button key.
** Answers RTNORM, or RTERROR (and a fault) for a bad handle, a key the
** dialog lacks or a tile that has no value. */
int ads_set_tile(ads_hdlg hdlg, const char *key, const char *value) {
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_set_tile");
  int t = d ? dlg_find_tile(*d, key, "ads_set_tile") : -1;
  if (t < 0) return RTERROR;
  std::string why;
  if (!dlg_tile_assign(*d, t, value ? value : "", why)) {
    host_io_record_fault("ads_set_tile: " + d->name + ": " + why);
    return RTERROR;
  }
  if (d->tiles[t].key == DLG_ERROR_TILE) ++d->error_sets;
  return RTNORM;
}

/* Copies a tile's value into value (at most maxlen bytes with the NUL; a
** longer value is cut). Answers RTNORM, or RTERROR (and a fault) for a bad
** handle or a key the dialog lacks; RTERROR for no buffer. */
int ads_get_tile(ads_hdlg hdlg, const char *key, char *value, int maxlen) {
  if (!value || maxlen <= 0) return RTERROR;
  value[0] = '\0';
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_get_tile");
  int t = d ? dlg_find_tile(*d, key, "ads_get_tile") : -1;
  if (t < 0) return RTERROR;
  copy_out(dlg_tile_value(*d, t), value, maxlen);
  return RTNORM;
}

/* Enables (0), disables (1), focuses (2), selects the text of (3) or flips
** the highlight of (4) a tile. Answers RTNORM, or RTERROR for a bad handle,
** a key the dialog lacks (fault) or an unknown mode. */
int ads_mode_tile(ads_hdlg hdlg, const char *key, short mode) {
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_mode_tile");
  int t = d ? dlg_find_tile(*d, key, "ads_mode_tile") : -1;
  if (t < 0) return RTERROR;
  dlg_tile &tile = d->tiles[t];
  switch (mode) {
    case MODE_ENABLE: tile.enabled = true; break;
    case MODE_DISABLE: tile.enabled = false; break;
    case MODE_SETFOCUS: d->focus = tile.key; break;
    case MODE_SETSEL: d->focus = tile.key; break;
    case MODE_FLIP: tile.highlight = !tile.highlight; break;
    default: return RTERROR;
  }
  return RTNORM;
}

/* Attaches data that the tile's callbacks receive. Answers RTNORM, or
** RTERROR (and a fault) for a bad handle or a key the dialog lacks. */
int ads_client_data_tile(ads_hdlg hdlg, const char *key, void *clientdata) {
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_client_data_tile");
  int t = d ? dlg_find_tile(*d, key, "ads_client_data_tile") : -1;
  if (t < 0) return RTERROR;
  d->tiles[t].client_data = clientdata;
  return RTNORM;
}

/* Copies an attribute of the tile a callback received ("key", "label",
** "width" ...) into value (at most len bytes with the NUL). Answers RTNORM,
** or RTERROR for a stale tile, no buffer or an attribute the tile lacks. */
int ads_get_attr_string(ads_htile tile, const char *attr, char *value,
                        int len) {
  if (!attr || !value || len <= 0) return RTERROR;
  value[0] = '\0';
  dlg_dialog *d = nullptr;
  int t = -1;
  if (!tile_from_handle(tile, d, t)) {
    host_io_record_fault("ads_get_attr_string: not a tile of an open dialog");
    return RTERROR;
  }
  auto it = d->tiles[t].attrs.find(attr);
  if (it == d->tiles[t].attrs.end()) return RTERROR;
  copy_out(it->second, value, len);
  return RTNORM;
}

/* ---- Test interface ----------------------------------------------------- */

/* Every image call recorded since the last clear. */
const std::vector<dlg_image_call> &dlg_test_image_calls() {
  return st().image_log;
}

/* Forgets the image log and the kept snapshots. */
void dlg_test_clear() {
  st().image_log.clear();
  st().snapshots.clear();
}

/* Copies the snapshot of the dialog last ended under this name. */
bool dlg_test_last_tiles(const std::string &dialog,
                         std::vector<dlg_tile_snapshot> &out) {
  auto it = st().snapshots.find(dialog);
  if (it == st().snapshots.end()) return false;
  out = it->second;
  return true;
}

/* Copies one tile of that snapshot; false when unknown. */
bool dlg_test_last_tile(const std::string &dialog, const std::string &key,
                        dlg_tile_snapshot &out) {
  std::vector<dlg_tile_snapshot> tiles;
  if (!dlg_test_last_tiles(dialog, tiles)) return false;
  for (const dlg_tile_snapshot &t : tiles)
    if (t.key == key) {
      out = t;
      return true;
    }
  return false;
}

/* Copies one tile of an open dialog; false for a bad handle or key. */
bool dlg_test_open_tile(ads_hdlg hdlg, const std::string &key,
                        dlg_tile_snapshot &out) {
  int id = static_cast<int>(reinterpret_cast<uintptr_t>(hdlg));
  auto it = st().dialogs.find(id);
  if (it == st().dialogs.end()) return false;
  for (const dlg_tile_snapshot &t : snapshot_of(*it->second))
    if (t.key == key) {
      out = t;
      return true;
    }
  return false;
}

/* Answers the text form of an open dialog, "" for a bad handle. */
std::string dlg_test_form(ads_hdlg hdlg) {
  int id = static_cast<int>(reinterpret_cast<uintptr_t>(hdlg));
  auto it = st().dialogs.find(id);
  return it == st().dialogs.end() ? "" : dlg_form_text(*it->second);
}

/* Counts the dialogs inside ads_start_dialog, and all not yet ended. */
int dlg_test_running() { return st().running; }
int dlg_test_open() { return static_cast<int>(st().dialogs.size()); }
const std::string &dlg_test_load_error() { return st().load_error; }
