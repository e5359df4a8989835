/*
** drawing_db.h: the stand-in editor's drawing database and session state
** (private to platform/).
**
** A drawing is a set of entities keyed by handle, each an ordered list of
** DXF groups plus extended data kept per registered application; the model
** space order; block definitions (named and anonymous "*U<n>"); the symbol
** tables (VPORT, LTYPE, LAYER, STYLE, VIEW, UCS, APPID) and the system
** variables. The session (editor) state around it holds the block
** definition or complex entity under way, the selection sets, the function
** table of the loaded module and the user-input state.
**
** The ads_* files (ads_entities.cpp, ads_selection.cpp, ads_input.cpp,
** ads_functions.cpp, host_commands.cpp) and dxf_io.cpp work on db() and
** host(); nothing outside platform/ sees these types.
*/
#ifndef PV_PLATFORM_DRAWING_DB_H
#define PV_PLATFORM_DRAWING_DB_H

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ads_host.h"
#include "host_editor.h"

/* How the value of a DXF group code is held. */
enum db_kind {
  DBK_BAD = 0, /* not a group code the editor knows                      */
  DBK_NONE,    /* no value (-3, the extended-data marker)                 */
  DBK_STR,     /* text                                                    */
  DBK_REAL,    /* double                                                  */
  DBK_POINT,   /* three doubles                                           */
  DBK_SHORT,   /* 16-bit integer                                          */
  DBK_LONG,    /* 32-bit integer                                          */
  DBK_ENAME,   /* entity reference, held as a handle                      */
  DBK_BINARY   /* bytes                                                   */
};

/* Kind of value a DXF group code carries; DBK_BAD for unknown codes. */
db_kind db_kind_of(int code);

/* One DXF group in 32 bytes: its code and one value, as its kind
** (db_kind_of(code)) says: a point or number in place, a text (or the
** bytes of a binary group) of up to DB_GRP_INLINE bytes in place and a
** longer one on the heap. A drawing holds millions of them. */
constexpr size_t DB_GRP_INLINE = 23;
struct db_grp {
  short code = 0;          /* DXF group code                              */
  uint8_t heap_ = 0;       /* 1: the text is in out_                      */
  uint32_t n_ = 0;         /* bytes of the text                           */
  union {
      double v[3];                 /* point; v[0] holds a real                    */
      int32_t i;                   /* short or long value                         */
      unsigned long h;             /* handle of a referenced entity (DBK_ENAME)   */
      char in_[DB_GRP_INLINE + 1]; /* a short text, NUL-terminated         */
      char *out_;                  /* a longer text, NUL-terminated; owned        */
  };
  db_grp() : v{0, 0, 0} {}
  db_grp(const db_grp &o);
  db_grp(db_grp &&o) noexcept;
  db_grp &operator=(const db_grp &o);
  db_grp &operator=(db_grp &&o) noexcept;
  ~db_grp()
  {
      if (heap_) std::free(out_);
  }
  /* The text, or the bytes of a binary group (a text group only). */
  const char *c_str() const { return heap_ ? out_ : in_; }
  size_t size() const { return n_; }
  std::string_view str() const { return std::string_view(c_str(), n_); }
  std::string text() const { return std::string(c_str(), n_); }
  /* Makes t the group's text (its number or point is gone). */
  void set_text(std::string_view t);
};

db_grp grp_str(int code, const std::string& s);
db_grp grp_real(int code, double r);
db_grp grp_pt(int code, const double p[3]);
db_grp grp_int(int code, int32_t i);

/* Extended data of one application. */
struct db_xdata {
  std::string app;              /* registered application name (1001)    */
  std::vector<db_grp> items;    /* groups 1000..1071 after the 1001      */
};

/* Where the drawing's indexes hold an entity (kept by db_entities::put
** when the entity is replaced): its place in model space and its box in
** the spatial index (drawing_grid.cpp), in floats rounded outward. */
constexpr uint32_t DB_NO_PLACE = UINT32_MAX;
constexpr int8_t DB_GRID_OUT = -2;   /* not in the spatial index             */
constexpr int8_t DB_GRID_APART = -1; /* held apart, offered to every query   */
struct db_indexed {
    uint32_t model_at = DB_NO_PLACE; /* first entry of model space, or none */
    int8_t level = DB_GRID_OUT;      /* level of its cells, or the above    */
    float lo[2] = {0, 0};            /* box in the XY plane: lower corner   */
    float hi[2] = {0, 0};            /* upper corner                        */
};

