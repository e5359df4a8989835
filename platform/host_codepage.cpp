/*
** host_codepage.cpp: Windows-1252 to and from UTF-8 for the stand-in
** editor's borders (terminal, scripts, DXF files of UTF-8 versions).
**
** Bytes below 0x80 are ASCII and bytes from 0xA0 are the Latin-1 code
** points of the same number; only 0x80 to 0x9F need the table below.
*/
#include "platform/host_codepage.h"

#include <cstdio>

namespace {

/* First byte that is not ASCII, and first byte past the table below. */
constexpr unsigned HIGH_FIRST = 0x80;
constexpr unsigned HIGH_END = 0xA0;
/* Shown for the bytes the code page leaves unassigned. */
constexpr uint32_t REPLACEMENT_CHAR = 0xFFFD;
/* Marks an unassigned byte in the table. */
constexpr uint16_t UNASSIGNED = 0;
/* The largest code point, and the surrogate range UTF-8 must not hold. */
constexpr uint32_t CODE_POINT_MAX = 0x10FFFF;
constexpr uint32_t SURROGATE_FIRST = 0xD800;
constexpr uint32_t SURROGATE_LAST = 0xDFFF;

/* Code points of the bytes 0x80 to 0x9F. */
const uint16_t k_high_table[HIGH_END - HIGH_FIRST] = {
    0x20AC, UNASSIGNED, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030,     0x0160, 0x2039, 0x0152, UNASSIGNED, 0x017D, UNASSIGNED,
    UNASSIGNED, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122,     0x0161, 0x203A, 0x0153, UNASSIGNED, 0x017E, 0x0178,
};

/* Appends the UTF-8 form of a code point. */
void put_utf8(std::string &out, uint32_t cp)
{
    if (cp < 0x80) {
        out += (char)cp;
    } else if (cp < 0x800) {
        out += (char)(0xC0 | (cp >> 6));
        out += (char)(0x80 | (cp & 0x3F));
    } else {
        out += (char)(0xE0 | (cp >> 12));
        out += (char)(0x80 | ((cp >> 6) & 0x3F));
        out += (char)(0x80 | (cp & 0x3F));
    }
}

}  // namespace

/* The code page's byte for a code point; false when it has none. */
bool host_cp_byte_of(uint32_t code_point, unsigned char &byte)
{
    if (code_point < HIGH_FIRST || (code_point >= HIGH_END && code_point <= 0xFF)) {
        byte = (unsigned char)code_point;
        return true;
    }
    for (unsigned i = 0; i < HIGH_END - HIGH_FIRST; ++i)
        if (k_high_table[i] != UNASSIGNED && k_high_table[i] == code_point) {
            byte = (unsigned char)(HIGH_FIRST + i);
            return true;
        }
    return false;
}

/* Decodes one UTF-8 character; see host_codepage.h. */
bool host_utf8_next(const std::string &text, size_t &at, uint32_t &code_point)
{
    if (at >= text.size()) return false;
    unsigned char lead = (unsigned char)text[at];
    int more;
    uint32_t cp, least;
    if (lead < 0x80) { code_point = lead; ++at; return true; }
    if ((lead & 0xE0) == 0xC0) { more = 1; cp = lead & 0x1F; least = 0x80; }
    else if ((lead & 0xF0) == 0xE0) { more = 2; cp = lead & 0x0F; least = 0x800; }
    else if ((lead & 0xF8) == 0xF0) { more = 3; cp = lead & 0x07; least = 0x10000; }
    else return false;
    if (text.size() - at <= (size_t)more) return false;   /* cut short */
    for (int k = 1; k <= more; ++k) {
        unsigned char c = (unsigned char)text[at + (size_t)k];
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < least || cp > CODE_POINT_MAX || (cp >= SURROGATE_FIRST && cp <= SURROGATE_LAST)) return false;
    code_point = cp;
    at += (size_t)more + 1;
    return true;
}

/* UTF-8 into the code page; see host_codepage.h. */
bool host_cp_from_utf8(const std::string &utf8, std::string &out, std::string &err)
{
    out.clear();
    std::string conv;
    conv.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        size_t start = at;
        uint32_t cp;
        unsigned char byte;
        char what[96];
        if (!host_utf8_next(utf8, at, cp)) {
            std::snprintf(what, sizeof what, "byte 0x%02X at position %zu is not UTF-8",
                          (unsigned)(unsigned char)utf8[start], start + 1);
            err = what;
            return false;
        }
        if (!host_cp_byte_of(cp, byte)) {
            std::snprintf(what, sizeof what, "character U+%04X at position %zu has no place in the code page %s",
                          (unsigned)cp, start + 1, HOST_CP_NAME);
            err = what;
            return false;
        }
        conv += (char)byte;
    }
    out = std::move(conv);
    return true;
}

/* The code page's text as UTF-8; see host_codepage.h. */
std::string host_cp_to_utf8(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < HIGH_FIRST) out += (char)c;
        else if (c >= HIGH_END) put_utf8(out, c);
        else put_utf8(out, k_high_table[c - HIGH_FIRST] != UNASSIGNED ? k_high_table[c - HIGH_FIRST] : REPLACEMENT_CHAR);
    }
    return out;
}
