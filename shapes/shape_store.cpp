/*
** shape_store.cpp: the table of loaded shape libraries, the shape index,
** loading and unloading, lookups, extents and the shape walk.
**
** The store is module state: SHAPE_LIB_MAX library slots and SHAPE_BUCKETS
** chains of shape entries, hashed on the low byte of the shape number and
** kept in reading order. It lives from the first load to shape_store_free
** at unload. The walk keeps one shape and the arguments it was started with
** between calls, and steps it through the interpreter (shape_interp.cpp).
*/
#include "shapes/shape_store.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "shapes/shape_interp.h"
#include "shapes/shape_reader.h"

/* Buffer of the file stream of a load. */
constexpr size_t SHAPE_STREAM_BUF = 1024;

namespace {

/* The walk in progress. */
enum walk_kind { WALK_NAMED, WALK_NUMBER, WALK_ANY };

struct walk_state {
  bool started = false;               /* arguments remembered              */
  walk_kind kind = WALK_ANY;          /* which walk function started it    */
  std::string library;                /* its library argument              */
  std::string shape;                  /* its shape name argument           */
  uint16_t number = 0;                /* its shape number argument         */
  const shape_entry *entry = nullptr; /* the shape walked; null if not found*/
};

bool g_ready = false;                        /* store initialised           */
shape_lib_rec *g_libs[SHAPE_LIB_MAX];        /* the library table           */
shape_entry *g_index[SHAPE_BUCKETS];         /* the shape index             */
std::string g_load_error;                    /* reason of the last failure  */
walk_state g_walk;                           /* the walk                    */
shape_alloc_fn g_alloc = std::malloc;        /* allocator of the store      */

/* A block of `n` bytes from the store's allocator; null without memory. */
void *store_alloc(size_t n) { return g_alloc(n); }

/* The same, cleared to zero. */
void *store_zalloc(size_t n) {
  void *p = g_alloc(n);
  if (p) std::memset(p, 0, n);
  return p;
}

/* True for a null or empty text. */
bool blank(const char *s) { return !s || !*s; }

/* Heap copy of `s`; null without memory. */
char *copy_text(const char *s) {
  size_t n = std::strlen(s) + 1;
  char *p = static_cast<char *>(store_alloc(n));
  if (p) std::memcpy(p, s, n);
  return p;
}

/* Frees one entry and what it owns. */
void free_entry(shape_entry *e) {
  std::free(e->name);
  std::free(e->def);
  std::free(e);
}

/* Frees every entry of `slot` and the library itself. */
void free_slot(uint16_t slot) {
  shape_walk_reset();
  for (shape_entry *&head : g_index) {
    shape_entry **link = &head;
    while (*link) {
      shape_entry *e = *link;
      if (e->slot == slot) {
        *link = e->next;
        free_entry(e);
      } else {
        link = &e->next;
      }
    }
  }
  std::free(g_libs[slot]->name);
  std::free(g_libs[slot]);
  g_libs[slot] = nullptr;
}

/* Widens [lo, hi] by v. */
void widen(double v, double &lo, double &hi) {
  lo = std::min(lo, v);
  hi = std::max(hi, v);
}

/* Looks the walk's shape up from its remembered arguments. */
const shape_entry *walk_lookup() {
  switch (g_walk.kind) {
    case WALK_NAMED:
      return shape_find_in_lib(shape_lib_slot(g_walk.library.c_str()), g_walk.shape.c_str());
    case WALK_NUMBER:
      return shape_find_by_number(shape_lib_slot(g_walk.library.c_str()), g_walk.number);
    default:
      return shape_find_any(g_walk.shape.c_str());
  }
}

/* One step of a walk with the given arguments. */
int walk(walk_kind kind, const char *library, const char *shape, uint16_t number) {
  if (!g_ready) return 0;
  std::string lib = library ? library : "", name = shape ? shape : "";
  if (!g_walk.entry) {
    g_walk = walk_state{};
    g_walk.started = true;
    g_walk.kind = kind;
    g_walk.library = lib;
    g_walk.shape = name;
    g_walk.number = number;
    g_walk.entry = walk_lookup();
  }
  bool same = g_walk.started && g_walk.kind == kind && g_walk.library == lib &&
              g_walk.shape == name && g_walk.number == number;
  if (same && shape_step(g_walk.entry)) return 1;
  shape_walk_reset();
  return same ? 0 : 1;
}

}  // namespace

