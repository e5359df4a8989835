/*
** decnum_oracle.cpp: a filter that runs the packed decimal routines on the
** operations it reads, one per line, and prints each answer on one line.
** decnum_oracle.py feeds it random operands and checks every answer against
** Python's decimal arithmetic.
**
**   add P A B | sub P A B | cmp P A B | mul P N A B | div P N A B
**   res P Q A | dbl P A | inc P A | dec P A | neg P A
**
** A record prints as "sign digits scale text" (text: asi_dec_to_text with
** the record's own scale), an overflow as "OVF"; res adds its status, cmp
** prints -1, 0 or 1, dbl prints the double with 17 significant digits.
*/
#include "sqlclient/values/asi_decnum.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

namespace {

/* Prints a record of precision p as "sign digits scale text". */
void print_record(const asi_decnum &x, unsigned p)
{
    char text[ASI_DEC_TEXT_BUF];
    asi_dec_to_text(&x, text, p, static_cast<unsigned>(x.scale));
    std::string digits;
    for (unsigned i = 0; i < p; ++i) digits += static_cast<char>('0' + x.digit[i]);
    std::printf("%d %s %d %s", x.sign, digits.c_str(), x.scale, text);
}

/* Parses text at precision p; answers 0 (and prints why) when it fails. */
bool parse(const std::string &text, asi_decnum *x, unsigned p)
{
    int st = 0;
    asi_dec_from_text(text.c_str(), x, p, &st);
    if (st != ASI_DEC_OK) std::printf("PARSE %d", st);
    return st == ASI_DEC_OK;
}

} // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string op, ta, tb;
        unsigned p = 0, n = 0;
        in >> op >> p;
        if (op == "mul" || op == "div" || op == "res") in >> n;
        in >> ta >> tb;
        asi_decnum a, b, r;
        if (!parse(ta, &a, p) || (!tb.empty() && !parse(tb, &b, p))) {
            std::printf("\n");
            continue;
        }
        if (op == "add" || op == "sub") {
            int ovf = op == "add" ? asi_dec_add(&a, &b, p) : asi_dec_sub(&a, &b, p);
            if (ovf) std::printf("OVF"); else print_record(a, p);
        } else if (op == "mul") {
            if (asi_dec_mul(&a, &b, &r, p, n)) std::printf("OVF"); else print_record(r, n);
        } else if (op == "div") {
            if (!asi_dec_div(&a, &b, p, p, &r, n)) std::printf("OVF"); else print_record(r, n);
        } else if (op == "cmp") {
            int c = asi_dec_cmp(&a, &b, p);
            std::printf("%d", c < 0 ? -1 : c > 0);
        } else if (op == "res") {
            int st = -1;
            std::memset(&r, 0x55, sizeof r);
            asi_dec_resize(&a, &r, p, n, &st);
            if (st == ASI_DEC_TOO_BIG) std::printf("OVF"); else { print_record(r, n); std::printf(" %d", st); }
        } else if (op == "inc" || op == "dec") {
            int ovf = op == "inc" ? asi_dec_inc(&a, p) : asi_dec_dec(&a, p);
            if (ovf) std::printf("OVF"); else print_record(a, p);
        } else if (op == "neg") {
            asi_dec_negate(&a, p);
            print_record(a, p);
        } else if (op == "dbl") {
            std::printf("%.17g", asi_dec_to_double(&a, p));
        }
        std::printf("\n");
    }
    return 0;
}
