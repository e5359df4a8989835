/*
** sym_setup_read.cpp: the tiles of the symbol setup dialog: showing a
** setup, the modes of the kind toggles, and reading and checking every
** field back into the working record.
**
** A field is either a fixed value or the name of an association: another
** column of the setup's table (column setups) or another item of its
** profile (item setups); a named setup has nothing to associate. A name is
** looked up as an association first; the setup's own column or item is
** refused. Every invalid field adds its bit to one error sum, so a single
** alert lists everything that is wrong.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/item_tree.h"
#include "core/msg_box.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tbl_column.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"

namespace {

/* Header labels of the three forms. */
constexpr const char *HDR_TABLE = "Table : ";
constexpr const char *HDR_COLUMN = "Column: ";
constexpr const char *HDR_PROFILE = "Profile: ";
constexpr const char *HDR_ITEM = "Item   : ";
constexpr const char *HDR_SETUP = "Setup  : ";
/* Formats of the fixed values. */
constexpr const char *FMT_REAL = "%.3f";
constexpr const char *FMT_OFFSET = "%.6f";
/* Room of a number written into a tile. */
constexpr int NUMBER_TEXT_SIZE = 64;
/* The characters a name cannot hold (besides control characters). */
constexpr const char *NAME_FORBIDDEN = "!\"#$%&'()*+,./:;<=>?@[\\]^`{|}~";
/* Order in which the alert lists the invalid fields. */
constexpr int k_alert_order[] = {SYMSET_BAD_PATTERN,  SYMSET_BAD_FONT,         SYMSET_BAD_AROUND,   SYMSET_BAD_LIBRARY,
                                 SYMSET_BAD_SYMBOL,   SYMSET_BAD_LAYER,        SYMSET_BAD_COLOUR,   SYMSET_BAD_SIZE,
                                 SYMSET_BAD_ANGLE,    SYMSET_BAD_ANGLE_OFFSET, SYMSET_BAD_POSITION, SYMSET_BAD_X_OFFSET,
                                 SYMSET_BAD_Y_OFFSET, SYMSET_BAD_Z_OFFSET,     SYMSET_BAD_LINE_WIDTH};

/* The tiles of one kind; value tiles are emptied when the kind is off,
** buttons only disabled. */
struct kind_tile {
    const char *key;   /* tile key */
    const char *empty; /* its empty value; null for a button */
};
const kind_tile k_text_tiles[] = {
    {"sym_text_chc", ""}, {"sym_font", nullptr}, {"sym_font_chc", ""}, {"sym_pos", nullptr}, {"sym_pos_col", ""},
};
const kind_tile k_symbol_tiles[] = {
    {"sym_shape", "0"}, {"sym_block", "0"},  {"sym_lib", nullptr},
    {"sym_lib_chc", ""}, {"sym_name", nullptr}, {"sym_name_chc", ""},
};
const kind_tile k_pattern_tiles[] = {{"sym_pat", nullptr}, {"sym_pat_chc", ""}};
const kind_tile k_solid_tiles[] = {{"sym_sld", "0"}};

/* Enables a kind's tiles, or empties and disables them. */
template <size_t N>
void kind_mode(ads_hdlg dlg, const kind_tile (&tiles)[N], bool on)
{
    for (const kind_tile &t : tiles) {
        if (!on && t.empty) ads_set_tile(dlg, t.key, t.empty);
        ads_mode_tile(dlg, t.key, on ? MODE_ENABLE : MODE_DISABLE);
    }
}

/* A tile's value. */
std::string tile_text(ads_hdlg dlg, const char *key)
{
    char buf[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, key, buf, TILE_BUF_SIZE);
    return buf;
}

/* A tile's value without the blanks around it. */
std::string tile_trimmed(ads_hdlg dlg, const char *key)
{
    std::string t = tile_text(dlg, key);
    t.resize(strlen(str_trim(t.data())));
    return t;
}

/* 1 when a toggle or radio button is on. */
bool tile_on(ads_hdlg dlg, const char *key)
{
    return tile_text(dlg, key) == "1";
}

/* A real number written with a format, or "" when show is false. */
std::string number_text(double v, const char *format, bool show)
{
    if (!show) return "";
    char buf[NUMBER_TEXT_SIZE];
    snprintf(buf, sizeof buf, format, v);
    return buf;
}

/* What a field shows: its association's name, else the fixed text. */
std::string field_text(const sym_rec *r, int which, const std::string &fixed)
{
    const char *a = sym_assoc_text(r, which);
    return *a ? std::string(a) : fixed;
}

