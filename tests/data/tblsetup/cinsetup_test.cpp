/*
** cinsetup_test.cpp: the column input setup dialog run through the
** stand-in editor's scripted dialogs on a DB3 project with a registered
** station table and a dictionary LITHO with its profile GEOLO: what the
** tiles show and enable by the column's keys and type, the memo and image
** switches, how accept reads the tiles back, loads or shares the profile,
** warns about a default outside it and installs the rule.
*/
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/item_tree.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/sql_fixture.h"
#include "core/sym_setup.h"
#include "core/tile_util.h"
#include "data/cinsetup.h"
#include "data/item_table.h"
#include "data/tblsetup.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

/* Every tile of the dialog the user can change. */
const char *const k_editable[] = {"cin_prf",    "cin_dix",    "cin_level", "cin_many", "cin_delim", "cin_defval",
                                  "cin_minval", "cin_maxval", "cin_edit",  "cin_null", "cin_def",   "cin_inc",
                                  "cin_unq",    "cin_plot",   "cin_max",   "cin_memo", "cin_image"};

class CinSetup : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    run("CREATE TABLE STATN (BASENUMBER NUMERIC(8,0), STATION NUMERIC(8,0), SEGMENT CHAR(8), ELEV NUMERIC(8,2), "
        "NAME CHAR(20), ROCKTYPE CHAR(20), ROCKTWO CHAR(20))");
    statn_ = tbl_rec_new();
    snprintf(statn_->name, sizeof statn_->name, "STATN");
    statn_->table_type = TBL_DEF_STATION;
    statn_->column_count = sql_describe_table(project_->connection, "STATN", &statn_->columns, 0);
    ASSERT_GT(statn_->column_count, 0);
    statn_->keys[TBL_KEY_BASENUMBER] = column("BASENUMBER");
    statn_->keys[TBL_KEY_STATION] = column("STATION");
    statn_->keys[TBL_KEY_SEGMENT] = column("SEGMENT");
    ASSERT_EQ(tbl_insert(project_, statn_), 0);
    ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
    make_profile("GEOLO", "LITHO", {"Granite", "Shale"});
  }

  void TearDown() override {
    if (tblsetup_state_get()->tree) tblsetup_table_list_free(&tblsetup_state_get()->tree);
    for (pjct_rec *p = g_pjct_list; p; p = p->next) prf_project_logoff(p);
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    SqlDb3Test::TearDown();
  }

  /* The registered column of STATN of that name. */
  sql_col_rec *column(const char *name) {
    sql_col_rec *c = tbl_column_find(statn_->columns, name, nullptr, nullptr);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }

  /* A dictionary holding the items and a profile listing them at the top. */
  void make_profile(const char *profile, const char *dictionary, const std::vector<const char *> &items) {
    char d[DIX_NAME_MAX + 2], p[DIX_NAME_MAX + 2];
    snprintf(d, sizeof d, "%s", dictionary);
    snprintf(p, sizeof p, "%s", profile);
    ASSERT_EQ(dix_create(d), 0);
    ASSERT_EQ(prf_create(p, d), 0);
    uint32_t sort = 1;
    for (const char *item : items) {
      uint16_t number = 0;
      ASSERT_EQ(dix_insert(dictionary, item, "", &number, "", 0), 0) << item;
      ASSERT_EQ(prf_insert(profile, sort++, number, 0, 0), 5100) << item;
    }
  }

  /* Runs the dialog on a STATN column's rule with the answers; answers
  ** the rule the column carries afterwards. */
  col_attr_rec *cin(const char *name, const std::string &answers) {
    host_io_clear_transcript();
    host_io_clear_faults();
    host_io_use_script_text("pv_cinsetup\n" + answers);
    sql_col_rec *c = column(name);
    EXPECT_EQ(pv_cinsetup_dialog(c->attr, project_), RTNORM);
    EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
    return c->attr;
  }

  /* A tile of the dialog as it ended. */
  static dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile("pv_cinsetup", key, t)) << key;
    return t;
  }

  /* The editable tiles that were enabled when the dialog ended. */
  static std::set<std::string> enabled() {
    std::set<std::string> on;
    for (const char *key : k_editable)
      if (tile(key).enabled) on.insert(key);
    return on;
  }

  int saved_dcl_ = PV_NO_DCL;   /* g_dcl_id before the test */
  tbl_rec *statn_ = nullptr;    /* the registered STATION table */
};

