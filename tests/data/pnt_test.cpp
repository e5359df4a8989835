/*
** pnt_test.cpp: point setups: attaching ties the input rules of the X, Y
** and Z columns to the setup and finds their positions; detaching unties
** them.
*/
#include <gtest/gtest.h>

/* Point setups reach the core's SQL layer, whose own functions serve. */
#define TBL_FIXTURES_REAL_CORE
#include "tbl_fixtures.h"

namespace {

struct point_project : test_project {
    tbl_rec *t;
    sql_col_rec *x, *y, *z, *sym;
    point_project()
    {
        t = make_table("STN", TBL_DEF_OTHER,
                       {{"BASENUMBER", N, 8}, {"SYM", C, 10}, {"EAST", N, 10}, {"NORTH", N, 10}, {"ELEV", N, 6}},
                       {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
        tbl_add(&p, t);
        x = tbl_column_find(t->columns, "EAST", nullptr, nullptr);
        y = tbl_column_find(t->columns, "NORTH", nullptr, nullptr);
        z = tbl_column_find(t->columns, "ELEV", nullptr, nullptr);
        sym = tbl_column_find(t->columns, "SYM", nullptr, nullptr);
        p.flags = 0;
    }
    pnt_rec *setup(bool with_z)
    {
        pnt_rec *s = pnt_new();
        s->x_col = x;
        s->y_col = y;
        s->z_col = with_z ? z : nullptr;
        s->sym_col = sym;
        return s;
    }
};

TEST(PntAttach, WithoutZTiesOnlyTheXAndYRules)
{
    point_project pp;
    sym_rec *symbol = reinterpret_cast<sym_rec *>(&pp);
    pp.x->attr->symbol = symbol;
    pnt_rec *s = pp.setup(false);
    ASSERT_EQ(pnt_attach(&pp.p, s), 0);
    EXPECT_EQ(pp.p.points, s);
    EXPECT_EQ(pp.p.flags, PJCT_CHG_POINTS);
    EXPECT_EQ(s->table, pp.t);
    EXPECT_EQ(s->x_index, 2);
    EXPECT_EQ(s->y_index, 3);
    EXPECT_EQ(s->z_index, -1);
    EXPECT_EQ(pp.x->attr->point, s);
    EXPECT_TRUE(pp.y->attr->flags & COL_ATTR_POINT);
    EXPECT_EQ(pp.y->attr->symbol, symbol);
    EXPECT_EQ(pp.z->attr->point, nullptr);
    EXPECT_FALSE(pp.z->attr->flags & COL_ATTR_POINT);
    EXPECT_EQ(pnt_attach(&pp.p, s), 0) << "attaching again moves, never duplicates";
    EXPECT_EQ(s->next, nullptr);
    EXPECT_EQ(pnt_attach(nullptr, s), -2);
}

TEST(PntDetach, UntiesTheRulesAndFreesTheSetup)
{
    point_project pp;
    pnt_rec *s = pp.setup(true);
    pnt_attach(&pp.p, s);
    EXPECT_EQ(s->z_index, 4);
    pp.p.flags = 0;
    pnt_rec key;
    pnt_rec_init(&key);
    key.x_col = pp.x;
    key.y_col = pp.y;
    EXPECT_EQ(pnt_detach(&pp.p, &key), -1) << "a setup without the Z column is another setup";
    key.z_col = pp.z;
    ASSERT_EQ(pnt_detach(&pp.p, &key), 0);
    EXPECT_EQ(pp.p.points, nullptr);
    EXPECT_EQ(pp.p.flags, PJCT_CHG_POINTS);
    for (sql_col_rec *c : {pp.x, pp.y, pp.z}) {
        EXPECT_EQ(c->attr->point, nullptr);
        EXPECT_FALSE(c->attr->flags & COL_ATTR_POINT);
    }
    EXPECT_EQ(pnt_detach(&pp.p, &key), -1);
    EXPECT_EQ(pnt_detach(&pp.p, nullptr), -2);
}

}  // namespace
