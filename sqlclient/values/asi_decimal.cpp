/*
** asi_decimal.cpp: DECIMAL and NUMERIC values.
**
** The twins share one implementation, asi_dec_impl<C>, whose few
** differences are chosen at compile time (OVF: the class has the overflow
** form, i.e. it is DECIMAL); the member functions of both classes forward
** to it.  Order: construction, storing and reading numbers, text, type and
** comparison, assignment, the stream, then the operator families.
*/
#include "sqlclient/values/asi_decimal.h"

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_textfmt.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace {

/* SQLSTATE conditions (asi_diag.h coding). */
constexpr int ST_OUT_OF_RANGE = 0x2203;    /* 22003 numeric value out of range */
constexpr int ST_ROUNDED = 0x2204;         /* 22004 fractional part rounded */
constexpr int ST_DIV_ZERO = 0x220C;        /* 22012 division by zero */
constexpr int ST_BAD_CAST = 0x2212;        /* 22018 invalid character value */
constexpr int ST_NO_CAST = 0x379B;         /* 37155 cannot be cast */

/* Room for a type text ("NUMERIC(32,32)") and for a 64-bit integer's
** decimal text. */
constexpr int DEC_TYPE_TEXT_BUF = 40;
constexpr int DEC_I64_TEXT_BUF = 32;

/* The largest magnitudes of a 32-bit and a 16-bit result. */
constexpr double DEC_LONG_MAX = 2147483647.0;
constexpr double DEC_SHORT_MAX = 32767.0;

/* Clamps a precision to 1..32. */
unsigned clamp_p(long long p)
{
    if (p < 1) return 1;
    return p > ASI_DEC_MAX_DIGITS ? ASI_DEC_MAX_DIGITS : static_cast<unsigned>(p);
}

/* Clamps a scale to 0..min(32, p). */
unsigned clamp_s(long long s, unsigned p)
{
    if (s < 0) return 0;
    return s > p ? p : static_cast<unsigned>(s);
}

/* d truncated to a 32-bit integer after checking |d| <= limit (22003;
** NaN fails the check too). */
std::int32_t checked_trunc(double d, double limit)
{
    if (!(std::fabs(d) <= limit)) asi_raise_state(ST_OUT_OF_RANGE);
    return static_cast<std::int32_t>(d);
}

/* a op b in doubles; '/' by zero raises 22012. */
double combine(double a, char op, double b)
{
    switch (op) {
    case '+': return a + b;
    case '-': return a - b;
    case '*': return a * b;
    case '/':
        if (b == 0.0) asi_raise_state(ST_DIV_ZERO);
        return a / b;
    default: return b;
    }
}

/* A DOUBLE PRECISION value holding a op b, null when either side is
** null. */
CAsiDouble double_result(bool null, double a, char op, double b)
{
    CAsiDouble r;
    if (!null) r = combine(a, op, b);
    return r;
}

/* A new DECIMAL (decimal) or NUMERIC of p and s; null without memory. */
CAsiData *new_exact(bool decimal, unsigned p, unsigned s)
{
    if (decimal) return new CAsiDecimal(p, s);
    return new CAsiNumeric(p, s);
}

/* A 64-bit integer as a record at precision p; answers the parse status. */
int dec_from_i64(long long v, asi_decnum *out, unsigned p)
{
    char text[DEC_I64_TEXT_BUF];
    std::snprintf(text, sizeof text, "%lld", v);
    int st = 0;
    asi_dec_from_text(text, out, p, &st);
    return st;
}

} // namespace

template <class C>
struct asi_dec_impl {
    static constexpr bool OVF = std::is_same_v<C, CAsiDecimal>;

    /* --- the overflow form (DECIMAL only) --- */

    /* 1 while a DECIMAL holds its value as a double; NUMERIC: 0. */
    static int inOverflow(const C &x)
    {
        if constexpr (OVF) return x.m_overflow; else return 0;
    }
    /* DECIMAL takes the overflow form with d (not null); NUMERIC: nothing. */
    static void setOverflow(C &x, double d)
    {
        if constexpr (OVF) { x.m_overflow = 1; x.m_double = d; x.m_null = 0; }
    }
    /* Leaves the overflow form (DECIMAL). */
    static void clearOverflow(C &x)
    {
        if constexpr (OVF) { x.m_overflow = 0; x.m_double = 0.0; }
    }

    /* A null value of precision p and scale s (clamped). */
    static void init(C &x, unsigned p, unsigned s)
    {
        x.m_precision = p >= ASI_DEC_MAX_DIGITS ? ASI_DEC_MAX_DIGITS : (p ? p : 1);
        x.m_scale = clamp_s(s, x.m_precision);
        asi_dec_clear(&x.m_digits);
        clearOverflow(x);
    }

