/*
** asi_api.cpp: the C-callable functions.  Each one clears the diagnostics
** of its handle, runs its body inside asi_try_call with that handle's
** diagnostics area, and answers the body's result or its failure value.
*/
#include "sqlclient/asi_api.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "sqlclient/asi_valfactory.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"

namespace {

/* Conditions of a bound value that a parameter cannot hold. */
constexpr int STATE_TRUNCATION = 0x2201;     /* 22001 */
constexpr int STATE_OUT_OF_RANGE = 0x2203;   /* 22003 */

/* Engine codes start here; below are SQLSTATE conditions. */
constexpr int ENGINE_CODES = 0xA000;

/* Characters of a character parameter bound to a number's buffer: the
** longest text of a double and more. */
constexpr int BIND_NUMBER_CHARS = 32;

/* Most digits of a DECIMAL or NUMERIC. */
constexpr unsigned BIND_DEC_MAX_DIGITS = 32;

/* Bytes of a decimal text formatted from a double (at most 32 digits, a
** sign, a point and a leading zero). */
constexpr int BIND_DEC_TEXT = 48;

/* The precision and scale that hold the decimal number text exactly
** ([sign] digits [. digits] [E [sign] digits], blanks around); 1, or 0
** when the text is no such number. */
int bind_decimal_shape(const char *text, unsigned *prec, unsigned *scale)
{
    const char *p = text;
    while (*p == ' ')
        p++;
    if (*p == '+' || *p == '-')
        p++;
    long digits = 0, point = -1, lead = 0, exp = 0;
    for (; (*p >= '0' && *p <= '9') || (*p == '.' && point < 0); p++) {
        if (*p == '.') {
            point = digits;
        } else {
            if (digits == lead && *p == '0')
                lead++;   /* leading zeros hold nothing */
            digits++;
        }
    }
    if (!digits)
        return 0;
    if (*p == 'e' || *p == 'E') {
        char *end = nullptr;
        exp = std::strtol(p + 1, &end, 10);
        if (end == p + 1 || exp > 1000 || exp < -1000)
            return 0;
        p = end;
    }
    while (*p == ' ')
        p++;
    if (*p)
        return 0;
    long whole = (point < 0 ? digits : point) + exp - lead;   /* digits before the point */
    long frac = (point < 0 ? 0 : digits - point) - exp;      /* digits after it */
    long s = frac > 0 ? frac : 0, i = whole > 0 ? whole : 0;
    *scale = (unsigned)s;
    *prec = (unsigned)(i + s > 0 ? i + s : 1);
    return 1;
}

/* The shortest decimal text of x that reads back as x (as a float when
** single), without an exponent, into buf; its precision and scale.
** Raises 22003 for a number no DECIMAL holds exactly. */
void bind_decimal_text(double x, int single, char *buf, unsigned *prec, unsigned *scale)
{
    char e[BIND_DEC_TEXT];
    for (int k = 0; k < 17; k++) {
        std::snprintf(e, sizeof e, "%.*e", k, x);
        double back = std::strtod(e, nullptr);
        if (single ? (float)back == (float)x : back == x)
            break;
    }
    if (!bind_decimal_shape(e, prec, scale) || *prec > BIND_DEC_MAX_DIGITS)
        asi_raise_state(STATE_OUT_OF_RANGE);
    std::snprintf(buf, BIND_DEC_TEXT, "%.*f", (int)*scale, x);
}

/* A null value of sql_type shaped to hold what the bound buffer b holds:
** a character value as long as the buffer's text (22001 beyond the
** longest), an exact number with the precision and scale of its digits
** (22003 beyond the most digits); other types as the factory makes them.
** A number for an exact type is read into *text, to be set from it. */
CAsiData *bind_value_new(int sql_type, const asi_host_bind &b, char *text)
{
    text[0] = '\0';
    int isNull = b.ind && *b.ind == ASI_NULL_INDICATOR;
    if (!isNull && (sql_type == ASI_TYPE_CHAR || sql_type == ASI_TYPE_VARCHAR)) {
        std::size_t n = BIND_NUMBER_CHARS;
        if (b.type == ASI_HOST_STRING)
            n = strnlen((const char *)b.buf, (std::size_t)b.length);
        if (n > ASI_CHAR_MAX_LENGTH)
            asi_raise_state(STATE_TRUNCATION);
        CAsiChar *c = new CAsiChar(n ? (int)n : 1);
        if (sql_type == ASI_TYPE_VARCHAR)
            c->setVarying();
        return c;
    }
    if (!isNull && (sql_type == ASI_TYPE_NUMERIC || sql_type == ASI_TYPE_DECIMAL) &&
        (b.type == ASI_HOST_DOUBLE || b.type == ASI_HOST_FLOAT || b.type == ASI_HOST_STRING)) {
        unsigned prec = ASI_DEC_DEFAULT_PREC, scale = 0;
        if (b.type == ASI_HOST_STRING) {
            std::string s((const char *)b.buf, strnlen((const char *)b.buf, (std::size_t)b.length));
            if (bind_decimal_shape(s.c_str(), &prec, &scale) && prec > BIND_DEC_MAX_DIGITS)
                asi_raise_state(STATE_OUT_OF_RANGE);
        } else {
            double x;
            if (b.type == ASI_HOST_FLOAT) {
                float f;
                std::memcpy(&f, b.buf, sizeof f);
                x = f;
            } else {
                std::memcpy(&x, b.buf, sizeof x);
            }
            bind_decimal_text(x, b.type == ASI_HOST_FLOAT, text, &prec, &scale);
        }
        if (sql_type == ASI_TYPE_NUMERIC)
            return new CAsiNumeric(prec, scale);
        return new CAsiDecimal(prec, scale);
    }
    return asi_value_new(sql_type, 0);
}

/* 1 when the diagnostics hold a cut string (22001). */
int bind_was_cut(const CAsiDiagArea &d)
{
    for (int i = 0; i < d.count(); i++)
        if (d.condCode(i) == STATE_TRUNCATION)
            return 1;
    return 0;
}

/* A call without a handle: the bad argument is recorded in the
** environment's diagnostics; answers fail. */
template <class R> R api_no_handle(R fail)
{
    CAsiEnv &env = asi_env();
    env.diag().reset();
    return asi_try_call(&env.diag(), fail, [&]() -> R {
        asi_throw(ASI_ERR_BAD_ARGUMENT, "asi", "no handle given");
    });
}

/* Runs body for a handle, once the engine is started: a null handle is a
** bad argument recorded in the environment's diagnostics.  Answers the
** body's result, or fail with the conditions in the handle's diagnostics. */
template <class R, class H, class F> R api_call(H *h, R fail, F &&body)
{
    if (!h)
        return api_no_handle(fail);
    CAsiEnv &env = asi_env();
    h->diag().reset();
    return asi_try_call(&h->diag(), fail, [&]() -> R {
        env.require();
        return body();
    });
}

/* Runs body on a configuration store, which serves also before asi_init;
** answers 1, or 0 with the conditions in the store's diagnostics (a null
** store's in the environment's). */
template <class F> int cfg_call(CAsiCfgHandle *cfg, F &&body)
{
    if (!cfg)
        return api_no_handle(0);
    cfg->diag().reset();
    return asi_try_call(&cfg->diag(), 0, [&] {
        body(cfg->store());
        return 1;
    });
}

/* Makes a handle of type T for *out (cleared first); failures go to the
** environment's diagnostics. */
template <class T, class Make> int api_alloc(T **out, Make make)
{
    CAsiEnv &env = asi_env();
    env.diag().reset();
    return asi_try_call(&env.diag(), 0, [&] {
        if (!out)
            asi_throw(ASI_ERR_BAD_ARGUMENT, "asi", "no place for the handle");
        *out = nullptr;
        env.require();
        T *h = make();
        if (!h)
            asi_throw(ASI_ERR_NO_MEMORY, "asi");
        *out = h;
        return 1;
    });
}

/* Deletes the handle *h and clears it; 1, or 0 for no handle. */
template <class T> int api_free(T **h)
{
    if (!h || !*h)
        return api_no_handle(0);
    delete *h;
    *h = nullptr;
    return 1;
}

/* One fetch through the C interface. */
int api_fetch(CAsiCursor *k, int orientation, long n)
{
    return api_call(k, 0, [&] { return k->fetch(orientation, n); });
}

} // namespace

