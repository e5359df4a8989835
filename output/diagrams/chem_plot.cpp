/*
** chem_plot.cpp: the chemistry diagram's state and stages. Every row is
** drawn in block units (X-Y: the axis values times the scales; ternary: a
** triangle of side 100 with pure X at the apex, pure Y at the origin and
** pure Z at (100, 0)), collected in one selection set with the frame, and
** made into the block "<name>NNN" that the user places with a circle.
*/
#include "output/diagrams/chem_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/geo_util.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "map/row_place.h"
#include "map/sym_draw.h"
#include "output/diagrams/chem_dialog.h"

chem_state g_chem;

namespace {

constexpr double kSin60 = 0.86602540378443864676;  /* sin 60 degrees              */
constexpr double kCos60 = 0.5;                     /* cos 60 degrees              */
constexpr double kCos30 = kSin60;                  /* cos 30 degrees              */
constexpr double kSin45 = 0.70710678118654752440;  /* sin 45 degrees              */
constexpr double kSide = 100.0;                    /* ternary side, block units   */
constexpr double kApexX = 50.0;                    /* ternary apex x              */
constexpr double kPlaceAngleDeg = 210.0;           /* from the circle's centre to the
                                                      triangle's origin, degrees  */
constexpr int kTicks = 10;                         /* steps of an X-Y axis        */
constexpr double kTickShare = 0.2;                 /* tick length: share of a step */
constexpr double kLabelDrop = 0.75;                /* X label below the tick, heights */
constexpr double kCharShare = 0.8;                 /* a label character's width, heights */
constexpr double kCharFull = 1.0;                  /* a character's full width as readers
                                                      measure it, heights */
constexpr double kDescent = 1.0 / 3.0;             /* a text's reach below its baseline, heights */
constexpr double kLabelLine = 1.5;                 /* a sample label's line, heights */
constexpr double kLabelGap = 0.5;                  /* from a point to its label beside it, heights */
constexpr double kTitleShare = 0.4;                /* title start: share of the free length */
constexpr double kTitleRoom = 2.0 / 3.0;           /* longest title: share of the extent */
constexpr double kTitleDrop = 1.75;                /* X title below the axis, tick lengths */
constexpr double kYLabelRise = 0.2;                /* Y label above its tick, tick lengths */
constexpr double kTernaryTitle = 3.5;              /* ternary title height         */
constexpr double kTernaryRoom = 75.0;              /* ternary titles' room, block units */
constexpr double kTernaryWidth = 0.5;              /* ternary title character, heights */
constexpr double kTernaryDrop = 1.5;               /* ternary titles below, heights */
constexpr double kTextShare = 0.02;                /* text symbol: share of the extent, the frame's text height */
constexpr double kMarkerShare = 0.25;              /* a text point's marker radius: share of the text height */
constexpr double kSymbolShare = 0.02;              /* other symbol: share of the extent */
constexpr double kSymbolDivisor = 75.0;            /* other symbol: extent divided by */
constexpr double kTernaryText = 10.0;              /* ternary texts from this size ... */
constexpr double kTernarySymbol = 1.0;             /* ... and symbols from this one ... */
constexpr double kTernaryUnit = 1.0;               /* ... are drawn at this size   */
constexpr int kBlockNumberLast = 999;              /* highest block suffix         */
constexpr const char *kBlockNumberFormat = "%s%03i";
constexpr const char *kBlockFull = "%sXXX";
constexpr int kNonBlank = 5100;                    /* str_nonblank: a text is there */

/* Adds the drawing's last entity to the diagram's set; 0, else -1. */
int collect(void)
{
    return ss_add_last(g_chem.selection) == RTNORM ? 0 : -1;
}

/* A frame text: a copy of the block placement with its own text, point
** and height, collected. 0, else -1. */
int frame_text(const char *text, double x, double y, double height)
{
    sym_place_rec t = g_chem.block;
    t.name = text;
    t.ins = {x, y, 0, 0};
    t.offset = {0, 0, 0, 0};
    t.size = height;
    t.angle = t.angle_offset = 0;
    t.mode = SYM_MODE_TEXT;
    t.owner = -1;
    link_clear(&t.link);
    ename_clear(t.ename);
    if (str_nonblank(text) != kNonBlank) return 0;   /* an empty title draws nothing */
    if (sym_place_text(&t) != 0) return -1;
    return collect();
}

/* A frame line, collected. 0, else -1. */
int frame_line(double x1, double y1, double x2, double y2)
{
    geo_point a = {x1, y1, 0, 0}, b = {x2, y2, 0, 0};
    if (ent_make_line(&a, &b, g_chem.block.layer, g_chem.block.colour, nullptr) != 0) return -1;
    return collect();
}

/* The number a term stands for in the row. *from_blank is set when the
** term's column is in the row with a blank text. */
double term_number(const chem_term_rec *t, sql_col_rec *row, int *from_blank)
{
    *from_blank = 0;
    sql_col_rec *c = t->column ? sql_col_find(row, t->col_name, t->col_table, nullptr) : nullptr;
    if (!c) return t->scalar2;
    double v = 0;
    if (c->null_ind == SQL_COL_NULL || !c->text || str_nonblank(c->text) != kNonBlank)
        *from_blank = 1;
    else
        v = strtod(c->text, nullptr);
    return t->scalar2 != 0 ? v * t->scalar2 : v;
}

/* Joins a value into a result with an operator. */
double combine(double r, int op, double v)
{
    switch (op) {
    case CHEM_OP_PLUS: return r + v;
    case CHEM_OP_MINUS: return r - v;
    case CHEM_OP_DIVIDE: return v != 0 ? r / v : r;
    case CHEM_OP_TIMES: return r * v;
    default: return v;
    }
}

/* Gives LIMCHECK back, erases what was collected, frees the state;
** answers rc. */
int abandon(int rc)
{
    if (!ename_isnull(g_chem.selection)) ss_delete_entities(g_chem.selection);
    ename_clear(g_chem.selection);
    limcheck_suspend(1);
    chem_state_free();
    return rc;
}

/* The extents of the scaled limits. */
double extent_x(void) { return std::fabs(g_chem.limits.max.x - g_chem.limits.min.x); }
double extent_y(void) { return std::fabs(g_chem.limits.max.y - g_chem.limits.min.y); }

/* The smaller of two extents, the other when one is 0. */
double smaller_extent(double dx, double dy)
{
    if (dx == 0) return dy;
    if (dy == 0) return dx;
    return std::min(dx, dy);
}

/* The X-Y axes, ticks, labels and titles. 0, else -1. */
int frame_xy(const char *x_title, const char *y_title)
{
    geo_box &l = g_chem.limits;
    if (l.min.x == 0 && l.max.x == 0) l.min.x = g_chem.data.min.x, l.max.x = g_chem.data.max.x;
    if (l.min.y == 0 && l.max.y == 0) l.min.y = g_chem.data.min.y, l.max.y = g_chem.data.max.y;
    if (geo_box_is_zero(&l)) return 0;
    l.min.x *= g_chem.scale.x, l.max.x *= g_chem.scale.x;
    l.min.y *= g_chem.scale.y, l.max.y *= g_chem.scale.y;
    if (frame_line(l.min.x, l.min.y, l.min.x, l.max.y) != 0) return -1;
    if (frame_line(l.min.x, l.min.y, l.max.x, l.min.y) != 0) return -1;
    double dx = extent_x(), dy = extent_y();
    /* The tick length follows the smaller step; with all points on one
    ** line the other step gives it, so that every text has a height. */
    double h = kTickShare * smaller_extent(dx, dy) / kTicks;
    char label[CHEM_TITLE_SIZE];
    for (int k = 0; k <= kTicks; ++k) {
        double x = l.min.x + k * dx / kTicks;
        if (frame_line(x, l.min.y, x, l.min.y - h) != 0) return -1;
        snprintf(label, sizeof label, "%lg", x / g_chem.scale.x);
        if (frame_text(label, x + h / 4, l.min.y - h - kLabelDrop * h, h) != 0) return -1;
    }
    double leftmost = l.min.x;
    for (int k = 0; k <= kTicks; ++k) {
        double y = l.min.y + k * dy / kTicks;
        if (frame_line(l.min.x, y, l.min.x - h, y) != 0) return -1;
        snprintf(label, sizeof label, "%lg", y / g_chem.scale.y);
        double x = l.min.x - h - strlen(label) * h * kCharShare;
        leftmost = std::min(leftmost, x);
        if (frame_text(label, x, y + kYLabelRise * h, h) != 0) return -1;
    }
    double longest = (double)std::max(strlen(x_title), strlen(y_title));
    double height = h;
    if (longest * h * kCharShare > kTitleRoom * smaller_extent(dx, dy)) height = 2 * h;
    if (frame_text(x_title, l.min.x + kTitleShare * (dx - strlen(x_title) * height),
                   l.min.y - kTitleDrop * h - 2 * height, height) != 0)
        return -1;
    /* The Y title ends a height left of the widest label, so that it
    ** covers none of them, however wide a reader draws its characters. */
    double y_title_width = strlen(y_title) * height * kCharFull;
    return frame_text(y_title, leftmost - height - y_title_width, l.min.y + kTitleShare * (dy - strlen(y_title) * height),
                      height);
}

/* The ternary triangle and its titles. 0, else -1. */
int frame_ternary(const char *x_title, const char *y_title, const char *z_title)
{
    double top = kSide * kSin60;
    if (frame_line(0, 0, kApexX, top) != 0 || frame_line(kApexX, top, kSide, 0) != 0 ||
        frame_line(0, 0, kSide, 0) != 0)
        return -1;
    double height = kTernaryTitle;
    double n = (double)(strlen(x_title) + strlen(y_title));
    if (n * height * kTernaryWidth > kTernaryRoom) height = 2 * kTernaryRoom / n;
    auto centred = [height](const char *t) { return kTitleShare * strlen(t) * height; };
    if (frame_text(x_title, kApexX - centred(x_title), top + height / 2, height) != 0) return -1;
    if (frame_text(y_title, 0 - centred(y_title), -kTernaryDrop * height, height) != 0) return -1;
    return frame_text(z_title, kSide - centred(z_title), -kTernaryDrop * height, height);
}

/* The box a reader gives a one-line text of height h and the width
** given starting at (x, y). */
geo_box label_box(double x, double y, double width, double h)
{
    return {{x, y - kDescent * h, 0, 0}, {x + width, y + h, 0, 0}};
}

/* The width a reader gives a one-line text of height h. */
double label_width(const char *text, double h)
{
    return str_trim_right(text ? text : "").size() * h * kCharFull;
}

/* True when two boxes share more than an edge. */
bool boxes_meet(const geo_box &a, const geo_box &b)
{
    return a.min.x < b.max.x && b.min.x < a.max.x && a.min.y < b.max.y && b.min.y < a.max.y;
}

/* True when a label's box would cover no marker and no label but the
** one numbered skip (-1: none). */
bool label_free(const geo_box &box, long skip)
{
    auto meets = [&box](const geo_box &b) { return boxes_meet(box, b); };
    if (std::any_of(g_chem.markers.begin(), g_chem.markers.end(), meets)) return false;
    for (size_t i = 0; i < g_chem.labels.size(); ++i) {
        const chem_label &l = g_chem.labels[i];
        if ((long)i != skip && meets(label_box(l.at.x, l.at.y, l.width, l.height))) return false;
    }
    return true;
}

/* Where a label of the width and height h for the point p starts: right
** of the point, past its marker, else the first slot below, above, left
** of the point, then two lines away, that is free (label_free, skip); the
** fallback when every slot is taken. */
geo_point label_place(const geo_point &p, double width, double h, long skip, const geo_point &fallback)
{
    static const struct {
        double left;    /* 1: the text ends at the point */
        double lines;   /* label lines up (+) or down (-) */
    } kSlots[] = {{0, 0}, {0, -1}, {0, 1}, {1, 0}, {1, -1}, {1, 1}, {0, -2}, {0, 2}, {1, -2}, {1, 2}};
    for (const auto &slot : kSlots) {
        /* On the point's own line the text keeps clear of its marker. */
        double gap = slot.lines == 0 ? kLabelGap * h : 0;
        geo_point q = {p.x + (slot.left ? -width - gap : gap), p.y + slot.lines * kLabelLine * h, p.z, 0};
        if (label_free(label_box(q.x, q.y, width, h), skip)) return q;
    }
    return fallback;
}

/* Moves the labels drawn before that cover a new marker (already among
** the markers) off it, each to its first free slot (left where it is
** when none is free). 0, else -1. */
int labels_off_marker(const geo_box &marker)
{
    for (size_t i = 0; i < g_chem.labels.size(); ++i) {
        chem_label &l = g_chem.labels[i];
        if (!boxes_meet(label_box(l.at.x, l.at.y, l.width, l.height), marker)) continue;
        geo_point to = label_place(l.point, l.width, l.height, (long)i, l.at);
        if (to.x == l.at.x && to.y == l.at.y) continue;
        geo_point by = {to.x - l.at.x, to.y - l.at.y, 0, 0};
        struct resbuf *list = ads_entget(l.text);
        if (!list) return -1;
        for (struct resbuf *rb = list; rb; rb = rb->rbnext)
            if (rb->restype == 10 || rb->restype == 11) { /* its points */
                rb->resval.rpoint[0] += by.x;
                rb->resval.rpoint[1] += by.y;
            }
        int rc = ads_entmod(list);
        ads_relrb(list);
        if (rc != RTNORM) return -1;
        l.at = to;
    }
    return 0;
}

/* Sizes a placement for the diagram (step 5 of a row). */
void size_placement(sym_place_rec *r, int ternary)
{
    if (!geo_box_is_zero(&g_chem.limits)) {
        double w = std::fabs(g_chem.limits.max.x - g_chem.limits.min.x) * g_chem.scale.x;
        double h = std::fabs(g_chem.limits.max.y - g_chem.limits.min.y) * g_chem.scale.y;
        double d = w == 0 ? h : h == 0 ? w : std::min(w, h);
        if (r->mode == SYM_MODE_TEXT) {
            if (r->size > kTextShare * d) r->size = kTextShare * d;
        } else if (r->size > kSymbolShare * d) {
            r->size = d / kSymbolDivisor;
        }
    } else if (ternary) {
        if (r->mode == SYM_MODE_TEXT ? r->size >= kTernaryText : r->size >= kTernarySymbol) r->size = kTernaryUnit;
    }
}

}  // namespace

