/*
** sym_draw.h: a table row drawn as a group: its symbols (a SHAPE, an
** INSERT of the shape's block, or the shape's vectors as LINEs) and the
** texts placed around them; the group dragged into place by the user when
** the row has no coordinates; erasing, matching drawn entities back to the
** records, and bringing drawn entities in line with changed records.
**
** A group is two arrays of sym_place_rec: symbols, and texts whose owner
** is the index of the symbol they sit around (-1 for a free text).
**
**     sym_place_rec sym, txt;  ...  txt.owner = 0;  txt.text_pos = 1;
**     int rc = sym_place_draw(&sym, &txt, 1, 1, 0);   // 0, or a maker's result
*/
#ifndef PV_MAP_SYM_DRAW_H
#define PV_MAP_SYM_DRAW_H

#include "coords/geo_point.h"
#include "draw/sym_place.h"
#include "platform/include/ads_host.h"

/* The block that holds a copy of a group while the user drags it. */
#define SYM_DRAG_BLOCK "PETRIVEX_SYMBOL"
/* Highest text position: 1..8 are east, north-east, ... south-east. */
#define SYM_TEXT_POS_LAST 8

/* Draws a group: texts made horizontal and placed around their symbols,
** the group dragged first when interactive, every symbol by its mode (a
** failing one is left out), then every text at its symbol (the first that
** fails ends the drawing). 0; the interactive placement's or the first
** failing text's result; -1 when "PETRIVEX" cannot be registered; -2 when
** both arrays are missing, a count is negative, or no symbol has owner -1.
** A text whose owner is not a symbol of the group counts as free. */
int sym_place_draw(sym_place_rec *symbols, sym_place_rec *texts, int symbol_count, int text_count,
                   int interactive);
/* Builds the block PETRIVEX_SYMBOL of the group around `point` and lets the
** user insert it; the chosen point goes to `point` (its z kept when not 0)
** and, for one symbol without texts that asks for it, the dragged rotation
** to the symbol's angle. The reference is deleted and CMDECHO restored on
** every path. 0; -1 on failure or cancel. */
int sym_place_interactive(sym_place_rec *symbols, sym_place_rec *texts, int symbol_count, int text_count,
                          geo_point *point);
/* Sets the text's offset for its position 1..8 around the symbol's scaled
** shape, turned with the symbol. 0 (also unchanged for position 0 or a
** shape without extents); -2 for a missing, blank or out-of-range input. */
int sym_place_text_position(const sym_place_rec *symbol, sym_place_rec *text);
/* Copies every field (pointers shared). 0; -2 for a missing argument. */
int sym_place_copy(sym_place_rec *to, const sym_place_rec *from);
/* Exchanges two records. 0; -2 for a missing argument. */
int sym_place_swap(sym_place_rec *a, sym_place_rec *b);
/* Erases the entity of every record that has one with _ERASE (the entity
** and its insertion point) and clears its name. 0; -2 when both arrays are
** missing or both counts are below 1. */
int sym_place_erase(sym_place_rec *symbols, sym_place_rec *texts, int symbol_count, int text_count);
/* The first record whose source column has the name `column` (any case);
** null when none or for a missing argument. */
sym_place_rec *sym_place_find_by_column(sym_place_rec *records, int count, const char *column);
/* 1 when an entity of this type (ENT_TYPE_*), linked through the column,
** can be part of a row's drawn group: a TEXT, SHAPE or INSERT, or a LINE
** of a symbol record drawn as vectors. 0 for every other entity (a line,
** polyline, circle, arc or hatch the user drew and linked to the row),
** which no redraw of the group may change or remove. */
int sym_place_draws_type(int type, const char *column, sym_place_rec *symbols, int symbol_count);
/* Matches each linked entity of the set that sym_place_draws_type accepts
** to the first symbol, else text, record of its key column (other entities
** stay unmatched, as they are); a record without entity takes the entity's
** name and insertion point and becomes free (owner -1); with take_out the
** entity leaves the set. Answers the number matched; -2 for bad
** arguments. */
int link_ss_to_placements(ads_name ss, sym_place_rec *symbols, int symbol_count, sym_place_rec *texts,
                          int text_count, int take_out);
/* Brings each drawn entity of the records in line with its record: a TEXT,
** SHAPE or INSERT of the record's mode is changed in place, any other
** TEXT, SHAPE, INSERT or LINE is deleted and the record drawn again (for a
** LINE, every LINE of the row drawn for the same column). 0; -2 for bad
** arguments. */
int sym_place_redraw(sym_place_rec *symbols, int symbol_count, sym_place_rec *texts, int text_count);
/* Rewrites the entity list from the record (name, style, layer when the
** record names one, point, angle when the record gives one, colour, link)
** and changes the entity.
** 0; -1 when the editor refuses; -9101 without memory; -2 for bad
** arguments. */
int ent_update_from_placement(struct resbuf *list, sym_place_rec *rec);

#endif
