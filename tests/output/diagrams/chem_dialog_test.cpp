/*
** chem_dialog_test.cpp: the chemistry dialogs scripted: a diagram built
** through the equation editor and accepted is saved in the project and
** shown again; what keeps a diagram from being accepted; a renamed
** diagram replaces the old one; the limit tiles follow the diagram's
** kind; and the equation editor's checks of operators and brackets.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "output/chem_fixture.h"
#include "core/pv_globals.h"
#include "output/diagrams/chem_dialog.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class ChemDialog : public ChemTest {
 protected:
  int saved_dcl_ = PV_NO_DCL;
  void SetUp() override {
    ChemTest::SetUp();
    saved_dcl_ = g_dcl_id;
    dlg_test_clear();
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    make_row({{"NAME", "S1"}, {"SIO2", "50"}, {"MGO", "5"}});
  }
  void TearDown() override {
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    sym_list_free(&geo_->symbols);
    ChemTest::TearDown();
  }
  /* The index of a column in the row, as the lists offer it. */
  std::string at(const char *name) {
    int i = -1;
    sql_col_find(row_, name, nullptr, &i);
    return std::to_string(i);
  }
  /* Answers of the equation editor making a one-column equation. */
  std::string one_column(const char *name) {
    return "pv_chemequation\nselect chem_col " + at(name) + "\npick modify\npick exit\n";
  }
  int run(const std::string &answers) {
    host_io_use_script_text("pv_chemdiagram\n" + answers);
    return pv_chemdiagram_dialog(row_);
  }
  dlg_tile_snapshot tile(const char *dialog, const char *key) {
    dlg_tile_snapshot s;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, s)) << key;
    return s;
  }
  /* A saved diagram of the project: its terms appended, X SIO2, Y MGO,
  ** and FEO as Z when asked. */
  void saved(const char *name, bool with_x = true, bool with_z = false) {
    chem_term_rec *x = with_x ? term("SIO2") : nullptr;
    chem_term_rec *y = term("MGO", CHEM_OP_NONE, 0, 0, 0, 0, CHEM_AXIS_Y);
    chem_term_rec *z = with_z ? term("FEO", CHEM_OP_NONE, 0, 0, 0, 0, CHEM_AXIS_Z) : nullptr;
    for (chem_term_rec *t : {x, y, z}) {
      if (!t) continue;
      snprintf(t->name, sizeof t->name, "%s", name);
      chem_term_set_symbol(t, col("NAME"));
      chem_term_list_append(&geo_->chem_terms, t, nullptr);
      free(t);
    }
  }
};

TEST_F(ChemDialog, BuiltDiagramIsSavedInTheProjectAndShownAgain) {
  ASSERT_EQ(run("pick chem_x\n" + one_column("SIO2") + "pick chem_y\n" + one_column("MGO") + "select chem_sym " +
                at("NAME") + "\nset chem_name CH1\nset chem_xmax 10\nset chem_ymax 8\nset chem_xscale 2\nok\n"),
            0)
      << host_io_transcript();
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(g_chem.symbol_col, sql_col_find(row_, "NAME", nullptr, nullptr)) << "the row's column is drawn";
  EXPECT_STREQ(g_chem.name, "CH1");
  EXPECT_DOUBLE_EQ(g_chem.limits.max.x, 10);
  EXPECT_DOUBLE_EQ(g_chem.scale.x, 2);
  EXPECT_DOUBLE_EQ(g_chem.scale.y, 1) << "an empty scale is 1";
  EXPECT_TRUE(geo_->flags & PJCT_CHG_CHEM);
  ASSERT_EQ(chem_term_count(geo_->chem_terms), 2);
  const chem_term_rec *x = geo_->chem_terms, *y = x->next;
  EXPECT_STREQ(x->name, "CH1");
  EXPECT_EQ(x->axis, CHEM_AXIS_X);
  EXPECT_EQ(x->column, col("SIO2")) << "the registered table's column";
  EXPECT_EQ(y->axis, CHEM_AXIS_Y);
  EXPECT_EQ(y->column, col("MGO"));
  EXPECT_EQ(y->symbol_col, col("NAME")) << "the diagram's fields ride on every term";
  EXPECT_DOUBLE_EQ(y->ymax, 8);

  EXPECT_EQ(run("select chem_saved 0\ncancel\n"), -1);
  EXPECT_EQ(tile("pv_chemdiagram", "chem_name").value, "CH1");
  EXPECT_EQ(tile("pv_chemdiagram", "chem_xequ").value, "SIO2");
  EXPECT_EQ(tile("pv_chemdiagram", "chem_yequ").value, "MGO");
  EXPECT_EQ(tile("pv_chemdiagram", "chem_xmax").value, "     10");
  EXPECT_EQ(tile("pv_chemdiagram", "chem_xscale").value, "      2");
  EXPECT_EQ(tile("pv_chemdiagram", "chem_yscale").value, "") << "a scale of 1 is shown empty";
  EXPECT_EQ(tile("pv_chemdiagram", "chem_sym").value, at("NAME"));
  dlg_tile_snapshot list = tile("pv_chemdiagram", "chem_saved");
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[1], " ");
}

