/*
** damaged_table_test.cpp: a field project written by another program (the
** python "dbf" module) run through the module, the SQL engine and the DB3
** driver with one of its files damaged: logon names what cannot be read
** with the driver's text, statements on a damaged table report it, and
** no save, logoff or failed statement changes a byte of any file of the
** project; once the file is repaired the project's setup is all there.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "core_fixture.h"
#include "platform/dialog/dialog_test_api.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER "pvdb3"
#endif

namespace {

namespace fs = std::filesystem;

/* The project's name and its change bits of registry, rules and points. */
constexpr const char *kProject = "FIELD";
constexpr uint32_t kSetupBits = PJCT_CHG_TABLES | PJCT_CHG_COLUMNS | PJCT_CHG_POINTS;

/* One file's contents: its bytes. */
std::string read_bytes(const fs::path &path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void write_bytes(const fs::path &path, const std::string &bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), (std::streamsize)bytes.size());
}

/* FNV-1a checksum of a text. */
uint64_t checksum(const std::string &bytes) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

class DamagedTableTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    project_dir_ = dir_ / "projects" / kProject;
    fs::create_directories(dir_ / "projects");
    if (!fs::exists(dir_ / "projects" / "Projections"))
      fs::copy(fs::path(PV_RESOURCE_DIR) / "projects" / "Projections", dir_ / "projects" / "Projections");
    std::string cmd = "/usr/bin/python3 " PV_TEST_DATA_DIR "/core/field_project.py " + project_dir_.string() + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    for (const auto &e : fs::directory_iterator(project_dir_)) pristine_[e.path().filename()] = read_bytes(e.path());
    ASSERT_EQ(pristine_.size(), 7u) << "three tables, a memo file and three setup tables";
    std::string ini = (dir_ / "asi.ini").string();
    std::ofstream(ini) << "[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=projects\n"
                          "PETRIVEX.Projections=Projections\nPETRIVEX.FIELD=FIELD\n";
    host_set_env("ASI_INI", ini);
    ASSERT_EQ(load(), PV_ENTRY_OK);
  }
  void TearDown() override {
    CoreTest::TearDown();
    host_set_env("ASI_INI", "");
  }

  /* Every file of the project with its checksum. */
  std::map<std::string, uint64_t> sums() const {
    std::map<std::string, uint64_t> out;
    for (const auto &e : fs::directory_iterator(project_dir_))
      out[e.path().filename()] = checksum(read_bytes(e.path()));
    return out;
  }

  /* Puts the project back as the other program wrote it. */
  void restore() {
    for (const auto &e : fs::directory_iterator(project_dir_))
      if (!pristine_.count(e.path().filename())) fs::remove(e.path());
    for (const auto &[name, bytes] : pristine_) write_bytes(project_dir_ / name, bytes);
  }

  /* Logs the project on; answers its record (null when refused). */
  pjct_rec *open() {
    std::vector<std::string> r = texts(call("pv_open", {kProject, "DB3", "", ""}));
    return r[0] == kProject ? pjct_find(kProject, nullptr) : nullptr;
  }

  /* The alerts shown since the last call: the transcript's and the lines
  ** of the wrapping alert, without blanks and line ends (the wrapping
  ** alert breaks lines where it likes). */
  static std::string alerts() {
    std::string t = take_transcript();
    dlg_tile_snapshot lines;
    if (dlg_test_last_tile("pv_alert_wrap", "lines", lines))
      for (const std::string &l : lines.items) t += l;
    dlg_test_clear();
    return packed(t);
  }

  /* A text without blanks and line ends. */
  static std::string packed(const std::string &text) {
    std::string out;
    for (char c : text)
      if (c != ' ' && c != '\n') out += c;
    return out;
  }

  /* The registry, the input rules and the point setups of a project as
  ** sorted lines. */
  static std::string setup_of(const pjct_rec *p) {
    std::set<std::string> lines;
    for (const tbl_rec *t = p->tables; t; t = t->next) {
      std::string s = std::string("table ") + t->name + " type " + std::to_string(t->table_type);
      for (int k = 0; k < TBL_KEY_COUNT; k++) s += t->keys[k] ? std::string(" ") + t->keys[k]->name : " -";
      lines.insert(s);
      for (const sql_col_rec *c = t->columns; c; c = c->next) {
        const col_attr_rec *r = c->attr;
        char buf[256];
        snprintf(buf, sizeof buf, "rule %s.%s flags %u range %u min %g max %g default '%s'", t->name, c->name,
                 r ? r->flags : 0u, r ? r->range : 0u, r ? r->minimum : 0, r ? r->maximum : 0,
                 r && r->default_text ? r->default_text : "");
        lines.insert(buf);
      }
    }
    for (const pnt_rec *q = p->points; q; q = q->next)
      lines.insert(std::string("point ") + (q->table ? q->table->name : "?") + " " + q->x_col->name + " " +
                   q->y_col->name + " " + (q->sym_col ? q->sym_col->name : "-") + " " +
                   (q->projection ? q->projection->name : "-"));
    std::string out;
    for (const std::string &l : lines) out += l + "\n";
    return out;
  }

  /* Sets the change bits, saves with pv_save, logs off with pv_logoff. */
  void save_and_logoff(pjct_rec *p, const std::string &save_dialogs) {
    p->flags |= kSetupBits;
    host_io_use_script_text("pv_yesno_small\nok\n" + save_dialogs);
    ads_relrb(call("pv_save", {}));
    EXPECT_EQ(p->flags & kSetupBits, 0u) << alerts();
    EXPECT_EQ(texts(call("pv_logoff", {kProject})), std::vector<std::string>{"T"});
    EXPECT_TRUE(host_io_faults().empty()) << "every question and alert as expected";
    host_io_use_script_text("");
  }

  fs::path project_dir_;                          /* the project's directory */
  std::map<std::string, std::string> pristine_;   /* its files as written */
};