/* Where an association name leads. */
struct assoc_found {
    void *target = nullptr;   /* column rule or item node; null when none */
    std::string name;         /* its name */
    bool own = false;         /* the setup's own column or item */
};

/* Looks a name up as an association: a column of the setup's table, or an
** item of its profile; a named setup has none. */
assoc_found assoc_lookup(const symsetup_state *st, const std::string &name)
{
    assoc_found f;
    if (name.empty()) return f;
    if (st->rule) {
        col_attr_rec *r = nullptr;
        tbl_rec *t = st->project ? tbl_find_by_name(st->project->tables, st->rule->table, nullptr) : nullptr;
        sql_col_rec *c = t ? tbl_column_find(t->columns, name.c_str(), nullptr, nullptr) : nullptr;
        if (c) r = c->attr;
        else if (st->project) r = col_attr_find(st->project->col_attrs, name.c_str(), st->rule->table, nullptr);
        if (!r) return f;
        f.target = r;
        f.name = r->column;
        f.own = r == st->rule || (str_eq_nocase(r->column, st->rule->column) && str_eq_nocase(r->table, st->rule->table));
    } else if (st->item && st->root) {
        for (item_node *n = st->root->child; n; n = item_walk_next(n)) {
            if (!n->name || item_name_eq_nocase(n->name, name.c_str()) != 1) continue;
            f.target = n;
            f.name = n->name;
            f.own = n == st->item || (st->item->name && item_name_eq_nocase(n->name, st->item->name) == 1);
            break;
        }
    }
    return f;
}

/* One field being read: its trimmed text and what it leads to. */
struct field_read {
    std::string text;     /* trimmed tile text */
    assoc_found assoc;    /* the association it names, if any */
};

/* Reads an associable field; 1 when it is an association of another
** column or item, 0 when it is to be read as a fixed value, -1 when it
** names the setup's own column or item. */
int read_assoc_field(ads_hdlg dlg, const symsetup_state *st, const char *key, field_read *out)
{
    out->text = tile_trimmed(dlg, key);
    out->assoc = assoc_lookup(st, out->text);
    if (!out->assoc.target) return 0;
    return out->assoc.own ? -1 : 1;
}

/* Sets association which of the record (null target for none). */
void set_assoc(sym_rec *r, int which, const assoc_found &a)
{
    r->assoc[which] = a.target;
    sym_set_text(&r->assoc_name[which], a.target ? a.name.c_str() : nullptr);
}

/* Reads a field that is a name or an association into *fixed (the fixed
** name, "" for an association); answers 0, or bit when invalid. */
int read_name(ads_hdlg dlg, const symsetup_state *st, sym_rec *r, const char *key, int which, int bit,
              std::string *fixed)
{
    field_read f;
    int kind = read_assoc_field(dlg, st, key, &f);
    set_assoc(r, which, kind == 1 ? f.assoc : assoc_found());
    fixed->clear();
    if (kind < 0) return bit;
    if (kind == 1) return 0;
    if (!symsetup_is_name(f.text.c_str())) return bit;
    *fixed = f.text;
    return 0;
}

/* Reads a field that is a number or an association into *value (0 for an
** association or a blank); negative numbers are refused when non_negative.
** Answers 0, or bit when invalid. */
int read_number(ads_hdlg dlg, const symsetup_state *st, sym_rec *r, const char *key, int which, int bit,
                bool non_negative, double *value)
{
    field_read f;
    int kind = read_assoc_field(dlg, st, key, &f);
    set_assoc(r, which, kind == 1 ? f.assoc : assoc_found());
    *value = 0;
    if (kind < 0) return bit;
    if (kind == 1) return 0;
    if (!symsetup_is_number(f.text.c_str())) return bit;
    *value = atof(f.text.c_str());
    return non_negative && *value < 0 ? bit : 0;
}

/* Reads a fixed number (an offset); answers 0, or bit when invalid. */
int read_plain_number(ads_hdlg dlg, const char *key, int bit, double *value)
{
    std::string t = tile_trimmed(dlg, key);
    *value = 0;
    if (!symsetup_is_number(t.c_str())) return bit;
    *value = atof(t.c_str());
    return 0;
}