/* Empties every slot and bucket and marks the store initialised; what a
** store already initialised holds is freed first. */
void shape_store_init() {
  if (g_ready) shape_store_free();
  std::fill(std::begin(g_libs), std::end(g_libs), nullptr);
  std::fill(std::begin(g_index), std::end(g_index), nullptr);
  g_walk = walk_state{};
  g_ready = true;
}

/* Installs the store's allocator (null: the C heap's malloc). */
void shape_store_set_allocator(shape_alloc_fn alloc) { g_alloc = alloc ? alloc : std::malloc; }

/* True while the store is initialised. */
bool shape_store_ready() { return g_ready; }

/* The reason of the last failed load. */
const char *shape_load_error() { return g_load_error.c_str(); }

/* Opens a load of library `name`: clears the last reason and initialises
** the store on first use. Answers true to go on; false with the load's
** answer in `answer`: 0 (reason set) for an empty name, SHAPE_ALREADY_LOADED
** when a library of that name is loaded. */
static bool load_begin(const char *name, int &answer) {
  g_load_error.clear();
  if (!g_ready) shape_store_init();
  answer = 0;
  if (blank(name)) {
    g_load_error = "no library name";
    return false;
  }
  if (shape_lib_slot(name) != SHAPE_SLOT_NONE) {
    answer = SHAPE_ALREADY_LOADED;
    return false;
  }
  return true;
}

/* Loads a library from an open stream under `name`: the count of shapes,
** SHAPE_ALREADY_LOADED, or 0 with the reason in shape_load_error(). */
int shape_font_load_stream(const char *name, FILE *fp) {
  int answer;
  if (!load_begin(name, answer)) return answer;
  if (!fp) {
    g_load_error = std::string(name) + ": no stream";
    return 0;
  }
  uint16_t slot = shape_lib_add(name);
  if (slot == SHAPE_SLOT_NONE) {
    bool full = std::all_of(std::begin(g_libs), std::end(g_libs),
                            [](const shape_lib_rec *lib) { return lib != nullptr; });
    g_load_error = std::string(name) + (full ? ": no free library slot" : ": out of memory");
    return 0;
  }
  std::string err;
  int n = shape_read_stream(fp, slot, err);
  if (n <= 0) {
    free_slot(slot);
    g_load_error = std::string(name) + ": " + err;
    return 0;
  }
  return n;
}

/* Loads the library in file `path`: the count of shapes,
** SHAPE_ALREADY_LOADED, or 0 with the reason in shape_load_error(). */
int shape_font_load(const char *path) {
  int answer;
  if (!load_begin(path, answer)) return answer;
  FILE *fp = std::fopen(path, "rb");
  if (!fp) {
    g_load_error = std::string(path) + ": cannot open the file";
    return 0;
  }
  std::setvbuf(fp, nullptr, _IOFBF, SHAPE_STREAM_BUF);
  int n = shape_font_load_stream(path, fp);
  std::fclose(fp);
  return n;
}

/* Unloads library `name`: 1, or 0 when it is not loaded. */
int shape_font_unload(const char *name) {
  uint16_t slot = shape_lib_slot(name);
  if (slot == SHAPE_SLOT_NONE) return 0;
  free_slot(slot);
  return 1;
}

/* Frees every library: answers how many there were. */
int shape_store_free() {
  if (!g_ready) return 0;
  int freed = 0;
  for (uint16_t slot = 0; slot < SHAPE_LIB_MAX; slot++)
    if (g_libs[slot]) {
      free_slot(slot);
      freed++;
    }
  /* Entries whose slot had no library (added by hand) go too. */
  for (shape_entry *&head : g_index)
    while (head) {
      shape_entry *e = head;
      head = e->next;
      free_entry(e);
    }
  g_ready = false;
  return freed;
}

/* Slot of the loaded library `name`, SHAPE_SLOT_NONE when none. */
uint16_t shape_lib_slot(const char *name) {
  if (!g_ready || blank(name)) return SHAPE_SLOT_NONE;
  for (uint16_t slot = 0; slot < SHAPE_LIB_MAX; slot++)
    if (g_libs[slot] && strcasecmp(g_libs[slot]->name, name) == 0) return slot;
  return SHAPE_SLOT_NONE;
}