TEST_F(ChemDialog, AcceptIsRefusedWithTheFirstReason) {
  saved("BASE");
  saved("USED");
  saved("ONLYY", false);
  struct {
    const char *answers;
    const char *error;
  } cases[] = {
      {"select chem_saved 0\nset chem_sym \"\"\n", "No symbol selected"},
      {"select chem_saved 2\nselect chem_sym 1\n", "ERROR: No X axis defined"},
      {"select chem_saved 0\nset chem_name \" \"\n", "ERROR: Must specify a name"},
      {"select chem_saved 0\nset chem_name MY-PLOT\n", "ERROR: Improper name"},
      {"select chem_saved 0\nset chem_name \"MY PLOT\"\n", "ERROR: Improper name"},
      {"select chem_saved 0\nset chem_name used\n", "ERROR: Name already used"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(run(std::string(c.answers) + "ok\ncancel\n"), -1) << c.error;
    EXPECT_EQ(tile("pv_chemdiagram", "error").value, c.error);
  }
  EXPECT_FALSE(geo_->flags & PJCT_CHG_CHEM);
  EXPECT_EQ(chem_term_count(geo_->chem_terms), 5);
}

TEST_F(ChemDialog, SymbolColumnOutsideTheRegistryIsSavedByItsNames) {
  saved("BASE");
  sql_col_rec *extra = sql_col_new("LABEL", "CALC", SQL_TYPE_CHAR, 8, 0);
  extra->connection = geo_->connection;
  sql_col_rec *last = row_;
  while (last->next) last = last->next;
  last->next = extra;
  ASSERT_EQ(run("select chem_saved 0\nselect chem_sym " + at("LABEL") + "\nset chem_name CALC1\nok\n"), 0)
      << host_io_transcript();
  EXPECT_EQ(g_chem.symbol_col, extra) << "the row's column is drawn";
  const chem_term_rec *t = geo_->chem_terms;
  while (t && strcmp(t->name, "CALC1") != 0) t = t->next;
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->symbol_col, nullptr) << "no pointer into a row that goes with the plot";
  EXPECT_STREQ(t->sym_table, "CALC");
  EXPECT_STREQ(t->sym_name, "LABEL");
}

TEST_F(ChemDialog, RenamedDiagramReplacesTheOldOneAndItsSetup) {
  saved("BASE");
  saved("KEEP");
  sym_rec *s = sym_new();
  sym_set_text(&s->item_name, "BASE");
  s->owner_kind = SYM_OWNER_COLUMN;
  geo_->symbols = s;
  ASSERT_EQ(run("select chem_saved 0\nset chem_name NEWNAME\nok\n"), 0) << host_io_transcript();
  std::string names;
  for (const chem_term_rec *t = geo_->chem_terms; t; t = t->next) names += std::string(t->name) + " ";
  EXPECT_EQ(names, "KEEP KEEP NEWNAME NEWNAME ");
  EXPECT_STREQ(s->item_name, "NEWNAME");
  EXPECT_EQ(s->owner_kind, SYM_OWNER_NONE);
  EXPECT_TRUE(geo_->flags & PJCT_CHG_SYMBOLS);
}

