/*
** dcl_keys_test.cpp: every dialog the module opens exists in PETRIVEX.DCL
** with every tile key its code uses, each of the right kind.
**
** The table below is the list of dialogs and keys; a kind after the colon
** says what the tile must be: list (list box or popup list), mlist (list box
** with multiple selection), edit, text, toggle, radio (radio button),
** cluster (radio cluster), button, slider, image (image or image button),
** any (only the key matters). A missing dialog or key fails the test.
*/
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "dcl_host.h"
#include "platform/dialog/dcl_reader.h"
#include "platform/host_io.h"

namespace {

/* One dialog and its keys, "key:kind" separated by blanks. */
struct expected_dialog {
  const char* name;   /* dialog name                                  */
  const char* keys;   /* "key:kind key:kind ..."                       */
};

/* The numbered tiles of the picture pickers: image1:image shape1:text ... */
std::string picture_keys(int count) {
  std::string s;
  for (int i = 1; i <= count; ++i)
    s += " image" + std::to_string(i) + ":image shape" + std::to_string(i) + ":text";
  return s;
}

const char kRowEntry[] =
    " edit_list:list edit_name:text edit_col:edit accept:button cancel:button"
    " attach:toggle plot:toggle symbols:button list:button tree:button"
    " memo:button point:button image:button input:button points:button"
    " symbol:button error:text";

const char kTableBrowser[] =
    " accept:button top:button bot:button next:button prev:button"
    " scroll:slider column:mlist apply:button sqlrow:mlist clear:button"
    " delete:button delall:button modify:button modall:button"
    " plot_all:radio plot_sel:radio plot:list title:text error:text";

const char kMsgLines2[] = " title:text line1:text line2:text";
const char kMsgLines4[] = " title:text line1:text line2:text line3:text line4:text";
const char kMsgLines8[] =
    " title:text line1:text line2:text line3:text line4:text line5:text"
    " line6:text line7:text line8:text";

const std::vector<expected_dialog>& expected() {
  static const std::string row_entry = kRowEntry;
  static const std::string browser = kTableBrowser;
  static const std::string pick24 = picture_keys(24);
  static const std::string pick16 = picture_keys(16);
  static const std::string l2 = kMsgLines2, l4 = kMsgLines4, l8 = kMsgLines8;
  static const std::string add_tbl =
      "project:list tables:list sqlrow:list column:list" + row_entry;
  static const std::string edit_col =
      "edit_proj:list edit_tbl:list next:button prev:button" + row_entry;
  static const std::string sel_sym = "prev:button next:button exit:button" + pick24;
  static const std::string sel_tree =
      "symbol_tree:list symbol:button next:button prev:button accept:button"
      " cancel:button" + pick16;
  static const std::string ok_s = "accept:button" + l2, ok_m = "accept:button" + l4,
                           ok_l = "accept:button" + l8;
  static const std::string oq_s = "accept:button cancel:button" + l2,
                           oq_m = "accept:button cancel:button" + l4,
                           oq_l = "accept:button cancel:button" + l8;
  static const std::string yn_s = "accept:button no:button" + l2,
                           yn_m = "accept:button no:button" + l4,
                           yn_l = "accept:button no:button" + l8;
  static const std::string ync_s = "accept:button no:button cancel:button" + l2,
                           ync_m = "accept:button no:button cancel:button" + l4,
                           ync_l = "accept:button no:button cancel:button" + l8;
  static const std::vector<expected_dialog> table = {
      /* The core's own dialogs. */
      {"pv_logon", "project:list env:list user:edit password:edit accept:button cancel:button error:text"},
      {"pv_auth", "title:text user:edit password:edit accept:button cancel:button error:text"},
      {"pv_setup", "project:list map:button datum:button projection:button transform:button"
                   " symlib:button tblsetup:button symsetup:button exit:button error:text"},
      {"pv_msg_box", "title:text error:text accept:button"},
      {"pv_ok_small", ok_s.c_str()}, {"pv_ok_medium", ok_m.c_str()}, {"pv_ok_large", ok_l.c_str()},
      {"pv_okquit_small", oq_s.c_str()}, {"pv_okquit_medium", oq_m.c_str()},
      {"pv_okquit_large", oq_l.c_str()},
      {"pv_yesno_small", yn_s.c_str()}, {"pv_yesno_medium", yn_m.c_str()},
      {"pv_yesno_large", yn_l.c_str()},
      {"pv_ync_small", ync_s.c_str()}, {"pv_ync_medium", ync_m.c_str()}, {"pv_ync_large", ync_l.c_str()},
      {"pv_alert_wrap", "title:text lines:list accept:button"},
      /* Rows, browser, memo. */
      {"pv_add_tbl", add_tbl.c_str()},
      {"pv_edit_col", edit_col.c_str()},
      {"pv_ssget", "ss_station:toggle ss_table:toggle ss_row:toggle ss_group:toggle accept:button cancel:button"},
      {"pv_table_small", browser.c_str()}, {"pv_table_med", browser.c_str()},
      {"pv_table_large", browser.c_str()},
      {"pv_dlg_modall", "column:list list:button edit_value:edit accept:button cancel:button error:text"},
      {"pv_edit_memo", "pv_memo_list:list pv_memo_line:edit accept:button cancel:button insert:button"
                       " delete:button modify:button"},
      /* Table setup. */
      {"pv_tblsetup", "exit:button new:button save:button purge:button delete:button tbl_name:edit"
                      " col_name:edit prj_name:any prj_opt:radio tbl_opt:radio col_opt:radio"
                      " opt_list:list move:button setup:button points:button input:button"
                      " symbol:button error:text"},
      {"pv_colsetup", "col_tblname:text col_colname:text col_type:list col_len:edit col_dec:edit"
                      " accept:button cancel:button error:text"},
      {"pv_colmove", "col_colname:text col_name:list accept:button cancel:button error:text"},
      {"pv_cinsetup", "cin_tbl:text cin_col:text cin_prf:edit cin_dix:edit cin_level:edit"
                      " cin_many:toggle cin_delim:edit cin_defval:edit cin_minval:edit cin_maxval:edit"
                      " cin_edit:toggle cin_null:toggle cin_def:toggle cin_inc:toggle cin_unq:toggle"
                      " cin_plot:toggle cin_memo:toggle cin_max:toggle cin_image:toggle"
                      " accept:button cancel:button error:text"},
      {"pv_tblimport", "tbl_opt:cluster opt_basenum:radio basenum:edit opt_travnum:radio travnum:edit"
                       " opt_outnum:radio outnum:edit opt_statnum:radio statnum:edit opt_sectnum:radio"
                       " sectnum:edit opt_rocknum:radio rocknum:edit opt_smplnum:radio smplnum:edit"
                       " opt_analnum:radio analnum:edit opt_boundnum:radio boundnum:edit"
                       " opt_unitnum:radio unitnum:edit opt_legnum:radio legnum:edit opt_dixnum:radio"
                       " dixnum:edit opt_refnum:radio refnum:edit opt_groupnum:radio groupnum:edit"
                       " tbl_name:any tbl_type:list tbl_cols:list register:button cancel:button error:text"},
      /* Profiles and pickers. */
      {"pv_edit_profile", "prf_project:list tgt_prf_name:edit src_prf_name:edit src_dix_name:edit"
                          " tgt_prf:mlist src_prf:mlist tgt_longname:edit tgt_shortname:edit child:radio"
                          " sibling:radio error:text src_dum1:any src_dum2:any accept:button"
                          " tgt_file:button src_file:button dix_file:button tgt_load:button"
                          " src_load:button dix_load:button tgt_save:button next:button src_next:button"
                          " prev:button src_prev:button select:button src_select:button clear:button"
                          " src_clear:button insert:button modify:button delete:button move:button"
                          " copy:button src_copy:button symbol:button tgt_dix:button src_dix:button"},
      {"pv_prf_opts", "msg_opt:text file_opts:cluster prf_opt:radio txt_opt:radio accept:button cancel:button"},
      {"pv_dix_opts", "msg_opt:text file_opts:cluster prf_opt:radio txt_opt:radio accept:button cancel:button"},
      {"pv_select_profile", "sel_prf:mlist sel_level:edit sel_edit:edit apply:button accept:button"
                            " cancel:button tgt_dix:button symbol:button insert:button delete:button"
                            " child:radio sibling:radio"},
      {"pv_sel_tree", sel_tree.c_str()},
      /* Points. */
      {"pv_edit_point", "projname:list scroll:slider xname:text yname:text zname:text xpoint:edit"
                        " ypoint:edit zpoint:edit xunit:text yunit:text ddlatlong:text dmslatlong:text"
                        " error:text accept:button cancel:button"},
      {"pv_pntsetup", "pnt_list:list pnt_tblname:text pnt_xcol:list pnt_ycol:list pnt_zcol:list"
                      " pnt_symbol:list pnt_proj:list error:text new:button insert:button modify:button"
                      " delete:button exit:button"},
      /* Import, upgrade, merge, rename. */
      {"pv_import", "imp_project:list filename:button imp_fname:edit imp_dbase:toggle imp_text:toggle"
                    " import:button cancel:button error:text"},
      {"pv_importxt", "txt_title:text txt_table:list txt_proj:list txt_coldel:edit txt_txtdel:edit"
                      " txt_append:toggle txt_update:toggle txt_output:mlist txt_fw:toggle"
                      " import:button cancel:button error:text"},
      {"pv_upgrade", "project:list accept:button cancel:button error:text"},
      {"pv_merge", "mrg_master:list mrg_slave:list mrg_map:toggle mrg_dbf:toggle error:text"
                   " accept:button cancel:button"},
      {"pv_rename", "ren_old_prj:edit ren_new_prj:edit ren_old_tbl:edit ren_new_tbl:edit"
                    " ren_old_col:edit ren_new_col:edit error:text accept:button cancel:button"},
      /* Map and coordinate systems. */
      {"pv_link", "link_prj:list link_tbl:list link_col:list link_basname:text link_bas:edit"
                  " link_prmname:text link_prm:edit link_grpname:text link_grp:edit link_bas_lst:list"
                  " link_prm_lst:list link_bas_tit:text link_prm_tit:text link_col_tit:text"
                  " link_qry:button link_mod:button cancel:button error:text"},
      {"pv_scale", "scl_text:toggle scl_symbol:toggle scl_station:toggle scl_absolute:toggle"
                   " scl_relative:toggle scl_height:edit scl_scale:edit scl_point:list error:text"
                   " accept:button cancel:button"},
      {"pv_load_sym", "symlist:list symname:edit filename:button load:button unload:button"
                      " exit:button error:text"},
      {"pv_symsetup", "sym_hdr:text sym_hdrval:text sym_itm:text sym_itmval:text sym_text:toggle"
                      " sym_symbol:toggle sym_fill:toggle sym_sld:toggle sym_text_chc:edit"
                      " sym_font:button sym_font_chc:edit sym_pos:button sym_pos_col:edit"
                      " sym_shape:any sym_block:any sym_lib:button sym_lib_chc:edit sym_name:button"
                      " sym_name_chc:edit sym_pat:button sym_pat_chc:edit sym_lay:button"
                      " sym_lay_chc:edit sym_clr:button sym_clr_chc:edit sym_size_chc:edit"
                      " sym_lwd_chc:edit sym_ang_chc:edit sym_aof_chc:edit sym_pos_chc:edit"
                      " sym_xof_chc:edit sym_yof_chc:edit sym_zof_chc:edit sym_assoc:button"
                      " accept:button cancel:button error:text"},
      {"pv_sympick", "sym_list:list accept:button cancel:button"},
      {"pv_sympick2", "sym_list:list accept:button cancel:button"},
      {"pv_asspick", "sym_font:button sym_name:button sym_lay:button sym_clr:button sym_size:button"
                     " sym_lwd:button sym_ang:button sym_aof:button sym_pat:button sym_list:list"
                     " accept:button cancel:button"},
      {"pv_asspick2", "sym_font:button sym_name:button sym_lay:button sym_clr:button sym_size:button"
                      " sym_lwd:button sym_ang:button sym_aof:button sym_pat:button sym_list:list"
                      " accept:button cancel:button"},
      {"pv_symcolor", "accept:button cancel:button"},
      {"pv_sel_sym", sel_sym.c_str()},
      {"pv_sel_pat", sel_sym.c_str()},
      {"pv_project", "proj_in:list proj_out:list accept:button cancel:button"},
      {"pv_map", "proj_in:list proj_scale:edit proj_height:edit proj_angbase:edit proj_clock:edit"
                 " accept:button cancel:button error:text"},
      {"pv_datum", "dtm_list:list dtm_name:edit dtm_a:edit dtm_b:edit insert:button delete:button"
                   " modify:button new:button exit:button error:text"},
      {"pv_projection", "prj_list:list prj_name:edit dtm_list:list prj_type:list prj_unit:list"
                        " prj_hemi:list prj_zone:edit prj_scale:edit prj_falsex:edit prj_falsey:edit"
                        " prj_originx:edit prj_originy:edit prj_parallel1:edit prj_parallel2:edit"
                        " insert:button delete:button modify:button new:button exit:button error:text"},
      {"pv_transform", "xfrm_list:list xfrm_name:edit xfrm_prj1:list xfrm_prj2:list insert:button"
                       " delete:button modify:button new:button points:button xfrm_invert:button"
                       " exit:button error:text"},
      {"pv_points", "xfrm_prj1:text xfrm_prj2:text pnts_units:text pnts_prj1:any pnts_prj2:any"
                    " pnts_list:list pnts_x1:edit pnts_y1:edit pnts_x2:edit pnts_y2:edit"
                    " pnts_degree:list pnts_rmstot:text insert:button delete:button modify:button"
                    " new:button pick:button exit:button error:text"},
      /* Queries, plots, diagrams. */
      {"pv_condition", "accept:button cancel:button query:button project:list queries:list qname:edit"
                       " output:mlist column:list operator:list connector:list value:edit"
                       " modify:button up:button down:button delete:button next:button prev:button"
                       " condition:list list:button tree:button symbols:button line:button"
                       " area:button error:text"},
      {"pv_sel_mode", "draw_option:radio sel_option:radio closemode:toggle accept:button cancel:button"},
      {"pv_plot_opts", "title:text output:mlist symbol:list projection:list filename:edit"
                       " col_delim:edit txt_delim:edit scale:edit height:edit palette:button"
                       " plot:button cancel:button error:text"},
      {"pv_stereonet", "project:list strike:list dip:list trend:list plunge:list planar:toggle"
                       " linear:toggle equal:toggle stereo:toggle gcircle:toggle pole:toggle"
                       " dipdir:toggle plungedir:toggle netname:edit symbol:button accept:button"
                       " cancel:button error:text"},
      {"pv_rose", "rose_project:list rose_angle:list rose_180:toggle rose_360:toggle rose_dip:toggle"
                  " rose_interval:edit rose_name:edit symbol:button accept:button cancel:button"
                  " error:text"},
      {"pv_piediagram", "pie_saved:list pie_name:edit pie_rad:edit pie_circle:toggle pie_max_prp:edit"
                        " pie_ins:mlist pie_out:mlist pie_ins_len:edit pie_ins_wid:edit pie_out_len:edit"
                        " pie_out_wid:edit pie_ins_len_prp:toggle pie_ins_wid_prp:toggle"
                        " pie_out_len_prp:toggle pie_out_wid_prp:toggle pie_ins_pal:button"
                        " pie_out_pal:button pie_neg:edit symbol:button accept:button cancel:button"
                        " error:text"},
      {"pv_chemdiagram", "chem_saved:list chem_name:edit chem_sym:list chem_x:button chem_y:button"
                         " chem_z:button chem_xequ:any chem_yequ:any chem_zequ:any chem_xmin:edit"
                         " chem_ymin:edit chem_xmax:edit chem_ymax:edit chem_xscale:edit"
                         " chem_yscale:edit palette:button symbols:button accept:button cancel:button"
                         " error:text"},
      {"pv_chemequation", "chem_title:text chem_equ:list chem_op:list chem_sc1:edit chem_obkt:toggle"
                          " chem_sc2:edit chem_col:list chem_cbkt:toggle chem_log:toggle up:button"
                          " down:button delete:button modify:button exit:button error:text"},
      {"pv_dhole", "ddh_str:list ddh_dip:list ddh_len:list symbol:button accept:button cancel:button"
                   " error:text"},
      /* Export and coverages. */
      {"pv_export_opts", "project:list plotype:list output:mlist projection:list plotobj:cluster"
                         " point:radio line:radio polygon:radio col_delim:edit txt_delim:edit"
                         " height:edit scale:edit filename:edit txtdbf:toggle plot:button error:text"},
      {"pv_ustation", "project:list accept:button cancel:button error:text"},
      {"pv_arcpoly", "project:list cover:button covername:edit projection:list unitnum:list"
                     " alegend:list mlegend:list arcnum:list rocktype:list arcs:toggle table:toggle"
                     " symbol:button accept:button cancel:button error:text"},
      {"pv_arc", "project:list cover:button covername:edit projection:list arcs:toggle table:toggle"
                 " symbol:button accept:button cancel:button"},
      {"leg_matrix", "leg_mtx:list accept:button"},
  };
  return table;
}

/* Answers true when a tile of this built-in kind fits the wanted kind. */
bool kind_fits(const dcl_tile& t, const std::string& want) {
  const std::string& k = t.kind;
  if (want == "any") return true;
  if (want == "list") return k == "list_box" || k == "popup_list";
  if (want == "mlist") return k == "list_box" && dcl_attr_true(t, "multiple_select");
  if (want == "edit") return k == "edit_box";
  if (want == "text") return k == "text" || k == "text_part";
  if (want == "toggle") return k == "toggle";
  if (want == "radio") return k == "radio_button";
  if (want == "cluster")
    return k == "radio_row" || k == "radio_column" || k == "boxed_radio_row" ||
           k == "boxed_radio_column";
  if (want == "button") return k == "button";
  if (want == "slider") return k == "slider";
  if (want == "image") return k == "image" || k == "image_button";
  return false;
}

class PetrivexDcl : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(dcl_parse_file(std::string(PV_RESOURCE_DIR) + "/PETRIVEX.DCL", file_, err)) << err;
  }
  dcl_file file_;
};

