/*
** symbol_library_dialog_test.cpp: the dialog pv_load_sym run from scripts
** on a logged-on copy of GEO: a library loaded once with one library setup
** per project and a shape-file style in the drawing, its messages for
** blank, unknown and full cases, a path from the file dialog, and an
** unload that detaches the library setups while a column setup keeps its
** library's name, is saved with it and still draws its symbol.
*/
#include "core/pv_globals.h"
#include "data/sym_setup_dialog.h"
#include "draw/draw_util.h"
#include "draw/shape_block.h"
#include "platform/dialog/dialog_test_api.h"
#include "symbol_fixture.h"

namespace {

class SymbolLibraryDialog : public SymbolProjectTest {
 protected:
  /* Runs the dialog with a script of answers (exit is added). */
  static int run(const std::string &answers, int upgrade = 0) {
    dlg_test_clear();
    host_io_use_script_text("pv_load_sym\n" + answers + "pick exit\n");
    return pv_load_sym_dialog(upgrade);
  }
  /* A tile of the dialog as it ended. */
  static dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile("pv_load_sym", key, t)) << key;
    return t;
  }
  /* The number of a project's library setups of a library. */
  static int library_setups(const pjct_rec *p, const char *library) {
    int n = 0;
    for (const sym_rec *s = p->symbols; s; s = s->next)
      n += s->owner_kind == SYM_OWNER_NONE && s->library && strcmp(s->library, library) == 0;
    return n;
  }
  /* 1 when a shape-file style of the drawing uses the library. */
  static bool has_style(const char *library) {
    char style[ENT_STYLE_OUT_SIZE];
    return ent_find_style_by_font(library, 1, style) != nullptr;
  }
};

