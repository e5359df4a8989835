/*
 * Fuzz target of pvhost's LISP reader: an input is a call as typed at the
 * prompt; whatever parses is printed back and released.
 */
#include "fuzz_files.h"
#include "host/lisp_call.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size), err;
    lisp_call call;
    if (!lisp_parse_call(text, call, err)) return 0;
    lisp_format_result(call.args);
    ads_relrb(call.args);
    return 0;
}
