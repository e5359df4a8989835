/*
** import_rows_test.cpp: the importer's pieces that need no database: the
** update key check of the text import dialog, the error file's lines, the
** empty-row test and the key columns by table type.
*/
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/import.h"

namespace {

/* A row of columns: name, SQL type, length; each with an input rule. */
struct col_spec {
    const char *name;
    int type;
    int length;
};

sql_col_rec *make_row(const char *table, const std::vector<col_spec> &specs)
{
    sql_col_rec *head = nullptr, **tail = &head;
    for (const col_spec &s : specs) {
        sql_col_rec *c = sql_col_new(s.name, table, s.type, s.length, 0);
        c->attr = col_attr_new();
        c->attr->flags |= COL_ATTR_PLACEHOLDER;
        *tail = c;
        tail = &c->next;
    }
    return head;
}

/* Puts the texts into the columns' text buffers, each cut to what its
** buffer holds as a fetched value would be. */
void set_texts(sql_col_rec *row, const std::vector<const char *> &texts)
{
    size_t i = 0;
    for (sql_col_rec *c = row; c && i < texts.size(); c = c->next, i++)
        std::snprintf(c->text, (size_t)sql_col_text_size(c), "%s", texts[i]);
}

/* A registered table over a row with the given key slots by column name. */
struct fixture {
    pjct_rec project{};
    tbl_rec *table = nullptr;
    explicit fixture(const char *name, int type, const std::vector<col_spec> &specs,
                     const std::vector<std::pair<int, const char *>> &keys)
    {
        table = tbl_rec_new();
        std::snprintf(table->name, sizeof table->name, "%s", name);
        table->table_type = type;
        table->columns = make_row(name, specs);
        for (auto &k : keys) table->keys[k.first] = sql_col_find(table->columns, k.second, nullptr, nullptr);
        project.tables = table;
    }
    ~fixture()
    {
        sql_col_list_free(&table->columns);
        std::free(table);
    }
};

const std::vector<col_spec> k_sample = {
    {"BASENUMBER", SQL_TYPE_DEC, 8}, {"STN", SQL_TYPE_CHAR, 6}, {"SMP", SQL_TYPE_CHAR, 6}, {"WT", SQL_TYPE_DEC, 6}};

TEST(ImportKeyCheck, UpdateNamesEveryMissingKeyInOneMessage)
{
    fixture f("SAMPL", TBL_DEF_SAMPLE, k_sample,
              {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}, {TBL_KEY_SAMPLE, "SMP"}});
    sql_col_rec *smp = f.table->keys[TBL_KEY_SAMPLE], *stn = f.table->keys[TBL_KEY_STATION];
    struct {
        std::vector<int> selected;
        const char *message;
    } cases[] = {
        {{2}, "Must import STN"},
        {{3}, "Must import SMP,STN"},
        {{1, 2}, ""},
    };
    for (auto &c : cases) {
        char message[IMPORT_MSG_SIZE] = "";
        int n = (int)c.selected.size();
        import_check_key_selected(f.table->columns, smp, c.selected.data(), n, message);
        import_check_key_selected(f.table->columns, stn, c.selected.data(), n, message);
        EXPECT_STREQ(message, c.message);
    }
    char message[IMPORT_MSG_SIZE] = "";
    int sel[] = {1, 2};
    EXPECT_EQ(import_check_key_selected(f.table->columns, stn, sel, 2, message), 1);
    EXPECT_EQ(import_check_key_selected(f.table->columns, nullptr, sel, 2, message), -1);
    EXPECT_STREQ(message, "Cannot update SAMPL");
    EXPECT_EQ(import_check_key_selected(nullptr, stn, sel, 2, message), -2);
}