/* Clears the state; see chem_plot.h. */
void chem_state_reset(void)
{
    g_chem.x_equ = g_chem.y_equ = g_chem.z_equ = nullptr;
    g_chem.row = nullptr;
    g_chem.symbol_col = nullptr;
    g_chem.name[0] = '\0';
    geo_box_zero(&g_chem.limits);
    geo_box_zero(&g_chem.data);
    g_chem.data_points = 0;
    g_chem.rows = 0;
    g_chem.left_out = 0;
    g_chem.first_left_out[0] = '\0';
    g_chem.scale = {1.0, 1.0, 0, 0};
    g_chem.labels.clear();
    g_chem.markers.clear();
    chem_placement_from_symbol(nullptr, nullptr);
}

/* Frees the equations; see chem_plot.h. */
void chem_state_free(void)
{
    chem_term_list_free(&g_chem.x_equ);
    chem_term_list_free(&g_chem.y_equ);
    chem_term_list_free(&g_chem.z_equ);
    chem_state_reset();
}

/* Rebuilds the block placement; see chem_plot.h. */
void chem_placement_from_symbol(const pjct_rec *project, const char *name)
{
    sym_place_rec &b = g_chem.block;
    sym_place_init(&b);
    snprintf(g_chem.block_name, sizeof g_chem.block_name, "%s", CHEM_BLOCK_PLACEHOLDER);
    b.name = g_chem.block_name;
    const sym_rec *s = nullptr;
    if (project) {
        s = name ? sym_find(project->symbols, name) : nullptr;
        if (!s) s = sym_find(project->symbols, CHEM_SETUP_NAME);
    }
    g_chem.block_font[0] = '\0';
    if (s) {
        snprintf(g_chem.block_layer, sizeof g_chem.block_layer, "%s", s->layer);
        b.colour = s->colour;
        b.size = s->scale != 0 ? std::fabs((double)s->scale) : SYM_PLACE_SIZE;
        if (!(s->flags & SYM_SYMBOL) && s->library)
            snprintf(g_chem.block_font, sizeof g_chem.block_font, "%s", s->library);
    } else {
        snprintf(g_chem.block_layer, sizeof g_chem.block_layer, "%s", CHEM_SETUP_NAME);
        b.colour = SYM_PLACE_COLOUR_NONE;
    }
    b.layer = g_chem.block_layer;
    b.font = g_chem.block_font[0] ? g_chem.block_font : nullptr;
    b.mode = SYM_MODE_INSERT;
}

