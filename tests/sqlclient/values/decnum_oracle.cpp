/*
** decnum_oracle.cpp: a filter that runs the packed decimal routines on the
** operations it reads, one per line, and prints each answer on one line.
** decnum_oracle.py feeds it random operands and checks every answer against
** Python's decimal arithmetic.
**
**   add P A B | sub P A B | cmp P A B | mul P N A B | div P N A B
**   res P Q A | dbl P A | inc P A | dec P A | neg P A
**   txt P S A          the text of A with S fractional digits
**   txp P T            the parse status of text T, then its record
**   set K P S T        a DECIMAL (K = D) or NUMERIC (K = N) of P, S given T
**   asn K P S L Q R T  a value K(P, S) given T, assigned to a value L(Q, R)
**   chr P S N T        a NUMERIC(P, S) given T, assigned to a CHARACTER(N)
**
** A record prints as "sign digits scale text" (text: asi_dec_to_text with
** the record's own scale), an overflow as "OVF"; res adds its status, cmp
** prints -1, 0 or 1, dbl prints the double with 17 significant digits.  A
** value prints as its text, as "DBL" and its double with 17 digits in the
** overflow form, as "ERR" and the SQLSTATE code it raised, or as "NULL";
** a CHARACTER value prints its text in brackets.
*/
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_decnum.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
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

/* Text room of a value's getText. */
constexpr int VALUE_TEXT_BUF = 64;

/* A new DECIMAL ("D") or NUMERIC value of precision p and scale s. */
CAsiExactNum *make_value(const std::string &kind, unsigned p, unsigned s)
{
    if (kind == "D") return new CAsiDecimal(p, s);
    return new CAsiNumeric(p, s);
}

/* Prints a DECIMAL or NUMERIC value (see the head of the file). */
void print_value(const CAsiExactNum &v)
{
    char text[VALUE_TEXT_BUF];
    if (v.isNull()) std::printf("NULL");
    else if (v.typeCode() == ASI_TYPE_DECIMAL && static_cast<const CAsiDecimal &>(v).isOverflow())
        std::printf("DBL %.17g", v.doubleValue());
    else {
        v.getText(text, sizeof text);
        std::printf("%s", text);
    }
}

/* Runs one of the value operations (set, asn, chr) read from in; answers
** false when op is none of them. */
bool value_op(const std::string &op, std::istringstream &in)
{
    std::string kind, kind2, t;
    unsigned p = 0, s = 0, q = 0, r = 0, n = 0;
    if (op == "set") in >> kind >> p >> s >> t;
    else if (op == "asn") in >> kind >> p >> s >> kind2 >> q >> r >> t;
    else if (op == "chr") in >> p >> s >> n >> t;
    else return false;
    std::unique_ptr<CAsiExactNum> a(make_value(op == "chr" ? "N" : kind, p, s));
    std::unique_ptr<CAsiExactNum> b(op == "asn" ? make_value(kind2, q, r) : nullptr);
    try {
        a->setText(t.c_str(), static_cast<int>(t.size()));
        if (op == "set") {
            print_value(*a);
        } else if (op == "asn") {
            b->assign(*a);
            print_value(*b);
        } else {
            CAsiChar c(static_cast<int>(n));
            c.assign(*a);
            char text[VALUE_TEXT_BUF];
            c.getText(text, sizeof text);
            std::printf("[%s]", text);
        }
    } catch (const CAsiException &e) {
        std::printf("ERR %x", static_cast<unsigned>(e.code()));
    }
    std::printf("\n");
    return true;
}

} // namespace

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string op, ta, tb;
        unsigned p = 0, n = 0;
        in >> op;
        if (value_op(op, in)) continue;
        in >> p;
        if (op == "mul" || op == "div" || op == "res" || op == "txt") in >> n;
        in >> ta >> tb;
        asi_decnum a, b, r;
        if (op == "txp") {
            int st = -1;
            asi_dec_from_text(ta.c_str(), &a, p, &st);
            std::printf("%d ", st);
            if (st == ASI_DEC_OK || st == ASI_DEC_UNDERFLOW) print_record(a, p);
            std::printf("\n");
            continue;
        }
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
        } else if (op == "txt") {
            char text[ASI_DEC_TEXT_BUF];
            std::printf("%s", asi_dec_to_text(&a, text, p, n));
        } else if (op == "dbl") {
            std::printf("%.17g", asi_dec_to_double(&a, p));
        }
        std::printf("\n");
    }
    return 0;
}