/* Makes the record's owner the setup's column or item; a named setup's
** owner stays as it was. Answers 0; -9101 without memory. */
int read_owner(const symsetup_state *st, sym_rec *r)
{
    int rc = 0;
    if (st->rule) {
        r->owner_kind = SYM_OWNER_COLUMN;
        r->owner = st->rule;
        rc |= sym_set_text(&r->table_name, st->rule->table);
        rc |= sym_set_text(&r->column_name, st->rule->column);
    } else if (st->item) {
        r->owner_kind = SYM_OWNER_ITEM;
        r->owner = st->item;
        rc |= sym_set_text(&r->item_name, st->item->name);
        rc |= sym_set_text(&r->profile, st->root ? st->root->name : nullptr);
        rc |= sym_set_text(&r->dictionary, st->root ? st->root->second_name : nullptr);
    }
    return rc ? ERR_NO_MEMORY : 0;
}

/* Reads the symbol: an association, or a shape of the library (which
** gives the record its shape number). Answers 0 or SYMSET_BAD_SYMBOL. */
int read_symbol(ads_hdlg dlg, const symsetup_state *st, sym_rec *r, int slot)
{
    field_read f;
    int kind = read_assoc_field(dlg, st, "sym_name_chc", &f);
    set_assoc(r, SYM_ASSOC_SYMBOL, kind == 1 ? f.assoc : assoc_found());
    sym_set_text(&r->symbol, nullptr);
    r->shape_number = 0;
    if (kind < 0) return SYMSET_BAD_SYMBOL;
    if (kind == 1 || f.text.empty()) return 0;
    const shape_entry *e = slot >= 0 ? shape_find_in_lib((uint16_t)slot, f.text.c_str()) : nullptr;
    if (!e) return SYMSET_BAD_SYMBOL;
    sym_set_text(&r->symbol, e->name);
    r->shape_number = e->number;
    return 0;
}

}  // namespace

/* A number as a setup takes it; see the header. */
int symsetup_is_number(const char *text)
{
    if (!text) return 1;
    const char *p = text;
    while (*p == ' ') p++;
    while (*p && (isdigit((unsigned char)*p) || *p == '+' || *p == '-' || *p == '.')) p++;
    while (*p == ' ') p++;
    return *p == '\0';
}

/* A name as a setup takes it; see the header. */
int symsetup_is_name(const char *text)
{
    if (!text) return 1;
    std::string t = text;
    t.resize(strlen(str_trim(t.data())));
    for (unsigned char c : t)
        if (c < ' ' || c == ' ' || strchr(NAME_FORBIDDEN, c)) return 0;
    return 1;
}

/* The alert text of a result; see the header. */
std::string pv_symsetup_error_text(int result)
{
    int sum = -result - ERR_SYM_BASE;
    if (result >= 0 || sum <= 0) return "";
    std::string out;
    for (int bit : k_alert_order) {
        if (!(sum & bit)) continue;
        const char *t = err_text(bit == SYMSET_BAD_LINE_WIDTH ? ERR_SYM_BASE : ERR_SYM_BASE + bit);
        out += std::string("\n") + (t ? t : "");
    }
    return out;
}

/* The modes of the kind toggles; see the header. */
void symsetup_modes(ads_hdlg dlg, const symsetup_state *st)
{
    bool fill = tile_on(dlg, "sym_fill");
    kind_mode(dlg, k_text_tiles, tile_on(dlg, "sym_text"));
    kind_mode(dlg, k_symbol_tiles, tile_on(dlg, "sym_symbol"));
    kind_mode(dlg, k_solid_tiles, fill);
    kind_mode(dlg, k_pattern_tiles, fill && !tile_on(dlg, "sym_sld"));
    if (st && st->named) {
        /* Nothing to associate with: the position column and the
        ** association picker stay off. */
        for (const char *key : {"sym_pos", "sym_pos_col", "sym_assoc"}) ads_mode_tile(dlg, key, MODE_DISABLE);
    }
}

