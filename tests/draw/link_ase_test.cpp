/*
** link_ase_test.cpp: host link creation against the editor's link store
** and a DB3 project run by the DB3 driver: the requests of a first link
** and of a link path name already known, an entity linked again, a
** project whose links are off, every failure printing its messages once
** and switching the project's links off, and the makers that keep or
** delete their entity when the host link fails.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ase_service.h"
#include "core/err_text.h"
#include "core/pv_globals.h"
#include "core/sql_fixture.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/link_ase.h"
#include "draw/sym_place.h"
#include "host_editor.h"
#include "linkclient/ase_api.h"

namespace {

/* Requests of the link store the tests look for. */
constexpr int RQ_CREATE_PATH = 20;
constexpr int RQ_ERASE_LINKS = 47;
constexpr int RQ_WRITE_LINK = 32;

class HostLinks : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    host_new_drawing();
    ads_regapp(LINK_APP_NAME);
    ase_service_reset_hooks();
    if (!ase_service_registered()) { ASSERT_EQ(ads_arxload("ase"), RTNORM); }
    g_ase_app = ase_open_app();
    ASSERT_NE(g_ase_app, nullptr);
    g_env_names = (char **)calloc(1, sizeof(char *));
    g_env_names[0] = strdup("DB3");
    g_env_count = 1;
    run("CREATE TABLE STATION (BASENUMBER NUMERIC(8), STATION CHAR(10), NAME CHAR(20))");
    station_ = register_table("STATION", true);
    project_->link_flags |= PJCT_LINKS_ON;
    ase_service_clear_calls();
    host_io_clear_transcript();
  }
  void TearDown() override {
    if (dir_.empty()) return;
    ase_close_app(&g_ase_app);
    ase_service_reset_hooks();
    SqlDb3Test::TearDown();
  }

  /* Registers a table of type STATION, with its BASENUMBER key or not. */
  tbl_rec *register_table(const char *name, bool with_id) {
    sql_col_rec *cols = nullptr;
    EXPECT_GT(sql_describe_table(project_->connection, name, &cols, 0), 0) << name;
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "%s", name);
    t->columns = cols;
    t->table_type = TBL_DEF_STATION;
    for (sql_col_rec *c = cols; c; c = c->next) t->column_count++;
    if (with_id) t->keys[TBL_KEY_BASENUMBER] = cols;
    EXPECT_EQ(tbl_add(project_, t), 0);
    return tbl_find_by_name(project_->tables, name, nullptr);
  }

  /* A plain LINE; its name. */
  static void line(ads_name out) {
    ads_point a = {0, 0, 0}, b = {1, 1, 0};
    struct resbuf *l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0);
    ASSERT_EQ(ads_entmakex(l, out), RTNORM);
    ads_relrb(l);
  }

  /* Defines the block MARK of one LINE. */
  static void block_with_line() {
    geo_point o = {0, 0, 0, 0}, b = {1, 0, 0, 0};
    ASSERT_EQ(ent_make_block("MARK", &o, 0), 0);
    ASSERT_EQ(ent_make_line(&o, &b, "0", 0, nullptr), 0);
    ASSERT_EQ(ent_make_endblk(nullptr), 0);
  }

  static link_rec st(const char *table = "STATION") {
    link_rec l;
    link_clear(&l);
    strcpy(l.project, "GEO");
    snprintf(l.table, sizeof l.table, "%s", table);
    l.row_id = 12;
    strcpy(l.key_column, "STATION");
    strcpy(l.key_value, "ST1");
    return l;
  }

  /* How often a text appears in the transcript. */
  static int printed(const std::string &what) {
    std::string t = host_io_transcript();
    int n = 0;
    for (size_t at = t.find(what); at != std::string::npos; at = t.find(what, at + 1)) ++n;
    return n;
  }
  static int requests(int code) {
    auto codes = ase_service_request_codes();
    return (int)std::count(codes.begin(), codes.end(), code);
  }
  /* The number of host links of an entity in the store. */
  static int links_of(const ads_name e) {
    struct resbuf *l = ads_entget(e);
    std::string handle = rb_find(l, 5)->resval.rstring;
    ads_relrb(l);
    std::string dump = ase_service_dump(), want = " entity " + handle + " ";
    int n = 0;
    for (size_t at = 0; (at = dump.find("LINK ", at)) != std::string::npos; ++at) {
      size_t end = dump.find('\n', at);
      if (dump.substr(at, end - at).find(want) != std::string::npos) ++n;
    }
    return n;
  }

  /* Expects a failure of the given stage: the messages once each, the
  ** links switch off, and the next call sending nothing. */
  void expect_failed(const link_rec &l, const ads_name e, bool path_stage) {
    EXPECT_EQ(printed("Could not create link path."), path_stage ? 1 : 0);
    EXPECT_EQ(printed("Could not create link.\n"), 1);
    EXPECT_EQ(printed(ERR_TITLE " Could not create link"), path_stage ? 2 : 1);
    EXPECT_EQ(project_->link_flags & PJCT_LINKS_ON, 0u);
    ase_service_clear_calls();
    EXPECT_EQ(link_ase_create(&l, e), RTNORM);
    EXPECT_TRUE(ase_service_calls().empty());
  }

  tbl_rec *station_ = nullptr;   /* the registered STATION table */
};

