/*
 * Fuzz target of the engine's configuration store: an input is an
 * asi.ini; every section, key and value it yields is read, one entry is
 * written and the file read again.
 */
#include <cstring>

#include "fuzz_files.h"
#include "sqlclient/asi_api.h"

namespace {

/* Size of the buffers the lists and values are read into. */
constexpr int FUZZ_CFG_BUF = 1 << 16;

/* Reads every section, key and value of the store. */
void read_all(CAsiCfgHandle *cfg)
{
    static char sections[FUZZ_CFG_BUF], keys[FUZZ_CFG_BUF], value[FUZZ_CFG_BUF];
    if (!asi_cfg_read(cfg, nullptr, nullptr, sections, sizeof sections)) return;
    for (const char *s = sections; *s && s < sections + sizeof sections; s += strlen(s) + 1) {
        if (!asi_cfg_read(cfg, s, nullptr, keys, sizeof keys)) continue;
        for (const char *k = keys; *k && k < keys + sizeof keys; k += strlen(k) + 1)
            asi_cfg_read(cfg, s, k, value, sizeof value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int ready = asi_init();
    (void)ready;
    std::string path = fuzz_dir() + "/asi.ini";
    fuzz_put(path, std::string(reinterpret_cast<const char *>(data), size));
    CAsiCfgHandle *cfg = nullptr;
    if (!asi_cfg_open(path.c_str(), &cfg)) {
        if (cfg) asi_cfg_close(&cfg);
        return 0;
    }
    read_all(cfg);
    asi_cfg_write(cfg, "FUZZ", "Key", "value");
    read_all(cfg);
    asi_cfg_close(&cfg);
    return 0;
}