TEST_F(CinSetup, ProfileAndDictionaryKeepTheFirstWordUpperCasedInFiveCharacters) {
  col_attr_rec *r = cin("ROCKTYPE", "set cin_dix \"litho dict\"\nset cin_prf geology\nok\n");
  EXPECT_STREQ(r->dictionary, "LITHO");
  EXPECT_STREQ(r->profile, "GEOLO");
  EXPECT_NE(r->tree, nullptr) << "the profile GEOLO of LITHO loads";
  EXPECT_TRUE(r->flags & COL_ATTR_PROFILE);
  EXPECT_TRUE(project_->flags & PJCT_CHG_COLUMNS);
  EXPECT_EQ(col_attr_find(project_->col_attrs, "ROCKTYPE", "STATN", nullptr), r) << "the rule is listed";
}

TEST_F(CinSetup, AMinimumAboveTheMaximumIsRefusedAndEqualBoundsAreAccepted) {
  col_attr_rec *before = column("ELEV")->attr;
  EXPECT_EQ(cin("ELEV", "set cin_minval 6\nset cin_maxval 5\nok\ncancel\n"), before);
  EXPECT_EQ(tile("error").value, "ERROR: Minimum is greater than maximum");
  EXPECT_EQ(project_->col_attrs, nullptr) << "a refused accept lists nothing";

  static const struct {
    const char *min, *max;    /* typed bounds */
    unsigned range;           /* range bits stored */
    double minimum, maximum;  /* values stored */
  } k[] = {
      {"5", "5", COL_ATTR_HAS_MIN | COL_ATTR_HAS_MAX, 5, 5},
      {"-2.5", "\"\"", COL_ATTR_HAS_MIN, -2.5, 0},
      {"\"\"", "5000", COL_ATTR_HAS_MAX, 0, 5000},
  };
  for (auto &e : k) {
    col_attr_rec *r =
        cin("ELEV", std::string("set cin_minval ") + e.min + "\nset cin_maxval " + e.max + "\nok\n");
    EXPECT_EQ(r->range, e.range) << e.min << " " << e.max;
    EXPECT_DOUBLE_EQ(r->minimum, e.minimum) << e.min;
    EXPECT_DOUBLE_EQ(r->maximum, e.maximum) << e.max;
  }
  cin("ELEV", "cancel\n");
  EXPECT_EQ(tile("cin_minval").value, "") << "a bound without its bit shows blank";
  EXPECT_EQ(tile("cin_maxval").value, "5000.000000");
}

TEST_F(CinSetup, ABoundThatIsNoNumberIsRefusedNotReadAsZero) {
  cin("ELEV", "set cin_minval 12abc\nok\ncancel\n");
  EXPECT_EQ(tile("error").value, "ERROR: Minimum is not a number");
  cin("ELEV", "set cin_maxval x\nok\ncancel\n");
  EXPECT_EQ(tile("error").value, "ERROR: Maximum is not a number");
  EXPECT_EQ(project_->col_attrs, nullptr);
}

TEST_F(CinSetup, LevelBlankOrBelowOneStoresNone) {
  static const struct {
    const char *typed;   /* level text */
    int stored;          /* level kept */
  } k[] = {{"\"\"", 0}, {"0", 0}, {"-4", 0}, {"3", 3}};
  for (auto &e : k)
    EXPECT_EQ(cin("ROCKTYPE", std::string("set cin_level ") + e.typed + "\nok\n")->level, e.stored) << e.typed;
  cin("ROCKTYPE", "cancel\n");
  EXPECT_EQ(tile("cin_level").value, "3");
  cin("ROCKTYPE", "set cin_level 70000\nok\ncancel\n");
  EXPECT_EQ(tile("error").value, "ERROR: Level is too large") << "a level beyond 16 bits must not wrap";
}

