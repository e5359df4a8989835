/*
** qry_geometry.cpp: giving a spatial query condition its AREA or LINE.
**
** The condition's current outline is shown on the screen while the user
** chooses how to give the new one (pv_sel_mode), draws or selects it in
** the map's coordinate system, and it is kept in the coordinate system of
** the condition's point column, so that the post-filter compares it with
** the rows' own coordinates. The condition changes only when every point
** converts; a cancel or a failure leaves its previous points.
**
**     if (qry_pick_geometry(1, scratch) > 0) ...   // scratch->points: the new ring
*/
#include <cstdlib>
#include <vector>

#include "coords/prj_transform.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/pnt.h"
#include "core/qry.h"
#include "output/query/qry_geometry.h"

namespace {

constexpr const char *kAreaValue = "AREA";
/* ads_grdraw: the complement colour, so that drawing again erases. */
constexpr int kComplement = -1;
constexpr int kPlain = 0;

/* The coordinate system of the condition's point column; null unless the
** column's input rule is a point column with its point setup. */
prj_rec *column_system(const qry_cond_rec *cond)
{
    const col_attr_rec *rule = cond->column ? cond->column->attr : nullptr;
    if (!rule || !(rule->flags & COL_ATTR_POINT) || !rule->point) return nullptr;
    return rule->point->projection;
}

/* Draws the outline through the points (drawn again, it is erased). */
void draw_outline(const std::vector<geo_point> &pts)
{
    for (std::size_t i = 1; i < pts.size(); ++i) {
        ads_point a = {pts[i - 1].x, pts[i - 1].y, pts[i - 1].z};
        ads_point b = {pts[i].x, pts[i].y, pts[i].z};
        ads_grdraw(a, b, kComplement, kPlain);
    }
}

/* The condition's points in the map's system; empty unless every one
** converts (nothing is said about one that does not). */
std::vector<geo_point> outline_in_map(const qry_cond_rec *cond, prj_rec *column, prj_rec *map)
{
    std::vector<geo_point> out;
    for (int i = 0; cond->points && i < cond->point_count; ++i) {
        geo_point p{};
        if (!prj_transform_point(&cond->points[i], column, &p, map)) return {};
        out.push_back(p);
    }
    return out;
}

}  // namespace

/* Draws or selects the condition's geometry; see qry.h. */
int qry_pick_geometry(int area, qry_cond_rec *cond)
{
    if (!cond) return -2;
    prj_rec *column = column_system(cond);
    if (!column) return -2;
    prj_rec *map = qry_map_projection();
    if (!map) return -1;

    std::vector<geo_point> outline = outline_in_map(cond, column, map);
    draw_outline(outline);

    geo_point *pts = nullptr;
    int count = 0;
    int rc = pv_sel_mode_dialog(area);
    if (rc > 0 && (rc & QRY_SEL_DRAW))
        rc = qry_pick_points(&pts, &count, area, column);
    else if (rc > 0)
        rc = qry_pick_closed_polyline(&pts, &count, rc | (area ? QRY_SEL_AREA : 0));

    draw_outline(outline);
    cmd_run("_REDRAW", nullptr);

    if (rc < 0) {
        std::free(pts);
        err_report(rc, nullptr);
        return rc;
    }
    if (rc == 0 || !pts || count <= 0) {
        std::free(pts);
        return 0;
    }
    /* Into a new array: the condition keeps its points unless all convert. */
    geo_point *kept = (geo_point *)std::calloc((std::size_t)count, sizeof(geo_point));
    if (!kept) {
        std::free(pts);
        err_report(ERR_NO_MEMORY, nullptr);
        return ERR_NO_MEMORY;
    }
    for (int i = 0; i < count; ++i) {
        if (!qry_convert_point(&pts[i], map, &kept[i], column)) {
            std::free(kept);
            std::free(pts);
            return -1;
        }
        kept[i].w = pts[i].w;
    }
    std::free(pts);
    if (area && qry_cond_set_value(cond, kAreaValue) != 0) {
        std::free(kept);
        err_report(ERR_NO_MEMORY, nullptr);
        return ERR_NO_MEMORY;
    }
    std::free(cond->points);
    cond->points = kept;
    cond->point_count = count;
    return count;
}
