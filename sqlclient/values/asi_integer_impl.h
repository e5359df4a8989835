/*
** asi_integer_impl.h: the implementation SMALLINT and INTEGER share, used
** by asi_integer.cpp and asi_integer_ops.cpp only.
**
** asi_int_impl<C> holds every operation as a static function on the value;
** its constants carry the differences between the two classes.  The two
** stores through which every result passes are here: the integer store
** (SMALLINT applies its range; every result must fit 32 bits) and the
** double store (range on the magnitude, then truncation toward zero).
*/
#ifndef PV_SQLCLIENT_VALUES_ASI_INTEGER_IMPL_H
#define PV_SQLCLIENT_VALUES_ASI_INTEGER_IMPL_H

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_textfmt.h"

#include <cmath>
#include <cstring>
#include <type_traits>

/* SQLSTATE conditions (asi_diag.h coding). */
constexpr int ASI_INT_ST_RANGE = 0x2203;     /* 22003 numeric value out of range */
constexpr int ASI_INT_ST_DIV_ZERO = 0x220C;  /* 22012 division by zero */
constexpr int ASI_INT_ST_BAD_CAST = 0x2212;  /* 22018 invalid character value */
constexpr int ASI_INT_ST_NO_CAST = 0x379B;   /* 37155 cannot be cast */

template <class C>
struct asi_int_impl {
    static constexpr bool SMALL = std::is_same_v<C, CAsiSmallint>;
    static constexpr unsigned PREC = SMALL ? ASI_SMALLINT_PREC : ASI_INTEGER_PREC;
    static constexpr int TYPE = SMALL ? ASI_TYPE_SMALLINT : ASI_TYPE_INTEGER;
    static constexpr const char *NAME = SMALL ? "SMALLINT" : "INTEGER";
    static constexpr std::int32_t MAX = SMALL ? ASI_SMALLINT_MAX : ASI_INTEGER_MAX;
    static constexpr long long MIN_STORED = SMALL ? -32768LL : -2147483648LL;
    using V = std::conditional_t<SMALL, std::int16_t, std::int32_t>;

    /* Stores v as it is (setShort): 1. */
    static int store(C &x, long long v)
    {
        x.m_value = static_cast<V>(v);
        x.m_null = 0;
        return 1;
    }

    /* The integer store: SMALLINT refuses a magnitude above 32767, both
    ** refuse a result outside 32 bits (22003, nothing stored).  1. */
    static int storeInt(C &x, long long v)
    {
        if (SMALL ? (v > MAX || v < -MAX) : (v > ASI_INTEGER_MAX || v < -2147483648LL))
            asi_raise_state(ASI_INT_ST_RANGE);
        return store(x, v);
    }

    /* The double store: a magnitude above the class maximum, or NaN, raises
    ** 22003; else the double cut toward zero is stored.  1. */
    static int storeDouble(C &x, double d)
    {
        if (!(std::fabs(d) <= static_cast<double>(MAX))) asi_raise_state(ASI_INT_ST_RANGE);
        return store(x, static_cast<long long>(d));
    }

    /* Reads at most 64 bytes as a decimal number; blanks may follow it. */
    static int setText(C &x, const char *text, int length)
    {
        char buf[ASI_INT_SET_TEXT_MAX + 1];
        int n = 0;
        if (text)
            while (n < length && n < ASI_INT_SET_TEXT_MAX && text[n]) { buf[n] = text[n]; ++n; }
        buf[n] = '\0';
        char *end = buf;
        double d = asi_strtod(buf, &end);
        if (end == buf && !*end) asi_raise_state(ASI_INT_ST_BAD_CAST);   /* empty */
        while (*end == ' ') ++end;
        if (*end) asi_raise_state(ASI_INT_ST_BAD_CAST);
        return storeDouble(x, d);
    }

    /* The string's number; only white space may follow.  An empty string
    ** gives 0. */
    static int setUcStr(C &x, const CAsiUcStr &text)
    {
        int used = 0;
        double d = text.toDouble(&used);
        const char16_t *u = text.ucs();
        for (int i = used; i < text.length(); ++i)
            if (!asi_uc_is_space(u[i])) asi_raise_state(ASI_INT_ST_BAD_CAST);
        return storeDouble(x, d);
    }

