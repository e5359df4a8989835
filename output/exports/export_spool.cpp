/*
** export_spool.cpp: the export's spool of first-pass objects (see
** export_spool.h). A record holds, in this order: the entity's name, the
** walker's result and, for a result of 0, the current object's fields
** (numbers as they are in memory, texts and point lists as a count and
** their elements), then the attribute columns' values (a flag and a text
** each) and the object's attribute flag. The file is a tmpfile(): it goes
** when it is closed or the program ends.
*/
#include "output/exports/export_spool.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "output/exports/export_state.h"

namespace {

/* Bytes of the scratch file's stdio buffer. */
constexpr std::size_t k_spool_buffer = 65536;

/* The spool's scratch file; null when none is open. */
std::FILE *g_spool = nullptr;
/* Its stdio buffer (owned). */
std::vector<char> g_buffer;
/* The record being made or read back, and where reading has come to. */
std::string g_record;
std::size_t g_at = 0;

/* Appends the bytes of a value of plain data to the record. */
template <typename T> void put_raw(const T &v)
{
    static_assert(std::is_trivially_copyable_v<T>);
    g_record.append(reinterpret_cast<const char *>(&v), sizeof v);
}

/* Takes the bytes of a value of plain data from the record. */
template <typename T> bool get_raw(T *v)
{
    static_assert(std::is_trivially_copyable_v<T>);
    if (g_record.size() - g_at < sizeof *v) return false;
    std::memcpy(v, g_record.data() + g_at, sizeof *v);
    g_at += sizeof *v;
    return true;
}

/* A text as its length and its characters. */
void put_text(const std::string &t)
{
    put_raw(t.size());
    g_record.append(t);
}
bool get_text(std::string *t)
{
    std::size_t n = 0;
    if (!get_raw(&n) || g_record.size() - g_at < n) return false;
    t->assign(g_record, g_at, n);
    g_at += n;
    return true;
}

/* A point list as its count and its numbers. */
void put_list(const std::vector<double> &v)
{
    put_raw(v.size());
    g_record.append(reinterpret_cast<const char *>(v.data()), v.size() * sizeof(double));
}
bool get_list(std::vector<double> *v)
{
    std::size_t n = 0;
    if (!get_raw(&n) || n > (std::size_t)EXPORT_POINTS_MAX || g_record.size() - g_at < n * sizeof(double))
        return false;
    v->resize(n);
    if (n) std::memcpy(v->data(), g_record.data() + g_at, n * sizeof(double));
    g_at += n * sizeof(double);
    return true;
}

/* Appends the current object's fields. */
void put_object(const export_object_rec &o)
{
    put_raw(o.ent_type);
    put_raw(o.point);
    put_text(o.name);
    put_text(o.style);
    put_text(o.layer);
    put_text(o.linetype);
    put_raw(o.height);
    put_raw(o.angle_deg);
    put_raw(o.rotation_deg);
    put_raw(o.scale_factor);
    put_raw(o.box_flag);
    put_raw(o.is_text);
    put_list(o.x);
    put_list(o.y);
    put_raw(o.length);
    put_raw(o.inside);
    put_raw(o.box);
}

/* Takes the current object's fields back, in put_object's order. */
bool get_object(export_object_rec *o)
{
    return get_raw(&o->ent_type) && get_raw(&o->point) && get_text(&o->name) && get_text(&o->style) &&
           get_text(&o->layer) && get_text(&o->linetype) && get_raw(&o->height) && get_raw(&o->angle_deg) &&
           get_raw(&o->rotation_deg) && get_raw(&o->scale_factor) && get_raw(&o->box_flag) &&
           get_raw(&o->is_text) && get_list(&o->x) && get_list(&o->y) && get_raw(&o->length) &&
           get_raw(&o->inside) && get_raw(&o->box);
}

/* Appends the attribute columns' values and the object's flag. */
void put_values(const export_state_rec &s)
{
    for (std::size_t i = (std::size_t)s.fixed_count; i < s.columns.size(); ++i) {
        put_raw(s.columns[i].has_value);
        put_text(s.columns[i].text);
    }
    put_raw(s.obj.has_attributes);
}

/* Takes them back; without attributes the columns stay empty, as a walk
** without attributes leaves them. */
bool get_values(export_state_rec &s, bool attributes)
{
    for (std::size_t i = (std::size_t)s.fixed_count; i < s.columns.size(); ++i) {
        export_column_rec &c = s.columns[i];
        if (!get_raw(&c.has_value) || !get_text(&c.text)) return false;
        if (!attributes) {
            c.has_value = false;
            c.text.clear();
        }
    }
    if (!get_raw(&s.obj.has_attributes)) return false;
    if (!attributes) s.obj.has_attributes = 0;
    return true;
}

/* Closes the spool after a failure; answers false. */
bool give_up()
{
    export_spool_close();
    return false;
}

}  // namespace

bool export_spool_open(void)
{
    export_spool_close();
    g_spool = std::tmpfile();
    if (!g_spool) return false;
    g_buffer.resize(k_spool_buffer);
    if (std::setvbuf(g_spool, g_buffer.data(), _IOFBF, g_buffer.size()) != 0) return give_up();
    return true;
}

bool export_spool_active(void)
{
    return g_spool != nullptr;
}

void export_spool_close(void)
{
    if (g_spool) std::fclose(g_spool);
    g_spool = nullptr;
    g_buffer = std::vector<char>();
    g_record = std::string();
}

void export_spool_rewind(void)
{
    if (g_spool && std::fseek(g_spool, 0, SEEK_SET) != 0) export_spool_close();
}

bool export_spool_put(const ads_name entity, int result)
{
    if (!g_spool) return false;
    const export_state_rec &s = export_state();
    g_record.clear();
    put_raw(entity[0]);
    put_raw(entity[1]);
    put_raw(result);
    if (result == 0) {
        put_object(s.obj);
        put_values(s);
    }
    std::size_t n = g_record.size();
    bool put = fwrite_unlocked(&n, sizeof n, 1, g_spool) == 1 && fwrite_unlocked(g_record.data(), 1, n, g_spool) == n;
    return put || give_up();
}

bool export_spool_get(const ads_name entity, bool attributes, int *result)
{
    if (!g_spool) return false;
    std::size_t n = 0;
    if (fread_unlocked(&n, sizeof n, 1, g_spool) != 1) return give_up();
    g_record.resize(n);
    g_at = 0;
    long name[2] = {0, 0};
    int rc = 0;
    if (fread_unlocked(g_record.data(), 1, n, g_spool) != n || !get_raw(&name[0]) || !get_raw(&name[1]) ||
        name[0] != entity[0] || name[1] != entity[1] || !get_raw(&rc))
        return give_up();
    export_state_rec &s = export_state();
    export_object_clear();
    for (export_column_rec &c : s.columns) {
        c.has_value = false;
        c.text.clear();
    }
    if (rc == 0 && (!get_object(&s.obj) || !get_values(s, attributes))) return give_up();
    *result = rc;
    return true;
}