/* One kind of damage and what it must cost. */
struct Damage {
  const char *what;                                   /* the damage */
  std::function<void(const fs::path &dir)> harm;      /* does it to the project's directory */
  const char *logon_alert;                            /* the logon alert's line, "" for none */
  const char *file;                                   /* the file named in it */
  const char *statement;                              /* a statement meeting the damage, or null */
  const char *condition;                              /* what the statement reports */
  const char *insert;                                 /* an INSERT that must fail, or null */
  const char *insert_file;                            /* the file it must leave alone */
};

/* Cuts a file to a size, or by a number of bytes when negative. */
void cut(const fs::path &path, long size) {
  std::string bytes = read_bytes(path);
  write_bytes(path, bytes.substr(0, size >= 0 ? (size_t)size : bytes.size() - (size_t)-size));
}

/* The header of every table file is 32 bytes and one descriptor more. */
constexpr long kInsideHeader = 40;
/* Bytes cut from the end: the end mark and most of the last record. */
constexpr long kRecordsCut = -10;
/* Offset of the record count in a table file's header. */
constexpr long kCountOffset = 4;

const Damage kDamages[] = {
    {"a table file cut inside its header", [](const fs::path &d) { cut(d / "STN.DBF", kInsideHeader); },
     "\nSTN: table file ", "STN.DBF is damaged (dBASE code -3)", nullptr, nullptr, nullptr, nullptr},
    {"a registry cut inside its header", [](const fs::path &d) { cut(d / "PVTABLE.DBF", kInsideHeader); },
     "\nsetup table PVTABLE: table file ", "PVTABLE.DBF is damaged (dBASE code -3)", nullptr, nullptr, nullptr,
     nullptr},
    {"records cut short", [](const fs::path &d) { cut(d / "STN.DBF", kRecordsCut); }, "", "",
     "SELECT * FROM STN", "table STN is damaged: its header counts 3 records, the file holds fewer",
     "INSERT INTO STN (BASENUMBER, STATION, NAME) VALUES (4, 104, 'SPRING')", "STN.DBF"},
    {"a header counting more records than the file holds",
     [](const fs::path &d) {
       std::string bytes = read_bytes(d / "SAMPLE.DBF");
       bytes[kCountOffset] = 9;
       write_bytes(d / "SAMPLE.DBF", bytes);
     },
     "", "", "SELECT DESCR FROM SAMPLE", "table SAMPLE is damaged: its header counts 9 records, the file holds fewer",
     "INSERT INTO SAMPLE (BASENUMBER, SAMPLE) VALUES (3, 7003)", "SAMPLE.DBF"},
    {"a deleted memo file", [](const fs::path &d) { fs::remove(d / "ROCK.DBT"); }, "", "",
     "SELECT NOTES FROM ROCK", "table ROCK cannot be opened to read the memos of (dBASE code -9)",
     "INSERT INTO ROCK (BASENUMBER, NOTES) VALUES (3, 'weathered')", "ROCK.DBF"},
};

/* Runs a query as a command does, reporting its failure. Answers its
** result. */
int query(pjct_rec *p, const char *text) {
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  int n = sql_query(p->connection, text, &stmt, &cursor, &row, 1);
  sql_close_query(&stmt, &cursor, &row);
  return n;
}

}  // namespace

