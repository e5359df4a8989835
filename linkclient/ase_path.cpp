/*
** ase_path.cpp: CAsePath: reading a path text part by part, its stored
** form (folding, quoted names, "*"), writing the text back with every dot
** in place, the sizes of its forms, comparing paths part by part, the
** host's name check of link path names, and reading a path from a reply.
**
** Delimiters of a part by level: environment, catalog and schema end at
** ".", the table at "(" (a "." inside it is refused), the LPN is enclosed
** in "(" and ")".  A catalog, schema or table may be written in double
** quotes and then keeps its case, blanks and quotes.
*/
#include "linkclient/ase_path.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "linkclient/ase_errlist.h"
#include "linkclient/ase_msgfile.h"
#include "linkclient/ase_resbuf.h"
#include "platform/include/ads_host.h"

namespace {

/* Bytes a whole text adds to its parts when it has an LPN: three dots, two
** parentheses and the NUL. */
constexpr int k_lpn_text_extra = 6;

/* Separator that ends a part of levels 2 to 4. */
char separator_of(int level) noexcept
{
    return level == ASE_LVL_TABLE ? '(' : '.';
}

/* Index past the blanks from i. */
int skip_blanks(const char *s, int i) noexcept
{
    while (s[i] == ' ' || s[i] == '\t')
        ++i;
    return i;
}

/* Length of s[from, to) without its trailing blanks. */
int trimmed_end(const char *s, int from, int to) noexcept
{
    while (to > from && (s[to - 1] == ' ' || s[to - 1] == '\t'))
        --to;
    return to;
}

/* Length of a part text, 0 for none. */
int len_of(const char *s) noexcept
{
    return s ? (int)std::strlen(s) : 0;
}

/* Appends n bytes of piece at *used within size bytes, always leaving room
** for the NUL; 0 when the piece was cut. */
int put(char *buf, int size, int *used, const char *piece, int n) noexcept
{
    int room = size - 1 - *used;
    int take = std::min(room, n);
    if (take > 0) {
        std::memcpy(buf + *used, piece, (std::size_t)take);
        *used += take;
    }
    buf[*used] = 0;
    return take == n;
}

/* A name of at least two characters in double quotes. */
bool quoted(const char *s) noexcept
{
    int n = len_of(s);
    return n >= 2 && s[0] == '"' && s[n - 1] == '"';
}

} // namespace

/* An empty path; storage on first use. */
CAsePath::CAsePath(CAseErrList *owner) noexcept : CAseStr(owner), m_attr(0)
{
}

CAsePath::~CAsePath() = default;

/* All parts empty, the status dropped; the storage stays.  1. */
int CAsePath::clear()
{
    empty();
    m_attr = 0;
    return 1;
}

/* A new path under the same list filled by copyFrom; null on failure, with
** (2, 2) without memory. */
CAseObj *CAsePath::clone() const
{
    return cloneInto(new CAsePath(m_owner));
}

/* Cleared, then the status and parts of another path; the text copy's
** result (1 for the same object). */
int CAsePath::copyFrom(const CAseObj *other)
{
    if (other == this)
        return 1;
    clear();
    if (other && other->isKindOf(ASE_CLASS_PATH))
        m_attr = static_cast<const CAsePath *>(other)->m_attr;
    return CAseStr::copyFrom(other);
}

/* Writes the status and the five parts on the host's text screen. */
void CAsePath::print() const
{
    static const char *const names[ASE_PATH_PARTS] = {" Env=%s", " Cat=%s", " Schm=%s", " Table=%s", " LPN=%s"};
    ads_printf("\nCAsePath: Attr=%d", m_attr);
    for (int k = 0; k < ASE_PATH_PARTS; ++k)
        ads_printf(names[k], part(k + 1) ? part(k + 1) : "");
}

/* ---- Parts --------------------------------------------------------------- */