TEST_F(CinSetup, MemoOnClearsUniqueDefaultAndIncrementAndOffEnablesThemAgain) {
  col_attr_rec *r = cin("NAME", "set cin_defval Unknown\npick cin_def\npick cin_unq\npick cin_inc\nok\n");
  ASSERT_EQ(r->flags & (COL_ATTR_DEF | COL_ATTR_UNQ | COL_ATTR_INC), COL_ATTR_DEF | COL_ATTR_UNQ | COL_ATTR_INC);
  cin("NAME", "pick cin_memo\ncancel\n");
  for (const char *key : {"cin_unq", "cin_def", "cin_inc", "cin_defval", "cin_max", "cin_image", "cin_prf"}) {
    EXPECT_FALSE(tile(key).enabled) << key;
    EXPECT_NE(tile(key).value, "1") << key;   /* a cleared toggle reads "0" */
  }
  EXPECT_EQ(tile("cin_defval").value, "");
  EXPECT_TRUE(tile("cin_plot").enabled);
  EXPECT_TRUE(tile("cin_memo").enabled) << "memo can be switched off again";

  r = cin("NAME", "pick cin_memo\npick cin_memo\nok\n");
  for (const char *key : {"cin_unq", "cin_def", "cin_inc", "cin_defval", "cin_max", "cin_image", "cin_prf"})
    EXPECT_TRUE(tile(key).enabled) << key;
  EXPECT_EQ(r->flags & (COL_ATTR_DEF | COL_ATTR_UNQ | COL_ATTR_INC | COL_ATTR_MEMO), 0u) << "memo cleared them";
  EXPECT_EQ(r->default_text, nullptr);

  r = cin("NAME", "pick cin_image\nok\n");
  EXPECT_TRUE(r->flags & COL_ATTR_IMAGE);
  cin("NAME", "cancel\n");
  EXPECT_FALSE(tile("cin_memo").enabled) << "an image column is no memo";
  EXPECT_TRUE(tile("cin_defval").enabled) << "an image column keeps a default";
}

TEST_F(CinSetup, TilesAreEnabledByTheColumnsKeyAndType) {
  const std::set<std::string> all(std::begin(k_editable), std::end(k_editable));
  const std::set<std::string> no_profile = {"cin_defval", "cin_minval", "cin_maxval", "cin_edit", "cin_null",
                                            "cin_def",    "cin_inc",    "cin_unq",    "cin_plot", "cin_max"};
  std::set<std::string> char_column = all;
  char_column.erase("cin_many");   /* no profile named yet */
  char_column.erase("cin_delim");
  static const struct {
    const char *column;   /* STATN column */
    const char *why;      /* its role */
  } k[] = {{"BASENUMBER", "unique number"}, {"STATION", "station number"}, {"SEGMENT", "segment number"},
           {"ELEV", "numeric column"},      {"NAME", "character column"}};
  const std::set<std::string> expected[] = {
      {}, {"cin_plot", "cin_max", "cin_minval", "cin_maxval"}, no_profile, no_profile, char_column};
  for (size_t i = 0; i < sizeof k / sizeof k[0]; i++) {
    cin(k[i].column, "cancel\n");
    EXPECT_EQ(enabled(), expected[i]) << k[i].why;
  }
}

