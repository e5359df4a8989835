/*
** index_test.cpp: the standard indexes of a registered table: the entries
** by table type in creation order, the codes of a missing own key, and
** creating and dropping them on a DB3 project (none made below host
** version 15; an index name too long is reported and skipped).
*/
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/sql_fixture.h"
#include "data/tblsetup.h"
#include "platform/host_io.h"

namespace {

/* A row of a type whose columns are numbers named as given (plus
** BASENUMBER), its slots filled by column name. */
tbl_rec *row_of(const char *name, int type, const std::vector<std::pair<int, const char *>> &slots,
                void *connection = nullptr)
{
    tbl_rec *r = tbl_rec_new();
    snprintf(r->name, sizeof r->name, "%s", name);
    r->table_type = type;
    sql_col_rec **tail = &r->columns;
    std::vector<std::string> made = {"BASENUMBER"};
    for (auto &s : slots) made.push_back(s.second);
    for (const std::string &c : made) {
        if (tbl_column_find(r->columns, c.c_str(), nullptr, nullptr)) continue;
        *tail = sql_col_new(c.c_str(), name, SQL_TYPE_NUMERIC, 8, 0);
        (*tail)->connection = connection;
        tail = &(*tail)->next;
        r->column_count++;
    }
    r->keys[TBL_KEY_BASENUMBER] = r->columns;
    for (auto &s : slots) r->keys[s.first] = tbl_column_find(r->columns, s.second, nullptr, nullptr);
    return r;
}

/* The entries as "NAME ON TABLE (COLUMNS)" lines, or the code. */
std::string entries(const tbl_rec *row)
{
    tbl_index_entry e[TBL_INDEX_MAX];
    int n = tbl_index_entries(row, e, TBL_INDEX_MAX);
    if (n < 0) return std::to_string(n);
    std::string out;
    for (int i = 0; i < n; i++)
        out += std::string(e[i].name) + " ON " + e[i].table + " (" + e[i].columns + ")\n";
    return out;
}

TEST(StandardIndexEntries, EachTableTypeGetsItsIndexesInOrder) {
    static const struct {
        const char *table;
        int type;
        std::vector<std::pair<int, const char *>> slots;
        const char *want;
    } k[] = {
        {"SAMPL", TBL_DEF_SAMPLE,
         {{TBL_KEY_STATION, "STN"}, {TBL_KEY_SEGMENT, "SEC"}, {TBL_KEY_SAMPLE, "SMP"}},
         "SAMPLUNQ ON SAMPL (BASENUMBER)\nSAMPLPRI ON SAMPL (STN,SEC,SMP)\n"},
        {"SAMPL", TBL_DEF_SAMPLE, {{TBL_KEY_STATION, "STN"}, {TBL_KEY_SAMPLE, "STN"}},
         "SAMPLUNQ ON SAMPL (BASENUMBER)\nSAMPLPRI ON SAMPL (STN)\n"},
        {"DIX", TBL_DEF_DICTION, {{TBL_KEY_DICTION, "LONGNAME"}},
         "DIX1 ON DIX (BASENUMBER)\nDIX2 ON DIX (LONGNAME)\n"},
        {"LEGS", TBL_DEF_LEGEND, {{TBL_KEY_LEGEND, "LONGNAME"}, {TBL_KEY_DICTION, "LONGNAME"}},
         "LEGS1 ON LEGS (BASENUMBER)\nLEGS2 ON LEGS (LONGNAME)\n"},
        {"LEGS", TBL_DEF_LEGEND, {{TBL_KEY_LEGEND, "LEGEND"}, {TBL_KEY_DICTION, "LONGNAME"}},
         "LEGS1 ON LEGS (BASENUMBER)\nLEGSLEG ON LEGS (LEGEND)\nLEGS2 ON LEGS (LONGNAME)\n"},
        {"REFS", TBL_DEF_REFERENCE, {{TBL_KEY_REFERENCE, "REF"}}, "REFSUNQ ON REFS (BASENUMBER)\nREFS ON REFS (REF)\n"},
        {"STATN", TBL_DEF_STATION,
         {{TBL_KEY_STATION, "STATION"}, {TBL_KEY_TRAVERSE, "TRAV"}, {TBL_KEY_OUTCROP, "OUTC"}, {TBL_KEY_UNIT, "UNIT"},
          {TBL_KEY_LEGEND, "LEG"}, {TBL_KEY_BOUNDARY, "BND"}, {TBL_KEY_REFERENCE, "REF"}},
         "STATNUNQ ON STATN (BASENUMBER)\nSTATNBND ON STATN (BND)\nSTATNREF ON STATN (REF)\n"
         "STATNTRV ON STATN (TRAV)\nSTATNUNT ON STATN (UNIT)\nSTATNLEG ON STATN (LEG)\nSTATNOUT ON STATN (OUTC)\n"
         "STATNPRI ON STATN (STATION)\n"},
        {"BNDS", TBL_DEF_BOUNDARY, {{TBL_KEY_BOUNDARY, "B"}, {TBL_KEY_LEGEND, "L"}},
         "BNDSUNQ ON BNDS (BASENUMBER)\nBNDSLEG ON BNDS (L)\nBNDSPRI ON BNDS (B)\n"},
        {"MISC", TBL_DEF_OTHER, {{TBL_KEY_TRAVERSE, "TRAV"}}, "MISCUNQ ON MISC (BASENUMBER)\n"},
        {"STATN", TBL_DEF_STATION, {}, "-11016"},
        {"OUTS", TBL_DEF_OUTCROP, {}, "-11018"},
        {"TRAVS", TBL_DEF_TRAVERSE, {}, "-11020"},
        {"BNDS", TBL_DEF_BOUNDARY, {}, "-11003"},
        {"UNITS", TBL_DEF_UNIT, {}, "-11005"},
        {"LEGS", TBL_DEF_LEGEND, {}, "-11042"},
        {"LEGS", TBL_DEF_LEGEND, {{TBL_KEY_LEGEND, "LEGEND"}}, "-11057"},
        {"REFS", TBL_DEF_REFERENCE, {}, "-11001"},
        {"DIX", TBL_DEF_DICTION, {}, "-11057"},
    };
    for (auto &e : k) {
        tbl_rec *r = row_of(e.table, e.type, e.slots);
        EXPECT_EQ(entries(r), e.want) << e.table << " type " << e.type;
        tbl_list_free(r);
    }
}

TEST(StandardIndexEntries, AMemoColumnAddsTheSideTableIndexAndBadRowsAreRefused) {
    tbl_rec *r = row_of("STATN", TBL_DEF_OTHER, {});
    r->columns->attr = col_attr_new();
    r->columns->attr->flags |= COL_ATTR_MEMO;
    EXPECT_EQ(entries(r), "STATNUNQ ON STATN (BASENUMBER)\nSTATNMEM ON STATNMEM (BASENUMBER,ORDNUMBER)\n");
    col_attr_free(r->columns->attr);
    r->columns->attr = nullptr;
    r->keys[TBL_KEY_BASENUMBER] = nullptr;
    EXPECT_EQ(tbl_create_indexes(r), -1);
    EXPECT_EQ(tbl_drop_indexes(r), -2);
    r->name[0] = '\0';
    EXPECT_EQ(tbl_create_indexes(r), -2);
    EXPECT_EQ(tbl_create_indexes(nullptr), -2);
    tbl_list_free(r);
}

class StandardIndexes : public SqlDb3Test {
 protected:
  /* The index side file of a table, "" when it has none. */
  std::string side_file(const char *table) {
    std::ifstream in(std::string(pjct_dir(project_->name)) + "/" + table + ".INI");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(StandardIndexes, CreatedFromVersionFifteenAndDroppedAgain) {
  run("CREATE TABLE SAMPL (BASENUMBER NUMERIC(8,0), STN NUMERIC(8,0), SEC NUMERIC(8,0), SMP NUMERIC(8,0))");
  tbl_rec *r = row_of("SAMPL", TBL_DEF_SAMPLE, {{TBL_KEY_STATION, "STN"}, {TBL_KEY_SEGMENT, "SEC"}, {TBL_KEY_SAMPLE, "SMP"}},
                      project_->connection);
  g_host_version = 14;
  EXPECT_EQ(tbl_create_indexes(r), 0);
  EXPECT_EQ(side_file("SAMPL").find("[SAMPL"), std::string::npos) << "no index below version 15";
  g_host_version = 15;
  EXPECT_EQ(tbl_create_indexes(r), 0);
  std::string ini = side_file("SAMPL");
  EXPECT_NE(ini.find("[SAMPLUNQ]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[SAMPLPRI]\nUnique=0\nColumns=STN,SEC,SMP"), std::string::npos) << ini;
  EXPECT_EQ(tbl_drop_indexes(r), 0);
  ini = side_file("SAMPL");
  EXPECT_EQ(ini.find("[SAMPLUNQ]"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("[SAMPLPRI]"), std::string::npos) << ini;
  tbl_list_free(r);
}

TEST_F(StandardIndexes, ANameLongerThanTwentyIsReportedAndTheNextIsMade) {
  run("CREATE TABLE LONGTABLENAME1234567 (BASENUMBER NUMERIC(8,0), REF NUMERIC(8,0))");
  tbl_rec *r = row_of("LONGTABLENAME1234567", TBL_DEF_REFERENCE, {{TBL_KEY_REFERENCE, "REF"}}, project_->connection);
  host_io_clear_transcript();
  EXPECT_EQ(tbl_create_indexes(r), 0);
  std::string t = host_io_transcript();
  EXPECT_NE(t.find("Could not create index LONGTABLENAME1234567UNQ on LONGTABLENAME1234567 (BASENUMBER)"),
            std::string::npos)
      << t;
  std::string ini = side_file("LONGTABLENAME1234567");
  EXPECT_EQ(ini.find("UNQ"), std::string::npos) << "neither made nor cut: " << ini;
  EXPECT_NE(ini.find("[LONGTABLENAME1234567]"), std::string::npos) << ini;
  tbl_list_free(r);
}

}  // namespace
