/*
 * Fuzz target of the stand-in editor's DXF reader and writer: whatever a
 * drawing file OPEN accepts, SAVE must write in a form OPEN accepts again;
 * a reopen that fails is a finding (the target aborts).
 */
#include <cstdio>
#include <cstdlib>

#include "fuzz_files.h"
#include "platform/host_io.h"
#include "platform/include/host_editor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        host_io_set_echo(false);
        return true;
    }();
    (void)quiet;
    std::string in = fuzz_dir() + "/in.dxf", out = fuzz_dir() + "/out.dxf", err;
    fuzz_put(in, std::string(reinterpret_cast<const char *>(data), size));
    host_io_clear_transcript();
    if (host_open_drawing(in, err)) {
        if (!host_save_drawing(out, err)) {
            std::fprintf(stderr, "an opened drawing cannot be saved: %s\n", err.c_str());
            std::abort();
        }
        if (!host_open_drawing(out, err)) {
            std::fprintf(stderr, "a saved drawing cannot be reopened: %s\n", err.c_str());
            std::abort();
        }
    }
    host_new_drawing();
    return 0;
}