TEST_F(CinSetup, OwnKeysByTableTypeAndFixedKeysKeepOnlyPlotAndNextFromMaximum) {
  const std::set<std::string> fixed = {"cin_plot", "cin_max"};
  const std::set<std::string> no_profile = {"cin_defval", "cin_minval", "cin_maxval", "cin_edit", "cin_null",
                                            "cin_def",    "cin_inc",    "cin_unq",    "cin_plot", "cin_max"};
  std::set<std::string> free_text(std::begin(k_editable), std::end(k_editable));
  free_text.erase("cin_many");
  free_text.erase("cin_delim");
  static const struct {
    int type;            /* table type */
    int slot;            /* slot KEYC fills, -1 none */
    const char *column;  /* column the dialog opens on */
    const char *why;     /* the rule at work */
  } k[] = {
      {TBL_DEF_ROCK, TBL_KEY_ROCK, "KEYC", "a rock table's rock number"},
      {TBL_DEF_LEGEND, TBL_KEY_DICTION, "KEYC", "a legend table's dictionary number"},
      {TBL_DEF_DICTION, TBL_KEY_DICTION, "KEYC", "a dictionary table's own number"},
      {TBL_DEF_OTHER, TBL_KEY_TRAVERSE, "KEYC", "a traverse number in any table"},
      {TBL_DEF_OTHER, TBL_KEY_ROCK, "KEYC", "another table's rock number"},
      {TBL_DEF_DICTION, -1, "TXT", "a plain column of a dictionary table"},
      {TBL_DEF_OTHER, TBL_KEY_ROCK, "TXT", "a plain character column"},
  };
  const std::set<std::string> *expected[] = {&fixed, &fixed, &fixed, &fixed, &no_profile, &no_profile, &free_text};
  for (size_t i = 0; i < sizeof k / sizeof k[0]; i++) {
    std::string name = "T" + std::to_string(i);
    run("CREATE TABLE " + name + " (BASENUMBER NUMERIC(8,0), KEYC CHAR(8), TXT CHAR(10))");
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "%s", name.c_str());
    t->table_type = k[i].type;
    t->column_count = sql_describe_table(project_->connection, name.c_str(), &t->columns, 0);
    ASSERT_GT(t->column_count, 0);
    t->keys[TBL_KEY_BASENUMBER] = tbl_column_find(t->columns, "BASENUMBER", nullptr, nullptr);
    if (k[i].slot >= 0) t->keys[k[i].slot] = tbl_column_find(t->columns, "KEYC", nullptr, nullptr);
    ASSERT_EQ(tbl_insert(project_, t), 0);
    host_io_use_script_text("pv_cinsetup\ncancel\n");
    EXPECT_EQ(pv_cinsetup_dialog(tbl_column_find(t->columns, k[i].column, nullptr, nullptr)->attr, project_), RTNORM);
    EXPECT_EQ(enabled(), *expected[i]) << k[i].why;
  }
}

TEST_F(CinSetup, TheUniqueNumberColumnShowsNoDefaultRangeMemoOrImage) {
  col_attr_rec *r = column("BASENUMBER")->attr;
  r->default_text = strdup("7");
  r->range = COL_ATTR_HAS_MIN;
  r->minimum = 1;
  r = cin("BASENUMBER", "ok\n");
  EXPECT_EQ(r->default_text, nullptr);
  EXPECT_EQ(r->range, 0u);
  EXPECT_TRUE(r->flags & COL_ATTR_EDIT) << "the other switches are shown and kept";
}

TEST_F(CinSetup, ASecondColumnOfTheSameProfileSharesTheTreeWithoutLoading) {
  col_attr_rec *first = cin("ROCKTYPE", "set cin_prf GEOLO\nset cin_dix LITHO\nok\n");
  ASSERT_NE(first->tree, nullptr);
  run("DROP TABLE GEOLO");   /* a second load would fail */
  col_attr_rec *second = cin("ROCKTWO", "set cin_prf geolo\nset cin_dix litho\nok\n");
  EXPECT_EQ(second->tree, first->tree);
  EXPECT_TRUE(second->flags & COL_ATTR_PROFILE);
  EXPECT_EQ(host_io_transcript().find("Cannot load"), std::string::npos);
}

TEST_F(CinSetup, ARuleReadAtLogonWithoutATreeIsNotSharedButLoaded) {
  col_attr_rec *logged = col_attr_new();
  snprintf(logged->column, sizeof logged->column, "ROCKTWO");
  snprintf(logged->table, sizeof logged->table, "STATN");
  snprintf(logged->profile, sizeof logged->profile, "GEOLO");
  snprintf(logged->dictionary, sizeof logged->dictionary, "LITHO");
  col_attr_replace(logged, project_);
  col_attr_rec *r = cin("ROCKTYPE", "set cin_prf GEOLO\nset cin_dix LITHO\nok\n");
  ASSERT_NE(r->tree, nullptr) << "the profile is loaded, not a missing tree shared";
  EXPECT_NE(item_find(r->tree, "Granite"), nullptr);
}