/* Checks the settings; see chem_plot.h. */
int chem_check(void)
{
    if (!g_chem.x_equ || !g_chem.y_equ || !g_chem.row || !g_chem.symbol_col) return -1;
    if (g_chem.limits.max.x < g_chem.limits.min.x || g_chem.limits.max.y < g_chem.limits.min.y) return -1;
    return 0;
}

/* Evaluates an equation; see chem_plot.h. */
double chem_eval_equation(chem_term_rec *equation, sql_col_rec *row)
{
    if (!equation) return 0;
    for (chem_term_rec *t = equation; t; t = t->next) t->value = 0;
    /* First pass: a bracket group gathers into its closing term. */
    double a = 0, factor = 1.0;
    int in_group = 0;
    for (chem_term_rec *t = equation; t; t = t->next) {
        if (chem_term_is_empty(t)) continue;
        int blank = 0;
        double n = term_number(t, row, &blank);
        if (t->open_bracket) {
            a = n;
            factor = t->scalar1 != 0 ? t->scalar1 : 1.0;
            in_group = 1;
        } else if (in_group) {
            /* A blank column does not multiply; a constant alone does. */
            if (t->op != CHEM_OP_TIMES || !blank) a = combine(a, t->op == CHEM_OP_NONE ? CHEM_OP_PLUS : t->op, n);
        } else {
            t->value = n;
        }
        if (in_group && t->close_bracket) {
            t->value = factor * a;
            in_group = 0;
        }
    }
    /* Second pass: the operators between terms and groups. */
    double r = 0;
    int group_op = CHEM_OP_NONE;
    in_group = 0;
    for (chem_term_rec *t = equation; t; t = t->next) {
        if (chem_term_is_empty(t)) continue;
        if (t->open_bracket) {
            in_group = 1;
            group_op = t->op;
        }
        if (in_group) {
            if (t->close_bracket) {
                r = combine(r, group_op, t->value);
                in_group = 0;
            }
            continue;
        }
        r = combine(r, t->op, t->value);
    }
    if (equation->log_flag == 1) return r > 0 ? std::log10(r) : 0;
    return r;
}