/* One entity of the drawing (also inside a block definition). */
struct db_entity {
  unsigned long handle = 0;     /* the entity's handle, also its name    */
  std::string type;             /* group 0, upper case                   */
  std::vector<db_grp> groups;   /* all groups but -1, 0, 5 and xdata     */
  std::vector<db_xdata> xdata;  /* per application, in the order given   */
  std::string block;            /* owning block name, empty: model space */
  unsigned long parent = 0;     /* header of a VERTEX/ATTRIB/SEQEND      */
  bool erased = false;          /* deleted with ads_entdel (undeletable) */
  db_indexed at;                /* its places in the drawing's indexes   */
};

/* Every entity of a drawing by handle, in a hash; each header (POLYLINE,
** INSERT) finds its sub-entities in handle order through a list of its
** own, at the same cost in a drawing of any size. An entity's parent is
** fixed when it is filed (put); whatever changes the map goes through put
** and erase. An entity filed holds its groups in no more room than they
** take. */
class db_entities {
 public:
   using map_type = std::unordered_map<unsigned long, db_entity>;
   /* The entity of handle h, or nullptr. */
   db_entity *find(unsigned long h)
   {
       auto it = all_.find(h);
       return it == all_.end() ? nullptr : &it->second;
   }
  /* Files e under its handle, replacing the entity there; answers it. */
  db_entity& put(db_entity e);
  /* Takes the entity of handle h out (its sub-entities stay). */
  void erase(unsigned long h);
  /* The sub-entities of header h, in handle order. */
  const std::vector<unsigned long>& subs(unsigned long h) const;
  size_t size() const { return all_.size(); }
  map_type::iterator begin() { return all_.begin(); }
  map_type::iterator end() { return all_.end(); }
  map_type::const_iterator begin() const { return all_.begin(); }
  map_type::const_iterator end() const { return all_.end(); }

private:
  void unlink_sub(const db_entity& e);
  map_type all_;                                                       /* by handle      */
  std::unordered_map<unsigned long, std::vector<unsigned long>> subs_; /* header -> subs */
};

/* One block definition. */
struct db_block {
  std::string name;             /* block name, "*U<n>" when anonymous    */
  short flags = 0;              /* group 70: 1 anonymous, 2 attributes.. */
  double base[3] = {0, 0, 0};   /* base point                            */
  unsigned long handle = 0;     /* handle of the BLOCK entity            */
  unsigned long end_handle = 0; /* handle of its ENDBLK                  */
  std::vector<unsigned long> ents; /* definition order                  */
};

/* One symbol-table entry (not a block). */
struct db_tblrec {
  std::string name;             /* group 2                               */
  unsigned long handle = 0;     /* group 5                               */
  std::vector<db_grp> groups;   /* the other groups in order (70, 62...) */
};

/* Levels of the spatial index: cells of level L have the side of level
** 0 times 2^L. */
constexpr int DB_GRID_LEVELS = 48;

/* The cells of the spatial index: (cell key, handle) pairs in a table of
** slots probed in turn from the key's hash (handle 0 marks a free slot),
** some 30 bytes a pair. */
class db_grid_cells {
  public:
    void insert(uint64_t key, unsigned long h);
    void erase(uint64_t key, unsigned long h);
    /* Appends the handles of cell key to out. */
    void get(uint64_t key, std::vector<unsigned long> &out) const;
    void reserve(size_t n);

  private:
    size_t home(uint64_t key) const;
    std::vector<std::pair<uint64_t, unsigned long>> slots_;
    size_t n_ = 0;
};

/* The spatial index of model space (drawing_grid.cpp): grids of cells of
** growing sides over the live main entities, each entity in the level
** whose cells are about its size; each entity notes its box and level
** (db_entity::at). */
struct db_grid {
  bool built = false;           /* false: built at the next query        */
  double cell = 1;              /* side of a cell of level 0, units      */
  db_grid_cells cells;          /* the entities in each cell             */
  std::vector<unsigned long> apart;                 /* handles held apart  */
  size_t placed = 0;                                /* entities placed                       */
  size_t at_level[DB_GRID_LEVELS] = {};             /* placed per level    */
  size_t model_seen = 0;        /* model-space entries given their place */
  size_t built_over = 0;        /* entities placed when it was built     */
  std::vector<unsigned long> dirty; /* touched, to place again */
  size_t offered = 0;               /* candidates the last query offered     */
};