    /* Assignment from another value (see asi_integer.h). */
    static int assign(C &x, const CAsiData &src)
    {
        if (&src == &x) return 1;
        if (src.isNull()) { x.m_null = 1; return 1; }
        if (src.isNumeric()) {
            if constexpr (SMALL) {
                std::int16_t v = 0;
                if (src.getShort(&v) == 1) store(x, v);
                else x.m_null = 1;
            } else {
                store(x, static_cast<const CAsiNum &>(src).longValue());
            }
            return 1;
        }
        if (src.isCharacter()) {
            char buf[ASI_DATA_TEXT_BUF];
            buf[0] = '\0';
            src.getText(buf, sizeof buf);
            return x.setText(buf, ASI_DATA_TEXT_BUF);
        }
        double field = 0.0;
        if (asi_interval_field_value(src, &field)) return storeDouble(x, std::trunc(field));
        asi_raise_state(ASI_INT_ST_NO_CAST);
    }

    /* INTEGER refuses a value outside -32767..32767 (22003). */
    static int getShort(const C &x, std::int16_t *out)
    {
        if (x.m_null) return 0;
        if (x.m_value > ASI_SMALLINT_MAX || x.m_value < -ASI_SMALLINT_MAX) {
            if constexpr (!SMALL) asi_raise_state(ASI_INT_ST_RANGE);
        }
        *out = static_cast<std::int16_t>(x.m_value);
        return 1;
    }

    /* The decimal text, cut to size - 1 bytes; an empty text and 0 for a
    ** null value. */
    static int getText(const C &x, char *buf, int size)
    {
        if (!buf || size <= 0) return 0;
        if (x.m_null) { buf[0] = '\0'; return 0; }
        char full[ASI_INT_UCSTR_BUF];
        int n = asi_fmt_ld(full, sizeof full, x.m_value);
        int k = n < size ? n : size - 1;
        std::memcpy(buf, full, k);
        buf[k] = '\0';
        return 1;
    }

    /* getText into 32 bytes, then into out: 1; 0 (out unchanged) when
    ** null. */
    static int getUcStr(const C &x, CAsiUcStr &out)
    {
        char buf[ASI_INT_UCSTR_BUF];
        if (!getText(x, buf, sizeof buf)) return 0;
        out = buf;
        return 1;
    }

    /* Raw bytes of the value from offset; the count copied. */
    static int getData(const C &x, void *buf, int offset, int len)
    {
        int size = static_cast<int>(sizeof x.m_value);
        if (!buf || len <= 0 || offset < 0 || offset >= size) return 0;
        int n = size - offset < len ? size - offset : len;
        std::memcpy(buf, reinterpret_cast<const unsigned char *>(&x.m_value) + offset, n);
        return n;
    }

    /* 1 when the other is SMALLINT, or (for INTEGER) INTEGER. */
    static bool intResult(const CAsiData &o)
    {
        int t = o.typeCode();
        return t == ASI_TYPE_SMALLINT || (!SMALL && t == ASI_TYPE_INTEGER);
    }

    /* The class itself with SMALLINT (INTEGER: also INTEGER); NUMERIC or
    ** DECIMAL of the larger precision and scale; a clone of any other
    ** numeric; none otherwise. */
    static CAsiData *addType(const C &x, const CAsiData *o)
    {
        if (!o || !o->isNumeric()) return nullptr;
        if (intResult(*o)) return new C();
        int t = o->typeCode();
        unsigned p = x.m_precision > o->precision() ? x.m_precision : o->precision();
        unsigned s = x.m_scale > o->scale() ? x.m_scale : o->scale();
        if (t == ASI_TYPE_NUMERIC) return new CAsiNumeric(p, s);
        if (t == ASI_TYPE_DECIMAL) return new CAsiDecimal(p, s);
        return o->clone();
    }

    /* As addType, but NUMERIC or DECIMAL take the sum of the scales and
    ** the larger of it and the operand's precision; an interval gives the
    ** interval product type. */
    static CAsiData *multiplyType(const C &x, const CAsiData *o)
    {
        if (!o) return nullptr;
        if (o->isNumeric()) {
            if (intResult(*o)) return new C();
            int t = o->typeCode();
            unsigned s = x.m_scale + o->scale();
            unsigned p = s > o->precision() ? s : o->precision();
            if (t == ASI_TYPE_NUMERIC) return new CAsiNumeric(p, s);
            if (t == ASI_TYPE_DECIMAL) return new CAsiDecimal(p, s);
            return o->clone();
        }
        if (o->isInterval()) return CAsiNum::intervalProductType(*o);
        return nullptr;
    }

    /* None when not comparable; a clone of this with an integer class it
    ** covers, else a clone of the other. */
    static CAsiData *unionType(const C &x, const CAsiData *o)
    {
        if (!x.isComparable(o)) return nullptr;
        return intResult(*o) ? x.clone() : o->clone();
    }

