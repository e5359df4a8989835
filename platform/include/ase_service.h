/*
** ase_service.h: the editor's link-store service as a module sees it.
**
** The editor keeps, with each drawing, a store of links between drawing
** entities and table rows: link paths (environment, catalog, schema and
** table), the link path names registered on them with their key columns,
** the links themselves and numbered selections of links. A module reaches
** the store through the editor's run-time registry: the registry object
** "Ase_Class" (a CAseRxObj) is present while the service "Ase_Services" is
** registered, which happens when the editor loads its application "ase"
** (ads_arxload("ase"), whose loader is ase_service_load; the editor always
** knows it, and tests may still register their own loader with host_register_arx_app).
** Every request goes through CAseRxObj::request with a request code and a
** result-buffer chain, and gives a chain that stays the editor's (valid
** until ASE_SVC_REPLY_KEEP further requests have been answered).
**
**   AcRxObject *o = acrxSysRegistry()->at("Ase_Class");
**   struct resbuf *r = static_cast<CAseRxObj *>(o)->request(1, nullptr);
**
** The second half of the file holds the stand-in editor's test hooks: the
** record of every call the service received, a service that goes away, a
** request that fails, a refused environment.
*/
#ifndef PV_PLATFORM_ASE_SERVICE_H
#define PV_PLATFORM_ASE_SERVICE_H

#include <string>
#include <vector>

#include "ads_host.h"

/* Replies of this many latest requests are kept alive by the service. */
#define ASE_SVC_REPLY_KEEP 16

class AcRxClass;
class AcDbDatabase;
class AcDbEntity;

/* ---- The run-time registry -------------------------------------------- */

/* Root of the editor's run-time objects. */
class AcRxObject {
 public:
  virtual ~AcRxObject();
  /* The object's class record. */
  virtual AcRxClass *isA() const;
  /* True when the object's class is cls or derives from it. */
  bool isKindOf(const AcRxClass *cls) const;
  /* The class record "AcRxObject". */
  static AcRxClass *desc();
};

/* A class record of the registry's "ClassDictionary". Records live as long
** as the process, so a module may keep a pointer to one. */
class AcRxClass : public AcRxObject {
 public:
  AcRxClass(const char *name, AcRxClass *parent);
  AcRxClass *isA() const override;
  /* The class name. */
  const char *name() const;
  /* The parent class record; nullptr for "AcRxObject". */
  AcRxClass *myParent() const;
  /* True when this class is other or derives from it. */
  bool isDerivedFrom(const AcRxClass *other) const;
  /* The class record "AcRxClass". */
  static AcRxClass *desc();

 private:
  std::string m_name;  /* class name                                      */
  AcRxClass *m_parent; /* parent record, not owned; nullptr for the root  */
};

/* A dictionary of run-time objects by name (names compared exactly). It
** does not own its entries. */
class AcRxDictionary : public AcRxObject {
 public:
  AcRxClass *isA() const override;
  /* The entry of the key; nullptr when absent or for a null key. */
  AcRxObject *at(const char *key) const;
  /* Enters obj under the key; answers the entry it replaced, or nullptr. */
  AcRxObject *atPut(const char *key, AcRxObject *obj);
  /* Takes the key's entry out; answers it, or nullptr when absent. */
  AcRxObject *remove(const char *key);
  /* The class record "AcRxDictionary". */
  static AcRxClass *desc();

 private:
  std::vector<std::pair<std::string, AcRxObject *>> m_entries; /* in order */
};

/* The system registry: entries "ClassDictionary" (class records by class
** name), "ServiceDictionary" (registered services) and the objects that
** applications register, such as "Ase_Class". Never null. */
AcRxDictionary *acrxSysRegistry();
/* True while a service of that name is registered. */
bool acrxServiceIsRegistered(const char *serviceName);
/* Registers a class record under a registered parent class; answers the
** record (the existing one when the class is already registered), or
** nullptr for a null name or an unknown parent. */
AcRxClass *newAcRxClass(const char *className, const char *parentClassName);

/* ---- The drawing database and its objects ----------------------------- */

/* Outcome of the database calls. */
namespace Acad {
enum ErrorStatus {
  eOk = 0,           /* done                                          */
  eInvalidInput = 1, /* a null or malformed argument                  */
  eKeyNotFound = 2,  /* no object of that id in the drawing           */
  eWasErased = 3     /* the object is erased                          */
};
}

/* How an object is opened. */
namespace AcDb {
enum OpenMode { kForRead = 0, kForWrite = 1 };
}

/* The drawing database; one object stands for the editor's current
** drawing, whichever drawing is open. */
class AcDbDatabase : public AcRxObject {
 public:
  AcRxClass *isA() const override;
  /* The class record "AcDbDatabase". */
  static AcRxClass *desc();
};

/* The current drawing's database; never null. */
AcDbDatabase *acdbCurDwg();

/* Id of a database object: the entity's handle (0: none). */
class AcDbObjectId {
 public:
  AcDbObjectId() : m_handle(0) {}
  explicit AcDbObjectId(unsigned long handle) : m_handle(handle) {}
  unsigned long handle() const { return m_handle; }
  bool isNull() const { return m_handle == 0; }

 private:
  unsigned long m_handle; /* handle of the object in the current drawing */
};

/* Id of the entity behind an entity name; eOk, eInvalidInput for a null or
** non-entity name, eKeyNotFound for a name of no entity. */
Acad::ErrorStatus acdbGetObjectId(AcDbObjectId &id, const ads_name ent);

