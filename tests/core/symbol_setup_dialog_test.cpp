/*
** symbol_setup_dialog_test.cpp: the symbol setup dialog on a logged-on
** copy of GEO: every field checked with its bit and one alert listing them
** in order, associations of other columns taken and the setup's own
** refused, the modes of the kind toggles, accept putting the setup on its
** column (and the column's rule in the project), the named form of a
** diagram's setup, an item setup, and the pickers.
*/
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/item_tree.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tbl_column.h"
#include "data/sym_setup_dialog.h"
#include "draw/shape_block.h"
#include "platform/dialog/dialog_test_api.h"
#include "symbol_fixture.h"

namespace {

/* One field's tile and the value typed into it. */
struct typed {
  const char *key, *value;
};

class SymbolSetupDialog : public SymbolProjectTest {
 protected:
  void SetUp() override {
    SymbolProjectTest::SetUp();
    project_ = logon();
    ASSERT_NE(project_, nullptr);
    ASSERT_EQ(shape_lib_load_cmd("PVSTRUCT"), 0);
    name_ = column("NAME");
    ASSERT_NE(name_, nullptr);
  }
  void TearDown() override {
    if (dlg_) ads_term_dialog();
    SymbolProjectTest::TearDown();
  }

  /* The rule of a column of STATN. */
  col_attr_rec *column(const char *name) {
    sql_col_rec *c = pjct_find_column(project_, "STATN", name, nullptr);
    return c ? c->attr : nullptr;
  }

  /* Reads the tiles of an unstarted pv_symsetup on the state after typing
  ** the values; answers pv_symsetup_read's result. */
  int read(symsetup_state &st, std::vector<typed> values) {
    if (!dlg_) { EXPECT_EQ(ads_new_dialog("pv_symsetup", g_dcl_id, nullptr, &dlg_), RTNORM); }
    if (!st.record) st.record = sym_new();
    for (const typed &v : values) ads_set_tile(dlg_, v.key, v.value);
    return pv_symsetup_read(dlg_, &st);
  }
  /* A state for STATN.NAME's setup. */
  symsetup_state name_state() {
    symsetup_state st;
    st.project = project_;
    st.rule = name_;
    return st;
  }
  /* The number of error alerts shown since the transcript was taken. */
  static int alerts() {
    std::string t = take_transcript();
    int n = 0;
    for (size_t at = t.find(ERR_TITLE); at != std::string::npos; at = t.find(ERR_TITLE, at + 1)) n++;
    return n;
  }
  /* Runs the column dialog with a script of answers. */
  int run(col_attr_rec *rule, const std::string &answers) {
    dlg_test_clear();
    host_io_use_script_text("pv_symsetup\n" + answers);
    return pv_symsetup_dialog(project_, rule, nullptr);
  }
  static dlg_tile_snapshot tile(const char *key, const char *dialog = "pv_symsetup") {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << key;
    return t;
  }
  /* A symbol-setup text as the alert lists it. */
  static std::string line(int code) { return std::string("\n") + err_text(code); }