/* Writes an equation's text; see chem_plot.h. */
int chem_equation_text(const chem_term_rec *equation, char *buffer, size_t size, bool spaced)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    if (!equation) return 0;
    std::string text;
    constexpr const char *kLogOpen = "log(";
    int log = equation->log_flag == 1 && strlen(kLogOpen) < size;
    if (log) text = kLogOpen;
    for (const chem_term_rec *t = equation; t; t = t->next) {
        char s1[SQL_NUMBER_TEXT_SIZE] = "", s2[SQL_NUMBER_TEXT_SIZE] = "";
        if (t->open_bracket && t->scalar1 != 1.0 && t->scalar1 != 0) snprintf(s1, sizeof s1, "%lg", t->scalar1);
        if (t->scalar2 != 0 && (t->scalar2 != 1.0 || (!t->column && t->op != CHEM_OP_NONE)))
            snprintf(s2, sizeof s2, "%lg", t->scalar2);
        int op = t->op >= CHEM_OP_NONE && t->op < CHEM_OP_COUNT ? t->op : CHEM_OP_NONE;
        char piece[CHEM_TITLE_SIZE];
        if (spaced)
            snprintf(piece, sizeof piece, "%s%s%s%s%s%s%s%s", text.empty() || text == kLogOpen ? "" : " ",
                     op != CHEM_OP_NONE ? chem_operator_names[op] : "", op != CHEM_OP_NONE ? " " : "", s1,
                     t->open_bracket ? "(" : "", s2, s2[0] && t->column ? " " : "", t->column ? t->col_name : "");
        else
            snprintf(piece, sizeof piece, "%s%s%s%s %s", chem_operator_names[op], s1, t->open_bracket ? "(" : "",
                     s2, t->column ? t->col_name : "");
        if (t->close_bracket && strlen(piece) + 1 < sizeof piece) strcat(piece, ")");
        if (text.size() + strlen(piece) >= size) break;
        text += piece;
    }
    if (log && text.size() + 1 < size) text += ")";
    snprintf(buffer, size, "%s", text.c_str());
    str_trim(buffer);
    return (int)strlen(buffer);
}

