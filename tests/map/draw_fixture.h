/*
** draw_fixture.h: what the drawing and link tests share: a new drawing in
** the stand-in editor with a quiet screen, the group codes of an entity
** as it was made, and logged-on projects whose registered tables exist
** only in memory (enough for every link check that reads no rows).
*/
#ifndef PV_TESTS_MAP_DRAW_FIXTURE_H
#define PV_TESTS_MAP_DRAW_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "draw/link.h"
#include "host_editor.h"
#include "platform/editor_fixture.h"
#include "platform/host_io.h"

class DrawTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ads_regapp(LINK_APP_NAME);
  }
  void TearDown() override {
    while (g_pjct_list) {
      pjct_rec *p = g_pjct_list;
      g_pjct_list = p->next;
      tbl_list_free(p->tables);
      while (p->col_attrs) {
        col_attr_rec *next = p->col_attrs->next;
        col_attr_free(p->col_attrs);
        p->col_attrs = next;
      }
      free(p);
    }
  }

  /* A project with the links switch off, put at the head of g_pjct_list. */
  static pjct_rec *project(const char *name) {
    pjct_rec *p = (pjct_rec *)calloc(1, sizeof(pjct_rec));
    snprintf(p->name, sizeof p->name, "%s", name);
    p->next = g_pjct_list;
    g_pjct_list = p;
    return p;
  }

  /* A registered table of a type with the columns BASENUMBER, the type's
  ** own key column (unless OTHER), NAME and the given extra columns. */
  static tbl_rec *table(pjct_rec *p, const char *name, int type, std::vector<const char *> extra = {}) {
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "%s", name);
    t->table_type = type;
    std::vector<const char *> cols = {"BASENUMBER"};
    const char *own = link_own_key_name(type);
    if (strcmp(own, "BASENUMBER") != 0) cols.push_back(own);
    cols.push_back("NAME");
    for (const char *e : extra) cols.push_back(e);
    sql_col_rec **tail = &t->columns;
    for (const char *c : cols) {
      *tail = sql_col_new(c, name, strcmp(c, "NAME") == 0 ? SQL_TYPE_CHAR : SQL_TYPE_NUMERIC, 20, 0);
      tail = &(*tail)->next;
      t->column_count++;
    }
    t->keys[TBL_KEY_BASENUMBER] = t->columns;
    t->next = p->tables;
    p->tables = t;
    return t;
  }

  /* A link record. */
  static link_rec link(const char *project, const char *table, int row, const char *column, const char *value,
                       const char *extra = "") {
    link_rec l;
    link_clear(&l);
    snprintf(l.project, sizeof l.project, "%s", project);
    snprintf(l.table, sizeof l.table, "%s", table);
    l.row_id = row;
    snprintf(l.key_column, sizeof l.key_column, "%s", column);
    snprintf(l.key_value, sizeof l.key_value, "%s", value);
    snprintf(l.extra, sizeof l.extra, "%s", extra);
    return l;
  }

  /* A link's fields as "project|table|row|column|value|extra". */
  static std::string fields(const link_rec &l) {
    return std::string(l.project) + "|" + l.table + "|" + std::to_string(l.row_id) + "|" + l.key_column + "|" +
           l.key_value + "|" + l.extra;
  }

  /* The group codes of an entity as made: its list without the entity
  ** name (-1) and handle (5), extended data of "PETRIVEX" included. */
  static std::vector<int> codes(const ads_name e) {
    struct resbuf *apps = ads_buildlist(RTSTR, LINK_APP_NAME, 0);
    struct resbuf *l = ads_entgetx(e, apps);
    ads_relrb(apps);
    std::vector<int> out;
    for (struct resbuf *r = l; r; r = r->rbnext)
      if (r->restype != -1 && r->restype != 5) out.push_back(r->restype);
    ads_relrb(l);
    return out;
  }

  /* The codes of the last entity; empty when there is none. */
  static std::vector<int> last_codes() {
    ads_name e;
    if (ads_entlast(e) != RTNORM) return {};
    return codes(e);
  }

  /* Number of model-space entities. */
  static int entities() { return host_model_entity_count(); }
};

#endif