    /* The copy: precision, scale, null flag, overflow form and record. */
    static void copy(C &x, const C &o)
    {
        x.m_precision = o.m_precision;
        x.m_scale = o.m_scale;
        x.m_null = o.m_null;
        x.m_digits = o.m_digits;
        if constexpr (OVF) { x.m_overflow = o.m_overflow; x.m_double = o.m_double; }
    }

    /* Stores a double at p and s: DECIMAL takes the overflow form when the
    ** integer part does not fit, NUMERIC raises 22003; infinity and NaN
    ** raise 22003 in both. */
    static void storeDouble(C &x, double d)
    {
        if (!asi_fmt_is_finite(d)) asi_raise_state(ST_OUT_OF_RANGE);
        asi_decnum t = x.m_digits;
        int ovf = 0;
        asi_dec_from_double_scaled(d, &t, x.m_precision, &ovf, static_cast<int>(x.m_scale));
        if (ovf) {
            if constexpr (!OVF) asi_raise_state(ST_OUT_OF_RANGE);
            setOverflow(x, d);
            return;
        }
        x.m_digits = t;
        clearOverflow(x);
        x.m_null = 0;
    }

    /* 0.0 when null; the overflow form's double; else the record's. */
    static double doubleValue(const C &x)
    {
        if (x.m_null) return 0.0;
        if constexpr (OVF) if (x.m_overflow) return x.m_double;
        return asi_dec_to_double(&x.m_digits, x.m_precision);
    }

    /* The record widened to 32 digits: 1; 0 when null or a double. */
    static int exactDigits(const C &x, asi_decnum *out)
    {
        if (x.m_null || inOverflow(x)) return 0;
        asi_dec_resize(&x.m_digits, out, x.m_precision, ASI_DEC_MAX_DIGITS, nullptr);
        return 1;
    }

    /* --- text --- */

    /* Parses at most 64 bytes of text (see the header of the class). */
    static int setText(C &x, const char *text, int length)
    {
        char buf[ASI_DEC_SET_TEXT_MAX + 1];
        int n = 0;
        if (text)
            while (n < length && n < ASI_DEC_SET_TEXT_MAX && text[n]) { buf[n] = text[n]; ++n; }
        buf[n] = '\0';
        asi_decnum t;
        int st = 0;
        asi_dec_from_text(buf, &t, x.m_precision, &st);
        if (st == ASI_DEC_OK) {
            x.m_digits = t;
            clearOverflow(x);
            x.m_null = 0;
            return 1;
        }
        if (st == ASI_DEC_BAD_CHAR) asi_raise_state(ST_BAD_CAST);
        if constexpr (OVF) {
            char *end = buf;
            double d = asi_strtod(buf, &end);
            while (*end == ' ') ++end;            /* trailing blanks are consumed */
            if (end == buf || *end) asi_raise_state(ST_BAD_CAST);
            if (!asi_fmt_is_finite(d)) asi_raise_state(ST_OUT_OF_RANGE);
            setOverflow(x, d);
            return 1;
        } else {
            if (st == ASI_DEC_TOO_BIG) asi_raise_state(ST_OUT_OF_RANGE);
            return 0;                              /* underflow: value unchanged */
        }
    }

    /* The text with s fractional digits, or the overflow form's double in
    ** the general style with p digits; cut to size - 1 bytes.  DECIMAL
    ** raises 22003 when the text was cut. */
    static int getText(const C &x, char *buf, int size)
    {
        if (!buf || size <= 0) return 0;
        if (x.m_null) { buf[0] = '\0'; return 0; }
        char full[ASI_FMT_BUF];
        if (inOverflow(x)) {
            /* a zero never shows a minus sign */
            if constexpr (OVF) asi_fmt_g(full, sizeof full, x.m_double == 0.0 ? 0.0 : x.m_double,
                                         static_cast<int>(x.m_precision));
        } else {
            asi_dec_to_text(&x.m_digits, full, x.m_precision, x.m_scale);
        }
        int n = static_cast<int>(std::strlen(full));
        int k = n < size ? n : size - 1;
        std::memcpy(buf, full, k);
        buf[k] = '\0';
        if constexpr (OVF) if (n >= size) asi_raise_state(ST_OUT_OF_RANGE);
        return 1;
    }