/* Tells a missing value; see chem_plot.h. */
int chem_equation_lacks_value(const chem_term_rec *equation, sql_col_rec *row)
{
    for (const chem_term_rec *t = equation; t; t = t->next) {
        if (chem_term_is_empty(t) || !t->column) continue;
        int blank = 0;
        term_number(t, row, &blank);
        if (blank) return 1;
    }
    return 0;
}

/* Plots one row; see chem_plot.h. */
int chem_plot_point(chem_term_rec *xe, chem_term_rec *ye, chem_term_rec *ze, sql_col_rec *row, const char *symbol)
{
    if (!xe || !ye || !row || !symbol) return -2;
    ++g_chem.rows;
    /* A value missing would be taken as 0 and put the sample where its
    ** analysis does not: the sample is left out, and told. */
    if (chem_equation_lacks_value(xe, row) || chem_equation_lacks_value(ye, row) ||
        chem_equation_lacks_value(ze, row)) {
        if (g_chem.left_out++ == 0) {
            const sql_col_rec *c = sql_col_find(row, symbol, nullptr, nullptr);
            if (c && c->null_ind != SQL_COL_NULL && c->text && str_nonblank(c->text) == kNonBlank) {
                snprintf(g_chem.first_left_out, sizeof g_chem.first_left_out, "%s", c->text);
                str_trim(g_chem.first_left_out);
            } else {
                snprintf(g_chem.first_left_out, sizeof g_chem.first_left_out, "row %ld", g_chem.rows);
            }
        }
        return -1;
    }
    double x = chem_eval_equation(xe, row), y = chem_eval_equation(ye, row);
    geo_point p = {0, 0, 0, 0};
    if (ze) {
        double z = chem_eval_equation(ze, row);
        if (x != 0 || y != 0 || z != 0) {
            double s = x + y + z;
            if (s == 0 || !std::isfinite(s)) return -1;   /* no share of a sum of 0 */
            p.y = (x / s) * kSin60 * kSide;
            double t = kSide - (y / s) * kSide;
            geo_point apex = {kApexX, kSide * kSin60, 0, 0}, corner = {kSide, 0, 0, 0};
            double m = geo_slope(&apex, &corner);
            p.x = (p.y - t * (kSin60 - m * kCos60)) / m;
        }
    } else {
        const geo_box &l = g_chem.limits;
        if (l.max.x != l.min.x && (x < l.min.x || x > l.max.x)) return -1;
        if (l.max.y != l.min.y && (y < l.min.y || y > l.max.y)) return -1;
        geo_point at = {x, y, 0, 0};
        /* Counted rather than told by a zero box, so that a point at the
        ** origin stays in the box. */
        if (g_chem.data_points++ == 0)
            g_chem.data.min = g_chem.data.max = at;
        else
            geo_box_extend(&g_chem.data, &at);
        p.x = g_chem.scale.x * x;
        p.y = g_chem.scale.y * y;
    }
    sym_place_rec *first = nullptr, *second = nullptr;
    int nf = 0, ns = 0;
    int rc = -1;
    if (row_alloc_placements(row, &first, &nf, &second, &ns) == 0 &&
        row_build_placements(row, first, &nf, second, &ns, ROW_PLACE_ALL) == 0) {
        sym_place_rec *r = sym_place_find_by_column(first, nf, symbol);
        if (!r) r = sym_place_find_by_column(second, ns, symbol);
        if (r) {
            size_placement(r, ze != nullptr);
            /* A text marks its point with a small circle, so that the
            ** point itself can be read, and stands beside it: its marker
            ** moves the labels drawn before off it, and the label takes
            ** the first place clear of every label and marker. */
            const bool text = r->mode == SYM_MODE_TEXT;
            double h = r->size > 0 ? r->size : 1.0, marker = kMarkerShare * h, width = label_width(r->name, h);
            geo_box mark = {{p.x - marker, p.y - marker, 0, 0}, {p.x + marker, p.y + marker, 0, 0}};
            int marked = 0;
            if (text) {
                g_chem.markers.push_back(mark);
                marked = labels_off_marker(mark);
                r->ins = label_place(p, width, h, -1, p);
                if (marked == 0) marked = ent_make_circle(&p, marker, r->layer, r->colour) == 0 ? collect() : -1;
            } else {
                r->ins = p;
            }
            r->owner = -1;
            int drawn = marked != 0 ? -1
                        : text      ? sym_place_draw(nullptr, r, 0, 1, 0)
                                    : sym_place_draw(r, nullptr, 1, 0, 0);
            if (drawn == 0) rc = collect();
            if (rc == 0 && text) {
                chem_label l = {{0, 0}, p, r->ins, width, h};
                ads_entlast(l.text);
                g_chem.labels.push_back(l);
            }
        }
    }
    free(first);
    free(second);
    return rc;
}

