/*
** symbol_fixture.h: what the symbol setup tests share: the module loaded
** in the stand-in editor with a copy of the sample project GEO, its DB3
** driver and the shape library PVSTRUCT.SHX in the working directory;
** logging on, saving and logging on again; a table described again; a
** setup's fields as text.
*/
#ifndef PV_TESTS_CORE_SYMBOL_FIXTURE_H
#define PV_TESTS_CORE_SYMBOL_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/pjct_list.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "core_fixture.h"
#include "data/tblsetup.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER "pvdb3"
#endif

class SymbolProjectTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    std::string ini = (dir_ / "asi.ini").string();
    std::ofstream(ini) << "[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER
                          "\nPETRIVEX=projects\nPETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\n";
    host_set_env("ASI_INI", ini);
    std::filesystem::copy_file(std::filesystem::path(PV_RESOURCE_DIR) / "shapes" / "PVSTRUCT.SHX",
                               dir_ / "PVSTRUCT.SHX");
    ASSERT_EQ(load(), PV_ENTRY_OK);
  }
  void TearDown() override {
    CoreTest::TearDown();
    host_set_env("ASI_INI", "");
  }

  /* Logs on to GEO; answers the project. */
  pjct_rec *logon() {
    EXPECT_EQ(texts(call("pv_open", {"GEO", "DB3", "", ""}))[0], "GEO");
    return pjct_find("GEO", nullptr);
  }
  /* Writes the changed setup, logs off and on again. */
  pjct_rec *save_and_logon_again() {
    EXPECT_EQ(setup_save_all(g_pjct_list, 0), 0);
    EXPECT_EQ(texts(call("pv_logoff", {"GEO"}))[0], "T");
    return logon();
  }

  /* Gives a registered table a new column list described again, as a
  ** restructured table takes one; the old list is freed. */
  static void describe_again(pjct_rec *p, tbl_rec *table) {
    sql_col_rec *described = nullptr;
    int n = sql_describe_table(p->connection, table->name, &described, 1);
    ASSERT_GT(n, 0);
    ASSERT_EQ(tblsetup_take_columns(nullptr, table, described, n, p), 0);
  }

  /* The rows of a table file of GEO as dbfread reads them, one line each,
  ** the fields joined by "|" without the save columns. */
  static std::string dbf_lines(const char *table) {
    std::string cmd = std::string("/usr/bin/python3 -c \"import dbfread\n"
                                  "for r in dbfread.DBF('projects/GEO/") + table +
                      ".DBF'):\n print('|'.join(str(v) for k, v in r.items() if not k.startswith('SAVE')))\"";
    std::string out;
    if (FILE *f = popen(cmd.c_str(), "r")) {
      char line[1024];
      while (fgets(line, sizeof line, f)) out += line;
      pclose(f);
    }
    return out;
  }

  /* Every field of a setup as text, the owner and associations by name. */
  static std::string fields(const sym_rec *s) {
    char buf[1024];
    snprintf(buf, sizeof buf, "%d|%s|%s.%s|%s|%s|%s|%s|%s|%s|#%u|form %d|flags %d|c%d|%.9g|%.9g|%.9g|p%d|%.17g|%.17g|%.17g|%.9g",
             s->owner_kind, s->item_name ? s->item_name : "", sym_owner_table(s), sym_owner_column(s),
             s->profile ? s->profile : "", s->dictionary ? s->dictionary : "", s->symbol ? s->symbol : "",
             s->library ? s->library : "", s->pattern ? s->pattern : "", s->layer, s->shape_number, s->form, s->flags,
             s->colour, s->scale, s->angle, s->line_width, s->position, s->x_offset, s->y_offset, s->z_offset,
             s->angle_offset);
    std::string out = buf;
    for (int i = 0; i < SYM_ASSOC_COUNT; i++) out += std::string("|") + sym_assoc_text(s, i);
    return out;
  }
  /* The fields of every setup of a project, newest first, one a line. */
  static std::string all_fields(const pjct_rec *p) {
    std::string out;
    for (const sym_rec *s = p->symbols; s; s = s->next) out += fields(s) + "\n";
    return out;
  }
};

#endif
