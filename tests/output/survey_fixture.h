/*
** survey_fixture.h: what the pie-diagram and drill-hole tests share: a
** project GEO held in memory with a STATION table ST (base number, station,
** collar X and Y in the map's USER system, assay and survey columns, each
** with its input rule), rows of it made from texts, and the entities of a
** polyline or a block read back from the stand-in editor.
*/
#ifndef PV_TESTS_OUTPUT_SURVEY_FIXTURE_H
#define PV_TESTS_OUTPUT_SURVEY_FIXTURE_H

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "coords/prj_list.h"
#include "core/pie_rec.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/sym_setup.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "map/draw_fixture.h"
#include "platform/dialog/dialog_test_api.h"

class SurveyTest : public DrawTest {
 protected:
  pjct_rec *geo_ = nullptr;
  tbl_rec *st_ = nullptr;
  pnt_rec *collar_ = nullptr;
  prj_rec user_{};
  sql_col_rec *row_ = nullptr;
  std::vector<col_attr_rec *> rules_;
  int saved_dcl_ = PV_NO_DCL;    /* the dialog file loaded before load_dialogs */

  /* The columns of ST in order: name and whether it is CHAR. */
  static const std::vector<std::pair<const char *, bool>> &layout() {
    static const std::vector<std::pair<const char *, bool>> l = {
        {"BASENUMBER", false}, {"STN", true}, {"X", false},  {"Y", false},  {"CU", false},
        {"ZN", false},         {"PB", false}, {"AG", false}, {"AU", false}, {"AS", false},
        {"SB", false},         {"BI", false}, {"CO", false}, {"ROCK", true}, {"AZIM", false},
        {"DIP", false},        {"LEN", false}};
    return l;
  }

  void SetUp() override {
    DrawTest::SetUp();
    geo_ = project("GEO");
    geo_->connection = (void *)this; /* any handle: it only identifies the project */
    st_ = tbl_rec_new();
    snprintf(st_->name, sizeof st_->name, "ST");
    st_->table_type = TBL_DEF_STATION;
    st_->next = geo_->tables;
    geo_->tables = st_;
    sql_col_rec **tail = &st_->columns;
    for (const auto &[name, text] : layout()) {
      *tail = sql_col_new(name, "ST", text ? SQL_TYPE_CHAR : SQL_TYPE_NUMERIC, 20, 0);
      (*tail)->connection = geo_->connection;
      col_attr_rec *r = col_attr_new();
      snprintf(r->column, sizeof r->column, "%s", name);
      snprintf(r->table, sizeof r->table, "ST");
      rules_.push_back(r);
      (*tail)->attr = r;
      tail = &(*tail)->next;
      st_->column_count++;
    }
    st_->keys[TBL_KEY_BASENUMBER] = column("BASENUMBER");
    st_->keys[TBL_KEY_STATION] = column("STN");
    prj_init(&user_);
    snprintf(user_.name, sizeof user_.name, "USER");
    user_.type = PRJ_TYPE_USER;
    collar_ = pnt_new();
    collar_->x_col = column("X");
    collar_->y_col = column("Y");
    collar_->table = st_;
    collar_->projection = &user_;
    geo_->points = collar_;
    for (const char *axis : {"X", "Y"}) {
      column(axis)->attr->flags |= COL_ATTR_POINT;
      column(axis)->attr->point = collar_;
    }
    map_params_init(&g_map_params);
    g_map_params.projection = &user_;
  }
  void TearDown() override {
    free_row();
    for (sql_col_rec *c = st_->columns; c; c = c->next) c->attr = nullptr;
    for (col_attr_rec *r : rules_) col_attr_free(r);
    rules_.clear();
    pie_list_free(&geo_->pies);
    sym_list_free(&geo_->symbols);
    pnt_list_free(&geo_->points);
    map_params_init(&g_map_params);
    DrawTest::TearDown();
  }
  /* Loads PETRIVEX.DCL for a scripted dialog and clears the snapshots. */
  void load_dialogs() {
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
  }
  void unload_dialogs() {
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
  }
  void free_row() {
    for (sql_col_rec *c = row_; c; c = c->next) c->attr = nullptr;
    sql_col_list_free(&row_);
  }

  /* The registered column of ST of that name. */
  sql_col_rec *column(const char *name) { return sql_col_find(st_->columns, name, nullptr, nullptr); }
  /* The row index of a column of ST. */
  static int index_of(const char *name) {
    for (size_t i = 0; i < layout().size(); i++)
      if (strcmp(layout()[i].first, name) == 0) return (int)i;
    return -1;
  }

