/*
** map_params.cpp: the drawing's map setup: reading it from the block of
** attribute definitions that carries it, writing and referencing a new
** block, updating the block in place, and the angle variables that travel
** with the setup.
*/
#include "draw/map_params.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/sym_place.h"

map_params_rec g_map_params = {nullptr, 1.0, 1.0, 0.0, 0, 1, 0, "", ""};

namespace {

/* Defaults of a new setup. */
constexpr double MAP_PARAMS_DEFAULT_SCALE = 1.0;
constexpr double MAP_PARAMS_DEFAULT_HEIGHT = 1.0;
constexpr int MAP_PARAMS_DEFAULT_PLOT = 1;
/* Height of each attribute definition and scale of the reference. */
constexpr double MAP_PARAMS_ATTDEF_HEIGHT = 1.0;
constexpr double MAP_PARAMS_INSERT_SCALE = 1.0;
/* Group that names the first entity of a block-table entry. */
constexpr int MAP_PARAMS_FIRST_ENTITY = -2;
/* Group of the block name of an INSERT. */
constexpr int MAP_PARAMS_GROUP_BLOCK = 2;
/* Groups of an attribute definition's value and tag. */
constexpr int GROUP_VALUE = 1;
constexpr int GROUP_TAG = 2;
/* Room of a number written with "%lf". */
constexpr int MAP_PARAMS_NUMBER_SIZE = 64;

/* ANGBASE in degrees and ANGDIR into the record; 0 for what cannot be
** read. */
void read_angles(map_params_rec *rec)
{
    struct resbuf rb;
    rec->angle_base = 0.0;
    rec->angle_dir = 0;
    if (ads_getvar("ANGBASE", &rb) == RTNORM && (rb.restype == RTREAL || rb.restype == RTANG))
        rec->angle_base = ang_rad_to_deg(rb.resval.rreal);
    if (ads_getvar("ANGDIR", &rb) == RTNORM && rb.restype == RTSHORT) rec->angle_dir = rb.resval.rint;
}

/* ANGDIR 0 first, so that the base is taken counter-clockwise, then
** ANGBASE in radians and the record's direction. 0; -1 when the editor
** refuses one. */
int write_angles(const map_params_rec *rec)
{
    if (sysvar_set_number("ANGDIR", 0) != 0) return -1;
    if (sysvar_set_number("ANGBASE", ang_deg_to_rad(rec->angle_base)) != 0) return -1;
    return sysvar_set_number("ANGDIR", rec->angle_dir) != 0 ? -1 : 0;
}

/* The first entity of a block-table entry into out; false when it has
** none. */
bool block_first_entity(const struct resbuf *entry, ads_name out)
{
    for (const struct resbuf *r = entry; r; r = r->rbnext)
        if (r->restype == MAP_PARAMS_FIRST_ENTITY) {
            ename_copy(out, r->resval.rlname);
            return !ename_isnull(out);
        }
    return false;
}

/* A group's text of an entity, trimmed; false when it has none. */
bool group_text(const ads_name e, int code, char *buf)
{
    if (!ent_get_group_text(e, code, buf)) return false;
    str_trim(buf);
    return true;
}

/* Whether the entity is the definition NAME = "PETRIVEX_PARAMS" (any
** case) that begins the block. */
bool is_marker(const ads_name e)
{
    char tag[MAP_PARAMS_TEXT_SIZE], value[MAP_PARAMS_TEXT_SIZE];
    return ent_type_code(e) == ENT_TYPE_ATTDEF && group_text(e, GROUP_TAG, tag) &&
           str_eq_nocase(tag, MAP_PARAMS_TAG_NAME) && group_text(e, GROUP_VALUE, value) &&
           str_eq_nocase(value, MAP_PARAMS_ID);
}

/* A SCALE or HEIGHT value: 1.0 when empty, else as atof reads it (0 or
** below is kept as it stands). */
double number_value(const char *value)
{
    return *value ? atof(value) : MAP_PARAMS_DEFAULT_SCALE;
}

/* A PROJ value: the system it names, else the text kept for later. */
void take_projection(map_params_rec *rec, const char *value)
{
    rec->projection = *value ? prj_find(value, nullptr) : nullptr;
    if (*value && !rec->projection) snprintf(rec->proj_text, sizeof rec->proj_text, "%s", value);
    else rec->proj_text[0] = '\0';
}

/* Reads the definitions after the marker of one block into the record.
** Answers whether any of PROJ, SCALE and HEIGHT was read. */
bool read_block(map_params_rec *rec, const ads_name marker)
{
    bool any = false;
    ads_name e, next;
    ename_copy(e, marker);
    while (ads_entnext(e, next) == RTNORM) {
        ename_copy(e, next);
        char tag[MAP_PARAMS_TEXT_SIZE], value[MAP_PARAMS_TEXT_SIZE];
        if (ent_type_code(e) != ENT_TYPE_ATTDEF || !group_text(e, GROUP_TAG, tag)) continue;
        if (!group_text(e, GROUP_VALUE, value)) value[0] = '\0';
        if (str_eq_nocase(tag, MAP_PARAMS_TAG_PROJ)) take_projection(rec, value);
        else if (str_eq_nocase(tag, MAP_PARAMS_TAG_SCALE)) rec->scale = number_value(value);
        else if (str_eq_nocase(tag, MAP_PARAMS_TAG_HEIGHT)) rec->text_height = number_value(value);
        else continue;
        any = true;
    }
    return any;
}

/* The record's value for a tag into out; false for a tag the record does
** not write. */
bool value_for_tag(const map_params_rec *rec, const char *tag, char *out)
{
    if (str_eq_nocase(tag, MAP_PARAMS_TAG_PROJ)) {
        map_params_proj_name(rec, out);
        return true;
    }
    double v;
    if (str_eq_nocase(tag, MAP_PARAMS_TAG_SCALE)) v = rec->scale;
    else if (str_eq_nocase(tag, MAP_PARAMS_TAG_HEIGHT)) v = rec->text_height;
    else return false;
    snprintf(out, MAP_PARAMS_NUMBER_SIZE, "%lf", v);
    return true;
}

/* Writes the record's values into the definitions that follow the
** marker. 0; -1 when one cannot be changed. */
int update_block(const map_params_rec *rec, const ads_name marker)
{
    int rc = 0;
    ads_name e, next;
    ename_copy(e, marker);
    while (ads_entnext(e, next) == RTNORM) {
        ename_copy(e, next);
        char tag[MAP_PARAMS_TEXT_SIZE], value[MAP_PARAMS_TEXT_SIZE];
        if (ent_type_code(e) != ENT_TYPE_ATTDEF || !group_text(e, GROUP_TAG, tag)) continue;
        if (!value_for_tag(rec, tag, value)) continue;
        struct resbuf *list = ads_entget(e);
        if (!list || rb_set_text(list, GROUP_VALUE, value) != 0 || ads_entmod(list) != RTNORM) rc = -1;
        if (list) ads_relrb(list);
    }
    return rc;
}

}  // namespace

