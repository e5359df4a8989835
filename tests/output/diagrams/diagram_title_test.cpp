/*
** diagram_title_test.cpp: the stereonet and rose dialogs opened as the
** plot loop opens them (with the query's project and row) keep a title of
** the longest length they allow, 512 characters, whole, and refuse one
** character more with the dialog's message.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/pv_globals.h"
#include "output/diagram_fixture.h"
#include "output/diagrams/rose_dialog.h"
#include "output/diagrams/rose_plot.h"
#include "output/diagrams/stereo_dialog.h"
#include "output/diagrams/stereo_plot.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

/* The longest title both dialogs take. */
const size_t k_longest = 512;

class DiagramTitle : public DiagramTest {
 protected:
  int saved_dcl_ = -1;
  sql_col_rec *numbers_ = nullptr;

  void SetUp() override {
    DiagramTest::SetUp();
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    /* A row of STRUC as a query gives it: the table's own column types. */
    sql_col_rec **tail = &numbers_;
    for (sql_col_rec *c = struc_->columns; c; c = c->next) {
      *tail = sql_col_new(c->name, "STRUC", c->sql_type, 20, 0);
      snprintf((*tail)->text, 20, "%s", c->sql_type == SQL_TYPE_CHAR ? "S1" : "45");
      (*tail)->null_ind = 0;
      (*tail)->connection = geo_->connection;
      tail = &(*tail)->next;
    }
  }
  void TearDown() override {
    stereo_reset();
    rose_reset();
    sql_col_list_free(&numbers_);
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    DiagramTest::TearDown();
  }
  /* The position of a column in the row, as the dialogs' lists offer it. */
  int index_of(const char *name) {
    int i = 0;
    for (sql_col_rec *c = numbers_; c; c = c->next, i++)
      if (std::strcmp(c->name, name) == 0) return i;
    return -1;
  }
  static std::string error_tile(const char *dialog) {
    dlg_tile_snapshot s;
    EXPECT_TRUE(dlg_test_last_tile(dialog, "error", s));
    return s.value;
  }
};

TEST_F(DiagramTitle, StereonetKeepsA512CharacterTitleWholeAndRefusesOneMore)
{
  const std::string answers = "pv_stereonet\npick planar\nselect strike " +
                              std::to_string(index_of("STRIKE")) + "\nselect dip " + std::to_string(index_of("DIP")) +
                              "\nset netname ";
  host_io_use_script_text(answers + std::string(k_longest + 1, 'T') + "\nok\ncancel\n");
  EXPECT_EQ(pv_stereonet_dialog(geo_, numbers_), -1);
  EXPECT_EQ(error_tile("pv_stereonet"), "ERROR: Stereonet title is too long");

  host_io_use_script_text(answers + std::string(k_longest, 'T') + "\nok\n");
  ASSERT_EQ(pv_stereonet_dialog(geo_, numbers_), 0) << error_tile("pv_stereonet");
  EXPECT_EQ(std::string(g_stereo.title), std::string(k_longest, 'T'));
  EXPECT_EQ(g_stereo.row, numbers_) << "the plot loop's row stays the state's row";
}

TEST_F(DiagramTitle, RoseKeepsA512CharacterTitleWholeAndRefusesOneMore)
{
  const std::string answers = "pv_rose\nselect rose_angle " + std::to_string(index_of("AZIM")) +
                              "\nset rose_interval 30\nset rose_name ";
  host_io_use_script_text(answers + std::string(k_longest + 1, 'R') + "\nok\ncancel\n");
  EXPECT_EQ(pv_rose_dialog(geo_, numbers_), -1);
  EXPECT_EQ(error_tile("pv_rose"), "ERROR: Diagram title is too long");

  host_io_use_script_text(answers + std::string(k_longest, 'R') + "\nok\n");
  ASSERT_EQ(pv_rose_dialog(geo_, numbers_), 0) << error_tile("pv_rose");
  EXPECT_EQ(std::string(g_rose.title), std::string(k_longest, 'R'));
  EXPECT_EQ(g_rose.row, numbers_);
}

}  // namespace
