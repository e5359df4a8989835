/*
 * Fuzz target of the dialog file reader: an input is a dialog file's
 * text; whatever parses has every dialog expanded into its tiles.
 */
#include "fuzz_files.h"
#include "platform/dialog/dcl_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size), err;
    dcl_file file;
    if (!dcl_parse_text(text, file, err)) return 0;
    for (const std::string &name : dcl_dialog_names(file)) {
        std::vector<dcl_tile> tiles;
        if (!dcl_expand_dialog(file, name, tiles, err)) continue;
        for (const dcl_tile &t : tiles) {
            dcl_attr_or(t, "label", "");
            dcl_attr_true(t, "is_default");
        }
    }
    return 0;
}