/* Shows the working record in the tiles; see the header. */
void symsetup_show(ads_hdlg dlg, const symsetup_state *st)
{
    const sym_rec *r = st->record;
    if (st->rule) {
        ads_set_tile(dlg, "sym_hdr", HDR_TABLE);
        ads_set_tile(dlg, "sym_hdrval", st->rule->table);
        ads_set_tile(dlg, "sym_itm", HDR_COLUMN);
        ads_set_tile(dlg, "sym_itmval", st->rule->column);
    } else if (st->item) {
        ads_set_tile(dlg, "sym_hdr", HDR_PROFILE);
        ads_set_tile(dlg, "sym_hdrval", st->root && st->root->name ? st->root->name : "");
        ads_set_tile(dlg, "sym_itm", HDR_ITEM);
        ads_set_tile(dlg, "sym_itmval", st->item->name ? st->item->name : "");
    } else {
        ads_set_tile(dlg, "sym_hdr", HDR_SETUP);
        ads_set_tile(dlg, "sym_hdrval", r->item_name ? r->item_name : "");
        ads_set_tile(dlg, "sym_itm", "");
        ads_set_tile(dlg, "sym_itmval", "");
    }
    ads_set_tile(dlg, "sym_text", (r->flags & SYM_TEXT) ? "1" : "0");
    ads_set_tile(dlg, "sym_symbol", (r->flags & SYM_SYMBOL) && !(r->flags & SYM_TEXT) ? "1" : "0");
    ads_set_tile(dlg, "sym_fill", (r->flags & SYM_FILL) ? "1" : "0");
    ads_set_tile(dlg, "sym_sld", (r->flags & SYM_SOLID) ? "1" : "0");

    std::string symbol = r->symbol ? r->symbol : "", library = r->library ? r->library : "";
    ads_set_tile(dlg, "sym_text_chc", symbol.c_str());
    ads_set_tile(dlg, "sym_font_chc", field_text(r, SYM_ASSOC_FONT, library).c_str());
    ads_set_tile(dlg, "sym_pos_col", field_text(r, SYM_ASSOC_POSITION, "").c_str());
    ads_set_tile(dlg, "sym_shape", r->form == SYM_FORM_SHAPE ? "1" : "0");
    ads_set_tile(dlg, "sym_block", r->form == SYM_FORM_BLOCK ? "1" : "0");
    ads_set_tile(dlg, "sym_lib_chc", library.c_str());
    ads_set_tile(dlg, "sym_name_chc", field_text(r, SYM_ASSOC_SYMBOL, symbol).c_str());
    ads_set_tile(dlg, "sym_pat_chc", field_text(r, SYM_ASSOC_PATTERN, r->pattern ? r->pattern : "").c_str());
    ads_set_tile(dlg, "sym_lay_chc", field_text(r, SYM_ASSOC_LAYER, r->layer).c_str());
    ads_set_tile(dlg, "sym_clr_chc",
                 field_text(r, SYM_ASSOC_COLOUR, r->colour > 0 ? std::to_string(r->colour) : "").c_str());
    ads_set_tile(dlg, "sym_size_chc", field_text(r, SYM_ASSOC_SCALE, number_text(r->scale, FMT_REAL, r->scale > 0)).c_str());
    ads_set_tile(dlg, "sym_lwd_chc",
                 field_text(r, SYM_ASSOC_LINE_WIDTH, number_text(r->line_width, FMT_REAL, r->line_width > 0)).c_str());
    ads_set_tile(dlg, "sym_ang_chc", field_text(r, SYM_ASSOC_ANGLE, number_text(r->angle, FMT_REAL, r->angle != 0)).c_str());
    ads_set_tile(dlg, "sym_aof_chc",
                 field_text(r, SYM_ASSOC_ANGLE_OFFSET, number_text(r->angle_offset, FMT_REAL, r->angle_offset != 0)).c_str());
    ads_set_tile(dlg, "sym_pos_chc", std::to_string(r->position < 0 ? 0 : r->position).c_str());
    ads_set_tile(dlg, "sym_xof_chc", number_text(r->x_offset, FMT_OFFSET, true).c_str());
    ads_set_tile(dlg, "sym_yof_chc", number_text(r->y_offset, FMT_OFFSET, true).c_str());
    ads_set_tile(dlg, "sym_zof_chc", number_text(r->z_offset, FMT_OFFSET, true).c_str());
    ads_set_tile(dlg, "error", "");
    symsetup_modes(dlg, st);
}