TEST_F(DamagedTableTest, AProjectOfAnotherProgramLogsOnWholeAndASaveThatChangesNothingWritesNothing) {
  std::map<std::string, uint64_t> before = sums();
  pjct_rec *p = open();
  ASSERT_NE(p, nullptr) << alerts();
  EXPECT_EQ(alerts().find("cannotberead"), std::string::npos);
  std::string setup = setup_of(p);
  EXPECT_NE(setup.find("table ROCK type 6 BASENUMBER - - STATION - ROCK"), std::string::npos) << setup;
  EXPECT_NE(setup.find("table SAMPLE type 4"), std::string::npos) << setup;
  EXPECT_NE(setup.find("table STN type 9"), std::string::npos) << setup;
  EXPECT_NE(setup.find("rule STN.EASTING flags 1027 range 3 min 500000 max 600000"), std::string::npos) << setup;
  EXPECT_NE(setup.find("rule STN.NAME flags 5 range 0 min 0 max 0 default 'UNNAMED'"), std::string::npos) << setup;
  EXPECT_NE(setup.find("point STN EASTING NORTHING NAME USER"), std::string::npos) << setup;
  save_and_logoff(p, "");
  EXPECT_EQ(sums(), before);
}

TEST_F(DamagedTableTest, DamageCostsNoRegistrationAndNoByteOfAnyFile) {
  pjct_rec *p = open();
  ASSERT_NE(p, nullptr);
  const std::string healthy = setup_of(p);
  save_and_logoff(p, "");

  for (const Damage &d : kDamages) {
    SCOPED_TRACE(d.what);
    restore();
    d.harm(project_dir_);
    std::map<std::string, uint64_t> before = sums();
    alerts();
    const bool at_logon = *d.logon_alert;
    host_io_use_script_text(at_logon ? "pv_alert_wrap\nok\n" : "");
    p = open();
    ASSERT_NE(p, nullptr) << "the project logs on with the rest";
    std::string shown = alerts();
    if (at_logon) {
      size_t line = shown.find(packed(d.logon_alert));
      ASSERT_NE(line, std::string::npos) << shown;
      EXPECT_NE(shown.find(packed(project_dir_.string() + "/" + d.file), line), std::string::npos) << shown;
      EXPECT_EQ(shown.find("cannotberead"), shown.rfind("cannotberead")) << "one alert: " << shown;
    } else {
      EXPECT_EQ(shown.find("cannotberead"), std::string::npos) << shown;
      EXPECT_EQ(setup_of(p), healthy) << "the table stays registered";
    }
    if (std::string(d.file) == "STN.DBF is damaged (dBASE code -3)") {
      EXPECT_EQ(tbl_find_by_name(p->tables, "STN", nullptr), nullptr);
      EXPECT_NE(tbl_find_by_name(p->tables, "ROCK", nullptr), nullptr);
      const char *refusal = setup_table_refusal(p, "STN");
      ASSERT_NE(refusal, nullptr);
      EXPECT_NE(std::string(refusal).find(d.file), std::string::npos) << refusal;
    }
    if (d.statement) {
      host_io_use_script_text("pv_alert_wrap\nok\n");
      EXPECT_LT(query(p, d.statement), 0);
      shown = alerts();
      EXPECT_NE(shown.find(packed(d.condition)), std::string::npos) << shown;
      std::string file = read_bytes(project_dir_ / d.insert_file);
      void *stmt = nullptr, *cursor = nullptr;
      EXPECT_NE(sql_execute(p->connection, &stmt, &cursor, d.insert, 0), 5100);
      sql_free_handles(&stmt, &cursor);
      EXPECT_EQ(read_bytes(project_dir_ / d.insert_file), file) << "the failed INSERT changed its table";
      host_io_use_script_text("");
    }
    /* The registry left alone is said so at the save. */
    const bool registry_damaged = std::string(d.logon_alert).find("PVTABLE") != std::string::npos;
    save_and_logoff(p, registry_damaged ? "pv_alert_wrap\nok\n" : "");
    if (registry_damaged) {
      EXPECT_NE(alerts().find(packed("Setup table PVTABLE of project FIELD could not be read at logon (table file " +
                                     project_dir_.string() + "/PVTABLE.DBF is damaged (dBASE code -3)); it is left "
                                     "unchanged.")),
                std::string::npos); }
    EXPECT_EQ(sums(), before) << "a file of the project changed";

    /* Repaired, the project is as it was. */
    restore();
    p = open();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(setup_of(p), healthy);
    EXPECT_EQ(setup_table_refusal(p, "STN"), nullptr);
    save_and_logoff(p, "");
  }
}
