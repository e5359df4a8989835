/*
** fuzz_import.cpp: fuzz target of the text importer's value reader.
**
** The first byte chooses the delimiters (column delimiter blank, tab,
** comma or semicolon; text delimiter none, '"' or '\''), the second the
** number of fields a record expects; the rest is the text read value by
** value, records ended and their ends skipped as the importer does. Every
** value must stay within its buffer and be terminated.
**
**   fuzz_import -max_total_time=60 corpus/ tests/fuzz/corpus/import
*/
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "data/import_reader.h"

namespace {

/* Column delimiters and text delimiters the first byte chooses from. */
const int k_col_delims[] = {' ', '\t', ',', ';'};
const int k_text_delims[] = {0, '"', '\''};
/* Most fields a record is made to expect. */
constexpr int FUZZ_MAX_EXPECTED = 32;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2) return 0;
    int col = k_col_delims[data[0] % 4];
    int text = k_text_delims[(data[0] / 4) % 3];
    int expected = 1 + data[1] % FUZZ_MAX_EXPECTED;
    std::vector<uint8_t> bytes(data + 2, data + size);
    if (bytes.empty()) bytes.push_back(0);
    FILE *fp = fmemopen(bytes.data(), size - 2 ? size - 2 : 1, "rb");
    if (!fp) return 0;
    static import_reader r;
    import_reader_init(&r, fp, col, text);
    int fields = 0;
    for (;;) {
        int end = import_read_value(&r);
        if (r.length < 0 || r.length > IMPORT_VALUE_MAX || std::strlen(r.value) > (size_t)r.length) std::abort();
        fields++;
        if (import_ends_record(&r, fields, expected)) {
            fields = 0;
            if (end == IMPORT_EOF) break;
            import_skip_record_end(&r);
        }
    }
    std::fclose(fp);
    return 0;
}