int map_params_init(map_params_rec *rec)
{
    if (!rec) return -2;
    rec->projection = nullptr;
    rec->scale = MAP_PARAMS_DEFAULT_SCALE;
    rec->text_height = MAP_PARAMS_DEFAULT_HEIGHT;
    rec->plot = MAP_PARAMS_DEFAULT_PLOT;
    rec->attach = 0;
    rec->block_name[0] = '\0';
    rec->proj_text[0] = '\0';
    read_angles(rec);
    return 0;
}

int map_params_read(map_params_rec *rec)
{
    if (!rec) return -2;
    map_params_init(rec);
    int rc = -1;
    for (struct resbuf *entry = ads_tblnext("BLOCK", 1); entry; entry = ads_tblnext("BLOCK", 0)) {
        struct resbuf *name = rb_find(entry, 2);
        ads_name first;
        bool taken = name && name->resval.rstring && str_nonblank(name->resval.rstring) == RTNORM &&
                     block_first_entity(entry, first) && is_marker(first) && read_block(rec, first);
        if (taken) snprintf(rec->block_name, sizeof rec->block_name, "%s", name->resval.rstring);
        ads_relrb(entry);
        if (taken) {
            rc = 0;
            break;
        }
    }
    read_angles(rec);
    return rc;
}

int map_params_write(map_params_rec *rec)
{
    if (!rec) return -2;
    if (write_angles(rec) != 0) return -1;
    const geo_point origin = {0.0, 0.0, 0.0, 0.0};
    if (ent_make_block(MAP_PARAMS_BLOCK, &origin, MAP_PARAMS_BLOCK_FLAGS) != 0) return -1;
    const char *tags[] = {MAP_PARAMS_TAG_NAME, MAP_PARAMS_TAG_PROJ, MAP_PARAMS_TAG_SCALE, MAP_PARAMS_TAG_HEIGHT};
    for (const char *tag : tags) {
        char value[MAP_PARAMS_TEXT_SIZE];
        if (!value_for_tag(rec, tag, value)) snprintf(value, sizeof value, "%s", MAP_PARAMS_ID);
        if (map_params_attdef(tag, value) != 0) {
            ads_entmake(nullptr);
            return -1;
        }
    }
    char name[ADS_INPUT_MAX];
    if (ent_make_endblk(name) != 0) {
        ads_entmake(nullptr);
        return -1;
    }
    snprintf(rec->block_name, sizeof rec->block_name, "%s", name);
    return 0;
}

