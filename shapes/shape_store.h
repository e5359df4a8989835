/*
** shape_store.h: the shape store, the table of loaded shape libraries.
**
** A shape library is a shape font: small vector drawings, each known by a
** number and a name, read from a compiled shape file or from its text
** source (shape_reader.cpp). Up to SHAPE_LIB_MAX libraries are loaded at a
** time; the slot number 0..49 is a library's identifier. Every shape of
** every library sits in one index of SHAPE_BUCKETS chains hashed on the low
** byte of its number. The store measures its shapes (their extents place
** texts around symbols and scale the picker previews) and walks a shape one
** interpreter step at a time (shape_interp.h).
**
**   if (shape_font_load("/fonts/PVSTRUCT.SHX") > 0) shape_extents("/fonts/PVSTRUCT.SHX");
**   shape_state_reset(); while (shape_walk_any("STRIKE_DIP")) use(shape_output());
*/
#ifndef PV_COORDS_SHAPE_STORE_H
#define PV_COORDS_SHAPE_STORE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int SHAPE_LIB_MAX = 50;            /* slots of the library table    */
constexpr uint16_t SHAPE_SLOT_NONE = 0xFFFF; /* "no library"                  */
constexpr int SHAPE_BUCKETS = 256;           /* chains of the shape index     */
constexpr int SHAPE_NAME_MAX = 32;           /* longest name in a text source */
constexpr int SHAPE_DEF_MAX = 2000;          /* longest definition, in bytes  */

/* shape_font_load's answer when a library of that name is already loaded;
** negative, so that it can never be mistaken for a count of shapes. */
constexpr int SHAPE_ALREADY_LOADED = -1;

/* A loaded library. The extents are those of its drawn shapes at scale 1,
** zero until shape_extents has measured them. */
struct shape_lib_rec {
  char *name;        /* the path it was loaded under; owned                 */
  float min_x;       /* smallest x over all drawn shapes                    */
  float max_x;       /* largest x over all drawn shapes                     */
  float min_y;       /* smallest y over all drawn shapes                    */
  float max_y;       /* largest y over all drawn shapes                     */
  float max_width;   /* largest width (max x - min x) of a single shape     */
  float max_height;  /* largest height (max y - min y) of a single shape    */
};

/* One shape of a library, a link in its index chain. */
struct shape_entry {
  char *name;          /* shape name; owned                                 */
  uint16_t number;     /* shape number within its library                   */
  uint16_t slot;       /* slot of the library that holds it                 */
  uint16_t length;     /* definition bytes, the terminating 0 included      */
  uint8_t *def;        /* the definition bytes; owned                       */
  shape_entry *next;   /* next entry of the same bucket                     */
  float min_x;         /* extents of the drawn vectors at scale 1, set by   */
  float max_x;         /*   shape_extents; all zero until then              */
  float min_y;
  float max_y;
};

/* Empties the store, all buckets and slots (freeing what an initialised
** store holds), and marks it initialised. */
void shape_store_init();
/* The allocator behind every block the store owns (freed with free). Tests
** install one that fails to reach the out-of-memory paths; null restores
** the C heap's malloc. */
typedef void *(*shape_alloc_fn)(size_t);
void shape_store_set_allocator(shape_alloc_fn alloc);
/* True once the store has been initialised and not freed since. */
bool shape_store_ready();

/* Loads the shape library in the file `path` (compiled or text source).
** Answers the number of shapes read; SHAPE_ALREADY_LOADED when a library of
** that name is loaded; 0 on any failure, with nothing left loaded and the
** reason in shape_load_error(). Initialises the store on first use. */
int shape_font_load(const char *path);
/* The same, reading from an open stream (the loader's core; tests and the
** fuzz target feed it memory streams). `name` is the library's name. The
** stream is read, not closed. */
int shape_font_load_stream(const char *name, FILE *fp);
/* The reason of the last failed load ("" after a successful one). */
const char *shape_load_error();

/* Frees the library `name` and all its shapes, abandoning any walk in
** progress (shape_walk_reset). Answers 1, or 0 when it is not loaded. */
int shape_font_unload(const char *name);
/* Frees every library and shape and marks the store uninitialised.
** Answers the number of libraries freed (0 when it was not initialised). */
int shape_store_free();

/* Slot of the loaded library `name` (case-insensitive); SHAPE_SLOT_NONE when
** it is not loaded, the name is empty or the store is not initialised. */
uint16_t shape_lib_slot(const char *name);
/* Takes the first free slot for a new library `name` with zero extents.
** Answers the slot; SHAPE_SLOT_NONE when all 50 are used, the name is empty,
** the store is not initialised or memory runs out. */
uint16_t shape_lib_add(const char *name);
/* The library in `slot`; null when the slot is empty or out of range. */
const shape_lib_rec *shape_lib_get(uint16_t slot);

/* Adds a shape to library `slot`: copies `name` and the `length` bytes of
** `def`, zero extents, and appends it to the chain of its number's low byte.
** Answers the new entry; null for a bad slot, a null name or definition, a
** zero length, or when memory runs out. */
shape_entry *shape_index_add(uint16_t slot, uint16_t number, const char *name,
                             const uint8_t *def, uint16_t length);

/* First shape named `name` (case-insensitive) in library `slot`, scanning
** buckets 0 to 255 and each chain in order; null when none or name empty. */
const shape_entry *shape_find_in_lib(uint16_t slot, const char *name);
/* The same over every library. */
const shape_entry *shape_find_any(const char *name);
/* The shape numbered `number` in library `slot`; null when none. */
const shape_entry *shape_find_by_number(uint16_t slot, uint16_t number);
/* First entry of bucket `bucket` (0..255), for walking the whole index;
** null when empty, out of range or the store is not initialised. */
const shape_entry *shape_bucket_head(int bucket);

/* Measures every shape of library `library` (arcs as chords) and the
** library itself. Answers the number of shapes that drew something; 0 when
** the library is not loaded. */
int shape_extents(const char *library);
/* Stored extents of the first shape named `name` in any library. Answers 1;
** 0 with all four set to 0 when there is no such shape. */
int shape_extents_by_name(const char *name, double *min_x, double *min_y,
                          double *max_x, double *max_y);
/* Stored extents of shape `number` of library `library`; as above. */
int shape_extents_by_number(const char *library, uint16_t number, double *min_x,
                            double *min_y, double *max_x, double *max_y);
/* Overall extents and the largest shape width and height over all loaded
** libraries. Answers 1; 0 (all set to 0) when the store is not initialised. */
int shape_store_extents(double *min_x, double *min_y, double *max_x,
                        double *max_y, double *max_width, double *max_height);

/* The walk: each call performs one interpreter step on the named shape and
** answers 1 while the shape has more steps, 0 when it has ended or cannot be
** found. A call with other arguments than the walk in progress abandons it
** and answers 1, so that the next call starts the new shape. */
int shape_walk_named(const char *library, const char *shape);
int shape_walk_number(const char *library, uint16_t number);
int shape_walk_any(const char *shape);
/* Abandons the walk in progress and resets the interpreter. */
void shape_walk_reset();

#endif /* PV_COORDS_SHAPE_STORE_H */