TEST_F(CinSetup, APrintableDelimiterSurvivesOpeningAndAccepting) {
  for (const char *delim : {"|", "~", "{", "}", ";"}) {
    const bool many = column("ROCKTYPE")->attr->flags & COL_ATTR_MANY;
    col_attr_rec *r = cin("ROCKTYPE", std::string("set cin_prf GEOLO\nset cin_dix LITHO\n") +
                                          (many ? "" : "pick cin_many\n") + "set cin_delim \"" + delim + "\"\nok\n");
    ASSERT_EQ(r->delimiter, delim[0]);
    r = cin("ROCKTYPE", "ok\n");
    EXPECT_EQ(tile("cin_delim").value, delim);
    EXPECT_EQ(r->delimiter, delim[0]) << delim;
    EXPECT_TRUE(r->flags & COL_ATTR_MANY);
  }
}

TEST_F(CinSetup, ADefaultOutsideTheProfileIsWarnedAboutAndKept) {
  col_attr_rec *r = cin("ROCKTYPE", "set cin_prf GEOLO\nset cin_dix LITHO\nset cin_defval Basalt\nok\n");
  EXPECT_NE(host_io_transcript().find("WARNING:\nDefault value: Basalt not in profile GEOLO"), std::string::npos)
      << host_io_transcript();
  EXPECT_STREQ(r->default_text, "Basalt");
  cin("ROCKTYPE", "set cin_defval Granite\nok\n");
  EXPECT_EQ(host_io_transcript().find("not in profile"), std::string::npos);
  cin("NAME", "set cin_defval Basalt\nok\n");
  EXPECT_EQ(host_io_transcript().find("not in profile"), std::string::npos) << "no profile, nothing to look in";
}

TEST_F(CinSetup, AMissingProfileOrDictionaryIsCreatedWhenAgreedElseRefused) {
  col_attr_rec *before = column("ROCKTYPE")->attr;
  cin("ROCKTYPE", "set cin_prf STRAT\nset cin_dix ROCKX\nok\npv_okquit_small\npick cancel\ncancel\n");
  EXPECT_EQ(tile("error").value, "ERROR:  Cannot load profile STRAT from dictionairy ROCKX");
  EXPECT_EQ(column("ROCKTYPE")->attr, before) << "the rule stays as it was";

  col_attr_rec *r = cin("ROCKTYPE", "set cin_prf STRAT\nset cin_dix ROCKX\nok\n"
                                    "pv_okquit_small\npick accept\npv_okquit_small\npick accept\n");
  ASSERT_NE(r->tree, nullptr);
  EXPECT_TRUE(r->flags & COL_ATTR_PROFILE);
  EXPECT_TRUE(has_file("ROCKX.DBF"));
  EXPECT_TRUE(has_file("STRAT.DBF"));

  /* Named alone, a dictionary must exist or be made; a profile cannot. */
  cin("ROCKTYPE", "set cin_prf \"\"\nset cin_dix ROCKS\nok\npv_okquit_small\npick cancel\ncancel\n");
  EXPECT_EQ(tile("error").value, "ERROR:  Project " + std::string(project_->name) + " has no dictionary ROCKS");
  EXPECT_EQ(column("ROCKTYPE")->attr, r) << "no rule keeps a dictionary the project lacks";
  cin("ROCKTYPE", "set cin_prf STRAT\nset cin_dix \"\"\nok\ncancel\n");
  EXPECT_EQ(tile("error").value, "ERROR:  Profile STRAT names no dictionary");
  EXPECT_EQ(column("ROCKTYPE")->attr, r);
  r = cin("ROCKTYPE", "set cin_prf \"\"\nset cin_dix ROCKX\nok\n");
  EXPECT_STREQ(r->dictionary, "ROCKX") << "a dictionary the project has is taken alone";
}