/* Plots the state's row; see chem_plot.h. */
int chem_plot_row(void)
{
    if (chem_check() != 0) return -2;
    return chem_plot_point(g_chem.x_equ, g_chem.y_equ, g_chem.z_equ, g_chem.row, g_chem.symbol_col->name);
}

/* Discards the diagram under way; see chem_plot.h. */
void chem_plot_discard(void)
{
    abandon(0);
}

/* Draws the frame; see chem_plot.h. */
int chem_frame(void)
{
    if (chem_check() != 0) return -2;
    char xt[CHEM_TITLE_SIZE], yt[CHEM_TITLE_SIZE], zt[CHEM_TITLE_SIZE];
    /* An X-Y diagram's titles stand apart as a reader writes them; the
    ** ternary's keep the dialog's form, their room reckoned on it. */
    bool spaced = g_chem.z_equ == nullptr;
    chem_equation_text(g_chem.x_equ, xt, sizeof xt, spaced);
    chem_equation_text(g_chem.y_equ, yt, sizeof yt, spaced);
    chem_equation_text(g_chem.z_equ, zt, sizeof zt, spaced);
    if (g_chem.name[0]) {
        struct resbuf *found = ads_tblsearch("BLOCK", g_chem.name, 0);
        if (found) {
            ads_relrb(found);
            sym_place_rec b = g_chem.block;
            b.name = g_chem.name;
            b.ins = {0, 0, 0, 0};
            if (sym_place_insert_block(&b) != 0) return -1;
            return collect();
        }
    }
    return g_chem.z_equ ? frame_ternary(xt, yt, zt) : frame_xy(xt, yt);
}