int map_params_insert(const map_params_rec *rec)
{
    if (!rec) return -2;
    if (str_nonblank(rec->block_name) != RTNORM) return -1;
    const ads_point origin = {0.0, 0.0, 0.0};
    struct resbuf *list = ads_buildlist(RTDXF0, "INSERT", 2, rec->block_name, 8, SYM_PLACE_DEFAULT_LAYER, 10,
                                        origin, 41, MAP_PARAMS_INSERT_SCALE, 42, MAP_PARAMS_INSERT_SCALE, 43,
                                        MAP_PARAMS_INSERT_SCALE, 50, 0.0, 0);
    if (!list) return -1;
    int rc = ads_entmake(list);
    ads_relrb(list);
    return rc == RTNORM ? 0 : -1;
}

int map_params_update(map_params_rec *rec)
{
    if (!rec || str_nonblank(rec->block_name) != RTNORM) return -2;
    struct resbuf *entry = ads_tblsearch("BLOCK", rec->block_name, 0);
    if (!entry) {
        /* The user deleted the block: the setup is written anew so that a
        ** save never loses it. */
        if (map_params_write(rec) != 0) return -1;
        return map_params_insert(rec);
    }
    ads_name first;
    bool marked = block_first_entity(entry, first) && is_marker(first);
    ads_relrb(entry);
    if (!marked) return -1;
    int rc = update_block(rec, first);
    if (write_angles(rec) != 0) rc = -1;
    return rc;
}

int map_params_is_reference(const ads_name ename)
{
    if (!ename || ent_type_code(ename) != ENT_TYPE_INSERT) return 0;
    char block[MAP_PARAMS_TEXT_SIZE];
    if (!ent_get_group_text(ename, MAP_PARAMS_GROUP_BLOCK, block) || !*block) return 0;
    struct resbuf *entry = ads_tblsearch("BLOCK", block, 0);
    if (!entry) return 0;
    ads_name first;
    bool marked = block_first_entity(entry, first) && is_marker(first);
    ads_relrb(entry);
    return marked ? 1 : 0;
}

int map_params_attdef(const char *tag, const char *value)
{
    if (!tag) return -2;
    char word[MAP_PARAMS_TEXT_SIZE], text[MAP_PARAMS_TEXT_SIZE];
    snprintf(word, sizeof word, "%s", tag);
    str_first_word(word);
    if (!*word) return -2;
    snprintf(text, sizeof text, "%s", value ? value : "");
    str_trim(text);
    const ads_point origin = {0.0, 0.0, 0.0};
    struct resbuf *list = ads_buildlist(RTDXF0, "ATTDEF", 10, origin, 40, MAP_PARAMS_ATTDEF_HEIGHT, 1, text, 3,
                                        word, 2, word, 70, MAP_PARAMS_ATTDEF_FLAGS, 0);
    if (!list) return -1;
    int rc = ads_entmake(list);
    ads_relrb(list);
    return rc == RTNORM ? 0 : -1;
}

char *ent_get_group_text(const ads_name ename, int code, char *buf)
{
    if (!buf) return nullptr;
    buf[0] = '\0';
    if (!ename) return nullptr;
    struct resbuf *list = ads_entget(ename);
    if (!list) return nullptr;
    struct resbuf *item = rb_find(list, code);
    bool text = item && item->restype == code && rb_code_is_text(code) && item->resval.rstring;
    if (text) snprintf(buf, MAP_PARAMS_TEXT_SIZE, "%s", item->resval.rstring);
    ads_relrb(list);
    return text ? buf : nullptr;
}

int map_params_set_projection(map_params_rec *rec, prj_rec *prj)
{
    if (!rec) return -2;
    rec->projection = prj;
    rec->proj_text[0] = '\0';
    return 0;
}

int map_params_resolve(map_params_rec *rec)
{
    if (!rec) return -2;
    if (!rec->proj_text[0]) return 0;
    prj_rec *prj = prj_find(rec->proj_text, nullptr);
    if (!prj) return 0;
    map_params_set_projection(rec, prj);
    return 1;
}

char *map_params_proj_name(const map_params_rec *rec, char *out)
{
    out[0] = '\0';
    if (rec->projection) snprintf(out, MAP_PARAMS_TEXT_SIZE, "%s", rec->projection->name);
    else snprintf(out, MAP_PARAMS_TEXT_SIZE, "%s", rec->proj_text);
    str_trim(out);
    return out;
}