    /* -1 for a null or non-numeric operand; else the equality operator the
    ** other's type selects. */
    static int isEqual(const C &x, const CAsiData &o)
    {
        if (o.isNull() || x.m_null || !o.isNumeric()) return -1;
        return x.compareWith(ASI_REL_EQ, o) ? 1 : 0;
    }

    /* -1 unless both are non-null values of this class. */
    static int isGreater(const C &x, const CAsiData &o)
    {
        if (x.m_null || o.isNull() || o.typeCode() != TYPE) return -1;
        return x.operator>(static_cast<int>(static_cast<const CAsiNum &>(o).longValue())) ? 1 : 0;
    }

    /* Tag 0 with the value when not null, then the end item with 5. */
    static int pack(const C &x, CAsiOStream &out)
    {
        if (!x.m_null) {
            if constexpr (SMALL) out.putI16(ASI_INT_TAG_VALUE, x.m_value);
            else out.putI32(ASI_INT_TAG_VALUE, x.m_value);
        }
        out.putEnd(ASI_INT_STREAM_END_CODE);
        return out.length();
    }

    /* The bytes pack writes, counted. */
    static int packedSize(const C &x)
    {
        CAsiOStream counter;
        return pack(x, counter);
    }

    /* Null, then the value of a tag-0 item of the class's width (another
    ** width is a damaged stream); other tags are passed over.  1. */
    static int unpack(C &x, CAsiIStream &in)
    {
        x.m_null = 1;
        for (int tag = in.nextTag(); tag != ASI_STREAM_END; tag = in.nextTag()) {
            if (tag != ASI_INT_TAG_VALUE) continue;
            int ok;
            if constexpr (SMALL) {
                std::int16_t v = 0;
                ok = in.readI16(&v);
                x.m_value = v;
            } else {
                std::int32_t v = 0;
                ok = in.readI32(&v);
                x.m_value = v;
            }
            if (!ok) asi_throw(ASI_ERR_STREAM, "asi_integer unpack", "value item of a wrong size");
            x.m_null = 0;
        }
        return 1;
    }

    /* --- operators --- */

    /* Compound assignment: op '+' '-' '*' '/'; a null left stays null, a
    ** null value operand makes it null. */
    static C &compoundNull(C &x, const CAsiData &v)
    {
        if (!x.m_null && v.isNull()) x.m_null = 1;
        return x;
    }

    /* op in doubles, then the double store; 22012 for a zero divisor. */
    static C &byDouble(C &x, char op, double b)
    {
        if (x.m_null) return x;
        double a = x.m_value, r = 0.0;
        switch (op) {
        case '+': r = a + b; break;
        case '-': r = a - b; break;
        case '*': r = a * b; break;
        default:
            if (b == 0.0) asi_raise_state(ASI_INT_ST_DIV_ZERO);
            r = a / b;
        }
        storeDouble(x, r);
        return x;
    }

    /* op in 64-bit integers, then the integer store; division truncates
    ** toward zero, 22012 for a zero divisor. */
    static C &byInteger(C &x, char op, long long b)
    {
        if (x.m_null) return x;
        long long a = x.m_value, r = 0;
        switch (op) {
        case '+': r = a + b; break;
        case '-': r = a - b; break;
        case '*': r = a * b; break;
        default:
            if (b == 0) asi_raise_state(ASI_INT_ST_DIV_ZERO);
            r = a / b;
        }
        storeInt(x, r);
        return x;
    }

    /* The integer rule of the tables: +, - and * in doubles (SMALLINT with
    ** a 16-bit operand in integers), / always an integer division. */
    static C &integerOperand(C &x, char op, long long b, bool sixteen)
    {
        if (op == '/' || (SMALL && sixteen)) return byInteger(x, op, b);
        return byDouble(x, op, static_cast<double>(b));
    }

    /* ++ and --: 22003 at the class maximum or minimum. */
    static C &step(C &x, int delta)
    {
        if (x.m_null) return x;
        if (delta > 0 ? x.m_value == MAX : x.m_value == MIN_STORED) asi_raise_state(ASI_INT_ST_RANGE);
        x.m_value = static_cast<V>(x.m_value + delta);
        return x;
    }

    /* Negation: 22003 for the most negative value, which has no positive
    ** twin. */
    static C &negate(C &x)
    {
        if (x.m_null) return x;
        if (x.m_value == MIN_STORED) asi_raise_state(ASI_INT_ST_RANGE);
        x.m_value = static_cast<V>(-x.m_value);
        return x;
    }
};

#endif
