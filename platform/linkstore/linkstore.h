/*
** linkstore.h: the link store of the current drawing and the service that
** answers for it (private to platform/).
**
** lsv_store.cpp holds the store: link paths with their link path names and
** key columns, the links of entities and the numbered selections, and the
** path texts they are named by. lsv_service.cpp is the registry object
** "Ase_Class" that answers the requests; lsv_registry.cpp the run-time
** registry and database objects of ase_service.h; lsv_dxf.cpp writes the
** store into a saved drawing (extended data of the APPID entry "ASE") and
** reads it back. The editor calls in at three places: a new drawing
** (lsv_store_reset), and around reading and writing a DXF file (lsv_dxf_*);
** ads_arxload("ase") reaches the service through its loader,
** ase_service_load (ase_service.h).
**
**   lsv_path p;  std::string err;
**   if (lsv_path_parse("db3.petrivex.geo.station", p, err)) ... p.text() ...
*/
#ifndef PV_PLATFORM_LINKSTORE_H
#define PV_PLATFORM_LINKSTORE_H

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ads_host.h"
#include "platform/drawing_db.h"

/* Name of the application the store's extended data is kept under. */
#define LSV_APP "ASE"
/* Parts of a path: environment, catalog, schema, table, link path name. */
#define LSV_PARTS 5
/* Longest path text the store reads, in characters. */
#define LSV_PATH_TEXT_MAX 2047

/* Status flags of a path (request 10). */
enum {
  LSV_STATUS_NAMES = 2,  /* link path names are registered within the path */
  LSV_STATUS_REFUSED = 8 /* the path's environment is refused               */
};

/* Error category and codes of the service's error items. */
enum {
  LSV_ERR_CATEGORY = 5, /* the editor service's category                  */
  LSV_ERR_FAILED = 500, /* the store could not carry the request out      */
  LSV_ERR_ARGS = 501,   /* malformed argument chain                        */
  LSV_ERR_NAME = 502,   /* unknown link path name or malformed path        */
  LSV_ERR_ENTITY = 503, /* unknown or erased entity                        */
  LSV_ERR_SEL = 504,    /* unknown selection                               */
  LSV_ERR_EXISTS = 505, /* link path name already registered               */
  LSV_ERR_REFUSED = 506,/* request refused (test hook)                     */
  LSV_ERR_REQUEST = 507 /* request code not served                         */
};

/* A failure of a store operation: error code and its text. */
struct lsv_error {
  int code = 0;      /* LSV_ERR_*; 0 when there is none                     */
  std::string text;  /* what went wrong, in the editor's words              */
};

/* One value held by the store (a result-buffer element without its
** chain): key values, the elements of kind-2 lists. */
struct lsv_value {
  short type = RTNONE;        /* RT code                                    */
  std::string s;              /* RTSTR text                                 */
  double r[3] = {0, 0, 0};    /* RTREAL in [0]; RTPOINT, RT3DPOINT          */
  int32_t l = 0;              /* RTSHORT, RTLONG                            */
  unsigned long h = 0;        /* RTENAME: handle of the entity, 0 for none  */
};
typedef std::vector<lsv_value> lsv_values;

/* A path: parts 1..5 in stored form (unquoted names upper-cased, quoted
** names as written, "*" for any name); level = highest present part 1..4. */
struct lsv_path {
  std::string part[LSV_PARTS]; /* Env, Cat, Schm, Table, LPN; "" missing   */
  int level = 0;               /* highest present of parts 1..4, 0 if none */
  /* The path text "E.C.S.T(L)" with dots kept for missing parts. */
  std::string text(bool with_lpn = true) const;
};

/* One key column of a link path name (name, type and sizes as the module
** describes them). */
struct lsv_column {
  std::string name;    /* column name                                      */
  std::string charset; /* character set name, "" none                      */
  std::string locale;  /* locale name, "" none                             */
  int type = 0;        /* SQL type code; 0 unknown (no check of values)    */
  int prec = 0;        /* length or precision                              */
  int scale = 0;       /* scale                                            */
  int dtype = 0;       /* datetime or interval sub-code                    */
  int status = 0;      /* status word of the description                   */
};

/* A link path name registered on a path. */
struct lsv_lpn {
  std::string name;                /* the name, upper-cased                 */
  lsv_path path;                   /* its path, environment to table        */
  std::vector<lsv_column> keys;    /* key columns, at least one             */
};