/* Every expected dialog exists and holds every key with a fitting kind. */
TEST_F(PetrivexDcl, EveryDialogHasEveryKeyOfTheRightKind) {
  for (const expected_dialog& d : expected()) {
    std::vector<dcl_tile> tiles;
    std::string err;
    ASSERT_TRUE(dcl_expand_dialog(file_, d.name, tiles, err)) << d.name << ": " << err;
    std::istringstream in(d.keys);
    std::string pair;
    while (in >> pair) {
      std::string key = pair.substr(0, pair.find(':'));
      std::string kind = pair.substr(pair.find(':') + 1);
      const dcl_tile* found = nullptr;
      for (const dcl_tile& t : tiles)
        if (dcl_attr_or(t, "key", "") == key) found = &t;
      ASSERT_NE(found, nullptr) << d.name << " lacks tile \"" << key << "\"";
      EXPECT_TRUE(kind_fits(*found, kind))
          << d.name << " tile \"" << key << "\" is a " << found->kind << ", wanted " << kind;
    }
  }
}

/* The file holds no dialog the table forgets (so the table stays the list). */
TEST_F(PetrivexDcl, TableListsEveryDialogOfTheFile) {
  for (const std::string& name : dcl_dialog_names(file_)) {
    bool listed = false;
    for (const expected_dialog& d : expected()) listed = listed || name == d.name;
    EXPECT_TRUE(listed) << name << " is in the file but not in the table";
  }
}

/* The editor loads the file and opens every dialog of it. */
TEST_F(PetrivexDcl, EditorLoadsTheFileAndOpensEveryDialog) {
  host_io_set_echo(false);
  int id = -1;
  ASSERT_EQ(ads_load_dialog("PETRIVEX.DCL", &id), RTNORM);
  for (const expected_dialog& d : expected()) {
    ads_hdlg h = nullptr;
    EXPECT_EQ(ads_new_dialog(d.name, id, nullptr, &h), RTNORM) << d.name;
  }
  ads_term_dialog();
  EXPECT_EQ(ads_unload_dialog(id), RTNORM);
}

}  // namespace