extern "C" {

/* Starts the engine. */
int asi_init(void)
{
    asi_env().diag().reset();
    return asi_env().init();
}

/* Stops the engine. */
int asi_term(void)
{
    asi_env().diag().reset();
    asi_env().term();
    return 1;
}

/* The environment's handle. */
CAsiHandle *asi_env_handle(void)
{
    return &asi_env();
}

/* Opens a configuration store. */
int asi_cfg_open(const char *path, CAsiCfgHandle **out)
{
    CAsiEnv &env = asi_env();
    env.diag().reset();
    return asi_try_call(&env.diag(), 0, [&] {
        if (!out)
            asi_throw(ASI_ERR_BAD_ARGUMENT, "asi_cfg_open", "no place for the handle");
        *out = nullptr;
        CAsiCfgHandle *h = new CAsiCfgHandle();
        if (!h)
            asi_throw(ASI_ERR_NO_MEMORY, "asi_cfg_open");
        try {
            h->store().open(path);
        } catch (...) {
            delete h;
            throw;
        }
        env.setConfigPath(h->store().path());
        *out = h;
        return 1;
    });
}

/* Reads an entry, keys or sections. */
int asi_cfg_read(CAsiCfgHandle *cfg, const char *section, const char *key, char *buf, int size)
{
    return cfg_call(cfg, [&](CAsiConfig &store) { store.read(section, key, buf, size); });
}

/* Writes an entry. */
int asi_cfg_write(CAsiCfgHandle *cfg, const char *section, const char *key, const char *value)
{
    return cfg_call(cfg, [&](CAsiConfig &store) { store.write(section, key, value); });
}

/* Closes a store. */
int asi_cfg_close(CAsiCfgHandle **cfg)
{
    return api_free(cfg);
}

/* A new connection handle. */
int asi_alloc_connection(CAsiConnection **out)
{
    return api_alloc(out, [] { return new CAsiConnection(&asi_env()); });
}

/* Connects. */
int asi_connect(CAsiConnection *c, const char *env, const char *user, const char *password)
{
    return api_call(c, 0, [&] {
        c->connect(env, user, password);
        return 1;
    });
}

/* The default catalog. */
int asi_set_catalog(CAsiConnection *c, const char *catalog)
{
    return api_call(c, 0, [&] {
        c->setCatalog(catalog);
        return 1;
    });
}

/* The default schema. */
int asi_set_schema(CAsiConnection *c, const char *schema)
{
    return api_call(c, 0, [&] {
        c->setSchema(schema);
        return 1;
    });
}

/* Disconnects. */
int asi_disconnect(CAsiConnection *c)
{
    return api_call(c, 0, [&] {
        c->disconnect();
        return 1;
    });
}

/* Frees a connection. */
int asi_free_connection(CAsiConnection **c)
{
    return api_free(c);
}

/* A new statement handle. */
int asi_alloc_stmt(CAsiStatement **out)
{
    return api_alloc(out, [] { return new CAsiStatement(); });
}

/* Prepares. */
int asi_prepare(CAsiStatement *s, CAsiConnection *c, const char *text)
{
    return api_call(s, 0, [&] {
        s->prepare(c, text);
        return 1;
    });
}

/* The dynamic function code. */
int asi_diag_dynamic_function(CAsiStatement *s)
{
    return api_call(s, 0, [&] { return s->functionCode(); });
}

/* Executes. */
int asi_execute(CAsiStatement *s, long *rows)
{
    return api_call(s, 0, [&] {
        long n = s->execute();
        if (rows)
            *rows = n;
        return 1;
    });
}

/* Releases in the driver. */
int asi_deallocate(CAsiStatement *s)
{
    return api_call(s, 0, [&] {
        s->deallocate();
        return 1;
    });
}

/* Frees a statement. */
int asi_free_stmt(CAsiStatement **s)
{
    return api_free(s);
}

/* A parameter from a value. */
int asi_set_param(CAsiStatement *s, int i, const CAsiData *value)
{
    return api_call(s, 0, [&] {
        if (!value)
            asi_throw(ASI_ERR_BAD_ARGUMENT, "asi_set_param", "no value given");
        s->setParameter(i, *value);
        return 1;
    });
}

/* A parameter from an application buffer. */
int asi_bind_param(CAsiStatement *s, int i, int sql_type, int host_type, void *buf, int length,
                   unsigned short *ind)
{
    return api_call(s, 0, [&] {
        std::unique_ptr<CAsiData> v;
        try {
            asi_host_bind b{host_type, buf, length, ind};
            asi_host_check(b);
            char text[BIND_DEC_TEXT];
            v.reset(bind_value_new(sql_type, b, text));
            if (text[0]) {
                if (!v->setText(text, (int)std::strlen(text)))
                    asi_raise_state(STATE_OUT_OF_RANGE);
            } else {
                asi_host_get(b, *v);
            }
            if (bind_was_cut(s->diag())) {
                s->diag().reset();
                asi_raise_state(STATE_TRUNCATION);
            }
        } catch (const CAsiException &e) {
            s->refuseParameter(i, e.code() < ENGINE_CODES ? e.code() : ASI_STATE_PARAMS);
            throw;
        }
        s->setParameter(i, *v);
        return 1;
    });
}

/* A new cursor handle. */
int asi_alloc_cursor(CAsiCursor **out)
{
    return api_alloc(out, [] { return new CAsiCursor(); });
}

/* Declares. */
int asi_declare_cursor(CAsiCursor *k, CAsiStatement *s, const char *name)
{
    return api_call(k, 0, [&] {
        k->declare(s, name);
        return 1;
    });
}

/* Opens. */
int asi_open_cursor(CAsiCursor *k)
{
    return api_call(k, 0, [&] {
        k->open();
        return 1;
    });
}

/* The fetches. */
int asi_fetch_next(CAsiCursor *k) { return api_fetch(k, ASI_FETCH_NEXT, 0); }
int asi_fetch_prior(CAsiCursor *k) { return api_fetch(k, ASI_FETCH_PRIOR, 0); }
int asi_fetch_first(CAsiCursor *k) { return api_fetch(k, ASI_FETCH_FIRST, 0); }
int asi_fetch_last(CAsiCursor *k) { return api_fetch(k, ASI_FETCH_LAST, 0); }
int asi_fetch_absolute(CAsiCursor *k, long n) { return api_fetch(k, ASI_FETCH_ABSOLUTE, n); }
int asi_fetch_relative(CAsiCursor *k, long n) { return api_fetch(k, ASI_FETCH_RELATIVE, n); }

/* The current row's number. */
long asi_row_number(const CAsiCursor *k)
{
    return k ? k->rowNumber() : 0;
}

/* Closes. */
int asi_close_cursor(CAsiCursor *k)
{
    return api_call(k, 0, [&] {
        k->close();
        return 1;
    });
}

/* Frees a cursor. */
int asi_free_cursor(CAsiCursor **k)
{
    return api_free(k);
}

/* The number of result columns. */
int asi_column_count(CAsiStatement *s)
{
    return api_call(s, -1, [&] { return s->columnCount(); });
}

/* Result column i. */
int asi_get_column(CAsiStatement *s, int i, CAsiColumn *out)
{
    return api_call(s, 0, [&] {
        if (!out)
            asi_throw(ASI_ERR_BAD_ARGUMENT, "asi_get_column", "no place for the column");
        *out = s->outputColumn(i);
        return 1;
    });
}

/* Result column i's name. */
int asi_column_name(CAsiStatement *s, int i, char *buf, int size)
{
    return api_call(s, 0, [&] {
        if (!buf || size <= 0)
            asi_throw(ASI_ERR_BAD_ARGUMENT, "asi_column_name", "no buffer");
        const CAsiUcStr &name = s->outputColumn(i).name().name();
        name.toMb(buf, size);
        if (name.mbLength() > size - 1)
            asi_warn_state(ASI_WARN_TRUNCATED);
        return 1;
    });
}

/* Result column i's type. */
int asi_column_type(CAsiStatement *s, int i, int *type, int *length, int *precision, int *scale,
                    int *nullable)
{
    return api_call(s, 0, [&] {
        const CAsiData *v = s->outputColumn(i).value();
        if (!v)
            asi_throw(ASI_ERR_DRIVER_REPLY, "asi_column_type", "column without a type");
        if (type)
            *type = v->typeCode();
        if (length)
            *length = (int)v->length();
        if (precision)
            *precision = (int)v->precision();
        if (scale)
            *scale = (int)v->scale();
        if (nullable)
            *nullable = s->columnNullable(i);
        return 1;
    });
}

/* Column i's value in the current row. */
const CAsiData *asi_value(CAsiCursor *k, int i)
{
    return api_call(k, (const CAsiData *)nullptr, [&] { return k->value(i); });
}

/* Column i's value into an application buffer. */
int asi_value_get(CAsiCursor *k, int i, int host_type, void *buf, int length, unsigned short *ind)
{
    asi_host_bind b{host_type, buf, length, ind};
    /* A value the row holds plain and the buffer takes whole can neither
    ** fail nor warn: it needs no frame. */
    if (k && asi_env().active() && asi_host_sound(b)) {
        k->diag().reset();
        if (k->putPlainWhole(i, b))
            return 1;
    }
    return api_call(k, 0, [&] {
        asi_host_check(b);
        k->putValue(i, b);
        return 1;
    });
}

/* Binds a buffer to column i. */
int asi_bind_column(CAsiCursor *k, int i, int host_type, void *buf, int length, unsigned short *ind)
{
    return api_call(k, 0, [&] {
        k->bind(i, asi_host_bind{host_type, buf, length, ind});
        return 1;
    });
}

/* Number of conditions. */
int asi_diag_count(const CAsiHandle *h)
{
    return h ? h->diagCount() : 0;
}

/* Condition i's native code. */
int asi_diag_cond_code(const CAsiHandle *h, int i)
{
    return h ? h->diagCondCode(i) : 0;
}

/* Condition i's text. */
int asi_diag_cond_text(const CAsiHandle *h, int i, char *buf, int size)
{
    if (!h || !buf || size <= 0)
        return 0;
    CAsiDiagArea scratch;
    return asi_try_call(&scratch, 0, [&] {
        CAsiUcStr text;
        int ok = h->diagCondText(i, text);
        text.toMb(buf, size);
        return ok;
    });
}

/* Condition i's SQLSTATE: the driver's when it gave one. */
int asi_diag_cond_sqlstate(const CAsiHandle *h, int i, char *buf)
{
    if (!h || !buf)
        return 0;
    CAsiDiagArea scratch;
    return asi_try_call(&scratch, 0, [&] { return h->diagCondSqlstate(i, buf); });
}

} /* extern "C" */