/* Names the block; see chem_plot.h. */
void chem_unique_block_name(const char *name, char *out)
{
    for (int i = 1; i <= kBlockNumberLast; ++i) {
        snprintf(out, CHEM_BLOCK_NAME_SIZE, kBlockNumberFormat, name, i);
        struct resbuf *found = ads_tblsearch("BLOCK", out, 0);
        if (!found) return;
        ads_relrb(found);
    }
    snprintf(out, CHEM_BLOCK_NAME_SIZE, kBlockFull, name);
}

/* Closes the diagram; see chem_plot.h. */
int chem_plot_end(void)
{
    if (chem_check() != 0) return abandon(-2);
    if (chem_frame() != 0) return abandon(-1);
    int ternary = g_chem.z_equ != nullptr;
    double dx = extent_x(), dy = extent_y();
    /* An X-Y diagram without extent cannot be scaled into the circle. */
    if (!ternary && std::max(dx, dy) == 0) return abandon(-1);
    chem_unique_block_name(g_chem.name, g_chem.block_name);
    if (ss_make_block(g_chem.selection, g_chem.block_name) != RTNORM) return abandon(-1);
    ss_free(g_chem.selection);
    ename_clear(g_chem.selection);
    limcheck_suspend(1);
    geo_point centre;
    double radius = 0;
    if (plot_pick_points(&centre, &radius) != 0 || radius <= 0) {
        chem_state_free();
        return -1;
    }
    sym_place_rec &b = g_chem.block;
    b.name = g_chem.block_name;
    if (ternary) {
        double k = radius / kSide;
        double reach = k / kCos30 * kApexX, a = ang_deg_to_rad(kPlaceAngleDeg);
        b.ins = {centre.x + reach * std::cos(a), centre.y + reach * std::sin(a), centre.z, 0};
        b.size = k;
    } else {
        double k = kSin45 * radius / std::max(dx, dy) * 2;
        b.ins = {centre.x - k * g_chem.limits.min.x - k * dx / 2, centre.y - k * g_chem.limits.min.y - k * dy / 2,
                 centre.z, 0};
        b.size = k;
    }
    int rc = sym_place_insert_block(&b);
    chem_state_free();
    return rc;
}

/* Runs the set-up; see chem_plot.h. */
int chem_dialog_run(sql_col_rec *row)
{
    if (!row) return -2;
    ename_clear(g_chem.selection);
    limcheck_suspend(0);
    if (pv_chemdiagram_dialog(row) != 0) {
        limcheck_suspend(1);
        return -1;
    }
    ss_new(g_chem.selection);
    return 0;
}
