/*
** like_oracle.cpp: a filter program for the LIKE check.  Each input line
** holds a text, a pattern and an escape character separated by '|'; the
** answer line is the match (1 or 0) of the text, held as CHARACTER
** VARYING, against the pattern, or "E" and the condition code raised.
*/
#include <cstdio>
#include <cstring>
#include <string>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_char.h"

namespace {

/* The longest input line. */
constexpr int LINE_MAX_BYTES = 1024;

/* A CHARACTER VARYING(256) holding text. */
CAsiChar varying(const std::string &text)
{
    CAsiChar c(ASI_CHAR_MAX_LENGTH);
    c.setVarying();
    c.setText(text.c_str(), (int)text.size());
    return c;
}

} // namespace

/* Reads cases from standard input until its end; answers 0, or 1 for a
** line without its three fields. */
int main()
{
    char line[LINE_MAX_BYTES];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\n")] = '\0';
        char *bar1 = std::strchr(line, '|');
        char *bar2 = bar1 ? std::strchr(bar1 + 1, '|') : nullptr;
        if (!bar2)
            return 1;
        std::string text(line, bar1), pattern(bar1 + 1, bar2), escape(bar2 + 1);
        try {
            int r = varying(text).like(varying(pattern), varying(escape));
            std::printf("%d\n", r);
        } catch (const CAsiException &e) {
            std::printf("E%X\n", e.code());
        }
    }
    return 0;
}
