/*
 * Fuzz target of the engine's message and value stream decoder: an input
 * is a message body as a driver (or the engine) would send it; it is read
 * inside an exception frame, as the transport reads one.
 */
#include "fuzz_files.h"
#include "sqlclient/asi_api.h"
#include "sqlclient/asi_except.h"
#include "sqlclient/asi_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int ready = asi_init();
    (void)ready;
    CAsiMessage m;
    CAsiDiagArea diag;
    asi_try_call(&diag, 0, [&] {
        m.parse(data, size);
        return 1;
    });
    return 0;
}