/* One link of an entity to a row. */
struct lsv_link {
  long number = 0;                 /* the store's link number, from 1       */
  int kind = 1;                    /* 1, or 2 with the lists 7 to 9         */
  int flag = 0;                    /* attribute 3                           */
  unsigned long entity = 0;        /* handle; 0 only for kind 2             */
  std::string lpn;                 /* registered link path name (upper)     */
  lsv_values keys;                 /* one value per key column              */
  lsv_values extra[3];             /* kind 2: attributes 7, 8, 9 (lists)    */
  bool has_extra[3] = {false, false, false}; /* which of them were given   */
};

/* The store of the current drawing. Links are filed and taken out with
** lsv_link_put and lsv_link_erase, which keep by_entity. */
struct lsv_store {
  std::vector<lsv_lpn> lpns;                    /* in registration order  */
  std::map<long, lsv_link> links;               /* by link number         */
  std::unordered_map<unsigned long, std::set<long>> by_entity; /* entity -> its links */
  long next_link = 1;                           /* next link number       */
  std::map<long, std::vector<long>> selections; /* number -> link numbers */
  long next_sel = 1;                            /* next selection number  */
};

lsv_store &lsv_current();

/* ---- paths (lsv_store.cpp) ---- */
/* Reads a path text; false with err for a malformed one. */
bool lsv_path_parse(const std::string &text, lsv_path &out, std::string &err);
/* True when the registered path p (and its link path name lpn) lies within
** the given path g: g's parts up to its level equal p's ("*" matches any),
** and g's link path name, when it has one, equals lpn. */
bool lsv_path_within(const lsv_path &g, const lsv_path &p, const std::string &lpn);
/* True when the name is a valid link path name ("*" is not). */
bool lsv_name_valid(const std::string &name);

/* ---- the store (lsv_store.cpp) ---- */
void lsv_store_reset();
/* The registered link path name (any case), or nullptr. */
lsv_lpn *lsv_find_lpn(const std::string &name);
/* Checks a link's values against its name's key columns; false with err. */
bool lsv_keys_fit(const lsv_lpn &lpn, const lsv_values &keys, lsv_error &err);
/* True when two key values are equal (numbers by value, texts exactly). */
bool lsv_value_equal(const lsv_value &a, const lsv_value &b);
/* Takes a chain element; false for a type the store does not hold. */
bool lsv_value_from_rb(const struct resbuf *rb, lsv_value &out);
/* A result-buffer element of a value; nullptr without memory. */
struct resbuf *lsv_value_to_rb(const lsv_value &v);
/* Files a link under its number, replacing the link there. */
void lsv_link_put(lsv_store &s, const lsv_link &l);
/* Takes a link out; answers the link after it. */
std::map<long, lsv_link>::iterator lsv_link_erase(lsv_store &s, std::map<long, lsv_link>::iterator it);
/* The numbers of an entity's links, in order; nullptr when it has none. */
const std::set<long> *lsv_links_of(const lsv_store &s, unsigned long entity);
/* Drops links whose entity is not a live entity of the drawing, and the
** selections' references to them. */
void lsv_store_drop_orphans();
/* Makes sure the drawing has the APPID entry the store is saved under. */
void lsv_store_register_app();

/* ---- the registry (lsv_registry.cpp) ---- */
class AcRxObject;
/* Enters a service and its registry object under their names. */
void lsv_registry_put(const char *service, const char *objName, AcRxObject *obj);
/* Takes a service and its registry object out. */
void lsv_registry_take(const char *service, const char *objName);

/* ---- the service (lsv_service.cpp) ---- */
/* Status word of a path: LSV_STATUS_* flags. */
int lsv_path_status(const lsv_path &g);

/* ---- DXF (lsv_dxf.cpp) ---- */
/* Extended data to write on the APPID entry of that name of the drawing
** being saved; false when the store keeps none there. */
bool lsv_dxf_xdata(const std::string &appid, db_xdata &out);
/* A file is about to be read: forget what an earlier read kept aside. */
void lsv_dxf_begin();
/* Extended data read from an APPID entry of the file being read; the
** store's is decoded and kept aside; false for damaged store data. */
bool lsv_dxf_read(const std::string &appid, const std::vector<db_xdata> &xdata);
/* The file read became the current drawing: the store kept aside becomes
** the drawing's store (links of entities the file lacks are dropped). */
void lsv_dxf_opened();

#endif /* PV_PLATFORM_LINKSTORE_H */