/* First free slot for library `name`, SHAPE_SLOT_NONE when none is free,
** the name is empty, the store is not initialised or memory runs out. */
uint16_t shape_lib_add(const char *name) {
  if (!g_ready || blank(name)) return SHAPE_SLOT_NONE;
  for (uint16_t slot = 0; slot < SHAPE_LIB_MAX; slot++) {
    if (g_libs[slot]) continue;
    shape_lib_rec *lib = static_cast<shape_lib_rec *>(store_zalloc(sizeof *lib));
    if (!lib) return SHAPE_SLOT_NONE;
    lib->name = copy_text(name);
    if (!lib->name) {
      std::free(lib);
      return SHAPE_SLOT_NONE;
    }
    g_libs[slot] = lib;
    return slot;
  }
  return SHAPE_SLOT_NONE;
}

/* The library in `slot`, null when none. */
const shape_lib_rec *shape_lib_get(uint16_t slot) {
  if (!g_ready || slot >= SHAPE_LIB_MAX) return nullptr;
  return g_libs[slot];
}

/* Appends a copy of a shape to the chain of its number's low byte: the
** entry, or null for bad arguments or without memory. */
shape_entry *shape_index_add(uint16_t slot, uint16_t number, const char *name,
                             const uint8_t *def, uint16_t length) {
  if (!g_ready || slot >= SHAPE_LIB_MAX || !g_libs[slot] || !name || !def || length == 0)
    return nullptr;
  shape_entry *e = static_cast<shape_entry *>(store_zalloc(sizeof *e));
  if (!e) return nullptr;
  e->name = copy_text(name);
  e->def = static_cast<uint8_t *>(store_alloc(length));
  if (!e->name || !e->def) {
    free_entry(e);
    return nullptr;
  }
  std::memcpy(e->def, def, length);
  e->number = number;
  e->slot = slot;
  e->length = length;
  shape_entry **link = &g_index[number & 0xFF];
  while (*link) link = &(*link)->next;
  *link = e;
  return e;
}

/* First shape named `name` (case-insensitive, equal length) in `slot`, or
** in any library when `any` is set; null when none or the name is empty. */
static const shape_entry *find_named(uint16_t slot, const char *name, bool any) {
  if (!g_ready || blank(name)) return nullptr;
  size_t n = std::strlen(name);
  for (const shape_entry *head : g_index)
    for (const shape_entry *e = head; e; e = e->next)
      if ((any || e->slot == slot) && std::strlen(e->name) == n &&
          strcasecmp(e->name, name) == 0)
        return e;
  return nullptr;
}

/* First shape named `name` in library `slot`; null when none. */
const shape_entry *shape_find_in_lib(uint16_t slot, const char *name) {
  if (slot >= SHAPE_LIB_MAX) return nullptr;
  return find_named(slot, name, false);
}

/* First shape named `name` in any library; null when none. */
const shape_entry *shape_find_any(const char *name) { return find_named(0, name, true); }

/* Shape `number` of library `slot`; null when none. */
const shape_entry *shape_find_by_number(uint16_t slot, uint16_t number) {
  if (!g_ready || slot >= SHAPE_LIB_MAX) return nullptr;
  for (const shape_entry *e = g_index[number & 0xFF]; e; e = e->next)
    if (e->slot == slot && e->number == number) return e;
  return nullptr;
}

/* Head of one index chain; null when empty or out of range. */
const shape_entry *shape_bucket_head(int bucket) {
  if (!g_ready || bucket < 0 || bucket >= SHAPE_BUCKETS) return nullptr;
  return g_index[bucket];
}