TEST(ImportErrorFile, LinesImportAgainWithoutBlanksOrNulsAroundValues)
{
    fixture f("ROCK", TBL_DEF_ROCK,
              {{"BASENUMBER", SQL_TYPE_DEC, 8}, {"STN", SQL_TYPE_CHAR, 4}, {"NAME", SQL_TYPE_CHAR, 8},
               {"WT", SQL_TYPE_DEC, 5}, {"NOTE", SQL_TYPE_CHAR, 4}},
              {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}});
    sql_col_find(f.table->columns, "NOTE", nullptr, nullptr)->attr->flags |= COL_ATTR_MEMO;
    set_texts(f.table->columns, {"12", "S1", "granite coarse", "3.5", "MEMO"});
    /* The values a record gave, as read: never cut to the columns. */
    const char *const whole[] = {nullptr, nullptr, "granite coarse", "123456789", nullptr};
    struct {
        int col, text;
        const char *const *values;
        std::string line;
    } cases[] = {
        {',', 0, nullptr, std::string("S1  ,granite ,3.5  ,long memo text\r\n")},
        {',', '"', nullptr, std::string("\"S1  \",\"granite \",3.5  ,\"long memo text\"\r\n")},
        {'\t', 0, nullptr, std::string("S1  \tgranite \t3.5  \tlong memo text\r\n")},
        {0xE9, 0, nullptr, std::string("S1   granite  3.5   long memo text\r\n")},
        {',', 0, whole, std::string("S1  ,granite coarse,123456789,long memo text\r\n")},
    };
    for (auto &c : cases) {
        char *buf = nullptr;
        size_t size = 0;
        FILE *fp = open_memstream(&buf, &size);
        ASSERT_EQ(import_write_error_row(fp, &f.project, f.table->columns, c.values, "long memo text", c.col, c.text),
                  0);
        std::fclose(fp);
        EXPECT_EQ(std::string(buf, size), c.line) << "delimiter " << c.col << " text " << c.text;
        std::free(buf);
    }
    pjct_rec other{};
    EXPECT_EQ(import_write_error_row(stdout, &other, f.table->columns, nullptr, "", ',', 0), -1);
    EXPECT_EQ(import_write_error_row(nullptr, &f.project, f.table->columns, nullptr, "", ',', 0), -2);
}

TEST(ImportRows, EmptyRowIgnoresTheNumberAndTheFieldworkerKey)
{
    fixture f("STATN", TBL_DEF_STATION,
              {{"BASENUMBER", SQL_TYPE_DEC, 8}, {"STATION", SQL_TYPE_CHAR, 6}, {"NAME", SQL_TYPE_CHAR, 8}},
              {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STATION"}});
    set_texts(f.table->columns, {"7", "   ", "  "});
    EXPECT_EQ(import_row_is_empty(f.table, f.table->columns, 0), 1);
    set_texts(f.table->columns, {"7", "ST1", ""});
    EXPECT_EQ(import_row_is_empty(f.table, f.table->columns, 0), 0);
    EXPECT_EQ(import_row_is_empty(f.table, f.table->columns, 1), 1);
    set_texts(f.table->columns, {"", "", "x"});
    EXPECT_EQ(import_row_is_empty(f.table, f.table->columns, 1), 0);
}

TEST(ImportRows, KeyColumnFollowsTheTableType)
{
    const std::vector<col_spec> cols = {{"BASENUMBER", SQL_TYPE_DEC, 8}, {"STN", SQL_TYPE_CHAR, 6},
                                        {"UNITNO", SQL_TYPE_CHAR, 6}, {"SMP", SQL_TYPE_CHAR, 6}};
    const std::vector<std::pair<int, const char *>> keys = {{TBL_KEY_BASENUMBER, "BASENUMBER"},
                                                            {TBL_KEY_STATION, "STN"},
                                                            {TBL_KEY_UNIT, "UNITNO"},
                                                            {TBL_KEY_SAMPLE, "SMP"}};
    struct {
        int type;
        const char *key;
    } cases[] = {{TBL_DEF_SAMPLE, "STN"}, {TBL_DEF_UNIT, "UNITNO"}, {TBL_DEF_OTHER, "BASENUMBER"}};
    for (auto &c : cases) {
        fixture f("T", c.type, cols, keys);
        sql_col_rec *row = make_row("T", cols);
        sql_col_rec *key = import_key_column(f.table, row);
        ASSERT_NE(key, nullptr) << c.type;
        EXPECT_STREQ(key->name, c.key);
        EXPECT_NE(key, sql_col_find(f.table->columns, c.key, nullptr, nullptr)) << "a column of the working row";
        sql_col_list_free(&row);
    }
    int values[] = {4, 9, 2};
    EXPECT_EQ(import_find_int(values, 3, 2), 2);
    EXPECT_EQ(import_find_int(values, 3, 5), -1);
    EXPECT_EQ(import_find_int(nullptr, 0, 5), -1);
}

}  // namespace
