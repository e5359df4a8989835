/*
** asi_msgcat.cpp: builds a .xmx message catalogue from a plain-text source.
**
** Source format (UTF-8): "$set N" starts message set N (1 to 65535); a line
** "NUMBER TEXT" adds message NUMBER (0 to 65535, decimal or 0x hexadecimal)
** of the current set with the text after one blank; in the text "\n", "\t"
** and "\\" stand for a line feed, a tab and a backslash.  Blank lines and
** lines starting with '#' are skipped.  The catalogue format is the one of
** sqlclient/base/asi_msgfile.h; texts are stored scrambled.
**
**     asi_msgcat resources/messages/asiloc.txt build/resources/asiloc.xmx
*/
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sqlclient/base/asi_msgfile.h"

namespace {

/* One message of the source. */
struct cat_msg {
    unsigned set;              /* message set */
    unsigned number;           /* message number */
    std::u16string text;       /* the text in UCS-2 */
};

/* Reports a source error with its line and answers 0. */
int cat_error(const char *path, int line, const char *what)
{
    std::fprintf(stderr, "%s:%d: %s\n", path, line, what);
    return 0;
}

/* Decodes UTF-8 into UCS-2 (characters beyond the basic plane refused). */
int cat_utf8(const std::string &in, std::u16string &out)
{
    out.clear();
    for (std::size_t i = 0; i < in.size();) {
        unsigned char c = (unsigned char)in[i];
        unsigned cp, extra;
        if (c < 0x80) cp = c, extra = 0;
        else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, extra = 1;
        else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, extra = 2;
        else return 0;
        for (unsigned k = 1; k <= extra; k++) {
            if (i + k >= in.size() || ((unsigned char)in[i + k] & 0xC0) != 0x80)
                return 0;
            cp = (cp << 6) | ((unsigned char)in[i + k] & 0x3F);
        }
        out.push_back((char16_t)cp);
        i += extra + 1;
    }
    return 1;
}

/* Replaces the escapes \n, \t and \\. */
int cat_unescape(const std::string &in, std::string &out)
{
    out.clear();
    for (std::size_t i = 0; i < in.size(); i++) {
        if (in[i] != '\\') {
            out.push_back(in[i]);
            continue;
        }
        if (++i >= in.size())
            return 0;
        switch (in[i]) {
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case '\\': out.push_back('\\'); break;
        default: return 0;
        }
    }
    return 1;
}

/* Reads the source; 1, or 0 after reporting the first error. */
int cat_read(const char *path, std::vector<cat_msg> &msgs)
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "%s: cannot open\n", path);
        return 0;
    }
    std::string line;
    unsigned set = 0;
    int lineNo = 0, ok = 1;
    for (int c = 0; ok && c != EOF;) {
        line.clear();
        while ((c = std::fgetc(f)) != EOF && c != '\n')
            line.push_back((char)c);
        if (c == EOF && line.empty())
            break;
        lineNo++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        char *end = nullptr;
        if (line.compare(0, 5, "$set ") == 0) {
            unsigned long n = std::strtoul(line.c_str() + 5, &end, 0);
            if (*end || n < 1 || n > 0xFFFF)
                ok = cat_error(path, lineNo, "bad set number");
            set = (unsigned)n;
            continue;
        }
        if (!set) {
            ok = cat_error(path, lineNo, "message before the first $set");
            continue;
        }
        unsigned long n = std::strtoul(line.c_str(), &end, 0);
        if (end == line.c_str() || n > 0xFFFF || (*end && *end != ' ')) {
            ok = cat_error(path, lineNo, "bad message number");
            continue;
        }
        std::string raw = *end ? std::string(end + 1) : std::string(), text;
        cat_msg m{set, (unsigned)n, {}};
        if (!cat_unescape(raw, text) || !cat_utf8(text, m.text))
            ok = cat_error(path, lineNo, "bad escape or character in the text");
        else if (m.text.size() > (std::size_t)ASI_MSG_MAX_TEXT)
            ok = cat_error(path, lineNo, "message too long");
        else
            msgs.push_back(m);
    }
    std::fclose(f);
    if (!ok)
        return 0;
    std::sort(msgs.begin(), msgs.end(), [](const cat_msg &a, const cat_msg &b) {
        return a.set != b.set ? a.set < b.set : a.number < b.number;
    });
    for (std::size_t i = 1; i < msgs.size(); i++)
        if (msgs[i].set == msgs[i - 1].set && msgs[i].number == msgs[i - 1].number) {
            std::fprintf(stderr, "%s: message %u of set %u given twice\n", path, msgs[i].number,
                         msgs[i].set);
            return 0;
        }
    return 1;
}

/* Appends little-endian numbers. */
void put16(std::string &o, unsigned v)
{
    o.push_back((char)(v & 0xFF));
    o.push_back((char)((v >> 8) & 0xFF));
}

void put32(std::string &o, unsigned long v)
{
    put16(o, (unsigned)(v & 0xFFFF));
    put16(o, (unsigned)((v >> 16) & 0xFFFF));
}

/* Writes the catalogue; 1 on success. */
int cat_write(const char *path, const std::vector<cat_msg> &msgs)
{
    std::string o(ASI_MSG_MAGIC, 4);
    put16(o, ASI_MSG_VERSION);
    put16(o, 0);
    put32(o, msgs.size());
    unsigned long offset = ASI_MSG_HEAD + (unsigned long)ASI_MSG_ENTRY * msgs.size();
    for (const cat_msg &m : msgs) {
        put16(o, m.set);
        put16(o, m.number);
        put32(o, offset);
        put32(o, m.text.size());
        offset += 2 * m.text.size();
    }
    for (const cat_msg &m : msgs)
        for (std::size_t k = 0; k < m.text.size(); k++)
            put16(o, (unsigned)(m.text[k] ^ asi_msg_key(m.set, m.number, (unsigned)k)));
    if (o.size() > (std::size_t)ASI_MSG_MAX_FILE) {
        std::fprintf(stderr, "%s: catalogue too large\n", path);
        return 0;
    }
    std::FILE *f = std::fopen(path, "wb");
    if (!f || std::fwrite(o.data(), 1, o.size(), f) != o.size()) {
        std::fprintf(stderr, "%s: cannot write\n", path);
        if (f)
            std::fclose(f);
        return 0;
    }
    return std::fclose(f) == 0;
}

} // namespace

/* asi_msgcat SOURCE OUTPUT: 0 on success, 1 on any error. */
int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: asi_msgcat SOURCE.txt OUTPUT.xmx\n");
        return 1;
    }
    std::vector<cat_msg> msgs;
    if (!cat_read(argv[1], msgs) || !cat_write(argv[2], msgs))
        return 1;
    return 0;
}