/* An object opened from the drawing. Opened with acdbOpenAcDbObject, given
** back with close(), which also frees it. */
class AcDbObject : public AcRxObject {
 public:
  AcRxClass *isA() const override;
  /* Ends the caller's access and frees the object; eOk. */
  Acad::ErrorStatus close();
  /* The database the object belongs to. */
  AcDbDatabase *database() const;
  /* The object's id. */
  AcDbObjectId objectId() const;
  /* The class record "AcDbObject". */
  static AcRxClass *desc();

 protected:
  explicit AcDbObject(unsigned long handle);
  ~AcDbObject() override;

 private:
  friend Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject *&, AcDbObjectId, AcDb::OpenMode);
  unsigned long m_handle; /* handle of the object in the current drawing */
};

/* An entity opened from the drawing. */
class AcDbEntity : public AcDbObject {
 public:
  AcRxClass *isA() const override;
  /* The class record "AcDbEntity". */
  static AcRxClass *desc();

 private:
  friend Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject *&, AcDbObjectId, AcDb::OpenMode);
  explicit AcDbEntity(unsigned long handle) : AcDbObject(handle) {}
};

/* Opens the object of an id; eOk with obj set, else obj is nullptr and the
** result eInvalidInput (null id), eKeyNotFound or eWasErased. */
Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject *&obj, AcDbObjectId id, AcDb::OpenMode mode);

/* ---- The link-store service ------------------------------------------- */

/* Protocol of the link-store service: the registry object "Ase_Class" is
** of a class derived from this one. Operations in slot order. */
class CAseRxObj : public AcRxObject {
 public:
  AcRxClass *isA() const override;
  /* 1: a request with its arguments (not changed); the reply chain stays
  ** the service's; nullptr when the request gives none. */
  virtual struct resbuf *request(int code, const struct resbuf *args) = 0;
  /* 2 before a request of mode 1, 3 before one of any other mode, 7 after
  ** either; 4 to 6 as 2. Each answers 1 when the database is the current
  ** drawing's, else 0. */
  virtual int protocolOp2(AcDbDatabase *db) = 0;
  virtual int protocolOp3(AcDbDatabase *db) = 0;
  virtual int protocolOp4(AcDbDatabase *db) = 0;
  virtual int protocolOp5(AcDbDatabase *db) = 0;
  virtual int protocolOp6(AcDbDatabase *db) = 0;
  virtual int protocolOp7(AcDbDatabase *db) = 0;
  /* 8: the user and password held for an environment (texts of the
  ** service); 1 when it holds them, else 0 with both set to nullptr. */
  virtual int protocolOp8(const char *env, const char **user, const char **password) = 0;
  /* 9, 10, 11: operations the store offers nothing under; 0. */
  virtual int protocolOp9() = 0;
  virtual int protocolOp10(void *first, void *second) = 0;
  virtual int protocolOp11(void *first, void *second) = 0;
  /* 12: 1 when the entity is a live entity of the current drawing. */
  virtual int protocolOp12(AcDbEntity *ent) = 0;
  /* The class record "CAseRxObj" (registered with the service). */
  static AcRxClass *desc();
};

/* The editor's loader of its application "ase": registers the class
** records "CAseRxObj" and "CAseStoreObj", the service "Ase_Services" and
** the registry object "Ase_Class"; true when they are registered
** afterwards (also when they already were). A host_arx_loader. */
bool ase_service_load();

/* ---- Test hooks of the stand-in editor -------------------------------- */

/* One element of a request's argument chain, as the service received it. */
struct ase_svc_value {
  short type = 0;             /* RT code                                    */
  std::string text;           /* RTSTR text                                 */
  double real[3] = {0, 0, 0}; /* RTREAL in [0]; RTPOINT, RT3DPOINT          */
  long number = 0;            /* RTSHORT, RTLONG                            */
  long name[2] = {0, 0};      /* RTENAME, RTPICKS                           */
};

/* One call the service received. */
struct ase_svc_call {
  int op = 0;                      /* 1 a request; 2..12 a protocol operation */
  int code = 0;                    /* request code (op 1); else 0           */
  std::vector<ase_svc_value> args; /* the request's arguments, in order     */
};

/* Every call received since the last clear, in order of arrival. */
const std::vector<ase_svc_call> &ase_service_calls();
/* The codes of the requests received since the last clear, in order. */
std::vector<int> ase_service_request_codes();
/* A call as one line: "13 (5005 \"DB3.X\") (5003 0)", "op 3". */
std::string ase_service_call_text(const ase_svc_call &call);
/* Forgets the calls received. */
void ase_service_clear_calls();

/* True while "Ase_Class" is registered. */
bool ase_service_registered();
/* Takes "Ase_Class" and "Ase_Services" out of the registry and the
** application "ase" off the loaded list (the drawing's store is kept);
** ads_arxload("ase") registers them again. */
void ase_service_unregister();
/* The next count requests of the code fail with an error item (count -1:
** every one; 0: none any more). */
void ase_service_fail_request(int code, int count);
/* Request 10 answers flag 8 for paths of a refused environment. */
void ase_service_refuse_environment(const std::string &env, bool refused);
/* Host text of request 1; nullptr: the reply carries none. Default
** "Link store of the stand-in editor 14.0". */
void ase_service_set_host_text(const char *text);
/* Code page name of request 1; default "1252". */
void ase_service_set_code_page(const char *name);
/* Undoes the four settings above. */
void ase_service_reset_hooks();
/* The store as text lines: "LPN <name> <path> <column>:<type>...",
** "LINK <number> kind <k> entity <handle> <name> <values...>",
** "SEL <number> <link numbers...>". */
std::string ase_service_dump();

#endif /* PV_PLATFORM_ASE_SERVICE_H */
