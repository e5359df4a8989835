/*
** lisp_call.cpp: reading a LISP call into a result-buffer chain and
** printing a result chain back.
**
** Arguments become RTSTR (texts), RTSHORT or RTLONG (whole numbers),
** RTREAL (numbers with a point or exponent), RTNIL, RTT, and RTLB ... RTLE
** around a nested list. A call holding a NUL byte is refused.
*/
#include "host/lisp_call.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

/* Deepest nesting of lists taken in an argument. */
constexpr int LISP_MAX_DEPTH = 32;
/* Place of the password among pv_open's texts (project, environment,
** user, password). */
constexpr int LISP_OPEN_PASSWORD_AT = 4;

/* Reads the text of a call. */
class lisp_reader {
 public:
    explicit lisp_reader(const std::string &text) : s_(text) {}

    /* Parses the whole call; see lisp_parse_call. */
    bool call(lisp_call &out, std::string &err) {
        /* A NUL byte would cut the text or name it sits in when handed on
        ** as a C string: the call is refused, never read short. */
        size_t nul = s_.find('\0');
        if (nul != std::string::npos) {
            err = "NUL byte at column " + std::to_string(nul + 1);
            return false;
        }
        skip();
        if (!eat('(')) return fail(err, "a call begins with (");
        skip();
        std::string name;
        while (pos_ < s_.size() && !std::isspace((unsigned char)s_[pos_]) && s_[pos_] != '(' &&
               s_[pos_] != ')' && s_[pos_] != '"')
            name += s_[pos_++];
        if (name.empty()) return fail(err, "no function name");
        struct resbuf *head = nullptr, *tail = nullptr;
        int depth = 0;
        while (true) {
            skip();
            if (pos_ >= s_.size()) { ads_relrb(head); return fail(err, "missing )"); }
            char c = s_[pos_];
            struct resbuf *rb = nullptr;
            if (c == ')') {
                ++pos_;
                if (depth == 0) break;
                --depth;
                rb = ads_newrb(RTLE);
            } else if (c == '(') {
                ++pos_;
                if (++depth > LISP_MAX_DEPTH) { ads_relrb(head); return fail(err, "lists nested too deep"); }
                rb = ads_newrb(RTLB);
            } else if (c == '"') {
                std::string text;
                if (!string(text)) { ads_relrb(head); return fail(err, "unterminated text"); }
                rb = ads_buildlist(RTSTR, text.c_str(), 0);
            } else if (!atom(rb, err)) {
                ads_relrb(head);
                return false;
            }
            if (!rb) { ads_relrb(head); return fail(err, "out of memory"); }
            (tail ? tail->rbnext : head) = rb;
            tail = rb;
        }
        skip();
        if (pos_ < s_.size()) { ads_relrb(head); return fail(err, "text after the call"); }
        out.name = name;
        out.args = head;
        return true;
    }

 private:
    /* Keeps the reason; answers false. */
    bool fail(std::string &err, const char *why) {
        err = why;
        return false;
    }
    /* Skips blanks. */
    void skip() {
        while (pos_ < s_.size() && std::isspace((unsigned char)s_[pos_])) ++pos_;
    }
    /* Takes the character when it comes next; true when taken. */
    bool eat(char c) {
        if (pos_ < s_.size() && s_[pos_] == c) { ++pos_; return true; }
        return false;
    }
    /* A quoted text with \" \\ \n escapes. */
    bool string(std::string &out) {
        ++pos_;
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (c == '"') return true;
            if (c == '\\' && pos_ < s_.size()) {
                char e = s_[pos_++];
                out += e == 'n' ? '\n' : (e == 't' ? '\t' : e);
            } else {
                out += c;
            }
        }
        return false;
    }
    /* nil, T or a number. */
    bool atom(struct resbuf *&rb, std::string &err) {
        std::string word;
        while (pos_ < s_.size() && !std::isspace((unsigned char)s_[pos_]) && s_[pos_] != '(' &&
               s_[pos_] != ')' && s_[pos_] != '"')
            word += s_[pos_++];
        if (word == "nil" || word == "NIL") { rb = ads_newrb(RTNIL); return true; }
        if (word == "T" || word == "t") { rb = ads_newrb(RTT); return true; }
        char *end = nullptr;
        errno = 0;
        long v = std::strtol(word.c_str(), &end, 10);
        if (!word.empty() && *end == '\0' && errno == 0) {
            if (v >= -32768 && v <= 32767) {
                rb = ads_newrb(RTSHORT);
                if (rb) rb->resval.rint = (short)v;
            } else {
                rb = ads_newrb(RTLONG);
                if (rb) rb->resval.rlong = (int32_t)v;
            }
            return true;
        }
        double d = std::strtod(word.c_str(), &end);
        if (!word.empty() && *end == '\0') {
            rb = ads_newrb(RTREAL);
            if (rb) rb->resval.rreal = d;
            return true;
        }
        err = "cannot read argument " + word;
        return false;
    }

    const std::string &s_;
    size_t pos_ = 0;
};

