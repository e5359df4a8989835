/*
** upgrade_rows_test.cpp: catalogue rows of an old project read into the
** current setup without a connection: the flags of an input rule, a rule
** found again under its reserved-word names, the registered table of a
** module, and point setups on the built-in coordinate systems (UTM named
** by the map's zone, none without one).
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "coords/prj_list.h"
#include "core/pnt.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "dbf/dbf_fixture.h"
#include "data/upgrade.h"
#include "draw/map_params.h"

namespace {

/* One catalogue row: module, field, type, yes/no options, id, coordinate system. */
struct CatRow {
    const char *module, *field, *type, *defaulton, *null, *display, *master, *groupkey, *fieldid;
    const char *projection, *datum;
};

class CatalogueRows : public ::testing::Test {
protected:
    void SetUp() override
    {
        project = static_cast<pjct_rec *>(std::calloc(1, sizeof(pjct_rec)));
        project->flags = PJCT_ENV_DB3;
        prj_add_builtin_systems();
        catalogue = create_table(dir / "PETRIVEX", {{"MODULE", 'C', 5, 0},
                                                    {"FIELDNAME", 'C', 10, 0},
                                                    {"TYPE", 'C', 4, 0},
                                                    {"DEFAULTON", 'C', 1, 0},
                                                    {"NULL", 'C', 1, 0},
                                                    {"DISPLAY", 'C', 1, 0},
                                                    {"MASTER", 'C', 1, 0},
                                                    {"GROUPKEY", 'C', 1, 0},
                                                    {"FIELDID", 'C', 2, 0},
                                                    {"MODULEID", 'C', 2, 0},
                                                    {"PROJECTION", 'C', 1, 0},
                                                    {"DATUM", 'C', 1, 0}},
                                 0);
    }
    void TearDown() override
    {
        dbf_close(catalogue);
        dbf_free(catalogue);
        pnt_list_free(&project->points);
        while (project->col_attrs) {
            col_attr_rec *next = project->col_attrs->next;
            col_attr_free(project->col_attrs);
            project->col_attrs = next;
        }
        tbl_list_free(project->tables);
        std::free(project);
        g_map_params.projection = nullptr;
        prj_list_free();
        dtm_list_free();
    }
    /* Puts a row into the catalogue's record buffer. */
    void row(const CatRow &r)
    {
        put(catalogue, "MODULE", r.module);
        put(catalogue, "FIELDNAME", r.field);
        put(catalogue, "TYPE", r.type);
        put(catalogue, "DEFAULTON", r.defaulton);
        put(catalogue, "NULL", r.null);
        put(catalogue, "DISPLAY", r.display);
        put(catalogue, "MASTER", r.master);
        put(catalogue, "GROUPKEY", r.groupkey);
        put(catalogue, "FIELDID", r.fieldid);
        put(catalogue, "MODULEID", "SA");
        put(catalogue, "PROJECTION", r.projection);
        put(catalogue, "DATUM", r.datum);
    }
    /* Registers a table with numeric columns of those names. */
    tbl_rec *table(const char *name, std::initializer_list<const char *> columns)
    {
        tbl_rec *t = tbl_rec_new();
        std::strcpy(t->name, name);
        sql_col_rec **tail = &t->columns;
        for (const char *c : columns) {
            *tail = sql_col_new(c, name, SQL_TYPE_NUMERIC, 12, 6);
            tail = &(*tail)->next;
            t->column_count++;
        }
        EXPECT_EQ(tbl_insert(project, t), 0);
        return t;
    }

    ScratchDir dir;
    pjct_rec *project = nullptr;
    dbf_handle *catalogue = nullptr;
};

TEST_F(CatalogueRows, RuleFlagsFollowTheYesNoFieldsAndType)
{
    struct {
        CatRow r;
        const char *column;
        unsigned flags;
    } cases[] = {
        {{"STATN", "NAME", "TEXT", "N", "Y", "N", "N", "N", "NA", "", ""}, "NAME", 0x1},
        {{"STATN", "DIP", "INT", "Y", "N", "Y", "N", "Y", "DI", "", ""}, "DIP", 0x1 | 0x4 | 0x2 | 0x20 | 0x8000},
        {{"STATN", "STATION", "INT", "N", "y", "N", "T", "N", "ST", "", ""}, "STATION", 0x1 | 0x10 | 0x4 | 0x8 | 0x800},
        {{"STATN", "NOTE", "MEMO", "N", "Y", "N", "N", "N", "NO", "", ""}, "NOTE", 0x1 | 0x200},
        {{"STATN", "loc", "PNT", "N", "Y", "N", "N", "N", "LO", "", ""}, "LOCX", 0x1 | 0x400},
    };
    for (const auto &c : cases) {
        row(c.r);
        ASSERT_EQ(upg_column_from_row(project, catalogue), 0) << c.column;
        col_attr_rec *r = col_attr_find(project->col_attrs, c.column, "STATN", nullptr);
        ASSERT_NE(r, nullptr) << c.column;
        EXPECT_EQ(r->flags, c.flags) << c.column;
        EXPECT_EQ(r->extra, upg_read_id(c.r.fieldid)) << c.column;
    }
    EXPECT_EQ(upg_column_by_id(project, upg_read_id("DI")), col_attr_find(project->col_attrs, "DIP", "STATN", nullptr));
    EXPECT_EQ(upg_column_by_id(project, upg_read_id("  ")), nullptr);
    EXPECT_EQ(upg_column_by_id(project, 'A'), nullptr);
    row({"STATN", "DIP", "BOOL", "N", "Y", "N", "N", "N", "DI", "", ""});
    EXPECT_EQ(upg_column_from_row(project, catalogue), -1);
}