  pjct_rec *project_ = nullptr;
  col_attr_rec *name_ = nullptr;
  ads_hdlg dlg_ = nullptr;
};

TEST_F(SymbolSetupDialog, EachFieldIsCheckedWithItsBit) {
  struct Case {
    std::vector<typed> values;
    int result;
  } cases[] = {
      {{{"sym_clr_chc", "256"}, {"sym_lay_chc", "A B"}}, -16408},
      {{{"sym_lwd_chc", "-1"}}, -(16384 + 16384)},
      {{{"sym_clr_chc", "0"}}, 0},
      {{{"sym_clr_chc", "1-2"}}, 0},
      {{{"sym_clr_chc", "-1"}}, -(16384 + 16)},
      {{{"sym_pos_chc", "9"}}, -(16384 + 2048)},
      {{{"sym_pos_chc", ""}}, 0},
      {{{"sym_lay_chc", " AB "}}, 0},
      {{{"sym_lay_chc", "A.B"}}, -(16384 + 8)},
      {{{"sym_lay_chc", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"}}, -(16384 + 8)},
      {{{"sym_size_chc", "1 2"}}, -(16384 + 32)},
      {{{"sym_size_chc", "-0.5"}}, -(16384 + 32)},
      {{{"sym_ang_chc", "x"}}, -(16384 + 64)},
      {{{"sym_aof_chc", "4,5"}}, -(16384 + 128)},
      {{{"sym_xof_chc", "e"}, {"sym_yof_chc", "1e3"}, {"sym_zof_chc", "/"}}, -(16384 + 256 + 512 + 1024)},
      {{{"sym_pat_chc", "A*"}}, -(16384 + 8192)},
      {{{"sym_lib_chc", "NOSUCH"}, {"sym_name_chc", "STRIKE_DIP"}}, -(16384 + 2 + 4)},
      {{{"sym_lib_chc", "PVSTRUCT"}, {"sym_name_chc", "NOSUCH"}}, -(16384 + 4)},
      {{{"sym_text", "1"}, {"sym_font_chc", "ROM:ANS"}, {"sym_pos_col", "NOSUCH"}}, -(16384 + 4096 + 1)},
  };
  for (const Case &c : cases) {
    symsetup_state st = name_state();
    take_transcript();
    int result = read(st, c.values);
    std::string what = c.values[0].key + std::string("=") + c.values[0].value;
    EXPECT_EQ(result, c.result) << what;
    EXPECT_EQ(alerts(), c.result ? 1 : 0) << what << ": one alert for all errors";
    sym_free(st.record);
    for (const typed &v : c.values) ads_set_tile(dlg_, v.key, "");
  }
}

TEST_F(SymbolSetupDialog, TheAlertListsTheTextsPaddedInItsOrder) {
  EXPECT_EQ(pv_symsetup_error_text(-16408), line(16384 + 8) + line(16384 + 16));
  EXPECT_EQ(line(16384 + 8), "\nInvalid layer specified           ") << "padded to 34";
  EXPECT_EQ(pv_symsetup_error_text(-(16384 + 16384)), "\nInvalid line width specified      ");
  EXPECT_EQ(pv_symsetup_error_text(-(16384 + 16384 + 8192 + 1024 + 2048 + 1)),
            line(16384 + 8192) + line(16384 + 1) + line(16384 + 2048) + line(16384 + 1024) + line(16384));
  EXPECT_EQ(pv_symsetup_error_text(0), "");
}

TEST_F(SymbolSetupDialog, FixedValuesAreReadIntoTheRecord) {
  symsetup_state st = name_state();
  EXPECT_EQ(read(st, {{"sym_symbol", "1"}, {"sym_block", "1"}, {"sym_lib_chc", "pvstruct"}, {"sym_name_chc", "STRIKE_DIP"},
                      {"sym_lay_chc", " GEOL "}, {"sym_clr_chc", "0"}, {"sym_size_chc", "2.5"}, {"sym_ang_chc", "-30"},
                      {"sym_pos_chc", ""}, {"sym_xof_chc", "1.25"}, {"sym_fill", "1"}, {"sym_sld", "1"}}),
            0);
  sym_rec *r = st.record;
  EXPECT_EQ(r->owner_kind, SYM_OWNER_COLUMN);
  EXPECT_EQ(r->owner, name_);
  EXPECT_EQ(r->flags, SYM_SYMBOL | SYM_FILL | SYM_SOLID);
  EXPECT_EQ(r->form, SYM_FORM_BLOCK);
  EXPECT_STREQ(r->symbol, "STRIKE_DIP");
  EXPECT_STREQ(r->library, "PVSTRUCT");
  const shape_entry *e = shape_find_in_lib((uint16_t)symlib_slot("PVSTRUCT"), "STRIKE_DIP");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(r->shape_number, e->number);
  EXPECT_STREQ(r->layer, "GEOL");
  EXPECT_EQ(r->colour, 0);
  EXPECT_FLOAT_EQ(r->scale, 2.5f);
  EXPECT_FLOAT_EQ(r->angle, -30.0f);
  EXPECT_EQ(r->position, 0) << "an empty position reads as 0";
  EXPECT_DOUBLE_EQ(r->x_offset, 1.25);
  sym_free(st.record);

  symsetup_state text = name_state();
  EXPECT_EQ(read(text, {{"sym_text", "1"}, {"sym_symbol", "0"}, {"sym_fill", "0"}, {"sym_sld", "0"}, {"sym_lib_chc", ""},
                        {"sym_name_chc", ""}, {"sym_text_chc", "ROCKTYPE"}, {"sym_font_chc", "romans"}}),
            0);
  EXPECT_EQ(text.record->flags, SYM_TEXT);
  EXPECT_STREQ(text.record->symbol, "ROCKTYPE") << "the text column as typed";
  EXPECT_STREQ(text.record->library, "ROMANS") << "the font upper-cased";
  EXPECT_EQ(text.record->form, SYM_FORM_BLOCK) << "the form follows its tiles";
  sym_free(text.record);
}

TEST_F(SymbolSetupDialog, AnotherColumnIsAnAssociationTheSetupsOwnIsRefusedForEveryField) {
  struct Field {
    const char *key;
    int which, bit;
  } fields[] = {
      {"sym_pos_col", SYM_ASSOC_POSITION, 1},    {"sym_name_chc", SYM_ASSOC_SYMBOL, 4},
      {"sym_lay_chc", SYM_ASSOC_LAYER, 8},       {"sym_clr_chc", SYM_ASSOC_COLOUR, 16},
      {"sym_size_chc", SYM_ASSOC_SCALE, 32},     {"sym_ang_chc", SYM_ASSOC_ANGLE, 64},
      {"sym_aof_chc", SYM_ASSOC_ANGLE_OFFSET, 128}, {"sym_font_chc", SYM_ASSOC_FONT, 4096},
      {"sym_pat_chc", SYM_ASSOC_PATTERN, 8192},  {"sym_lwd_chc", SYM_ASSOC_LINE_WIDTH, 16384},
  };
  col_attr_rec *rock = column("ROCKTYPE");
  for (const Field &f : fields) {
    symsetup_state own = name_state();
    take_transcript();
    int want = f.bit == 16384 ? -(16384 + 16384) : -(16384 + f.bit);
    EXPECT_EQ(read(own, {{f.key, "name"}}), want) << f.key;
    EXPECT_EQ(alerts(), 1) << f.key;
    EXPECT_EQ(own.record->assoc[f.which], nullptr) << f.key;
    sym_free(own.record);

    symsetup_state other = name_state();
    EXPECT_EQ(read(other, {{f.key, " rocktype "}}), 0) << f.key;
    EXPECT_EQ(other.record->assoc[f.which], rock) << f.key;
    EXPECT_STREQ(sym_assoc_text(other.record, f.which), "ROCKTYPE") << f.key;
    sym_free(other.record);
    ads_set_tile(dlg_, f.key, "");
  }
}

TEST_F(SymbolSetupDialog, KindTogglesSwitchTheirTiles) {
  struct Case {
    const char *answers;
    std::vector<std::string> enabled, disabled;
    std::vector<std::pair<std::string, std::string>> values;
  } cases[] = {
      {"", {"sym_lay_chc", "sym_clr"}, {"sym_text_chc", "sym_font", "sym_pos_col", "sym_lib", "sym_name_chc", "sym_sld", "sym_pat_chc"}, {}},
      {"pick sym_text\nset sym_text_chc ROCKTYPE\n", {"sym_text_chc", "sym_font", "sym_font_chc", "sym_pos", "sym_pos_col"},
       {"sym_shape", "sym_lib_chc", "sym_name"}, {{"sym_symbol", "0"}, {"sym_text_chc", "ROCKTYPE"}}},
      {"pick sym_text\nset sym_text_chc ROCKTYPE\npick sym_symbol\n", {"sym_shape", "sym_block", "sym_lib", "sym_lib_chc", "sym_name", "sym_name_chc"},
       {"sym_text_chc", "sym_font_chc", "sym_pos"}, {{"sym_text", "0"}, {"sym_text_chc", ""}}},
      {"pick sym_symbol\npick sym_text\n", {"sym_text_chc"}, {"sym_name_chc"}, {{"sym_symbol", "0"}}},
      {"pick sym_fill\nset sym_pat_chc ANSI31\n", {"sym_sld", "sym_pat", "sym_pat_chc"}, {}, {{"sym_pat_chc", "ANSI31"}}},
      {"pick sym_fill\nset sym_pat_chc ANSI31\npick sym_sld\n", {"sym_sld"}, {"sym_pat", "sym_pat_chc"}, {{"sym_pat_chc", ""}}},
      {"pick sym_fill\npick sym_sld\npick sym_fill\n", {}, {"sym_sld", "sym_pat_chc"}, {{"sym_sld", "0"}}},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(run(name_, std::string(c.answers) + "cancel\n"), RTNORM);
    for (const auto &k : c.enabled) EXPECT_TRUE(tile(k.c_str()).enabled) << c.answers << k;
    for (const auto &k : c.disabled) EXPECT_FALSE(tile(k.c_str()).enabled) << c.answers << k;
    for (const auto &v : c.values) EXPECT_EQ(tile(v.first.c_str()).value, v.second) << c.answers << v.first;
  }
  EXPECT_EQ(project_->symbols, nullptr) << "cancel adds nothing";
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(SymbolSetupDialog, AcceptPutsTheSetupOnItsColumnAndAnErrorKeepsTheDialogOpen) {
  EXPECT_EQ(run(name_, "pick sym_symbol\nset sym_lib_chc PVSTRUCT\nset sym_name_chc STRIKE_DIP\nset sym_clr_chc 256\n"
                       "ok\nset sym_clr_chc 3\nok\n"),
            RTNORM);
  ASSERT_NE(name_->symbol, nullptr) << "the second accept was taken";
  EXPECT_EQ(name_->symbol, project_->symbols);
  EXPECT_EQ(name_->symbol->colour, 3);
  EXPECT_STREQ(name_->symbol->symbol, "STRIKE_DIP");
  EXPECT_EQ(col_attr_find(project_->col_attrs, "NAME", "STATN", nullptr), name_);
  EXPECT_TRUE(project_->flags & PJCT_CHG_SYMBOLS);

  /* Opening again shows it; accepting replaces it (one setup of NAME). */
  EXPECT_EQ(run(name_, "set sym_size_chc 4\nok\n"), RTNORM);
  EXPECT_EQ(tile("sym_name_chc").value, "STRIKE_DIP");
  EXPECT_EQ(tile("sym_clr_chc").value, "3");
  EXPECT_EQ(tile("sym_hdr").value, "Table : ");
  EXPECT_EQ(tile("sym_itmval").value, "NAME");
  EXPECT_EQ(tile("sym_ang_chc").value, "") << "an angle of 0 shows blank";
  EXPECT_EQ(tile("sym_xof_chc").value, "0.000000");
  int n = 0;
  for (sym_rec *s = project_->symbols; s; s = s->next) n += s->owner == name_;
  EXPECT_EQ(n, 1);
  EXPECT_FLOAT_EQ(name_->symbol->scale, 4.0f);

  /* Saved and read back: the setup finds its column again. */
  project_ = save_and_logon_again();
  ASSERT_NE(project_, nullptr);
  col_attr_rec *again = column("NAME");
  ASSERT_NE(again, nullptr);
  ASSERT_NE(again->symbol, nullptr);
  EXPECT_STREQ(again->symbol->symbol, "STRIKE_DIP");
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(SymbolSetupDialog, ASetupKeptByItsColumnsNameIsEditedNotDoubled) {
  /* As logon keeps a setup whose rule was not found: bound to nothing. */
  sym_rec *kept = sym_new();
  kept->owner_kind = SYM_OWNER_COLUMN;
  sym_set_text(&kept->table_name, "STATN");
  sym_set_text(&kept->column_name, "NAME");
  snprintf(kept->layer, sizeof kept->layer, "KEPT");
  sym_attach(project_, kept);
  ASSERT_EQ(name_->symbol, nullptr);
  EXPECT_EQ(run(name_, "set sym_clr_chc 4\nok\n"), RTNORM);
  EXPECT_EQ(tile("sym_lay_chc").value, "KEPT") << "the kept setup is shown";
  int n = 0;
  for (sym_rec *s = project_->symbols; s; s = s->next) n += str_eq_nocase(sym_owner_column(s), "NAME");
  EXPECT_EQ(n, 1) << "one setup of NAME, not two";
  ASSERT_NE(name_->symbol, nullptr);
  EXPECT_STREQ(name_->symbol->layer, "KEPT");
  EXPECT_EQ(name_->symbol->colour, 4);
}

TEST_F(SymbolSetupDialog, TheNamedFormEditsADiagramSetupAndCancelLeavesTheCallersRecord) {
  sym_rec *def = sym_new();
  def->owner_kind = SYM_OWNER_COLUMN;
  sym_set_text(&def->item_name, "STEREONET");
  snprintf(def->layer, sizeof def->layer, "STEREONET");
  def->flags = SYM_TEXT;
  sym_set_text(&def->symbol, "x");
  def->scale = 0.1f;
  sym_rec *before = sym_new();
  sym_copy(before, def);
  sym_rec *head = project_->symbols;

  dlg_test_clear();
  host_io_use_script_text("pv_symsetup\nset sym_clr_chc 5\ncancel\n");
  EXPECT_EQ(pv_symsetup_dialog(project_, def), RTNORM);
  EXPECT_EQ(tile("sym_hdr").value, "Setup  : ");
  EXPECT_EQ(tile("sym_hdrval").value, "STEREONET");
  EXPECT_EQ(tile("sym_text_chc").value, "x");
  EXPECT_FALSE(tile("sym_assoc").enabled);
  EXPECT_FALSE(tile("sym_pos_col").enabled);
  EXPECT_TRUE(sym_equal(def, before)) << "cancel leaves the caller's record alone";
  EXPECT_EQ(project_->symbols, head);

  dlg_test_clear();
  host_io_use_script_text("pv_symsetup\nset sym_clr_chc 5\nset sym_lay_chc NAME\nok\n");
  EXPECT_EQ(pv_symsetup_dialog(project_, def), RTNORM);
  sym_rec *listed = sym_find(project_->symbols, "STEREONET");
  ASSERT_NE(listed, nullptr);
  EXPECT_NE(listed, def) << "an unlisted record is left to its caller";
  EXPECT_EQ(listed->owner_kind, SYM_OWNER_COLUMN);
  EXPECT_EQ(listed->owner, nullptr);
  EXPECT_EQ(listed->colour, 5);
  EXPECT_STREQ(listed->layer, "NAME") << "nothing to associate: a fixed value";
  EXPECT_TRUE(sym_equal(def, before));

  dlg_test_clear();
  host_io_use_script_text("pv_symsetup\nset sym_clr_chc 7\nok\n");
  EXPECT_EQ(pv_symsetup_dialog(project_, listed), RTNORM);
  EXPECT_EQ(sym_find(project_->symbols, "STEREONET"), listed) << "a listed record is edited in place";
  EXPECT_EQ(listed->colour, 7);
  EXPECT_STREQ(listed->item_name, "STEREONET");
  sym_free(def);
  sym_free(before);
}

TEST_F(SymbolSetupDialog, AnItemSetupTakesOtherItemsAndRefusesItsOwn) {
  item_node root = {};
  ASSERT_EQ(item_root_init(&root, "STRAT", "ROCKD"), 0);
  item_node *granite = item_add_child(&root, "Granite", "GR", 1, 0, nullptr);
  item_node *basalt = item_add_child(&root, "Basalt", "BA", 2, 0, nullptr);
  EXPECT_EQ(pv_symsetup_dialog(project_, nullptr, &root), -2) << "the root is no item of a tree";
  EXPECT_EQ(pv_symsetup_dialog(project_, name_, granite), -2) << "a column or an item, not both";

  host_io_use_script_text("pv_symsetup\nset sym_clr_chc granite\nok\nset sym_clr_chc basalt\nok\n");
  dlg_test_clear();
  take_transcript();
  EXPECT_EQ(pv_symsetup_dialog(project_, nullptr, granite), RTNORM);
  EXPECT_EQ(alerts(), 1) << "the item's own name is refused, the dialog stays open";
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(tile("sym_hdr").value, "Profile: ");
  EXPECT_EQ(tile("sym_itm").value, "Item   : ");
  EXPECT_EQ(tile("sym_itmval").value, "Granite");
  ASSERT_NE(granite->symbol, nullptr);
  sym_rec *s = granite->symbol;
  EXPECT_EQ(s->owner_kind, SYM_OWNER_ITEM);
  EXPECT_STREQ(s->profile, "STRAT");
  EXPECT_STREQ(s->dictionary, "ROCKD");
  EXPECT_STREQ(s->item_name, "Granite");
  EXPECT_EQ(s->assoc[SYM_ASSOC_COLOUR], basalt);
  sym_detach(project_, s);
  item_root_empty(&root);
}

TEST_F(SymbolSetupDialog, PickersWriteTheirChoiceIntoTheFieldsTile) {
  /* The library list, the shape picker on it, the colour dialog without
  ** BYLAYER, and the layer's association among the character columns. */
  EXPECT_EQ(run(name_, "pick sym_symbol\npick sym_lib\npv_sympick\nselect sym_list 0\nok\n"
                       "pick sym_name\npv_sel_sym\npick image1\n"
                       "pick sym_clr\npv_symcolor\nselect clr_list 2\nok\n"
                       "pick sym_assoc\npv_asspick\npick sym_lay\nselect sym_list 0\nok\n"
                       "cancel\n"),
            RTNORM);
  EXPECT_EQ(tile("sym_list", "pv_sympick").items, std::vector<std::string>{"PVSTRUCT"});
  EXPECT_EQ(tile("sym_lib_chc").value, "PVSTRUCT");
  EXPECT_EQ(tile("sym_name_chc").value, tile("shape1", "pv_sel_sym").value);
  EXPECT_FALSE(tile("sym_name_chc").value.empty());
  EXPECT_EQ(tile("clr_list", "pv_symcolor").items.size(), 8u) << "no 256 BYLAYER";
  EXPECT_EQ(tile("sym_clr_chc").value, "2");
  EXPECT_EQ(tile("sym_list", "pv_asspick").items, (std::vector<std::string>{"ROCKTYPE"}))
      << "a layer comes from a character column other than NAME itself";
  EXPECT_EQ(tile("sym_lay_chc").value, "ROCKTYPE");

  /* No library loaded under the typed name: the shape picker is not opened. */
  EXPECT_EQ(run(name_, "pick sym_symbol\nset sym_lib_chc NOSUCH\npick sym_name\ncancel\n"), RTNORM);
  EXPECT_EQ(tile("error").value, "ERROR:  Invalid symbol library specified");

  /* A colour outside 0..255 stays in the colour dialog. */
  EXPECT_EQ(run(name_, "pick sym_clr\npv_symcolor\nset clr_num 256\nok\ncancel\ncancel\n"), RTNORM);
  EXPECT_EQ(tile("error", "pv_symcolor").value, "Invalid color specified");
  EXPECT_EQ(tile("sym_clr_chc").value, "");
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(SymbolSetupDialog, ADialogThatCannotBeLoadedIsReported) {
  int dcl = g_dcl_id;
  g_dcl_id = PV_NO_DCL;
  take_transcript();
  EXPECT_EQ(pv_symsetup_dialog(project_, name_, nullptr), RTERROR);
  int chosen = 0;
  EXPECT_EQ(sym_pick_list("pv_sympick", {"A"}, &chosen), -1);
  g_dcl_id = dcl;
  std::string t = take_transcript();
  EXPECT_NE(t.find("Cannot load dialog box"), std::string::npos) << t;
  EXPECT_NE(t.find("Cannot load dialog box: pv_sympick."), std::string::npos) << t;
  EXPECT_EQ(pv_symsetup_dialog(nullptr, name_, nullptr), -2);
}

}  // namespace
