/*
** dcl_reader.h: the reader of dialog files.
**
** A dialog file holds named definitions "name : kind { attributes; children }"
** where a kind is a built-in tile (dialog, row, button, list_box...), a
** built-in group (ok_cancel, errtile...) or another definition of the file.
** dcl_parse_text reads the text into definitions; dcl_expand_dialog turns one
** dialog into a flat table of tiles with every prototype resolved, ready for
** the dialog runtime and for tests that check a file's dialogs and keys.
**
**   dcl_file f; std::string err;
**   if (!dcl_parse_file("PETRIVEX.DCL", f, err)) puts(err.c_str());
**   std::vector<dcl_tile> tiles; dcl_expand_dialog(f, "pv_logon", tiles, err);
*/
#ifndef PV_PLATFORM_DIALOG_DCL_READER_H
#define PV_PLATFORM_DIALOG_DCL_READER_H

#include <map>
#include <string>
#include <vector>

/* Deepest nesting of tiles and prototypes the reader follows; deeper means a
** damaged file or a prototype that names itself. */
constexpr int DCL_MAX_DEPTH = 64;

/* One "name = value;" of a definition. */
struct dcl_attr {
  std::string name;                /* attribute name, as written            */
  std::string value;               /* value, quotes removed, escapes undone */
  int line = 0;                    /* line of the file, for messages        */
};

/* One tile as written in the file, before prototypes are resolved. */
struct dcl_node {
  std::string kind;                /* built-in kind or prototype name       */
  std::vector<dcl_attr> attrs;     /* attributes in file order              */
  std::vector<dcl_node> children;  /* child tiles in file order             */
  int line = 0;                    /* line where the tile starts            */
};

/* A parsed dialog file. */
struct dcl_file {
  std::string path;                        /* where it was read from         */
  std::map<std::string, dcl_node> defs;    /* top-level definitions by name  */
  std::vector<std::string> order;          /* definition names, file order   */
};

/* One tile of an expanded dialog; tile 0 is the dialog itself. */
struct dcl_tile {
  std::string kind;                        /* built-in kind (button ...)     */
  std::map<std::string, std::string> attrs;/* resolved attributes            */
  int parent = -1;                         /* index of the parent tile       */
  std::vector<int> children;               /* indexes of the child tiles     */
  int depth = 0;                           /* nesting depth below the dialog */
};

/* Reads dialog-file text. Answers true with the definitions in out; false
** with "line N: ..." in err for a syntax error or a repeated name. */
bool dcl_parse_text(const std::string& text, dcl_file& out, std::string& err);

/* Reads a dialog file. Answers true, or false with err naming the file and
** the fault ("cannot open ..." or the syntax error). */
bool dcl_parse_file(const std::string& path, dcl_file& out, std::string& err);

/* Answers true when kind is one of the reader's built-in tile kinds. */
bool dcl_is_builtin_kind(const std::string& kind);

/* Answers true when tiles of this kind hold other tiles. */
bool dcl_is_container_kind(const std::string& kind);

/* Names of the file's definitions that are dialogs, in file order. */
std::vector<std::string> dcl_dialog_names(const dcl_file& file);

/* Expands the named dialog into tiles (tile 0 the dialog). Answers true, or
** false with err for an unknown dialog, an unknown kind, a prototype loop or
** a key used twice in the dialog. */
bool dcl_expand_dialog(const dcl_file& file, const std::string& name,
                       std::vector<dcl_tile>& tiles, std::string& err);

/* Answers the attribute's value, or fallback when the tile lacks it. */
std::string dcl_attr_or(const dcl_tile& tile, const std::string& name,
                        const std::string& fallback);

/* Answers true when the attribute is "true" (any case). */
bool dcl_attr_true(const dcl_tile& tile, const std::string& name);

#endif /* PV_PLATFORM_DIALOG_DCL_READER_H */