/* Reads and checks every field; see the header. */
int pv_symsetup_read(ads_hdlg dlg, symsetup_state *st)
{
    if (!dlg || !st || !st->record) return -2;
    sym_rec *r = st->record;
    if (read_owner(st, r) != 0) return ERR_NO_MEMORY;
    r->word = 0;
    bool text = tile_on(dlg, "sym_text"), symbol = tile_on(dlg, "sym_symbol") && !text;
    bool fill = tile_on(dlg, "sym_fill"), solid = fill && tile_on(dlg, "sym_sld");
    int sum = 0;

    /* The position column: another column or item, when given. */
    field_read around;
    int around_kind = read_assoc_field(dlg, st, "sym_pos_col", &around);
    set_assoc(r, SYM_ASSOC_POSITION, around_kind == 1 ? around.assoc : assoc_found());
    if (!around.text.empty() && around_kind != 1) sum |= SYMSET_BAD_AROUND;

    /* The library (loaded, when given), then the symbol in it. */
    std::string lib = tile_trimmed(dlg, "sym_lib_chc");
    int slot = lib.empty() ? -1 : symlib_slot(lib.c_str());
    if (!lib.empty() && slot < 0) sum |= SYMSET_BAD_LIBRARY;
    sum |= read_symbol(dlg, st, r, slot);

    std::string layer, font, pattern;
    sum |= read_name(dlg, st, r, "sym_lay_chc", SYM_ASSOC_LAYER, SYMSET_BAD_LAYER, &layer);
    if (layer.size() >= sizeof r->layer) {
        sum |= SYMSET_BAD_LAYER;   /* would not fit: refused rather than cut */
        layer.clear();
    }
    snprintf(r->layer, sizeof r->layer, "%s", layer.c_str());

    double colour = 0, size = 0, angle = 0, angle_offset = 0, width = 0, x = 0, y = 0, z = 0, position = 0;
    int colour_bad = read_number(dlg, st, r, "sym_clr_chc", SYM_ASSOC_COLOUR, SYMSET_BAD_COLOUR, true, &colour);
    int colour_whole = atoi(tile_trimmed(dlg, "sym_clr_chc").c_str());
    if (!colour_bad && !r->assoc[SYM_ASSOC_COLOUR] && (colour_whole < 0 || colour_whole > SYMSET_COLOUR_MAX))
        colour_bad = SYMSET_BAD_COLOUR;
    sum |= colour_bad;
    r->colour = r->assoc[SYM_ASSOC_COLOUR] ? 0 : colour_whole;
    sum |= read_number(dlg, st, r, "sym_size_chc", SYM_ASSOC_SCALE, SYMSET_BAD_SIZE, true, &size);
    sum |= read_number(dlg, st, r, "sym_ang_chc", SYM_ASSOC_ANGLE, SYMSET_BAD_ANGLE, false, &angle);
    sum |= read_number(dlg, st, r, "sym_aof_chc", SYM_ASSOC_ANGLE_OFFSET, SYMSET_BAD_ANGLE_OFFSET, false, &angle_offset);
    sum |= read_plain_number(dlg, "sym_xof_chc", SYMSET_BAD_X_OFFSET, &x);
    sum |= read_plain_number(dlg, "sym_yof_chc", SYMSET_BAD_Y_OFFSET, &y);
    sum |= read_plain_number(dlg, "sym_zof_chc", SYMSET_BAD_Z_OFFSET, &z);
    int position_bad = read_plain_number(dlg, "sym_pos_chc", SYMSET_BAD_POSITION, &position);
    int position_whole = atoi(tile_trimmed(dlg, "sym_pos_chc").c_str());
    if (!position_bad && (position_whole < 0 || position_whole > SYMSET_POSITION_MAX)) position_bad = SYMSET_BAD_POSITION;
    sum |= position_bad;
    sum |= read_name(dlg, st, r, "sym_font_chc", SYM_ASSOC_FONT, SYMSET_BAD_FONT, &font);
    sum |= read_name(dlg, st, r, "sym_pat_chc", SYM_ASSOC_PATTERN, SYMSET_BAD_PATTERN, &pattern);
    sum |= read_number(dlg, st, r, "sym_lwd_chc", SYM_ASSOC_LINE_WIDTH, SYMSET_BAD_LINE_WIDTH, true, &width);

    r->scale = (float)size;
    r->angle = (float)angle;
    r->angle_offset = (float)angle_offset;
    r->line_width = (float)width;
    r->x_offset = x;
    r->y_offset = y;
    r->z_offset = z;
    r->position = position_whole;
    r->flags = (text ? SYM_TEXT : 0) | (symbol ? SYM_SYMBOL : 0) | (fill ? SYM_FILL : 0) | (solid ? SYM_SOLID : 0);
    r->form = tile_on(dlg, "sym_shape") ? SYM_FORM_SHAPE : tile_on(dlg, "sym_block") ? SYM_FORM_BLOCK : SYM_FORM_NONE;
    sym_set_text(&r->pattern, pattern.c_str());
    if (text) {
        /* A text setup: the column written, and the font. */
        std::string column = tile_trimmed(dlg, "sym_text_chc");
        sym_set_text(&r->symbol, column.c_str());
        sym_set_text(&r->library, str_upper(font.data()));
    } else {
        const shape_lib_rec *l = slot >= 0 ? shape_lib_get((uint16_t)slot) : nullptr;
        sym_set_text(&r->library, l && l->name ? l->name : lib.c_str());
    }

    if (sum == 0) return 0;
    int result = -(ERR_SYM_BASE + sum);
    msg_alert(ERR_TITLE, "%s", pv_symsetup_error_text(result).c_str());
    return result;
}