TEST_F(ChemDialog, LimitTilesAreEmptyAndDisabledOnceAZEquationExists) {
  saved("XY");
  saved("TRI", true, true);
  for (auto c : {std::pair<const char *, bool>{"0", true}, {"1", false}}) {
    run(std::string("select chem_saved ") + c.first + "\nset chem_sym " + at("NAME") + "\ncancel\n");
    for (const char *k : {"chem_xmin", "chem_xmax", "chem_yscale"}) {
      dlg_tile_snapshot t = tile("pv_chemdiagram", k);
      EXPECT_EQ(t.enabled, c.second) << k;
      if (!c.second) {
        EXPECT_EQ(t.value, "") << k;
      }
    }
    EXPECT_TRUE(tile("pv_chemdiagram", "symbols").enabled);
    EXPECT_FALSE(tile("pv_chemdiagram", "chem_zequ").enabled) << "equation texts are display only";
  }
}

TEST_F(ChemDialog, EquationEditorRefusesOperatorsAndBracketsOutOfPlace) {
  g_chem.row = row_;
  g_chem.project = geo_;
  std::string si = "select chem_col " + at("SIO2") + "\n", mg = "select chem_col " + at("MGO") + "\n";
  struct {
    const char *what;
    std::string answers;
    const char *error;
  } cases[] = {
      {"operator on the first term", si + "select chem_op 1\npick modify\n", "ERROR: Invalid operator - none required"},
      {"no operator on the second", si + "pick modify\npick down\n" + mg + "pick modify\n", "ERROR: No operator"},
      {"neither constant nor column", "pick modify\n", "ERROR: No scalar or column selected"},
      {"opens and closes", si + "set chem_obkt 1\nset chem_cbkt 1\npick modify\n",
       "ERROR: Invalid open and closing brackets"},
      {"two openings", si + "set chem_obkt 1\npick modify\npick down\n" + mg +
                           "select chem_op 1\nset chem_obkt 1\npick modify\npick exit\n",
       "ERROR: Missing closing bracket"},
      {"an opening left open", si + "pick chem_obkt\nset chem_sc1 2\npick modify\npick exit\n",
       "ERROR: Missing closing bracket"},
      {"a closing without opening", si + "set chem_cbkt 1\npick modify\npick exit\n", "ERROR: Invalid closing bracket"},
      {"exit with an operator first", si + "select chem_op 3\npick modify\npick exit\n",
       "ERROR: Invalid operator - none required"},
  };
  for (const auto &c : cases) {
    chem_term_list_free(&g_chem.x_equ);
    host_io_clear_transcript();
    host_io_use_script_text("pv_chemequation\n" + c.answers + "show\npick delete\npick delete\npick exit\n");
    EXPECT_EQ(pv_chemequation_dialog(&g_chem.x_equ), 0) << c.what;
    std::string form = host_io_transcript();
    EXPECT_NE(form.find(c.error), std::string::npos) << c.what << "\n" << form;
    EXPECT_EQ(g_chem.x_equ, nullptr) << c.what << ": emptied terms go at exit";
  }
  host_io_use_script_text("pv_chemequation\n" + si + "pick chem_obkt\nset chem_sc1 2\npick modify\npick down\n" + mg +
                          "select chem_op 1\nset chem_cbkt 1\npick modify\nset chem_log 1\npick exit\n");
  ASSERT_EQ(pv_chemequation_dialog(&g_chem.x_equ), 0);
  EXPECT_EQ(tile("pv_chemequation", "chem_title").value, "X axis");
  dlg_tile_snapshot list = tile("pv_chemequation", "chem_equ");
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[0], "        2 (                    CHEM.SIO2  ");
  EXPECT_EQ(list.items[1], "+                               CHEM.MGO )");
  char text[CHEM_TITLE_SIZE];
  chem_equation_text(g_chem.x_equ, text, sizeof text);
  EXPECT_STREQ(text, "log( 2( SIO2+ MGO))");
  EXPECT_EQ(chem_term_count(g_chem.x_equ), 2);
  EXPECT_EQ(g_chem.x_equ->next->axis, CHEM_AXIS_X);
}

}  // namespace