/* The drawing: what a DXF file holds. */
struct db_drawing {
  db_entities ents;                               /* every entity        */
  std::vector<unsigned long> model;               /* model space order   */
  std::vector<db_block> blocks;                   /* block table order   */
  std::map<std::string, std::vector<db_tblrec>> tables; /* by table name */
  std::map<std::string, db_grp> vars;             /* system variables    */
  unsigned long next_handle = 0x20;               /* $HANDSEED           */
  int next_anon = 1;                              /* next *U<n> number   */
  std::string path;                               /* file, empty if new  */
  db_grid grid;                                   /* spatial index       */
};

/* The members of a selection set in order: a member taken out near
** either end moves only the few between it and that end, so a command
** that takes the set's first member out after handling it, entity after
** entity, costs the same per entity at any size of the set. */
using db_set_members = std::deque<unsigned long>;

/* A selection set, or one being gathered: its members in the order
** added, each once; membership is answered by a hash of the handles. */
struct db_set {
  db_set_members members;                 /* handles in order              */
  std::unordered_set<unsigned long> has;  /* the same handles              */
  /* Adds a handle not yet there (nor 0); answers whether it was added. */
  bool add(unsigned long h) {
    if (!h || !has.insert(h).second) return false;
    members.push_back(h);
    return true;
  }
};

/* The editor around the drawing. */
struct host_session {
  db_drawing dwg;                         /* the current drawing          */
  /* Block definition under way (BLOCK made, ENDBLK not yet). */
  bool in_block = false;
  db_block pending_block;                 /* its header                   */
  std::vector<db_entity> pending_block_ents; /* entities made since BLOCK */
  std::string pending_block_given;        /* the name as given            */
  /* Complex entity under way (POLYLINE or INSERT with attributes). */
  std::vector<db_entity> pending_seq;     /* header first, then subs      */
  std::string last_input;                 /* what ads_getinput answers    */
  std::string last_error;                 /* why the last call was refused */
  int initget_flags = 0;                  /* for the next ads_get* call   */
  std::string initget_kwords;             /* keyword list, same lifetime  */
  std::map<long, db_set> sets;            /* selection sets by id         */
  long next_set = 1;                      /* next selection-set id        */
  std::vector<unsigned long> previous;    /* "P": the last set made       */
  std::map<std::string, int> functions;   /* ads_defun table (lower case) */
  std::map<std::string, std::string> fn_names; /* lower -> as defined     */
  int cur_funcode = -1;                   /* code of the call under way   */
  struct resbuf* cur_args = nullptr;      /* its arguments (host's copy)  */
  struct resbuf* ret_value = nullptr;     /* what ads_ret* set            */
  bool ret_set = false;                   /* ads_ret* was called          */
  double ucs_origin[3] = {0, 0, 0};       /* UCS = WCS moved by this      */
  std::vector<host_vector> vectors;       /* temporary vectors on screen  */
  double pick_tolerance = 1.0;            /* pick box half size, units    */
  std::vector<std::string> support;       /* extra file search dirs       */
  std::map<std::string, std::string> env; /* ads_agetenv values           */
  std::map<std::string, host_arx_loader> arx_loaders; /* by stem, lower  */
  std::vector<std::string> arx_loaded;    /* loaded application files     */
  host_entry_fn module = nullptr;         /* the module's entry point     */
  std::string module_file;                /* its file name                */
};

host_session& host();
inline db_drawing& db() { return host().dwg; }

/* ---- helpers shared by the platform files ---- */
std::string str_upper(std::string s);
std::string str_lower(std::string s);
bool str_ieq(const std::string& a, const std::string& b);
/* Wildcard match ('*', '?', ',' alternatives, '~' negation), any case. */
bool wc_match(const std::string& text, const std::string& pattern);
std::string handle_text(unsigned long h);
bool handle_parse(const std::string& s, unsigned long& h);

/* Drawing set-up and look-ups. */
void db_reset(db_drawing& d);                       /* a new drawing     */
db_tblrec* db_table_find(db_drawing& d, const std::string& table,
                         const std::string& name);
db_block* db_block_find(db_drawing& d, const std::string& name);
db_entity* db_entity_find(db_drawing& d, unsigned long h, bool live_only);
const db_grp* db_group(const db_entity& e, int code);
db_grp* db_group(db_entity& e, int code);
bool db_name_valid(const std::string& name, bool allow_pipe);
bool db_ensure_layer(db_drawing& d, const std::string& name);
unsigned long db_new_handle(db_drawing& d);
/* Sets or reads a system variable as the editor types it; see ads_getvar. */
int db_setvar(db_drawing& d, const std::string& name, const db_grp& value,
              std::string& err);