    /* getText into 35 bytes, then into out: 1; 0 (out unchanged) when
    ** null. */
    static int getUcStr(const C &x, CAsiUcStr &out)
    {
        char buf[ASI_DEC_UCSTR_BUF];
        if (!getText(x, buf, sizeof buf)) return 0;
        out = buf;
        return 1;
    }

    /* The string as at most 64 bytes of multibyte text, then setText. */
    static int setUcStr(C &x, const CAsiUcStr &text)
    {
        char buf[ASI_DEC_SET_TEXT_MAX + 1];
        text.toMb(buf, sizeof buf);
        return setText(x, buf, static_cast<int>(std::strlen(buf)));
    }

    /* "DECIMAL" alone for (18, 0), else "DECIMAL(p)" or "DECIMAL(p,s)". */
    static int typeText(const C &x, CAsiUcStr &out)
    {
        const char *name = OVF ? "DECIMAL" : "NUMERIC";
        char buf[DEC_TYPE_TEXT_BUF];
        if (x.m_precision == ASI_DEC_DEFAULT_PREC && x.m_scale == 0)
            std::snprintf(buf, sizeof buf, "%s", name);
        else if (x.m_scale == 0)
            std::snprintf(buf, sizeof buf, "%s(%d)", name, static_cast<int>(x.m_precision));
        else
            std::snprintf(buf, sizeof buf, "%s(%d,%d)", name, static_cast<int>(x.m_precision),
                          static_cast<int>(x.m_scale));
        out = buf;
        return 1;
    }

    /* "null" and 0 when null; else the text and getUcStr's answer. */
    static int literalText(const C &x, CAsiUcStr &out)
    {
        if (x.m_null) { out = "null"; return 0; }
        return getUcStr(x, out);
    }

    /* --- type derivation and comparison --- */

    /* 1 for a DECIMAL value; 1 for any of the four exact classes. */
    static bool isDecimal(const CAsiData &v) { return v.typeCode() == ASI_TYPE_DECIMAL; }
    static bool isExactCode(const CAsiData &v)
    {
        int t = v.typeCode();
        return t >= ASI_TYPE_NUMERIC && t <= ASI_TYPE_SMALLINT;
    }

    /* Exact operand: a new value of the larger precision and scale,
    ** DECIMAL when either side is; approximate: a clone of it; else
    ** none. */
    static CAsiData *addType(const C &x, const CAsiData *o)
    {
        if (!o || !o->isNumeric()) return nullptr;
        if (isExactCode(*o)) {
            unsigned p = x.m_precision > o->precision() ? x.m_precision : o->precision();
            unsigned s = x.m_scale > o->scale() ? x.m_scale : o->scale();
            return new_exact(OVF || isDecimal(*o), p, s);
        }
        return o->clone();
    }

    /* Exact operand: scale the sum of the scales, precision the larger of
    ** that and the operand's; approximate: a clone; interval: the interval
    ** product type; else none. */
    static CAsiData *multiplyType(const C &x, const CAsiData *o)
    {
        if (!o) return nullptr;
        if (o->isNumeric()) {
            if (!isExactCode(*o)) return o->clone();
            unsigned s = x.m_scale + o->scale();
            unsigned p = s > o->precision() ? s : o->precision();
            return new_exact(OVF || isDecimal(*o), p, s);
        }
        if (o->isInterval()) return CAsiNum::intervalProductType(*o);
        return nullptr;
    }

    /* None when not comparable; DECIMAL or NUMERIC: the larger precision
    ** and scale; an integer class: a clone of this; else a clone of the
    ** other. */
    static CAsiData *unionType(const C &x, const CAsiData *o)
    {
        if (!x.isComparable(o)) return nullptr;
        int t = o->typeCode();
        if (t == ASI_TYPE_NUMERIC || t == ASI_TYPE_DECIMAL) {
            unsigned p = x.m_precision > o->precision() ? x.m_precision : o->precision();
            unsigned s = x.m_scale > o->scale() ? x.m_scale : o->scale();
            return new_exact(OVF || t == ASI_TYPE_DECIMAL, p, s);
        }
        if (t == ASI_TYPE_INTEGER || t == ASI_TYPE_SMALLINT) return x.clone();
        return o->clone();
    }

    /* -1 for a null or non-numeric operand; exact values with digits on
    ** both sides are compared exactly, the rest by their doubles. */
    static int compare(const C &x, const CAsiData &o, bool greater)
    {
        if (x.m_null || o.isNull() || !o.isNumeric()) return -1;
        if (o.isExactNumeric()) {
            asi_decnum a, b;
            if (exactDigits(x, &a) && static_cast<const CAsiExactNum &>(o).exactDigits(&b)) {
                int c = asi_dec_cmp(&a, &b, ASI_DEC_MAX_DIGITS);
                return greater ? c > 0 : c == 0;
            }
        }
        double d = static_cast<const CAsiNum &>(o).doubleValue();
        return (greater ? x.operator>(d) : x.operator==(d)) ? 1 : 0;
    }