/* A profile or dictionary that is there but cannot be read (its header
** counts more records than its file holds) is named with what failed and
** never offered as new, which would write over its rows. */
TEST_F(CinSetup, AProfileOrDictionaryThatCannotBeReadIsNamedAndNeverMadeAnew) {
  make_profile("STRAT", "ROCKX", {"Granite", "Shale"});
  for (const char *table : {"ROCKX", "STRAT"}) {
    const std::string path = project_file(std::string(table) + ".DBF");
    const std::string bytes = count_more_records(table), damaged = file_bytes(path);
    col_attr_rec *before = column("ROCKTWO")->attr;
    cin("ROCKTWO", "set cin_prf STRAT\nset cin_dix ROCKX\nok\ncancel\n");
    EXPECT_EQ(tile("error").value, "ERROR:  Cannot load profile STRAT from dictionairy ROCKX") << table;
    const std::string t = host_io_transcript();
    EXPECT_NE(t.find("Table " + std::string(table) + " cannot be read:"), std::string::npos) << t;
    EXPECT_EQ(t.find("Create new"), std::string::npos) << t;
    EXPECT_EQ(column("ROCKTWO")->attr, before) << table;
    EXPECT_EQ(file_bytes(path), damaged) << table << " is left as it was";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
}

TEST_F(CinSetup, TheRegistryColumnAndTheSetupTreeNodeFollowTheNewRule) {
  ASSERT_GT(tblsetup_build_tree(project_), 0);
  tblsetup_table_node *t = tblsetup_table_find(tblsetup_state_get()->tree, "STATN", nullptr);
  ASSERT_NE(t, nullptr);
  tblsetup_column_node *node = tblsetup_column_find(t->columns, "NAME", nullptr);
  ASSERT_NE(node, nullptr);
  project_->flags &= ~PJCT_CHG_COLUMNS;
  col_attr_rec *r = cin("NAME", "set cin_defval Unknown\npick cin_def\npick cin_plot\nok\n");
  EXPECT_EQ(node->attr, r);
  EXPECT_EQ(column("NAME")->attr, r);
  EXPECT_EQ(r->flags & (COL_ATTR_DEF | COL_ATTR_PLOT), COL_ATTR_DEF | COL_ATTR_PLOT);
  EXPECT_TRUE(project_->flags & PJCT_CHG_COLUMNS);
  EXPECT_FALSE(r->flags & COL_ATTR_PLACEHOLDER);

  col_attr_rec *again = cin("NAME", "set cin_defval Nobody\nok\n");
  EXPECT_EQ(node->attr, again) << "a second edit replaces the listed rule";
  EXPECT_STREQ(again->default_text, "Nobody");
  int listed = 0;
  for (col_attr_rec *a = project_->col_attrs; a; a = a->next) listed += tbl_name_cmp(a->column, "NAME") == 0;
  EXPECT_EQ(listed, 1);
}

TEST_F(CinSetup, AColumnsSymbolSetupFollowsTheReplacedRule) {
  col_attr_rec *r = cin("NAME", "ok\n");
  sym_rec *s = sym_new();
  ASSERT_NE(s, nullptr);
  s->owner_kind = SYM_OWNER_COLUMN;
  s->owner = r;
  ASSERT_EQ(sym_attach(project_, s), 0);
  ASSERT_EQ(r->symbol, s);
  col_attr_rec *again = cin("NAME", "pick cin_plot\nok\n");
  EXPECT_EQ(s->owner, again) << "the setup must not keep the freed rule";
  EXPECT_EQ(again->symbol, s);
  sym_list_free(&project_->symbols);
}

TEST_F(CinSetup, TableSetupsInputTileOpensTheDialogOnTheChosenColumn) {
  host_io_clear_transcript();
  host_io_use_script_text("pv_tblsetup\nselect opt_list 4\npick input\npv_cinsetup\nset cin_defval Unknown\nok\n"
                          "pick exit\n");
  EXPECT_EQ(pv_tblsetup(nullptr), RTNORM);
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  dlg_tile_snapshot t;
  ASSERT_TRUE(dlg_test_last_tile("pv_cinsetup", "cin_col", t));
  EXPECT_EQ(t.value, "NAME");
  ASSERT_NE(column("NAME")->attr, nullptr);
  EXPECT_STREQ(column("NAME")->attr->default_text, "Unknown");
}

}  // namespace
