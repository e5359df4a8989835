/*
** linkstore_fixture.h: shared set-up of the link-store service tests: a
** new drawing with the service loaded and its hooks reset, and small
** helpers that send a request, read the error items of request 63,
** register a link path name and write a link.
*/
#ifndef PV_TESTS_PLATFORM_LINKSTORE_FIXTURE_H
#define PV_TESTS_PLATFORM_LINKSTORE_FIXTURE_H

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "ase_service.h"
#include "editor_fixture.h"

/* Description of an INTEGER key column as the module sends it. */
#define INT_KEY(name) RTSTR, name, RTSTR, "", RTSTR, "", RTSHORT, 4, RTSHORT, 0, RTSHORT, 0, RTSHORT, 0, RTSHORT, 1024

class LinkStoreTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ase_service_reset_hooks();
    host_register_arx_app("ase", ase_service_load);
    if (!ase_service_registered()) {
      ASSERT_EQ(ads_arxload("ase"), RTNORM);
    }
    ase_service_clear_calls();
  }

  /* The registered service object, or nullptr. */
  static CAseRxObj* svc() { return static_cast<CAseRxObj*>(acrxSysRegistry()->at("Ase_Class")); }

  /* Sends a request; the arguments (made by the test) are released, the
  ** reply stays the service's. */
  static struct resbuf* rq(int code, struct resbuf* args = nullptr) {
    struct resbuf* reply = svc()->request(code, args);
    ads_relrb(args);
    return reply;
  }

  /* True for a reply that counts as none. */
  static bool none(const struct resbuf* r) {
    return !r || r->restype == RTNIL || r->restype == RTVOID || r->restype == RTNONE;
  }

  /* (category, code) of each error item request 63 gives. */
  static std::vector<std::pair<long, long>> errors() {
    std::vector<std::pair<long, long>> out;
    int pending = 0;
    for (struct resbuf* r = svc()->request(63, nullptr); r; r = r->rbnext) {
      if (r->restype == RTREAL) out.emplace_back(0, 0);
      else if (r->restype == RTSHORT) pending = r->resval.rint;
      else if (r->restype == RTLONG && !out.empty() && pending == 1025) out.back().first = r->resval.rlong;
      else if (r->restype == RTLONG && !out.empty() && pending == 1026) out.back().second = r->resval.rlong;
    }
    return out;
  }

  /* Registers a link path name with one INTEGER key column; the status. */
  static int register_lpn(const char* path, const char* lpn, const char* key = "BASENUMBER") {
    struct resbuf* r = rq(20, ads_buildlist(RTSTR, path, RTSTR, lpn, INT_KEY(key), 0));
    return r && r->restype == RTSHORT ? r->resval.rint : -1;
  }

  /* Writes a link of kind 1 with one long key, a new one or the one of
  ** that number; its number, or -1. */
  static long write_link(const ads_name ent, const char* lpn, long key, long number = -1) {
    struct resbuf* r = rq(32, ads_buildlist(RTSHORT, 1, RTLONG, (int)number, RTSHORT, 2, RTSHORT, 1, RTSHORT, 3, RTSHORT, 0,
                                            RTSHORT, 4, RTENAME, ent, RTSHORT, 5, RTSTR, lpn, RTSHORT, 6, RTLB,
                                            RTLONG, (int)key, RTLE, 0));
    return r && r->restype == RTSHORT && r->rbnext && r->rbnext->restype == RTLONG ? r->rbnext->resval.rlong : -1;
  }

  /* The handle of an entity name as the store's dump writes it. */
  static std::string handle_text_of(const ads_name n) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%lX", (unsigned long)n[0]);
    return buf;
  }

  /* A selection of the filter; its number, or -1. */
  static long select(struct resbuf* filter) {
    struct resbuf* r = rq(34, filter);
    return r && r->restype == RTREAL ? (long)r->resval.rreal : -1;
  }
};

#endif /* PV_TESTS_PLATFORM_LINKSTORE_FIXTURE_H */