TEST(LinkPathName, EveryCharacterButLettersAndDigitsBecomesAnUnderscore) {
  char out[300];
  struct {
    const char *project, *table, *want;
  } cases[] = {{"GEO-1", "STATION", "GEO_1$STATION"}, {"GEO", "ST_A", "GEO$ST_A"}, {"a b", "x.y", "a_b$x_y"}};
  for (auto &c : cases) EXPECT_STREQ(link_path_name(c.project, c.table, out, sizeof out), c.want);
}

TEST_F(HostLinks, AFirstLinkCreatesThePathOnceAndALinkedEntityIsLinkedAgainOnce) {
  ads_name e1, e2;
  line(e1);
  line(e2);
  link_rec l = st();
  ASSERT_EQ(link_ase_create(&l, e1), RTNORM) << host_io_transcript();
  EXPECT_EQ(requests(RQ_CREATE_PATH), 1);
  EXPECT_EQ(requests(RQ_WRITE_LINK), 1);
  EXPECT_EQ(links_of(e1), 1);
  /* The link path name is known now: no second path. */
  ase_service_clear_calls();
  ASSERT_EQ(link_ase_create(&l, e2), RTNORM);
  EXPECT_EQ(requests(RQ_CREATE_PATH), 0);
  EXPECT_EQ(links_of(e2), 1);
  /* Linked again: the earlier host link is erased first. */
  ase_service_clear_calls();
  ASSERT_EQ(link_ase_create(&l, e1), RTNORM);
  EXPECT_EQ(requests(RQ_ERASE_LINKS), 1);
  EXPECT_EQ(requests(RQ_WRITE_LINK), 1);
  EXPECT_EQ(links_of(e1), 1);
  EXPECT_EQ(printed("Could not"), 0);
  EXPECT_NE(project_->link_flags & PJCT_LINKS_ON, 0u);
}

TEST_F(HostLinks, ProjectsWithLinksOffAndBadArgumentsSendNothing) {
  ads_name e, none = {0, 0};
  line(e);
  link_rec l = st();
  project_->link_flags = 0;
  EXPECT_EQ(link_ase_create(&l, e), RTNORM);
  project_->link_flags = PJCT_LINKS_ON;
  EXPECT_EQ(link_ase_create(nullptr, e), -2);
  EXPECT_EQ(link_ase_create(&l, none), -2);
  link_rec other = st("NOSUCH");
  EXPECT_EQ(link_ase_create(&other, e), -2);
  strcpy(other.project, "ELSEWHERE");
  EXPECT_EQ(link_ase_create(&other, e), -2);
  EXPECT_TRUE(ase_service_calls().empty());
  EXPECT_EQ(printed("Could not"), 0);
}

TEST_F(HostLinks, TablesWithoutBasenumberOrAPreparableStatementFailAtThePath) {
  struct {
    const char *table, *create;
    bool with_id, dropped;
  } cases[] = {{"NOID", "CREATE TABLE NOID (STATION CHAR(10), NAME CHAR(20))", false, false},
               {"GONE", "CREATE TABLE GONE (BASENUMBER NUMERIC(8), STATION CHAR(10))", true, true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.table);
    run(c.create);
    register_table(c.table, c.with_id);
    if (c.dropped) run(std::string("DROP TABLE ") + c.table);
    project_->link_flags |= PJCT_LINKS_ON;
    host_io_clear_transcript();
    ads_name e;
    line(e);
    link_rec l = st(c.table);
    EXPECT_EQ(link_ase_create(&l, e), RTERROR);
    expect_failed(l, e, true);
  }
}

TEST_F(HostLinks, ARefusedPathOrLinkPrintsItsMessagesOnceAndSwitchesLinksOff) {
  ads_name e;
  line(e);
  link_rec l = st();
  ase_service_fail_request(RQ_CREATE_PATH, 1);
  EXPECT_EQ(link_ase_create(&l, e), RTERROR);
  expect_failed(l, e, true);

  project_->link_flags |= PJCT_LINKS_ON;
  host_io_clear_transcript();
  ase_service_fail_request(RQ_WRITE_LINK, 1);
  EXPECT_EQ(link_ase_create(&l, e), RTERROR);
  expect_failed(l, e, false);
}

TEST_F(HostLinks, MakersKeepOrDeleteTheirEntityWhenTheHostLinkFails) {
  block_with_line();
  struct {
    const char *what;
    int want;
    int kept;
  } cases[] = {{"text", -1, 0}, {"line", -1, 1}, {"block reference", 0, 1}};
  for (auto &c : cases) {
    project_->link_flags |= PJCT_LINKS_ON;
    ase_service_fail_request(RQ_WRITE_LINK, 1);
    int before = host_model_entity_count();
    sym_place_rec r;
    sym_place_init(&r);
    r.link = st();
    r.name = strcmp(c.what, "block reference") == 0 ? "MARK" : "ST1";
    int rc;
    if (strcmp(c.what, "text") == 0) {
      rc = sym_place_text(&r);
    } else if (strcmp(c.what, "line") == 0) {
      geo_point a = {0, 0, 0, 0}, b = {2, 0, 0, 0};
      rc = ent_make_line(&a, &b, "", -1, &r.link);
    } else {
      r.mode = SYM_MODE_INSERT;
      rc = sym_place_insert_block(&r);
    }
    EXPECT_EQ(rc, c.want) << c.what;
    EXPECT_EQ(host_model_entity_count() - before, c.kept) << c.what;
    EXPECT_EQ(project_->link_flags & PJCT_LINKS_ON, 0u) << c.what;
  }
}

}  // namespace