/* One value as LISP prints it; RTLB and RTLE print their parentheses. */
std::string lisp_format_one(const struct resbuf *rb)
{
    char buf[64];
    switch (rb->restype) {
    case RTSTR: return "\"" + lisp_escaped(rb->resval.rstring ? rb->resval.rstring : "") + "\"";
    case RTSHORT: return std::to_string(rb->resval.rint);
    case RTLONG: return std::to_string(rb->resval.rlong);
    case RTREAL: case RTANG: case RTORINT:
        std::snprintf(buf, sizeof buf, "%g", rb->resval.rreal);
        return buf;
    case RTPOINT:
        std::snprintf(buf, sizeof buf, "(%g %g)", rb->resval.rpoint[0], rb->resval.rpoint[1]);
        return buf;
    case RT3DPOINT:
        std::snprintf(buf, sizeof buf, "(%g %g %g)", rb->resval.rpoint[0], rb->resval.rpoint[1],
                      rb->resval.rpoint[2]);
        return buf;
    case RTT: return "T";
    case RTNIL: return "nil";
    case RTLB: return "(";
    case RTLE: return ")";
    case RTDOTE: return ".";
    case RTENAME: case RTPICKS:
        std::snprintf(buf, sizeof buf, "<%ld>", rb->resval.rlname[0]);
        return buf;
    default:
        std::snprintf(buf, sizeof buf, "<%d>", rb->restype);
        return buf;
    }
}

}  // namespace

/* Parses a call; see lisp_call.h. */
bool lisp_parse_call(const std::string &text, lisp_call &out, std::string &err)
{
    lisp_reader r(text);
    return r.call(out, err);
}

/* Escapes a text as LISP writes it; see lisp_call.h. */
std::string lisp_escaped(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

/* Prints a result chain; see lisp_call.h. */
std::string lisp_format_result(const struct resbuf *result)
{
    if (!result) return "nil";
    if (result->restype == RTVOID && !result->rbnext) return "";
    std::string out;
    int count = 0;
    for (const struct resbuf *rb = result; rb; rb = rb->rbnext, ++count) {
        std::string one = lisp_format_one(rb);
        bool tight = out.empty() || out.back() == '(' || one == ")";
        out += (tight ? "" : " ") + one;
    }
    if (count > 1 && result->restype != RTLB) out = "(" + out + ")";
    return out;
}

/* The logon's names; see lisp_call.h. */
bool lisp_is_logon(const std::string &name)
{
    std::string n;
    for (char c : name) n += c == '-' ? '_' : (char)std::tolower((unsigned char)c);
    if (n.compare(0, 2, "c:") == 0) n.erase(0, 2);
    return n == "pv_open";
}

/* The password of a pv_open call or result; see lisp_call.h. */
std::string lisp_open_password(const std::string &name, const struct resbuf *chain)
{
    if (!lisp_is_logon(name)) return "";
    int texts = 0;
    for (const struct resbuf *rb = chain; rb; rb = rb->rbnext)
        if (rb->restype == RTSTR && ++texts == LISP_OPEN_PASSWORD_AT) return rb->resval.rstring ? rb->resval.rstring : "";
    return "";
}