  /* A row of ST: the given texts by column name; BASENUMBER 7, STN "S7",
  ** X 100 and Y 200 unless given; every other column null. */
  sql_col_rec *make_row(const std::map<std::string, const char *> &texts) {
    free_row();
    std::map<std::string, const char *> all = {{"BASENUMBER", "7"}, {"STN", "S7"}, {"X", "100"}, {"Y", "200"}};
    for (const auto &t : texts) all[t.first] = t.second;
    sql_col_rec **tail = &row_;
    for (sql_col_rec *c = st_->columns; c; c = c->next) {
      *tail = sql_col_new(c->name, "ST", c->sql_type, 20, 0);
      auto it = all.find(c->name);
      snprintf((*tail)->text, (size_t)sql_col_text_size(*tail), "%s", it == all.end() ? "" : it->second);
      (*tail)->null_ind = it == all.end() ? SQL_COL_NULL : 0;
      (*tail)->connection = geo_->connection;
      (*tail)->attr = c->attr;
      tail = &(*tail)->next;
    }
    return row_;
  }
  /* Puts new texts into the row's columns (as a fetch would). */
  void set_texts(const std::map<std::string, const char *> &texts) {
    for (const auto &t : texts) {
      sql_col_rec *c = sql_col_find(row_, t.first.c_str(), nullptr, nullptr);
      snprintf(c->text, (size_t)sql_col_text_size(c), "%s", t.second);
      c->null_ind = 0;
    }
  }

  /* A symbol setup of the project owned by a column of ST. */
  sym_rec *column_setup(const char *name, int flags, int position) {
    sym_rec *s = sym_new();
    s->flags = flags;
    s->position = position;
    s->owner_kind = SYM_OWNER_COLUMN;
    s->owner = column(name)->attr;
    column(name)->attr->symbol = s;
    sym_set_text(&s->symbol, name);
    s->next = geo_->symbols;
    geo_->symbols = s;
    return s;
  }

  /* Moves an entity name on to the next entity; false at the end. */
  static bool step(ads_name e) {
    ads_name next;
    if (ads_entnext(e, next) != RTNORM) return false;
    e[0] = next[0], e[1] = next[1];
    return true;
  }
  /* The entity type name of an entity. */
  static std::string type_of(const ads_name e) {
    struct resbuf *l = ads_entget(e);
    struct resbuf *t = rb_find(l, 0);
    std::string s = t ? t->resval.rstring : "";
    ads_relrb(l);
    return s;
  }
  /* The x and y of a point group of an entity; NANs when it has none. */
  static std::pair<double, double> point_of(const ads_name e, int code) {
    struct resbuf *l = ads_entget(e);
    struct resbuf *r = rb_find(l, code);
    std::pair<double, double> p = r ? std::pair{r->resval.rpoint[0], r->resval.rpoint[1]} : std::pair{(double)NAN, (double)NAN};
    ads_relrb(l);
    return p;
  }
  /* The group-10 points of the VERTEX entities after a POLYLINE head. */
  static std::vector<std::pair<double, double>> vertices(const ads_name head) {
    std::vector<std::pair<double, double>> out;
    ads_name e = {head[0], head[1]}, next;
    while (ads_entnext(e, next) == RTNORM) {
      e[0] = next[0], e[1] = next[1];
      struct resbuf *l = ads_entget(e);
      struct resbuf *t = rb_find(l, 0), *p = rb_find(l, 10);
      bool vertex = t && strcmp(t->resval.rstring, "VERTEX") == 0;
      if (vertex && p) out.emplace_back(p->resval.rpoint[0], p->resval.rpoint[1]);
      ads_relrb(l);
      if (!vertex) break;
    }
    return out;
  }
  /* The type names of the entities of a block, in order, with the first
  ** entity's name in *first. */
  static std::vector<std::string> block_types(const char *name, ads_name first) {
    std::vector<std::string> out;
    struct resbuf *b = ads_tblsearch("BLOCK", name, 0);
    struct resbuf *f = rb_find(b, -2);
    if (f) {
      ads_name e = {f->resval.rlname[0], f->resval.rlname[1]};
      first[0] = e[0], first[1] = e[1];
      ads_name next;
      do out.push_back(type_of(e));
      while (ads_entnext(e, next) == RTNORM && (e[0] = next[0], e[1] = next[1], true));
    }
    ads_relrb(b);
    return out;
  }
};

#endif
