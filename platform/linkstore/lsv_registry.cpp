/*
** lsv_registry.cpp: the editor's run-time registry and the database objects
** of ase_service.h.
**
** Class records form a tree under "AcRxObject" and live as long as the
** process (a module may cache one). The system registry is a dictionary
** with the entries "ClassDictionary" and "ServiceDictionary"; applications
** put their own objects beside them ("Ase_Class"). One AcDbDatabase object
** stands for the current drawing; acdbOpenAcDbObject opens an entity of it
** by handle as a short-lived AcDbEntity that close() frees.
**
**   AcRxClass *c = newAcRxClass("CAseRxObj", "AcRxObject");
**   bool on = acrxServiceIsRegistered("Ase_Services");
*/
#include <cstring>
#include <memory>

#include "ase_service.h"
#include "platform/linkstore/linkstore.h"

/* Every class record, in registration order; never freed before exit. */
static std::vector<std::unique_ptr<AcRxClass>> &rx_classes() {
  static std::vector<std::unique_ptr<AcRxClass>> all;
  return all;
}

/* The three dictionaries of the registry. */
struct rx_registry {
  AcRxDictionary sys;      /* the system registry                         */
  AcRxDictionary classes;  /* "ClassDictionary"                           */
  AcRxDictionary services; /* "ServiceDictionary"                         */
};

/* Adds a record under a parent record (nullptr only for the root) and
** enters it in the class dictionary. */
static AcRxClass *rx_add_class(rx_registry &r, const char *name, AcRxClass *parent) {
  rx_classes().push_back(std::make_unique<AcRxClass>(name, parent));
  AcRxClass *c = rx_classes().back().get();
  r.classes.atPut(name, c);
  return c;
}

/* The registry, built with the editor's own classes on first use. */
static rx_registry &rx_reg() {
  static rx_registry *reg = [] {
    rx_registry *r = new rx_registry();
    AcRxClass *root = rx_add_class(*r, "AcRxObject", nullptr);
    rx_add_class(*r, "AcRxClass", root);
    rx_add_class(*r, "AcRxDictionary", root);
    rx_add_class(*r, "AcDbDatabase", root);
    AcRxClass *obj = rx_add_class(*r, "AcDbObject", root);
    rx_add_class(*r, "AcDbEntity", obj);
    r->sys.atPut("ClassDictionary", &r->classes);
    r->sys.atPut("ServiceDictionary", &r->services);
    return r;
  }();
  return *reg;
}

/* Record of a class of the editor (always registered). */
static AcRxClass *rx_class(const char *name) {
  return static_cast<AcRxClass *>(rx_reg().classes.at(name));
}

/* ---- AcRxObject, AcRxClass, AcRxDictionary ---- */

AcRxObject::~AcRxObject() = default;

/* The root record. */
AcRxClass *AcRxObject::isA() const { return desc(); }
AcRxClass *AcRxObject::desc() { return rx_class("AcRxObject"); }

/* True when the object's class is cls or one of its descendants. */
bool AcRxObject::isKindOf(const AcRxClass *cls) const {
  AcRxClass *mine = isA();
  return mine && mine->isDerivedFrom(cls);
}

AcRxClass::AcRxClass(const char *name, AcRxClass *parent) : m_name(name ? name : ""), m_parent(parent) {}
AcRxClass *AcRxClass::isA() const { return desc(); }
AcRxClass *AcRxClass::desc() { return rx_class("AcRxClass"); }
const char *AcRxClass::name() const { return m_name.c_str(); }
AcRxClass *AcRxClass::myParent() const { return m_parent; }

/* Walks up the parents; false for a null other. */
bool AcRxClass::isDerivedFrom(const AcRxClass *other) const {
  if (!other) return false;
  for (const AcRxClass *c = this; c; c = c->m_parent)
    if (c == other) return true;
  return false;
}

AcRxClass *AcRxDictionary::isA() const { return desc(); }
AcRxClass *AcRxDictionary::desc() { return rx_class("AcRxDictionary"); }

/* The entry of the key, or nullptr. */
AcRxObject *AcRxDictionary::at(const char *key) const {
  if (!key) return nullptr;
  for (auto &e : m_entries)
    if (e.first == key) return e.second;
  return nullptr;
}