    /* --- assignment from another value --- */

    /* A DECIMAL or NUMERIC source's digits brought to this precision
    ** (fractional digits beyond it cut, as text is): 1.  A source too big
    ** for p raises 22003 (NUMERIC) or takes the overflow form with the
    ** source's double (DECIMAL, which also warns 22004 when digits were
    ** cut).  A DECIMAL source in its overflow form passes its double: a
    ** DECIMAL takes it with the form, a NUMERIC stores it. */
    static int assignExact(C &x, const CAsiData &src)
    {
        const CAsiDecimal *dsrc = src.typeCode() == ASI_TYPE_DECIMAL ? static_cast<const CAsiDecimal *>(&src) : nullptr;
        if (dsrc && dsrc->isOverflow()) {
            if constexpr (OVF) setOverflow(x, dsrc->doubleValue());
            else storeDouble(x, dsrc->doubleValue());
            return 1;
        }
        const asi_decnum &rec = dsrc ? dsrc->digits() : static_cast<const CAsiNumeric &>(src).digits();
        int st = 0;
        asi_decnum r;
        asi_dec_resize(&rec, &r, src.precision(), x.m_precision, &st);
        if (st == ASI_DEC_TOO_BIG) {
            if constexpr (!OVF) asi_raise_state(ST_OUT_OF_RANGE);
            double d = 0.0;
            src.getDouble(&d);
            setOverflow(x, d);
            return 1;
        }
        x.m_digits = r;
        clearOverflow(x);
        x.m_null = 0;
        if constexpr (OVF) if (st == ASI_DEC_TRUNCATED) asi_warn_state(ST_ROUNDED);
        return 1;
    }

    /* Null, numeric (exact digits from DECIMAL and NUMERIC, DECIMAL also
    ** from the integer classes; the others through the double), character
    ** and single-field interval sources: 1 (or setText's answer); anything
    ** else raises 37155. */
    static int assign(C &x, const CAsiData &src)
    {
        if (&src == &x) return 1;
        if (src.isNull()) { x.m_null = 1; return 1; }
        int t = src.typeCode();
        if (src.isNumeric()) {
            const CAsiNum &n = static_cast<const CAsiNum &>(src);
            if (t == ASI_TYPE_DECIMAL || t == ASI_TYPE_NUMERIC) return assignExact(x, src);
            if (!OVF || src.isApproximateNumeric()) {
                storeDouble(x, n.doubleValue());
                return 1;
            }
            long long v = n.longValue();                /* SMALLINT, INTEGER */
            asi_decnum r;
            if (dec_from_i64(v, &r, x.m_precision) != ASI_DEC_OK) {
                setOverflow(x, static_cast<double>(v));
                return 1;
            }
            x.m_digits = r;
            clearOverflow(x);
            x.m_null = 0;
            return 1;
        }
        if (src.isCharacter()) {
            char buf[ASI_DATA_TEXT_BUF];
            buf[0] = '\0';
            src.getText(buf, sizeof buf);
            return x.setText(buf, ASI_DATA_TEXT_BUF);
        }
        double field = 0.0;
        if (asi_interval_field_value(src, &field)) {
            storeDouble(x, field);
            return 1;
        }
        asi_raise_state(ST_NO_CAST);
    }

    /* --- the stream --- */

    /* The value item: the record (tag 0) or the overflow double (tag 3);
    ** nothing for a null value. */
    static void putValue(const C &x, CAsiOStream &out)
    {
        if (x.m_null) return;
        if (inOverflow(x)) {
            if constexpr (OVF) out.putF64(ASI_DEC_TAG_DOUBLE, x.m_double);
        } else {
            out.putBytes(ASI_DEC_TAG_VALUE, &x.m_digits, static_cast<int>(x.m_precision) + 2);
        }
    }

    /* Precision (when not 18), scale (when not 0), value, end item with
    ** the type code; answers the stream's length. */
    static int pack(const C &x, CAsiOStream &out)
    {
        if (x.m_precision != ASI_DEC_DEFAULT_PREC) out.putI32(ASI_DEC_TAG_PREC, static_cast<std::int32_t>(x.m_precision));
        if (x.m_scale != 0) out.putI32(ASI_DEC_TAG_SCALE, static_cast<std::int32_t>(x.m_scale));
        putValue(x, out);
        out.putEnd(x.typeCode());
        return out.length();
    }

