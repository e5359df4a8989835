/*
** dlg_lists_images.cpp: filling list tiles and drawing in image tiles.
**
** Both work in three steps on one tile at a time: start (ads_start_list,
** ads_start_image), add (ads_add_list; ads_fill_image, ads_vector_image,
** ads_slide_image) and end. A list's new items are kept aside and take
** effect at ads_end_list; every image call is recorded on its tile and in
** the log of the test interface, since the text screen cannot show it.
**
**   ads_start_list(h, "tables", LIST_NEW, 0);
**   ads_add_list("STATN"); ads_add_list("ROCK"); ads_end_list();
*/
#include <cstdint>
#include <cstdlib>

#include "platform/dialog/dlg_internal.h"
#include "platform/host_io.h"

namespace {

/* The list being filled, between ads_start_list and ads_end_list. */
struct list_work {
  bool open = false;               /* a start_list is under way             */
  int dialog = 0;                  /* dialog id                             */
  int tile = -1;                   /* tile index                            */
  short operation = LIST_NEW;      /* LIST_CHANGE, LIST_APPEND or LIST_NEW  */
  short index = 0;                 /* first item replaced by LIST_CHANGE    */
  std::vector<std::string> items;  /* items added so far                    */
};

/* The image being drawn, between ads_start_image and ads_end_image. */
struct image_work {
  bool open = false;               /* a start_image is under way            */
  int dialog = 0;                  /* dialog id                             */
  int tile = -1;                   /* tile index                            */
};

/* The one list under way (a person fills one list at a time). */
list_work &lw() {
  static list_work w;
  return w;
}

/* The one image under way. */
image_work &iw() {
  static image_work w;
  return w;
}

/* The dialog of the list or image under way, or nullptr when it ended. */
dlg_dialog *work_dialog(int id) {
  ads_hdlg h = reinterpret_cast<ads_hdlg>(static_cast<uintptr_t>(id));
  return dlg_from_handle(h, "list or image call");
}

/* Records one image call on the tile under way. Answers RTNORM, or RTERROR
** when no image is started. */
int record(dlg_image_op op, int x1, int y1, int x2, int y2, int color,
           const char *slide) {
  if (!iw().open) {
    host_io_record_fault("image call without ads_start_image");
    return RTERROR;
  }
  dlg_dialog *d = work_dialog(iw().dialog);
  if (!d) {
    iw().open = false;
    return RTERROR;
  }
  dlg_image_call c;
  c.dialog = d->name;
  c.key = d->tiles[iw().tile].key;
  c.op = op;
  c.x1 = x1;
  c.y1 = y1;
  c.x2 = x2;
  c.y2 = y2;
  c.color = color;
  c.slide = slide ? slide : "";
  d->tiles[iw().tile].image.push_back(c);
  dlg_log_image_call(c);
  return RTNORM;
}

/* Answers true for the kinds that hold a list. */
bool is_list_kind(const std::string &kind) {
  return kind == "list_box" || kind == "popup_list";
}

/* Answers true for the kinds that can be drawn in. */
bool is_image_kind(const std::string &kind) {
  return kind == "image" || kind == "image_button";
}

}  // namespace

/* Drops a list under way on a dialog that ends. */
void dlg_list_forget(const dlg_dialog &d) {
  if (lw().open && lw().dialog == d.id) lw() = list_work();
}

/* Drops an image under way on a dialog that ends. */
void dlg_image_forget(const dlg_dialog &d) {
  if (iw().open && iw().dialog == d.id) iw() = image_work();
}

/* ---- Lists -------------------------------------------------------------- */

/* Starts changing a list tile: LIST_NEW replaces the list, LIST_APPEND adds
** to it, LIST_CHANGE replaces items from index on. Answers RTNORM, or
** RTERROR for a bad handle or key (fault), a tile that is no list (fault),
** an index outside the list for LIST_CHANGE, an unknown operation, or a
** list already under way (fault). */
int ads_start_list(ads_hdlg hdlg, const char *key, short operation,
                   short index) {
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_start_list");
  int t = d ? dlg_find_tile(*d, key, "ads_start_list") : -1;
  if (t < 0) return RTERROR;
  if (lw().open) {
    host_io_record_fault("ads_start_list: a list is already under way");
    return RTERROR;
  }
  if (!is_list_kind(d->tiles[t].kind)) {
    host_io_record_fault("ads_start_list: " + d->name + " tile " + key +
                         " is no list");
    return RTERROR;
  }
  if (operation != LIST_CHANGE && operation != LIST_APPEND &&
      operation != LIST_NEW)
    return RTERROR;
  if (operation == LIST_CHANGE &&
      (index < 0 || index >= static_cast<short>(d->tiles[t].items.size())))
    return RTERROR;
  lw() = list_work();
  lw().open = true;
  lw().dialog = d->id;
  lw().tile = t;
  lw().operation = operation;
  lw().index = index;
  return RTNORM;
}