/* Measures every shape of `library` with arcs as chords and stores its
** extents and the library's. Answers the number of shapes that drew. */
int shape_extents(const char *library) {
  uint16_t slot = shape_lib_slot(library);
  if (slot == SHAPE_SLOT_NONE) return 0;
  shape_caller_rec *caller = shape_caller();
  shape_caller_rec saved = *caller;
  caller->arc_switch = 0;

  int counted = 0;
  double lib_min_x = 0, lib_max_x = 0, lib_min_y = 0, lib_max_y = 0;
  double lib_w = 0, lib_h = 0;
  for (shape_entry *head : g_index)
    for (shape_entry *e = head; e; e = e->next) {
      if (e->slot != slot) continue;
      shape_state_reset();
      bool drew = false;
      double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
      while (shape_step(e)) {
        const shape_output_rec *o = shape_output();
        if (o->kind != SHAPE_STEP_LINE) continue;
        if (!drew) {
          min_x = max_x = o->x1;
          min_y = max_y = o->y1;
          drew = true;
        }
        widen(o->x1, min_x, max_x);
        widen(o->x2, min_x, max_x);
        widen(o->y1, min_y, max_y);
        widen(o->y2, min_y, max_y);
      }
      if (!drew) continue;
      e->min_x = static_cast<float>(min_x);
      e->max_x = static_cast<float>(max_x);
      e->min_y = static_cast<float>(min_y);
      e->max_y = static_cast<float>(max_y);
      if (counted == 0) {
        lib_min_x = min_x, lib_max_x = max_x, lib_min_y = min_y, lib_max_y = max_y;
      }
      widen(min_x, lib_min_x, lib_max_x);
      widen(max_x, lib_min_x, lib_max_x);
      widen(min_y, lib_min_y, lib_max_y);
      widen(max_y, lib_min_y, lib_max_y);
      lib_w = std::max(lib_w, max_x - min_x);
      lib_h = std::max(lib_h, max_y - min_y);
      counted++;
    }
  if (counted > 0) {
    shape_lib_rec *lib = g_libs[slot];
    lib->min_x = static_cast<float>(lib_min_x);
    lib->max_x = static_cast<float>(lib_max_x);
    lib->min_y = static_cast<float>(lib_min_y);
    lib->max_y = static_cast<float>(lib_max_y);
    lib->max_width = static_cast<float>(lib_w);
    lib->max_height = static_cast<float>(lib_h);
  }
  shape_state_reset();
  caller->arc_switch = saved.arc_switch;
  caller->vertical_switch = saved.vertical_switch;
  caller->chord_step = saved.chord_step;
  return counted;
}

/* Copies an entry's stored extents out (zeros for none); answers 1 when
** there is an entry. */
static int extents_out(const shape_entry *e, double *min_x, double *min_y, double *max_x,
                       double *max_y) {
  double v[4] = {0, 0, 0, 0};
  if (e) v[0] = e->min_x, v[1] = e->min_y, v[2] = e->max_x, v[3] = e->max_y;
  if (min_x) *min_x = v[0];
  if (min_y) *min_y = v[1];
  if (max_x) *max_x = v[2];
  if (max_y) *max_y = v[3];
  return e ? 1 : 0;
}

/* Stored extents of the first shape named `name`: 1, or 0 with zeros. */
int shape_extents_by_name(const char *name, double *min_x, double *min_y, double *max_x,
                          double *max_y) {
  return extents_out(shape_find_any(name), min_x, min_y, max_x, max_y);
}

/* Stored extents of shape `number` of `library`: 1, or 0 with zeros. */
int shape_extents_by_number(const char *library, uint16_t number, double *min_x,
                            double *min_y, double *max_x, double *max_y) {
  return extents_out(shape_find_by_number(shape_lib_slot(library), number), min_x, min_y,
                     max_x, max_y);
}

/* Extents and largest shape size over all loaded libraries: 1, or 0 with
** zeros when the store is not initialised. */
int shape_store_extents(double *min_x, double *min_y, double *max_x, double *max_y,
                        double *max_width, double *max_height) {
  double v[6] = {0, 0, 0, 0, 0, 0};
  bool first = true;
  for (const shape_lib_rec *lib : g_libs) {
    if (!g_ready || !lib) continue;
    if (first) {
      v[0] = lib->min_x, v[1] = lib->min_y, v[2] = lib->max_x, v[3] = lib->max_y;
      first = false;
    }
    v[0] = std::min<double>(v[0], lib->min_x);
    v[1] = std::min<double>(v[1], lib->min_y);
    v[2] = std::max<double>(v[2], lib->max_x);
    v[3] = std::max<double>(v[3], lib->max_y);
    v[4] = std::max<double>(v[4], lib->max_width);
    v[5] = std::max<double>(v[5], lib->max_height);
  }
  double *out[6] = {min_x, min_y, max_x, max_y, max_width, max_height};
  for (int i = 0; i < 6; i++)
    if (out[i]) *out[i] = v[i];
  return g_ready ? 1 : 0;
}

/* One step of shape `shape` of library `library`. */
int shape_walk_named(const char *library, const char *shape) {
  return walk(WALK_NAMED, library, shape, 0);
}

/* One step of shape `number` of library `library`. */
int shape_walk_number(const char *library, uint16_t number) {
  return walk(WALK_NUMBER, library, nullptr, number);
}

/* One step of the first shape named `shape` in any library. */
int shape_walk_any(const char *shape) { return walk(WALK_ANY, nullptr, shape, 0); }

/* Abandons the walk and resets the interpreter. */
void shape_walk_reset() {
  g_walk = walk_state{};
  shape_state_reset();
}