TEST_F(CatalogueRows, AReservedColumnOrTableKeepsOneRuleThatTakesTheNewId)
{
    col_attr_rec *r = col_attr_new();
    std::strcpy(r->column, "SELEC_");
    std::strcpy(r->table, "ORDE_");
    ASSERT_EQ(col_attr_push(r, project), 0);
    row({"ORDER", "SELECT", "TEXT", "N", "Y", "N", "N", "N", "SE", "", ""});
    ASSERT_EQ(upg_column_from_row(project, catalogue), 0);
    EXPECT_EQ(project->col_attrs, r);
    EXPECT_EQ(r->next, nullptr);
    EXPECT_EQ(r->extra, upg_read_id("SE"));
    table("ORDE_", {"ID"});
    ASSERT_EQ(upg_table_from_row(project, catalogue), 0);
    EXPECT_EQ(project->tables->next, nullptr) << "ORDER is the registered ORDE_";
    EXPECT_EQ(project->tables->module_id, upg_read_id("SA"));
}

TEST_F(CatalogueRows, PointSetupsUseTheBuiltInSystemsAndTheMapsUtmZone)
{
    tbl_rec *t = table("STATN", {"LOCX", "LOCY", "LOCZ", "GRIDX", "GRIDY"});
    row({"STATN", "LOC", "PNT", "N", "Y", "N", "N", "N", "LO", "3", "3"});
    ASSERT_EQ(upg_point_from_row(project, catalogue), 0);
    ASSERT_NE(project->points, nullptr);
    EXPECT_EQ(project->points->table, t);
    EXPECT_STREQ(project->points->x_col->name, "LOCX");
    EXPECT_STREQ(project->points->z_col->name, "LOCZ");
    ASSERT_NE(project->points->projection, nullptr);
    EXPECT_EQ(project->points->projection->type, PRJ_TYPE_GEOGRAPHIC);
    dtm_rec *korean = dtm_find("KOREAN", nullptr);
    ASSERT_NE(korean, nullptr);
    EXPECT_DOUBLE_EQ(korean->a_m, 6377397.155);
    EXPECT_DOUBLE_EQ(korean->b_m, 6356078.96325);
    EXPECT_EQ(project->flags & (PJCT_CHG_DATUMS | PJCT_CHG_PROJS), PJCT_CHG_DATUMS | PJCT_CHG_PROJS);
    ASSERT_EQ(upg_point_from_row(project, catalogue), 0);
    EXPECT_EQ(project->points->next, nullptr) << "the same row gives no second setup";

    row({"STATN", "GRID", "PNT", "N", "Y", "N", "N", "N", "GR", "2", "1"});
    EXPECT_EQ(upg_point_from_row(project, catalogue), -1) << "UTM without the map's zone";
    prj_rec *map = prj_new();
    prj_name_copy(map->name, "UTM 10 map");
    prj_name_copy(map->type_name, "UTM");
    prj_name_copy(map->dtm_name, "NAD27");
    map->type = PRJ_TYPE_UTM;
    map->zone = 10;
    map->dtm = dtm_find("NAD27", nullptr);
    ASSERT_NE(map->dtm, nullptr);
    ASSERT_TRUE(prj_insert(map));
    g_map_params.projection = map;
    ASSERT_EQ(upg_point_from_row(project, catalogue), 0);
    ASSERT_NE(project->points->projection, nullptr);
    EXPECT_EQ(project->points->projection->type, PRJ_TYPE_UTM);
    EXPECT_EQ(project->points->projection->zone, 10);

    row({"STATN", "LOC", "PNT", "N", "Y", "N", "N", "N", "LO", "7", "1"});
    pnt_list_free(&project->points);
    EXPECT_EQ(upg_point_from_row(project, catalogue), -1) << "an unknown PROJECTION gives no setup";
}

} // namespace