/* Text of part `level`, null when absent or empty. */
const char *CAsePath::part(int level) const noexcept
{
    if (level < 1)
        return nullptr;
    const char *t = at(level - 1);
    return (t && *t) ? t : nullptr;
}

/* The level of the path by its highest part present. */
int CAsePath::level() const noexcept
{
    if (part(ASE_LVL_TABLE) || part(ASE_LVL_LPN))
        return ASE_LVL_TABLE;
    for (int k = ASE_LVL_SCHEMA; k >= ASE_LVL_ENV; --k)
        if (part(k))
            return k;
    return 0;
}

/* Empty items up to part level - 1, then the text (empty for none) as part
** `level`; the parts after it are dropped.  1, 0 on a storage failure. */
int CAsePath::storePart(int level, const char *text) noexcept
{
    if (level < 1)
        return error(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    if (!m_data && !alloc(std::max(ASE_PATH_MIN_STORAGE, len_of(text) + 1)))
        return 0;
    while (textCount() < level - 1)
        if (!setAt(textCount(), ""))
            return 0;
    return setAt(level - 1, text ? text : "");
}

/* (2, 26) with message 9/msg formatted with the character c; 0. */
int CAsePath::syntaxError(int msg, char c) const noexcept
{
    char text[ASE_MSGFILE_TEXT] = "";
    if (m_owner) {
        messageInto(ASE_MSG_SET_PATH, msg, text, sizeof text - 8);
        char *at = std::strstr(text, "%c");
        if (at) {
            at[0] = c;
            std::memmove(at + 1, at + 2, std::strlen(at + 2) + 1);
        }
    }
    return error(ASE_CAT_SYSTEM, ASE_ERR_PATH_SYNTAX, text);
}

/* (2, code) with message 9/msg as its text; 0. */
int CAsePath::messageError(int code, int msg) const noexcept
{
    char text[ASE_MSGFILE_TEXT];
    return error(ASE_CAT_SYSTEM, code, messageInto(ASE_MSG_SET_PATH, msg, text, sizeof text));
}

/* 1 when the host accepts text as a symbol name: converted into code page
** "1252" and checked by ads_snvalid with the bar test on. */
int CAsePath::isValidName(const char *text) const noexcept
{
    if (!text || !m_owner)
        return 0;
    char *name = m_owner->to1252(text);
    if (!name)
        return 0;
    int ok = ads_snvalid(name, 1) == RTNORM;
    m_owner->release(name);
    return ok;
}

/* Reads one part of level from text (see the head of the file); *rest
** gets what follows it (null when nothing does).  An empty environment,
** catalog or schema (a leading ".") is allowed with allowEmpty; inParens
** makes an LPN end at ")"; without allowRest nothing may follow.  A part
** read is stored (environment, LPN and plain names folded unless "*").
** 1; 0 with (2, 26) for a text too long or a character unexpected or
** missing, (2, 29) for an LPN the host refuses. */
int CAsePath::parsePart(const char *text, int level, int allowEmpty, int inParens, int allowRest,
                        const char **rest) noexcept
{
    *rest = nullptr;
    if (!text)
        return 1;
    std::size_t len = std::strlen(text);
    if (len >= (std::size_t)ASE_PATH_TEXT_MAX)
        return error(ASE_CAT_SYSTEM, ASE_ERR_PATH_SYNTAX);
    char work[ASE_PATH_TEXT_MAX];
    std::memcpy(work, text, len + 1);
    int i = skip_blanks(work, 0);
    if (!work[i])
        return 1;
    int from = i, to = 0, next = -1;   /* the name work[from, to); rest from next */
    bool fold = true;
    if (level >= ASE_LVL_LPN || level < ASE_LVL_ENV) {
        bool closed = inParens != 0;
        if (work[i] == '(') {
            i = skip_blanks(work, i + 1);
            if (!work[i])
                return syntaxError(ASE_MSG_MISSING, ')');
            closed = true;
            from = i;
        }
        if (closed) {
            const char *close = std::strchr(work + from + 1, ')');
            if (!close)
                return syntaxError(ASE_MSG_MISSING, ')');
            to = (int)(close - work);
            next = to + 1;
        } else {
            to = (int)len;
        }
        to = trimmed_end(work, from, to);
        work[to] = 0;
        const char *bar = std::strchr(work + from, '|');
        if (bar && (bar == work + from || bar == work + to - 1))
            return syntaxError(ASE_MSG_UNEXPECTED, '|');
        if (std::strcmp(work + from, "*") != 0 && !isValidName(work + from))
            return messageError(ASE_ERR_PATH_NAME, ASE_MSG_BAD_NAME);
    } else if (work[i] == '.') {
        if (!allowEmpty)
            return syntaxError(ASE_MSG_UNEXPECTED, '.');
        i = skip_blanks(work, i + 1);
        *rest = work[i] ? text + i : nullptr;
        return 1;
    } else if (level == ASE_LVL_ENV) {
        const char *dot = std::strchr(work + from + 1, '.');
        to = dot ? (int)(dot - work) : (int)len;
        next = dot ? to + 1 : -1;
        to = trimmed_end(work, from, to);
    } else if (work[i] == '"') {
        const char *q = std::strchr(work + from + 1, '"');
        if (!q)
            return syntaxError(ASE_MSG_MISSING, '"');
        to = (int)(q - work) + 1;
        fold = false;
        int j = skip_blanks(work, to);
        if (work[j] == separator_of(level))
            next = j + 1;
        else if (work[j])
            return syntaxError(ASE_MSG_UNEXPECTED, work[j]);
    } else {
        const char *sep = std::strchr(work + from + 1, separator_of(level));
        to = sep ? (int)(sep - work) : (int)len;
        next = sep ? to + 1 : -1;
        to = trimmed_end(work, from, to);
        for (int k = from; k < to; ++k)
            if (work[k] == ' ' || work[k] == '\t' || work[k] == '.')
                return syntaxError(ASE_MSG_UNEXPECTED, work[k]);
    }
    if (next >= 0) {
        next = skip_blanks(work, next);
        if (work[next])
            *rest = text + next;
    }
    if (*rest && !allowRest) {
        char c = **rest;
        *rest = nullptr;
        return syntaxError(ASE_MSG_UNEXPECTED, c);
    }
    work[to] = 0;
    const char *name = work + from;
    if (!*name)
        return 1;
    if (!fold || std::strcmp(name, "*") == 0)
        return storePart(level, name);
    char *up = m_owner ? m_owner->upper(name) : nullptr;
    if (!up)
        return 0;
    int ok = storePart(level, up);
    m_owner->release(up);
    return ok;
}

/* Clears the parts from level on (0 counts as 1) and reads the text from
** that level: parts up to the table in order, the rest (or a text that
** begins with "(", or any text at level 5) as the LPN.  1 or 0. */
int CAsePath::setText(const char *text, int level) noexcept
{
    if (level < 1)
        level = 1;
    if (!m_data && !alloc(std::max(ASE_PATH_MIN_STORAGE, len_of(text) + ASE_PATH_TEXT_ROOM)))
        return 0;
    if (!setPart(level, nullptr, 1))
        return 0;
    if (!text)
        return 1;
    const char *rest = text;
    if (text[0] != '(' && level <= ASE_LVL_TABLE) {
        for (int k = level; k <= ASE_LVL_TABLE; ++k) {
            const char *after = nullptr;
            if (!parsePart(rest, k, 1, 0, 1, &after))
                return 0;
            if (!after)
                return 1;
            rest = after;
        }
    }
    const char *after = nullptr;
    return parsePart(rest, ASE_LVL_LPN, 1, 1, 0, &after);
}

/* Part `level` from text: stored unchanged with parse 0; with parse 1 the
** part and all after it are cleared and the whole text must be that one
** part.  1 or 0. */
int CAsePath::setPart(int level, const char *text, int parse) noexcept
{
    if (!m_data && !alloc(std::max(ASE_PATH_MIN_STORAGE, len_of(text) + 1)))
        return 0;
    if (!parse)
        return storePart(level, text);
    if (!storePart(level, nullptr))
        return 0;
    const char *rest = nullptr;
    return parsePart(text, level, 0, 0, 0, &rest);
}

/* 1 when the LPN holds a vertical bar. */
int CAsePath::lpnHasBar() const noexcept
{
    const char *l = part(ASE_LVL_LPN);
    return l && std::strchr(l, '|') != nullptr;
}

/* 1 when part 2, 3 or 4 is present and begins with a double quote. */
int CAsePath::isQuoted(int level) const noexcept
{
    const char *p = (level >= ASE_LVL_CAT && level <= ASE_LVL_TABLE) ? part(level) : nullptr;
    return p && p[0] == '"';
}

/* ---- Texts and sizes ------------------------------------------------------ */

/* Bytes of the whole text with its NUL. */
int CAsePath::textSize() const noexcept
{
    int sum = 0, highest = 0;
    for (int k = ASE_LVL_ENV; k <= ASE_LVL_TABLE; ++k)
        if (part(k)) {
            sum += len_of(part(k));
            highest = k;
        }
    const char *lpn = part(ASE_LVL_LPN);
    if (lpn)
        return sum + len_of(lpn) + k_lpn_text_extra;
    return sum + highest;
}

/* Bytes of a form with its NUL; 0 for a missing part or an empty form. */
int CAsePath::formSize(int form) const noexcept
{
    int lpn = part(ASE_LVL_LPN) ? len_of(part(ASE_LVL_LPN)) + 2 : 0;
    switch (form) {
    case 1: case 2: case 3: case 4: case 5:
        return part(form) ? len_of(part(form)) + 1 : 0;
    case 0: case ASE_FORM_WHOLE:
        return textSize();
    case ASE_FORM_NO_LPN: {
        int n = textSize() - lpn;
        return (lpn && n == 4) ? 0 : n;
    }
    case ASE_FORM_SQL: {
        int n = textSize() - len_of(part(ASE_LVL_ENV)) - 1 - lpn;
        return (lpn && n == 3) ? 0 : std::max(n, 0);
    }
    default:
        return 0;
    }
}

/* The path text up to level upTo (5 or more: with the LPN) into buf, every
** missing part keeping its dot.  1 when it fit (also for a size below 1,
** nothing written); 0 without a buffer or when the text was cut. */
int CAsePath::buildText(char *buf, int size, int upTo) const noexcept
{
    if (size < 1)
        return 1;
    if (!buf)
        return 0;
    buf[0] = 0;
    int used = 0, last = ASE_LVL_ENV, ok = 1;
    int top = (upTo >= ASE_LVL_ENV && upTo <= ASE_LVL_TABLE) ? upTo : ASE_LVL_TABLE;
    if (part(ASE_LVL_ENV))
        ok = put(buf, size, &used, part(ASE_LVL_ENV), len_of(part(ASE_LVL_ENV)));
    for (int k = ASE_LVL_CAT; ok && k <= top; ++k) {
        if (!part(k))
            continue;
        for (int d = last; ok && d < k; ++d)
            ok = put(buf, size, &used, ".", 1);
        if (ok)
            ok = put(buf, size, &used, part(k), len_of(part(k)));
        last = k;
    }
    const char *lpn = part(ASE_LVL_LPN);
    if (ok && lpn && (upTo >= ASE_LVL_LPN || upTo < ASE_LVL_ENV)) {
        for (int d = last; ok && d < ASE_LVL_TABLE; ++d)
            ok = put(buf, size, &used, ".", 1);
        if (ok)
            ok = put(buf, size, &used, "(", 1) && put(buf, size, &used, lpn, len_of(lpn)) &&
                 put(buf, size, &used, ")", 1);
    }
    return ok;
}

/* The table as SQL names it: catalog.schema.table, schema.table or the
** table alone (a catalog without a schema is left out).  1 when it fit; 0
** for a size below 1 or without a table. */
int CAsePath::sqlTableName(char *buf, int size) const noexcept
{
    if (!buf || size < 1)
        return 0;
    buf[0] = 0;
    const char *cat = part(ASE_LVL_CAT), *sch = part(ASE_LVL_SCHEMA), *tab = part(ASE_LVL_TABLE);
    if (!tab)
        return 0;
    int used = 0, ok = 1;
    if (cat && sch)
        ok = put(buf, size, &used, cat, len_of(cat)) && put(buf, size, &used, ".", 1);
    if (ok && sch)
        ok = put(buf, size, &used, sch, len_of(sch)) && put(buf, size, &used, ".", 1);
    return ok && put(buf, size, &used, tab, len_of(tab));
}

/* ---- Order ---------------------------------------------------------------- */

/* Two stored names of a level: "*" matches anything, an empty name only "*"
** or another empty one (else it is the smaller); quoted names of levels 2
** to 4 without their quotes; then the current locale's collation. */
int CAsePath::comparePart(int level, const char *a, const char *b) const noexcept
{
    if (a == b)
        return 0;
    int la = len_of(a), lb = len_of(b);
    if (!la && !lb)
        return 0;
    if (!la)
        return std::strcmp(b, "*") == 0 ? 0 : -1;
    if (!lb)
        return std::strcmp(a, "*") == 0 ? 0 : 1;
    if (std::strcmp(a, "*") == 0 || std::strcmp(b, "*") == 0)
        return 0;
    std::string x(a), y(b);
    if (level >= ASE_LVL_CAT && level <= ASE_LVL_TABLE) {
        if (quoted(a))
            x = x.substr(1, x.size() - 2);
        if (quoted(b))
            y = y.substr(1, y.size() - 2);
    }
    if (x.empty() || y.empty())
        return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
    if (!m_owner)
        return -1;
    int r = m_owner->compareByLocale(x.c_str(), y.c_str());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

/* Parts from..to (0: 1 and 4) of two paths in order; the first difference.
** ASE_CMP_NONE for no other path, a start above 4 or after the end. */
int CAsePath::compareRange(const CAseObj *other, int from, int to) const noexcept
{
    if (other == this)
        return 0;
    if (!other || !other->isKindOf(ASE_CLASS_PATH) || from > ASE_LVL_TABLE)
        return ASE_CMP_NONE;
    if (from < 1)
        from = 1;
    if (to < 1)
        to = ASE_LVL_TABLE;
    if (from > to)
        return ASE_CMP_NONE;
    const CAsePath *o = static_cast<const CAsePath *>(other);
    for (int k = from; k <= to && k <= ASE_LVL_TABLE; ++k) {
        int r = comparePart(k, part(k), o->part(k));
        if (r)
            return r;
    }
    return 0;
}

/* Two LPNs that are given and do not begin with "*" decide alone, byte by
** byte; otherwise the LPNs as parts, then environment to table. */
int CAsePath::compare(const CAseObj *other) const
{
    if (other == this)
        return 0;
    if (!other || !other->isKindOf(ASE_CLASS_PATH))
        return ASE_CMP_NONE;
    const CAsePath *o = static_cast<const CAsePath *>(other);
    const char *a = part(ASE_LVL_LPN), *b = o->part(ASE_LVL_LPN);
    if (a && b && a[0] != '*' && b[0] != '*') {
        int r = std::strcmp(a, b);
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    int r = comparePart(ASE_LVL_LPN, a, b);
    return r ? r : compareRange(other, 1, ASE_LVL_TABLE);
}

/* The comparison of a form: one part, the whole path, environment to table,
** or catalog to table. */
int CAsePath::compareTo(int form, const CAseObj *other) const noexcept
{
    if (other == this)
        return 0;
    if (!other || !other->isKindOf(ASE_CLASS_PATH))
        return ASE_CMP_NONE;
    const CAsePath *o = static_cast<const CAsePath *>(other);
    switch (form) {
    case 1: case 2: case 3: case 4: case 5:
        return comparePart(form, part(form), o->part(form));
    case ASE_FORM_WHOLE:
        return compare(other);
    case ASE_FORM_NO_LPN:
        return compareRange(other, 1, ASE_LVL_TABLE);
    case ASE_FORM_SQL:
        return compareRange(other, ASE_LVL_CAT, ASE_LVL_TABLE);
    default:
        return ASE_CMP_NONE;
    }
}

/* ---- Replies -------------------------------------------------------------- */

/* Path text (RTSTR) and status (RTSHORT) at cursor, optionally in RTLB ..
** RTLE; the cursor moves past them.  1; 0 with (2, 27) and message 9/4. */
int CAsePath::fromReply(const resbuf *&cursor) noexcept
{
    clear();
    const resbuf *rb = cursor;
    if (rb && rb->restype == RTLB)
        rb = rb->rbnext;
    if (!rb || rb->restype != RTSTR || !rb->resval.rstring || !setText(rb->resval.rstring, 1) ||
        !rb->rbnext || rb->rbnext->restype != RTSHORT)
        return messageError(ASE_ERR_BAD_DATA, ASE_MSG_NO_PATH);
    rb = rb->rbnext;
    m_attr = rb->resval.rint;
    rb = rb->rbnext;
    if (rb && rb->restype == RTLE)
        rb = rb->rbnext;
    cursor = rb;
    return 1;
}

/* The pair (RTSTR whole text, "" for an empty path)(RTSHORT low 16 bits
** of the status) linked in after the element tail points to (the old
** continuation follows the RTSHORT); tail moves to the RTSHORT.  The
** RTSTR; null with (2, 2) without memory. */
resbuf *CAsePath::toReply(resbuf *&tail) noexcept
{
    int n = textSize() + 1;
    char *text = m_owner ? m_owner->get(n) : nullptr;
    if (!text) {
        error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return nullptr;
    }
    buildText(text, n, ASE_LVL_LPN);
    resbuf *pair = ads_buildlist(RTSTR, text, RTSHORT, (int)(short)(m_attr & 0xFFFF), 0);
    m_owner->release(text);
    if (!pair) {
        error(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
        return nullptr;
    }
    if (tail) {
        pair->rbnext->rbnext = tail->rbnext;
        tail->rbnext = pair;
    }
    tail = pair->rbnext;
    return pair;
}

/* Cleared, then consecutive RTSTR elements of the list from its cursor as
** environment, catalog and schema (parsed); after the third the status is
** 512: 1.  Fewer: (2, 27) with message 9/4, 0. */
int CAsePath::fromList(CAseResBuf &list) noexcept
{
    clear();
    for (int k = ASE_LVL_ENV; k <= ASE_LVL_SCHEMA; ++k) {
        const resbuf *rb = list.get(1);
        if (!rb || rb->restype != RTSTR || !rb->resval.rstring)
            return messageError(ASE_ERR_BAD_DATA, ASE_MSG_NO_PATH);
        if (!setPart(k, rb->resval.rstring, 1))
            return 0;
        list.next();
    }
    m_attr = ASE_PATH_STATUS_LIST;
    return 1;
}

/* A scratch copy of part `level`: a quoted catalog, schema or table without
** its quotes (empty for one of at most 2 characters), any other part as it
** is; null when missing or without memory.  Given back with the owner's
** release. */
char *CAsePath::unquoted(int level) const noexcept
{
    const char *p = part(level);
    if (!p || !m_owner)
        return nullptr;
    int n = len_of(p);
    bool q = isQuoted(level);
    char *copy = m_owner->get(n);
    if (!copy)
        return nullptr;
    if (!q)
        std::memcpy(copy, p, (std::size_t)n + 1);
    else if (n > 2)
        std::memcpy(copy, p + 1, (std::size_t)n - 2);
    return copy;
}