    /* The value item and the end item; the stream's length. */
    static int packValue(const C &x, CAsiOStream &out)
    {
        putValue(x, out);
        out.putEnd(x.typeCode());
        return out.length();
    }

    /* Reads the items back; precision and scale are clamped, the record
    ** must have the length of its precision and be well formed, a double
    ** must be finite. */
    static int unpack(C &x, CAsiIStream &in)
    {
        x.m_null = 1;
        clearOverflow(x);
        const unsigned char *rec = nullptr;
        int recLen = 0;
        bool haveDouble = false;
        double d = 0.0;
        long long p = x.m_precision, s = x.m_scale;
        for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
            std::int32_t v = 0;
            if (tag == ASI_DEC_TAG_VALUE) {
                rec = in.data(&recLen);
                haveDouble = false;
            } else if (tag == ASI_DEC_TAG_PREC && in.readI32(&v)) {
                p = v;
            } else if (tag == ASI_DEC_TAG_SCALE && in.readI32(&v)) {
                s = v;
            } else if (OVF && tag == ASI_DEC_TAG_DOUBLE && in.readF64(&d)) {
                haveDouble = true;
                rec = nullptr;
            }
        }
        x.m_precision = clamp_p(p);
        x.m_scale = clamp_s(s, x.m_precision);
        if (haveDouble) {
            if (!asi_fmt_is_finite(d)) asi_raise_state(ST_OUT_OF_RANGE);
            setOverflow(x, d);
        } else if (rec) {
            int need = static_cast<int>(x.m_precision) + 2;
            if (recLen < need) asi_throw(ASI_ERR_STREAM, "asi_decimal unpack", "short digit record");
            asi_decnum t;
            asi_dec_clear(&t);
            std::memcpy(&t, rec, need);
            if (!asi_dec_is_valid(&t, x.m_precision))
                asi_throw(ASI_ERR_STREAM, "asi_decimal unpack", "damaged digit record");
            x.m_digits = t;
            x.m_null = 0;
        }
        return 1;
    }

    /* The bytes pack (or packValue) writes, counted. */
    static int packedSize(const C &x, bool valueOnly)
    {
        CAsiOStream counter;
        return valueOnly ? packValue(x, counter) : pack(x, counter);
    }

    /* --- the operator families --- */

    /* See the class header comment in asi_decimal.h: op '=' '+' '-' '*'
    ** '/', b the operand at p (used when fits), bd its double, byDouble to
    ** compute in doubles. */
    static C &apply(C &x, char op, const asi_decnum &b, int fits, double bd, int byDouble)
    {
        if (op != '=' && x.m_null) return x;
        if (op == '/' && bd == 0.0) asi_raise_state(ST_DIV_ZERO);
        if (byDouble || !fits || (op != '=' && inOverflow(x))) {
            if constexpr (!OVF) if (!byDouble) asi_raise_state(ST_OUT_OF_RANGE);
            storeDouble(x, op == '=' ? bd : combine(doubleValue(x), op, bd));
            return x;
        }
        asi_decnum t = x.m_digits, bb = b;
        unsigned p = x.m_precision;
        switch (op) {
        case '=':
            t = b;
            break;
        case '+':
        case '-':
            if (op == '+' ? asi_dec_add(&t, &bb, p) : asi_dec_sub(&t, &bb, p)) {
                if constexpr (!OVF) asi_raise_state(ST_OUT_OF_RANGE);
                storeDouble(x, combine(doubleValue(x), op, bd));
                return x;
            }
            break;
        case '*':
            if (asi_dec_mul(&x.m_digits, &b, &t, p, p)) asi_raise_state(ST_OUT_OF_RANGE);
            break;
        case '/':
            if (!asi_dec_div(&x.m_digits, &b, p, p, &t, p)) asi_raise_state(ST_OUT_OF_RANGE);
            break;
        }
        x.m_digits = t;
        clearOverflow(x);
        x.m_null = 0;
        return x;
    }

    /* An integer operand, converted at p. */
    static C &applyInteger(C &x, char op, long long v)
    {
        asi_decnum r;
        int fits = dec_from_i64(v, &r, x.m_precision) == ASI_DEC_OK;
        return apply(x, op, r, fits, static_cast<double>(v), 0);
    }

    /* A double operand, converted at p and s. */
    static C &applyNumber(C &x, char op, double v)
    {
        asi_decnum r;
        asi_dec_clear(&r);
        int ovf = 0;
        if (asi_fmt_is_finite(v))
            asi_dec_from_double_scaled(v, &r, x.m_precision, &ovf, static_cast<int>(x.m_scale));
        else
            ovf = 1;
        return apply(x, op, r, !ovf, v, 0);
    }

    /* A null value operand makes the left operand null (unless it already
    ** is, for the compound forms, where a null left stays as it is). */
    static bool nullOperand(C &x, char op, const CAsiData &v)
    {
        if (!v.isNull()) return false;
        if (op == '=' || !x.m_null) { x.m_null = 1; clearOverflow(x); }
        return true;
    }

    /* A value read through its double; byDouble computes in doubles. */
    static C &applyValue(C &x, char op, const CAsiNum &v, int byDouble)
    {
        if (nullOperand(x, op, v)) return x;
        if (byDouble) {
            asi_decnum none;
            asi_dec_clear(&none);
            return apply(x, op, none, 0, v.doubleValue(), 1);
        }
        return applyNumber(x, op, v.doubleValue());
    }

    /* An integer value read through longValue. */
    static C &applyIntValue(C &x, char op, const CAsiNum &v)
    {
        if (nullOperand(x, op, v)) return x;
        return applyInteger(x, op, v.longValue());
    }

    /* A value of this class, its record brought to this precision. */
    static C &applySame(C &x, char op, const C &v)
    {
        if (op == '=' && &v == &x) return x;
        if (nullOperand(x, op, v)) return x;
        double bd = doubleValue(v);
        asi_decnum r;
        asi_dec_clear(&r);
        int st = ASI_DEC_TOO_BIG;
        if (!inOverflow(v)) asi_dec_resize(&v.m_digits, &r, v.m_precision, x.m_precision, &st);
        return apply(x, op, r, st != ASI_DEC_TOO_BIG, bd, 0);
    }

    /* ++ and -- (step +1 or -1) and the unary minus, in place. */
    static C &step(C &x, int delta)
    {
        if (x.m_null) return x;
        if (!inOverflow(x)) {
            asi_decnum t = x.m_digits;
            if (!(delta > 0 ? asi_dec_inc(&t, x.m_precision) : asi_dec_dec(&t, x.m_precision))) {
                x.m_digits = t;
                return x;
            }
            if constexpr (!OVF) asi_raise_state(ST_OUT_OF_RANGE);
        }
        storeDouble(x, doubleValue(x) + delta);
        return x;
    }

    /* -x in place (the overflow form negates its double). */
    static C &negate(C &x)
    {
        if (x.m_null) return x;
        if constexpr (OVF) if (x.m_overflow) { x.m_double = -x.m_double; return x; }
        asi_dec_negate(&x.m_digits, x.m_precision);
        return x;
    }
};