/* Enters or replaces; the replaced entry, or nullptr (also for a null key
** or object, which are refused). */
AcRxObject *AcRxDictionary::atPut(const char *key, AcRxObject *obj) {
  if (!key || !obj) return nullptr;
  for (auto &e : m_entries)
    if (e.first == key) {
      AcRxObject *old = e.second;
      e.second = obj;
      return old;
    }
  m_entries.emplace_back(key, obj);
  return nullptr;
}

/* Takes the entry out; it, or nullptr when absent. */
AcRxObject *AcRxDictionary::remove(const char *key) {
  if (!key) return nullptr;
  for (size_t i = 0; i < m_entries.size(); ++i)
    if (m_entries[i].first == key) {
      AcRxObject *old = m_entries[i].second;
      m_entries.erase(m_entries.begin() + (long)i);
      return old;
    }
  return nullptr;
}

/* ---- Registry functions ---- */

/* The system registry; never null. */
AcRxDictionary *acrxSysRegistry() { return &rx_reg().sys; }

/* True while the service's name is in "ServiceDictionary". */
bool acrxServiceIsRegistered(const char *serviceName) {
  return serviceName && rx_reg().services.at(serviceName) != nullptr;
}

/* The record of the class: the existing one, or a new one under the
** parent; nullptr for a null name, an unknown parent, or a name already
** registered under another parent. */
AcRxClass *newAcRxClass(const char *className, const char *parentClassName) {
  if (!className || !*className || !parentClassName) return nullptr;
  rx_registry &r = rx_reg();
  AcRxClass *parent = static_cast<AcRxClass *>(r.classes.at(parentClassName));
  if (!parent) return nullptr;
  if (AcRxClass *old = static_cast<AcRxClass *>(r.classes.at(className)))
    return old->myParent() == parent ? old : nullptr;
  return rx_add_class(r, className, parent);
}

/* Enters a service and its registry object (the service's own use). */
void lsv_registry_put(const char *service, const char *objName, AcRxObject *obj) {
  rx_reg().services.atPut(service, obj);
  rx_reg().sys.atPut(objName, obj);
}

/* Takes a service and its registry object out. */
void lsv_registry_take(const char *service, const char *objName) {
  rx_reg().services.remove(service);
  rx_reg().sys.remove(objName);
}

/* ---- The database and its objects ---- */

AcRxClass *AcDbDatabase::isA() const { return desc(); }
AcRxClass *AcDbDatabase::desc() { return rx_class("AcDbDatabase"); }

/* The one database object, standing for the current drawing. */
AcDbDatabase *acdbCurDwg() {
  static AcDbDatabase cur;
  return &cur;
}

/* Id of the entity of a name; see ase_service.h. */
Acad::ErrorStatus acdbGetObjectId(AcDbObjectId &id, const ads_name ent) {
  id = AcDbObjectId();
  if (!ent || ent[1] != NAME_ENT || ent[0] <= 0) return Acad::eInvalidInput;
  if (!name_entity(ent, false)) return Acad::eKeyNotFound;
  id = AcDbObjectId((unsigned long)ent[0]);
  return Acad::eOk;
}

AcDbObject::AcDbObject(unsigned long handle) : m_handle(handle) {}
AcDbObject::~AcDbObject() = default;
AcRxClass *AcDbObject::isA() const { return desc(); }
AcRxClass *AcDbObject::desc() { return rx_class("AcDbObject"); }
AcDbDatabase *AcDbObject::database() const { return acdbCurDwg(); }
AcDbObjectId AcDbObject::objectId() const { return AcDbObjectId(m_handle); }

/* Frees the object; eOk. */
Acad::ErrorStatus AcDbObject::close() {
  delete this;
  return Acad::eOk;
}

AcRxClass *AcDbEntity::isA() const { return desc(); }
AcRxClass *AcDbEntity::desc() { return rx_class("AcDbEntity"); }

/* Opens an entity of the current drawing; see ase_service.h. */
Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject *&obj, AcDbObjectId id, AcDb::OpenMode mode) {
  (void)mode;
  obj = nullptr;
  if (id.isNull()) return Acad::eInvalidInput;
  db_entity *e = db_entity_find(db(), id.handle(), false);
  if (!e) return Acad::eKeyNotFound;
  if (e->erased) return Acad::eWasErased;
  obj = new AcDbEntity(id.handle());
  return Acad::eOk;
}

/* The class record of the service protocol; nullptr until the service
** registered it. */
AcRxClass *CAseRxObj::desc() { return rx_class("CAseRxObj"); }
AcRxClass *CAseRxObj::isA() const { return desc(); }