TEST_F(SymbolLibraryDialog, LoadingTwiceSaysAlreadyLoadedAndAddsNoSecondLibrarySetup) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(has_style("PVSTRUCT"));
  p->flags = 0;
  EXPECT_EQ(run("set symname \" pvstruct \"\npick load\n"), RTNORM);
  EXPECT_EQ(tile("error").value, "PVSTRUCT loaded");
  EXPECT_EQ(tile("symlist").items, std::vector<std::string>{"PVSTRUCT"});
  EXPECT_EQ(tile("symlist").value, "0") << "the new library is selected";
  EXPECT_EQ(library_setups(p, "PVSTRUCT"), 1);
  EXPECT_TRUE(p->flags & PJCT_CHG_SYMBOLS);
  EXPECT_TRUE(has_style("PVSTRUCT")) << "exit loads the library into the drawing";
  EXPECT_GT(shape_find_in_lib((uint16_t)symlib_slot("PVSTRUCT"), "STRIKE_DIP")->max_x, 0) << "measured";

  EXPECT_EQ(run("set symname PVSTRUCT\npick load\n"), RTNORM);
  EXPECT_EQ(tile("error").value, "PVSTRUCT already loaded");
  EXPECT_EQ(library_setups(p, "PVSTRUCT"), 1);
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(SymbolLibraryDialog, BlankAndUnknownLibrariesAreRefusedByName) {
  ASSERT_NE(logon(), nullptr);
  struct Case {
    const char *answers, *error;
  } cases[] = {
      {"set symname \"  \"\npick load\n", "No symbol library specified"},
      {"set symname \"\"\npick unload\n", "No symbol library specified"},
      {"set symname nosuch\npick load\n", "Cannot load NOSUCH"},
      {"set symname NOSUCH\npick unload\n", "Cannot unload NOSUCH"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(run(c.answers), RTNORM);
    EXPECT_EQ(tile("error").value, c.error) << c.answers;
  }
  EXPECT_EQ(symlib_slot("NOSUCH"), -1);
}

TEST_F(SymbolLibraryDialog, AFiftyFirstLibraryIsRefused) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  static const char src[] = "*1,5,DOT\n1,8,(1,1),0\n";
  for (int i = 0; shape_lib_slot("L49") == SHAPE_SLOT_NONE; i++) {
    FILE *fp = fmemopen((void *)src, sizeof src - 1, "r");
    ASSERT_GT(shape_font_load_stream(("L" + std::to_string(i)).c_str(), fp), 0);
    fclose(fp);
  }
  dlg_test_clear();
  host_io_use_script_text("pv_load_sym\nset symname PVSTRUCT\npick load\npick exit\npv_alert_wrap\nok\n");
  EXPECT_EQ(pv_load_sym_dialog(0), RTNORM);
  EXPECT_EQ(tile("error").value, "Cannot load PVSTRUCT");
  EXPECT_EQ(tile("symlist").items.size(), 50u);
  EXPECT_EQ(library_setups(p, "PVSTRUCT"), 0);
  /* No file stands behind these libraries: the drawing cannot load them,
  ** and one alert after the dialog names each. */
  std::vector<dlg_tile_snapshot> alert;
  ASSERT_TRUE(dlg_test_last_tiles("pv_alert_wrap", alert));
  std::string t;
  for (const auto &a : alert)
    for (const auto &line : a.items) t += line + "|";
  EXPECT_NE(t.find("Could not ACAD load L0|"), std::string::npos) << t;
  EXPECT_NE(t.find("Could not ACAD load L49|"), std::string::npos) << t;
  EXPECT_EQ(t.find("PVSTRUCT"), std::string::npos) << "PVSTRUCT was not loaded";
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(SymbolLibraryDialog, ADialogThatCannotBeOpenedIsSaidAndAnswersMinusOne) {
  int dcl = g_dcl_id;
  g_dcl_id = PV_NO_DCL;
  EXPECT_EQ(pv_load_sym_dialog(0), -1);
  g_dcl_id = dcl;
  EXPECT_NE(host_io_transcript().find("Cannot load dialog box: pv_load_sym."), std::string::npos);
}

TEST_F(SymbolLibraryDialog, TheFileDialogNamesTheLibraryByItsPath) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  std::string path = (dir_ / "pvstruct").string();
  EXPECT_EQ(run("pick filename\n" + path + "\npick load\n", 1), RTNORM);
  std::string name = dir_.string() + "/PVSTRUCT.SHX";
  EXPECT_EQ(tile("symname").value, path + ".SHX");
  EXPECT_EQ(tile("error").value, name + " loaded");
  EXPECT_EQ(library_setups(p, name.c_str()), 1);
  EXPECT_FALSE(has_style("PVSTRUCT")) << "upgrade mode leaves the drawing's styles alone";
  /* Picking it in the list names it again. */
  EXPECT_EQ(run("select symlist 0\n"), RTNORM);
  EXPECT_EQ(tile("symname").value, name);
}

TEST_F(SymbolLibraryDialog, UnloadingKeepsTheLibraryOfAColumnSetupWhichIsSavedAndStillDraws) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(run("set symname PVSTRUCT\npick load\n"), RTNORM);
  sym_rec *col = sym_new();
  col->owner_kind = SYM_OWNER_COLUMN;
  col->owner = col_attr_find(p->col_attrs, "NAME", "STATN", nullptr);
  col->flags = SYM_SYMBOL;
  sym_set_text(&col->symbol, "STRIKE_DIP");
  sym_set_text(&col->library, "PVSTRUCT");
  sym_attach(p, col);

  EXPECT_EQ(run("select symlist 0\npick unload\n"), RTNORM);
  EXPECT_EQ(tile("symlist").items.size(), 0u);
  EXPECT_EQ(tile("symname").value, "");
  EXPECT_EQ(symlib_slot("PVSTRUCT"), -1);
  EXPECT_EQ(library_setups(p, "PVSTRUCT"), 0);
  EXPECT_STREQ(col->library, "PVSTRUCT") << "the setup holds its own copy of the name";

  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  setup_text_rows rows;
  ASSERT_EQ(setup_table_read(p, setup_table_find("PVSYMBOL"), &rows), 0);
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(std::string(setup_row_text(rows.rows[0], 7)).substr(0, 8), "PVSTRUCT");

  /* Drawing the symbol loads the library again. */
  EXPECT_EQ(shape_lib_load_cmd(col->library), 0);
  EXPECT_EQ(sym_block_from_shape(col->symbol, "0"), 0);
  EXPECT_GE(symlib_slot("PVSTRUCT"), 0);
}

}  // namespace