/* Adds one item to the list under way. Answers RTNORM, or RTERROR for no
** item or no list under way (fault). */
int ads_add_list(const char *item) {
  if (!lw().open) {
    host_io_record_fault("ads_add_list without ads_start_list");
    return RTERROR;
  }
  if (!item) return RTERROR;
  lw().items.push_back(item);
  return RTNORM;
}

/* Puts the added items into the list. A new list keeps no selection of a
** list box and selects the first item of a popup list; LIST_CHANGE items
** past the end are appended. Answers RTNORM, or RTERROR when no list is
** under way or its dialog ended. */
int ads_end_list(void) {
  if (!lw().open) return RTERROR;
  list_work w = lw();
  lw() = list_work();
  dlg_dialog *d = work_dialog(w.dialog);
  if (!d) return RTERROR;
  dlg_tile &t = d->tiles[w.tile];
  if (w.operation == LIST_NEW) {
    t.items = w.items;
    t.value = (t.kind == "popup_list" && !t.items.empty()) ? "0" : "";
  } else if (w.operation == LIST_APPEND) {
    t.items.insert(t.items.end(), w.items.begin(), w.items.end());
    if (t.kind == "popup_list" && t.value.empty() && !t.items.empty())
      t.value = "0";
  } else {
    for (size_t i = 0; i < w.items.size(); ++i) {
      size_t at = static_cast<size_t>(w.index) + i;
      if (at < t.items.size())
        t.items[at] = w.items[i];
      else
        t.items.push_back(w.items[i]);
    }
  }
  return RTNORM;
}

/* ---- Images ------------------------------------------------------------- */

/* Gives the size of a tile in pixels (its width and height attributes in
** character cells). Answers RTNORM, or RTERROR for a bad handle or key
** (fault) or missing outputs. */
int ads_dimensions_tile(ads_hdlg hdlg, const char *key, short *cx, short *cy) {
  if (!cx || !cy) return RTERROR;
  *cx = *cy = 0;
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_dimensions_tile");
  int t = d ? dlg_find_tile(*d, key, "ads_dimensions_tile") : -1;
  if (t < 0) return RTERROR;
  const dlg_tile &tile = d->tiles[t];
  auto cells = [&](const char *attr, int fallback) {
    auto it = tile.attrs.find(attr);
    double v = it == tile.attrs.end() ? fallback : std::atof(it->second.c_str());
    if (v < 0) v = 0;
    if (v > 1000) v = 1000;
    return v;
  };
  *cx = static_cast<short>(cells("width", DLG_IMAGE_DEFAULT_WIDTH) *
                           DLG_CELL_WIDTH_PX);
  *cy = static_cast<short>(cells("height", DLG_IMAGE_DEFAULT_HEIGHT) *
                           DLG_CELL_HEIGHT_PX);
  return RTNORM;
}

/* Starts drawing in an image tile. Answers RTNORM, or RTERROR for a bad
** handle or key (fault), a tile that is no image (fault) or an image
** already under way (fault). */
int ads_start_image(ads_hdlg hdlg, const char *key) {
  dlg_dialog *d = dlg_from_handle(hdlg, "ads_start_image");
  int t = d ? dlg_find_tile(*d, key, "ads_start_image") : -1;
  if (t < 0) return RTERROR;
  if (iw().open) {
    host_io_record_fault("ads_start_image: an image is already under way");
    return RTERROR;
  }
  if (!is_image_kind(d->tiles[t].kind)) {
    host_io_record_fault("ads_start_image: " + d->name + " tile " + key +
                         " is no image");
    return RTERROR;
  }
  iw().open = true;
  iw().dialog = d->id;
  iw().tile = t;
  return RTNORM;
}

/* Fills a rectangle of the image under way. Answers RTNORM, or RTERROR when
** no image is started. */
int ads_fill_image(short x1, short y1, short width, short height,
                   short color) {
  return record(DLG_IMAGE_FILL, x1, y1, width, height, color, nullptr);
}

/* Draws a line in the image under way. Answers RTNORM, or RTERROR when no
** image is started. */
int ads_vector_image(short x1, short y1, short x2, short y2, short color) {
  return record(DLG_IMAGE_VECTOR, x1, y1, x2, y2, color, nullptr);
}

/* Shows a slide in a rectangle of the image under way. Answers RTNORM, or
** RTERROR for no slide name or no image started. */
int ads_slide_image(short x1, short y1, short width, short height,
                    const char *slnam) {
  if (!slnam) return RTERROR;
  return record(DLG_IMAGE_SLIDE, x1, y1, width, height, 0, slnam);
}

/* Ends the image under way. Answers RTNORM, or RTERROR when none is. */
int ads_end_image(void) {
  if (!iw().open) return RTERROR;
  iw() = image_work();
  return RTNORM;
}
