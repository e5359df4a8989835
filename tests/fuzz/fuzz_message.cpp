/*
 * Fuzz target of the engine's message and value stream decoder: an input
 * is a message body as a driver (or the engine) would send it; it is read
 * inside an exception frame, as the transport reads one. The items of its
 * further rows are then read as the cursor reads them: each plain value a
 * column of every kind takes goes into bound buffers of every host type.
 */
#include <memory>

#include "fuzz_files.h"
#include "sqlclient/asi_api.h"
#include "sqlclient/asi_message.h"
#include "sqlclient/asi_plain.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"

namespace {

/* Bytes of the text buffer the plain values are read into. */
constexpr int FUZZ_TEXT_BUFFER = 8;

/* Reads the items of one further row as plain values into buffers. */
void read_plain_row(const unsigned char *data, size_t len)
{
    static const std::unique_ptr<CAsiData> columns[] = {
        std::make_unique<CAsiDecimal>(8, 0), std::make_unique<CAsiNumeric>(5, 1), std::make_unique<CAsiInteger>(),
        std::make_unique<CAsiSmallint>(),    std::make_unique<CAsiDouble>(),      std::make_unique<CAsiChar>(10)};
    CAsiIStream in(data, len);
    while (in.position() < in.messageSize()) {
        int tag = in.nextTag();
        asi_plain_value p;
        if (!asi_plain_read(in, tag, &p)) continue;
        for (const auto &c : columns) {
            asi_plain_column col = asi_plain_column_of(*c);
            if (!asi_plain_fits(col, p)) continue;
            for (int type = ASI_HOST_SHORT; type <= ASI_HOST_STRING; type++) {
                char buf[FUZZ_TEXT_BUFFER];
                unsigned short ind = 0;
                asi_host_bind b{type, buf, type == ASI_HOST_STRING ? (int)sizeof buf : type == ASI_HOST_SHORT ? 2 : type == ASI_HOST_DOUBLE ? 8 : 4, &ind};
                if (!asi_plain_put(b, col, p)) {
                    std::unique_ptr<CAsiData> v(c->clone());
                    asi_plain_set(v.get(), p);
                    asi_host_put(b, v.get());
                }
            }
        }
    }
}

} // namespace

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
    for (const asi_msg_block_row &r : m.blockRows)
        asi_try_call(&diag, 0, [&] {
            read_plain_row(m.blockBytes.data() + r.offset, r.length);
            return 1;
        });
    return 0;
}