/* The member functions of one class, forwarding to asi_dec_impl. */
#define DEC_MEMBERS(CLS, OTHER)                                                                    \
    using CLS##_impl = asi_dec_impl<CLS>;                                                          \
    /* A null value of precision p and scale s (clamped). */                                      \
    CLS::CLS(unsigned p, unsigned s) noexcept { CLS##_impl::init(*this, p, s); }                   \
    /* A copy with its own clone of the attached object. */                                       \
    CLS::CLS(const CLS &other) : CAsiExactNum(other) { CLS##_impl::copy(*this, other); }          \
    /* Nothing of its own to free. */                                                             \
    CLS::~CLS() = default;                                                                         \
    /* A new copy; null without memory. */                                                        \
    CLS *CLS::clone() const { return new CLS(*this); }                                             \
    /* The stream: see asi_dec_impl::pack and unpack. */                                          \
    int CLS::packedSize() const { return CLS##_impl::packedSize(*this, false); }                   \
    int CLS::pack(CAsiOStream &out) const { return CLS##_impl::pack(*this, out); }                 \
    int CLS::unpack(CAsiIStream &in) { return CLS##_impl::unpack(*this, in); }                     \
    int CLS::packedValueSize() const { return CLS##_impl::packedSize(*this, true); }               \
    int CLS::packValue(CAsiOStream &out) const { return CLS##_impl::packValue(*this, out); }       \
    int CLS::unpackValue(CAsiIStream &in) { return CLS##_impl::unpack(*this, in); }                \
    /* p + 2: the digits, a sign and a point. */                                                  \
    unsigned CLS::displayLength() const { return m_precision + 2; }                                \
    /* Result types: see asi_dec_impl. */                                                         \
    CAsiData *CLS::addType(const CAsiData *o) const { return CLS##_impl::addType(*this, o); }       \
    CAsiData *CLS::subtractType(const CAsiData *o) const { return addType(o); }                    \
    CAsiData *CLS::multiplyType(const CAsiData *o) const { return CLS##_impl::multiplyType(*this, o); } \
    CAsiData *CLS::divideType(const CAsiData *o) const { return multiplyType(o); }                 \
    CAsiData *CLS::unionType(const CAsiData *o) const { return CLS##_impl::unionType(*this, o); }   \
    /* 1, 0, or -1 for a null or non-numeric operand. */                                          \
    int CLS::isEqual(const CAsiData &o) const { return CLS##_impl::compare(*this, o, false); }     \
    int CLS::isGreater(const CAsiData &o) const { return CLS##_impl::compare(*this, o, true); }    \
    /* Up to 8 bytes of the value's double from offset; the count copied. */                      \
    int CLS::getData(void *buf, int offset, int len) const                                         \
    {                                                                                              \
        if (!buf || len <= 0 || offset < 0 || offset >= ASI_DEC_DATA_SIZE) return 0;               \
        double d = doubleValue();                                                                  \
        int n = ASI_DEC_DATA_SIZE - offset < len ? ASI_DEC_DATA_SIZE - offset : len;               \
        std::memcpy(buf, reinterpret_cast<const unsigned char *>(&d) + offset, n);                 \
        return n;                                                                                  \
    }                                                                                              \
    /* 8: the size of the value's double. */                                                      \
    int CLS::dataSize() const { return ASI_DEC_DATA_SIZE; }                                        \
    int CLS::assign(const CAsiData &s) { return CLS##_impl::assign(*this, s); }                    \
    int CLS::setUcStr(const CAsiUcStr &t) { return CLS##_impl::setUcStr(*this, t); }               \
    int CLS::setText(const char *t, int n) { return CLS##_impl::setText(*this, t, n); }            \
    /* Numbers are stored through their double: 1. */                                             \
    int CLS::setShort(std::int16_t v) { CLS##_impl::storeDouble(*this, v); return 1; }             \
    int CLS::setLong(std::int32_t v) { CLS##_impl::storeDouble(*this, v); return 1; }              \
    int CLS::setDouble(double v) { CLS##_impl::storeDouble(*this, v); return 1; }                  \
    int CLS::getUcStr(CAsiUcStr &out) const { return CLS##_impl::getUcStr(*this, out); }           \
    int CLS::getText(char *b, int n) const { return CLS##_impl::getText(*this, b, n); }            \
    /* 0 when null; 22003 beyond 32767; else the value cut toward zero, 1. */                     \
    int CLS::getShort(std::int16_t *out) const                                                     \
    {                                                                                              \
        if (m_null) return 0;                                                                      \
        *out = static_cast<std::int16_t>(checked_trunc(doubleValue(), DEC_SHORT_MAX));             \
        return 1;                                                                                  \
    }                                                                                              \
    /* 0 when null; 22003 beyond 2147483647; else cut toward zero, 1. */                          \
    int CLS::getLong(std::int32_t *out) const                                                      \
    {                                                                                              \
        if (m_null) return 0;                                                                      \
        *out = checked_trunc(doubleValue(), DEC_LONG_MAX);                                         \
        return 1;                                                                                  \
    }                                                                                              \
    /* 0 when null; else the double, 1. */                                                        \
    int CLS::getDouble(double *out) const                                                          \
    {                                                                                              \
        if (m_null) return 0;                                                                      \
        *out = doubleValue();                                                                      \
        return 1;                                                                                  \
    }                                                                                              \
    int CLS::typeText(CAsiUcStr &out) const { return CLS##_impl::typeText(*this, out); }           \
    int CLS::literalText(CAsiUcStr &out) const { return CLS##_impl::literalText(*this, out); }     \
    /* 0 when null; 22003 beyond 2147483647; else cut toward zero. */                             \
    std::int32_t CLS::longValue() const { return m_null ? 0 : checked_trunc(doubleValue(), DEC_LONG_MAX); } \
    double CLS::doubleValue() const { return CLS##_impl::doubleValue(*this); }                     \
    int CLS::exactDigits(asi_decnum *out) const { return CLS##_impl::exactDigits(*this, out); }    \
    CLS &CLS::operator++() { return CLS##_impl::step(*this, 1); }                                  \
    CLS &CLS::operator--() { return CLS##_impl::step(*this, -1); }                                 \
    CLS &CLS::operator-() { return CLS##_impl::negate(*this); }

/* One compound operator (or =) of a class: its eleven right operands. */
#define DEC_ASSIGN_OP(CLS, OTHER, OP, CH)                                                          \
    CLS &CLS::operator OP(const CAsiInteger &v) { return CLS##_impl::applyIntValue(*this, CH, v); } \
    CLS &CLS::operator OP(const CAsiSmallint &v) { return CLS##_impl::applyIntValue(*this, CH, v); } \
    CLS &CLS::operator OP(const CLS &v) { return CLS##_impl::applySame(*this, CH, v); }            \
    CLS &CLS::operator OP(const OTHER &v) { return CLS##_impl::applyValue(*this, CH, v, 0); }      \
    CLS &CLS::operator OP(const CAsiReal &v) { return CLS##_impl::applyValue(*this, CH, v, 0); }   \
    CLS &CLS::operator OP(const CAsiFloat &v) { return CLS##_impl::applyValue(*this, CH, v, 0); }  \
    CLS &CLS::operator OP(const CAsiDouble &v) { return CLS##_impl::applyValue(*this, CH, v, 1); } \
    CLS &CLS::operator OP(short v) { return CLS##_impl::applyInteger(*this, CH, v); }              \
    CLS &CLS::operator OP(int v) { return CLS##_impl::applyInteger(*this, CH, v); }                \
    CLS &CLS::operator OP(long v) { return CLS##_impl::applyInteger(*this, CH, v); }               \
    CLS &CLS::operator OP(double v) { return CLS##_impl::applyNumber(*this, CH, v); }

/* One binary operator: members with this value on the left, free forms
** with an integer value or a number on the left. */
#define DEC_BINARY_OP(CLS, OP, CH)                                                                 \
    CAsiDouble CLS::operator OP(const CAsiNum &v) const                                            \
    {                                                                                              \
        return double_result(m_null || v.isNull(), doubleValue(), CH, v.doubleValue());          \
    }                                                                                              \
    CAsiDouble CLS::operator OP(short v) const { return double_result(m_null, doubleValue(), CH, v); } \
    CAsiDouble CLS::operator OP(int v) const { return double_result(m_null, doubleValue(), CH, v); } \
    CAsiDouble CLS::operator OP(long v) const                                                      \
    {                                                                                              \
        return double_result(m_null, doubleValue(), CH, static_cast<double>(v));                  \
    }                                                                                              \
    CAsiDouble CLS::operator OP(double v) const { return double_result(m_null, doubleValue(), CH, v); } \
    CAsiDouble operator OP(const CAsiInteger &a, const CLS &b)                                     \
    {                                                                                              \
        return double_result(a.isNull() || b.isNull(), a.doubleValue(), CH, b.doubleValue());     \
    }                                                                                              \
    CAsiDouble operator OP(const CAsiSmallint &a, const CLS &b)                                    \
    {                                                                                              \
        return double_result(a.isNull() || b.isNull(), a.doubleValue(), CH, b.doubleValue());     \
    }                                                                                              \
    CAsiDouble operator OP(short a, const CLS &b) { return double_result(b.isNull(), a, CH, b.doubleValue()); } \
    CAsiDouble operator OP(int a, const CLS &b) { return double_result(b.isNull(), a, CH, b.doubleValue()); } \
    CAsiDouble operator OP(long a, const CLS &b)                                                   \
    {                                                                                              \
        return double_result(b.isNull(), static_cast<double>(a), CH, b.doubleValue());            \
    }                                                                                              \
    CAsiDouble operator OP(double a, const CLS &b) { return double_result(b.isNull(), a, CH, b.doubleValue()); }

#define DEC_CLASS(CLS, OTHER)                 \
    DEC_MEMBERS(CLS, OTHER)                   \
    DEC_ASSIGN_OP(CLS, OTHER, =, '=')         \
    DEC_ASSIGN_OP(CLS, OTHER, +=, '+')        \
    DEC_ASSIGN_OP(CLS, OTHER, -=, '-')        \
    DEC_ASSIGN_OP(CLS, OTHER, *=, '*')        \
    DEC_ASSIGN_OP(CLS, OTHER, /=, '/')        \
    DEC_BINARY_OP(CLS, +, '+')                \
    DEC_BINARY_OP(CLS, -, '-')                \
    DEC_BINARY_OP(CLS, *, '*')                \
    DEC_BINARY_OP(CLS, /, '/')

DEC_CLASS(CAsiDecimal, CAsiNumeric)
DEC_CLASS(CAsiNumeric, CAsiDecimal)

/* 3: SQL DECIMAL. */
int CAsiDecimal::typeCode() const { return ASI_TYPE_DECIMAL; }

/* 2: SQL NUMERIC. */
int CAsiNumeric::typeCode() const { return ASI_TYPE_NUMERIC; }