/* Entity lists. */
/* Converts a result-buffer chain to groups and extended data; false with
** err set on a bad item (unknown code, wrong value, unregistered app). */
bool db_list_parse(const struct resbuf* rb, std::string& type,
                   std::vector<db_grp>& groups, std::vector<db_xdata>& xdata,
                   bool& has_xdata, unsigned long& ename, std::string& err);
/* Checks an entity's groups for its type: required groups and values. */
bool db_entity_check(db_drawing& d, const db_entity& e, std::string& err);
/* Makes the result-buffer chain of an entity; apps selects xdata. */
struct resbuf* db_entity_list(const db_entity& e,
                              const std::vector<std::string>* apps);
/* Makes one result buffer of a group; NULL without memory. */
struct resbuf* db_grp_to_rb(const db_grp& g);
/* Makes the chain of a group list in order; NULL without memory. */
struct resbuf* db_grps_to_chain(const std::vector<db_grp>& groups);
/* Makes one entity from a list (the rules of ads_entmake); RTNORM,
** RTKWORD for a completed block, RTERROR; h gets the handle made. */
int db_make(const struct resbuf* list, unsigned long& h);
/* Cancels a block definition or complex entity under way. */
void db_cancel_pending();
/* Adds a finished entity to model space (commands); returns its handle. */
unsigned long db_add_model(db_drawing& d, db_entity e);
/* Deletes or undeletes an entity (with its sub-entities). */
void db_set_erased(db_drawing& d, unsigned long h, bool erased);
/* Last live main entity of model space, 0 when none. */
unsigned long db_last(db_drawing& d);
/* Place of handle h in model space (its first), model.size() when absent. */
size_t db_model_place(db_drawing& d, unsigned long h);

/* Geometry: the entity's outline as segments in world coordinates, used by
** window selection and picks. */
struct db_seg { double a[3], b[3]; };
void db_outline(db_drawing& d, const db_entity& e, std::vector<db_seg>& out);
/* Transforms an entity by a uniform-scale matrix; false when the matrix is
** not a similarity in the XY plane. */
bool db_transform(db_drawing& d, db_entity& e, const ads_matrix m);

/* Spatial index (drawing_grid.cpp). Live main entities of model space
** whose extent may meet the box [lo, hi] (every one that does), in
** model-space order; whatever changes entity h (or a sub-entity of it)
** calls db_grid_touch, whatever may change many calls db_grid_forget. */
std::vector<unsigned long> db_grid_query(db_drawing& d, const double lo[2], const double hi[2]);
/* Place of handle h in model space as noted (model.size() when it has
** none), without searching. */
size_t db_model_noted(db_drawing &d, unsigned long h);
void db_grid_touch(db_drawing& d, unsigned long h);
void db_grid_forget(db_drawing& d);

/* Names. */
void name_set(long n[2], unsigned long id, long tag);
enum { NAME_ENT = 1, NAME_SET = 2 };
/* Entity behind a name, or nullptr. */
db_entity* name_entity(const long n[2], bool live_only);

/* Text of a point "x,y[,z]" (relative "@dx,dy" to base when given). */
bool parse_point(const std::string& s, const double* base, double out[3]);
bool parse_real(const std::string& s, double& out);

/* Selection sets shared with host commands. */
long ss_create(const std::vector<unsigned long>& members);
const db_set_members* ss_find(const long n[2]);

/* Picks: the live main entity of model space nearest a point within the
** pick tolerance (0 when none); an answer "last", "#<handle>" or "x,y[,z]"
** read as a pick (false when it is none of these). */
unsigned long db_pick(const double p[3]);
bool pick_answer(const std::string& ans, unsigned long& h, double pt[3]);
/* A window answer of the user: "C x1,y1 x2,y2" (crossing), "W x1,y1 x2,y2"
** (window) or "ALL"; appends the entities found. False when the text is no
** window answer. */
bool window_answer(const std::string& line, std::vector<unsigned long>& out);
/* Keyword of a list ("Undo Yes No") that an answer names; false when none. */
bool kw_match(const std::string& kwl, const std::string& ans, std::string& full);

/* Deep copy of a result-buffer chain; NULL without memory. */
struct resbuf* rb_copy_chain(const struct resbuf* rb);

/* Memory of strings inside result buffers. */
char* rb_strdup(const std::string& s);

#endif /* PV_PLATFORM_DRAWING_DB_H */
