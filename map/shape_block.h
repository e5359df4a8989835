/*
** shape_block.h: shapes in the drawing: a shape library loaded both into
** the editor (as a shape-file style) and into the shape store, and the
** block of LINEs made from one shape so that it can be inserted.
**
**     if (shape_lib_load_cmd("PVSTRUCT") == 0) sym_block_from_shape("STRIKE_DIP", "0");
*/
#ifndef PV_MAP_SHAPE_BLOCK_H
#define PV_MAP_SHAPE_BLOCK_H

/* Extension of a compiled shape file, upper case. */
#define SHAPE_FILE_EXT "SHX"

/* Makes block `shape` of one LINE per pen-down segment of the shape
** (arcs as chords; the interpreter's arc switch is restored), on `layer`
** in colour 0. 0 (also when the block exists); -1 when no loaded library
** has the shape; the block maker's failure otherwise. */
int sym_block_from_shape(const char *shape, const char *layer);
/* Makes sure a shape library is loaded: nothing when a shape-file style
** uses it; else _LOAD in the editor and the file "%s.SHX" (found with
** ads_findfile) into the shape store, measured, and unloaded again when
** nothing in it draws. 0; -1 on failure; -2 for a blank name. */
int shape_lib_load_cmd(const char *library);

#endif
