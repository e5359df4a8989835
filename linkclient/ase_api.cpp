/*
** ase_api.cpp: the link client's C interface: the null-handle and kind
** tests in front of each descriptor method, the life of handles, and the
** column-value functions, each run in its own frame so that no exception
** crosses the C boundary.
*/
#include "linkclient/ase_api.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "linkclient/ase_app.h"
#include "linkclient/ase_link.h"
#include "linkclient/ase_linksel.h"
#include "linkclient/ase_lp.h"
#include "linkclient/ase_msgfile.h"
#include "linkclient/ase_values.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/asi_statement.h"
#include "sqlclient/values/asi_data.h"

namespace {

/* The descriptor behind a handle, or null. */
CAseDsc *as_dsc(void *h) noexcept
{
    return static_cast<CAseDsc *>(h);
}

/* The descriptor of a kind behind a handle; null for null or another kind. */
template <class T>
T *as_kind(void *h) noexcept
{
    return h ? dynamic_cast<T *>(static_cast<CAseDsc *>(h)) : nullptr;
}

/* Runs a virtual slot of dsc in a frame of its error list. */
template <class R, class F>
R in_frame(CAseDsc *dsc, R fail, F &&body) noexcept
{
    return ase_dsc_guard(dsc->req(), fail, std::forward<F>(body));
}

/* Runs a column-value body in a frame without a list; fail on exception. */
template <class R, class F>
R in_value_frame(R fail, F &&body) noexcept
{
    return ase_dsc_guard(static_cast<CAseErrList *>(nullptr), fail, std::forward<F>(body));
}

/* Host result types of the column-value interface. */
constexpr int k_rb_text = RTSTR;
constexpr int k_rb_real = RTREAL;
constexpr int k_rb_long = RTLONG;
constexpr int k_rb_none = RTVOID;

/* Bytes of the name text of an item-table row. */
constexpr int k_item_name = 256;

} // namespace

extern "C" {

/* ---- Descriptor life ------------------------------------------------------- */

/* A new connected application handle; 0 when it cannot be made or
** connected (nothing left allocated). */
void *ase_open_app(void)
{
    CAseAppDsc *app = in_value_frame(static_cast<CAseAppDsc *>(nullptr), [] { return new CAseAppDsc(nullptr); });
    if (!app)
        return nullptr;
    if (app->init() != 1) {
        delete app;
        return nullptr;
    }
    return app;
}

/* Disconnects and destroys the application handle; the caller's handle
** becomes null.  Nothing for a null pointer or handle. */
void ase_close_app(void **app)
{
    if (!app || !*app)
        return;
    CAseDsc *d = as_dsc(*app);
    if (auto *a = dynamic_cast<CAseAppDsc *>(d))
        a->terminate();
    delete d;
    *app = nullptr;
}

/* A new descriptor of the type (1 to 4) under the handle's channel; 0 for
** another type or when it cannot be made: a failure inside the making is
** caught here, the half-made descriptor is destroyed and the reason is left
** in the given handle's error list. */
void *ase_alloc_dsc(void *app, int type)
{
    CAseDsc *parent = as_dsc(app);
    if (!parent || type < ASE_DSC_APP || type > ASE_DSC_LINKSEL)
        return nullptr;
    return in_frame(parent, static_cast<CAseDsc *>(nullptr), [&]() -> CAseDsc * {
        switch (type) {
        case ASE_DSC_APP:
            return new CAseAppDsc(parent);
        case ASE_DSC_PATH:
            return new CAsePathDsc(parent);
        case ASE_DSC_LINK:
            return new CAseLinkDsc(parent);
        default:
            return new CAseLinkSelDsc(parent);
        }
    });
}

/* Destroys the descriptor and nulls the caller's handle. */
void ase_free_dsc(void **dsc)
{
    if (!dsc || !*dsc)
        return;
    delete as_dsc(*dsc);
    *dsc = nullptr;
}

/* The descriptor's init: 1 or 0. */
int ase_init_dsc(void *dsc)
{
    CAseDsc *d = as_dsc(dsc);
    return d ? in_frame(d, 0, [&] { return d->init(); }) : 0;
}

/* 1 when the descriptor is usable, else 0 with (8, 902) or (8, 903). */
int ase_check_dsc(void *dsc)
{
    CAseDsc *d = as_dsc(dsc);
    return d ? in_frame(d, 0, [&] { return d->check(); }) : 0;
}

/* The descriptor's kind, 1 to 4; 0 for null. */
int ase_get_dsc_type(void *dsc)
{
    CAseDsc *d = as_dsc(dsc);
    return d ? d->type() : 0;
}

/* A new descriptor of the same kind and content owned by the caller; 0 on
** failure. */
void *ase_clone_dsc(void *dsc)
{
    CAseDsc *d = as_dsc(dsc);
    return d ? in_frame(d, static_cast<CAseDsc *>(nullptr), [&] { return d->clone(); }) : nullptr;
}

/* The descriptor takes the content of src: 1 or 0. */
int ase_copy_dsc(void *dsc, void *src)
{
    CAseDsc *d = as_dsc(dsc);
    return d ? in_frame(d, 0, [&] { return d->copyFrom(as_dsc(src)); }) : 0;
}

/* 1 when the two descriptors are equal; 0 otherwise or for a null other. */
int ase_equal_dsc(void *dsc, void *other)
{
    CAseDsc *d = as_dsc(dsc);
    if (!d || !other)
        return 0;
    return in_frame(d, 0, [&] { return d->isEqual(as_dsc(other)); });
}

/* The host text of the handle's application while usable, else 0. */
const char *ase_get_app_text(void *dsc)
{
    CAseDsc *d = as_dsc(dsc);
    return d ? d->getAppText() : nullptr;
}

/* The host's pending error items (request 63) into the handle's list; 1,
** 0 on failure. */
int ase_fetch_app_errs(void *app)
{
    CAseDsc *d = as_dsc(app);
    if (!d)
        return 0;
    return in_frame(d, 0, [&] {
        d->check();
        d->channel()->fetchErrors(d->req(), nullptr);
        return 1;
    });
}

/* ---- The error list ----------------------------------------------------------- */

int ase_get_err_count(void *dsc)
{
    return dsc ? as_dsc(dsc)->errCount() : 0;
}

/* The error list's item accessor of its name; 0 out of range or for a
** null handle. */
int ase_get_err_category(void *dsc, int i)
{
    return dsc ? as_dsc(dsc)->errCategory(i) : 0;
}

/* The error list's item accessor of its name; 0 out of range or for a
** null handle. */
int ase_get_err_code(void *dsc, int i)
{
    return dsc ? as_dsc(dsc)->errCode(i) : 0;
}

/* The message text of item i into buf (emptied first); 0 for a null buffer. */
int ase_get_err_message(void *dsc, int i, char *buf, int size)
{
    return dsc ? as_dsc(dsc)->errMessage(i, buf, size) : 0;
}

/* Empties the handle's error list; 1, 0 for a null handle. */
int ase_clear_errs(void *dsc)
{
    return dsc ? as_dsc(dsc)->errClear() : 0;
}

/* Row of the item table: its item id and kind (1 text, 0 integer) and the
** name text (valid until the next call); 0 for a row outside 0 to 19. */
const char *ase_get_err_param(void *dsc, int row, int *id, int *kind)
{
    static thread_local char name[k_item_name];
    CAseDsc *d = as_dsc(dsc);
    if (!d || !d->req() || row < 0 || row >= ASE_ITEM_ROWS)
        return nullptr;
    int itemId = 0, isText = 0;
    if (!CAseErrList::itemName(row, &itemId, &isText))
        return nullptr;
    if (id)
        *id = itemId;
    if (kind)
        *kind = isText;
    name[0] = 0;
    return d->req()->itemNameText(row, name, sizeof name);
}

/* The error list's item accessor of its name; 0 out of range or for a
** null handle. */
int ase_get_err_int(void *dsc, int i, int id, int *out)
{
    return dsc ? as_dsc(dsc)->errInt(i, id, out) : 0;
}

/* The error list's item accessor of its name; 0 out of range or for a
** null handle. */
int ase_get_err_str(void *dsc, int i, int id, char *buf, int size)
{
    return dsc ? as_dsc(dsc)->errText(i, id, buf, size) : 0;
}

/* The diagnostics of an SQL client handle as items; (8, 901) for null. */
int ase_add_errs_from(void *dsc, const CAsiHandle *object)
{
    return dsc ? as_dsc(dsc)->errFromHandle(object) : 0;
}

/* ---- Link paths --------------------------------------------------------------- */

int ase_set_path_name(void *dsc, const char *text)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->setName(text) : 0;
}

/* Forwards to CAsePathDsc::request14: its result; 0 for a null handle or one of
** another kind. */
int ase_path_request14(void *dsc, const char *text)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->request14(text) : 0;
}

/* Forwards to CAsePathDsc::request15: its result; 0 for a null handle or one of
** another kind. */
int ase_path_request15(void *dsc)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->request15() : 0;
}

/* Forwards to CAsePathDsc::setPart: its result; 0 for a null handle or one of
** another kind. */
int ase_init_path(void *dsc, const char *name, int level)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->setPart(name, level) : 0;
}

/* Forwards to CAsePathDsc::getText: its result; 0 for a null handle or one of
** another kind. */
int ase_get_path_text(void *dsc, char *buf, int size, int form)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->getText(buf, size, form) : 0;
}

/* Forwards to CAsePathDsc::textLength: its result; 0 for a null handle or one of
** another kind. */
int ase_get_path_text_len(void *dsc, int form)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->textLength(form) : 0;
}

/* Forwards to CAsePathDsc::matches: its result; 0 for a null handle or one of
** another kind. */
int ase_match_path(void *dsc, const char *text, int form)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->matches(text, form) : 0;
}

/* 1 when the paths are equal in the form, 0 when not; -1 for a null handle. */
int ase_cmp_path(void *dsc, void *other, int form)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->compare(as_dsc(other), form) : -1;
}

/* Forwards to CAsePathDsc::level: its result; 0 for a null handle or one of
** another kind. */
int ase_get_path_level(void *dsc)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->level() : 0;
}

/* Forwards to CAsePathDsc::status: its result; 0 for a null handle or one of
** another kind. */
int ase_get_path_status(void *dsc)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->status() : 0;
}

/* Forwards to CAsePathDsc::request17: its result; 0 for a null handle or one of
** another kind. */
int ase_path_request17(void *dsc)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->request17() : 0;
}

/* Forwards to CAsePathDsc::keyColumns: its result; 0 for a null handle or one of
** another kind. */
int ase_get_path_row(void *dsc, CAsiColumn ***array, int *count)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->keyColumns(array, count) : 0;
}

/* Forwards to CAsePathDsc::createFromValues: its result; 0 for a null handle or one of
** another kind. */
int ase_create_path(void *dsc, CAsiColumn **values, int count)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->createFromValues(values, count) : 0;
}

/* Forwards to CAsePathDsc::request18: its result; 0 for a null handle or one of
** another kind. */
int ase_path_request18(void *dsc)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->request18() : 0;
}

/* Forwards to CAsePathDsc::renameLpn: its result; 0 for a null handle or one of
** another kind. */
int ase_path_request5(void *dsc, const char *newName)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->renameLpn(newName) : 0;
}

/* Forwards to CAsePathDsc::request16: its result; 0 for a null handle or one of
** another kind. */
int ase_path_request16(void *dsc)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->request16() : 0;
}

/* The link path names within the path (a chain the caller releases); 0 on
** failure. */
struct resbuf *ase_get_path_names(void *dsc)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->names() : nullptr;
}

/* Forwards to CAsePathDsc::request11: its result; null for a null handle or one of
** another kind. */
struct resbuf *ase_get_path_list(void *dsc, int number)
{
    CAsePathDsc *p = as_kind<CAsePathDsc>(dsc);
    return p ? p->request11(number) : nullptr;
}

/* ---- Links ---------------------------------------------------------------------- */

int ase_init_link(void *dsc, int kind)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->init(kind) : 0;
}

/* Forwards to CAseLinkDsc::request28: its result; 0 for a null handle or one of
** another kind. */
int ase_link_request28(void *dsc, long number)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->request28(number) : 0;
}

/* Forwards to CAseLinkDsc::createFromValues: its result; 0 for a null handle or one of
** another kind. */
int ase_create_link(void *dsc, const char *lpn, CAsiColumn **values, int count, const ads_name entity)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->createFromValues(lpn, values, count, entity) : 0;
}

int ase_create_link_ex(void *dsc, const char *lpn, CAsiColumn **values, int count, CAsiColumn **second,
                       int secondCount, const struct resbuf *list)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->create2FromValues(lpn, values, count, second, secondCount, list) : 0;
}

/* The link number (-1 for a link not yet written); -1 for a null handle,
** 0 on failure. */
long ase_get_link_number(void *dsc)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->number() : -1;
}

/* Forwards to CAseLinkDsc::kind: its result; 0 for a null handle or one of
** another kind. */
int ase_get_link_kind(void *dsc)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->kind() : 0;
}

/* Forwards to CAseLinkDsc::getName: its result; 0 for a null handle or one of
** another kind. */
int ase_get_link_name(void *dsc, char *buf, int size)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->getName(buf, size) : 0;
}

/* Forwards to CAseLinkDsc::nameSize: its result; 0 for a null handle or one of
** another kind. */
int ase_get_link_name_len(void *dsc)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->nameSize() : 0;
}

/* Forwards to CAseLinkDsc::setName: its result; 0 for a null handle or one of
** another kind. */
int ase_set_link_name(void *dsc, const char *text)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->setName(text) : 0;
}

/* Forwards to CAseLinkDsc::setEntity: its result; 0 for a null handle or one of
** another kind. */
int ase_set_link_entity(void *dsc, const ads_name entity)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->setEntity(entity) : 0;
}

/* Forwards to CAseLinkDsc::getEntity: its result; 0 for a null handle or one of
** another kind. */
int ase_get_link_entity(void *dsc, ads_name out)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->getEntity(out) : 0;
}

/* Forwards to CAseLinkDsc::getKeys: its result; 0 for a null handle or one of
** another kind. */
int ase_get_link_keys(void *dsc, CAsiColumn **values, int count)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->getKeys(values, count) : 0;
}

/* Forwards to CAseLinkDsc::setKeysFromValues: its result; 0 for a null handle or one of
** another kind. */
int ase_set_link_keys(void *dsc, CAsiColumn **values, int count)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->setKeysFromValues(values, count) : 0;
}

/* Forwards to CAseLinkDsc::setSecondFromValues: its result; 0 for a null handle or one of
** another kind. */
int ase_set_link_attr79(void *dsc, CAsiColumn **values, int count)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->setSecondFromValues(values, count) : 0;
}

/* Forwards to CAseLinkDsc::getSecond: its result; 0 for a null handle or one of
** another kind. */
int ase_get_link_attr79(void *dsc, CAsiColumn ***array, int *count)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->getSecond(array, count) : 0;
}

/* Forwards to CAseLinkDsc::setList: its result; 0 for a null handle or one of
** another kind. */
int ase_set_link_attr8(void *dsc, const struct resbuf *chain)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->setList(chain) : 0;
}

/* Forwards to CAseLinkDsc::setSecondValuesFromValues: its result; 0 for a null handle or one of
** another kind. */
int ase_set_link_attr9(void *dsc, CAsiColumn **values, int count)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->setSecondValuesFromValues(values, count) : 0;
}

/* Forwards to CAseLinkDsc::write: its result; 0 for a null handle or one of
** another kind. */
int ase_write_link(void *dsc)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->write() : 0;
}

/* Forwards to CAseLinkDsc::request31: its result; 0 for a null handle or one of
** another kind. */
int ase_link_request31(void *dsc)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->request31() : 0;
}

/* Forwards to CAseLinkDsc::request33: its result; 0 for a null handle or one of
** another kind. */
int ase_link_request33(void *dsc)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->request33() : 0;
}

/* Forwards to CAseLinkDsc::getText: its result; 0 for a null handle or one of
** another kind. */
int ase_get_link_attr10(void *dsc, char *buf, int size)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->getText(buf, size) : 0;
}

/* Forwards to CAseLinkDsc::flag3: its result; 0 for a null handle or one of
** another kind. */
int ase_get_link_attr3(void *dsc)
{
    CAseLinkDsc *l = as_kind<CAseLinkDsc>(dsc);
    return l ? l->flag3() : 0;
}

/* ---- Link selections ------------------------------------------------------------ */

/* Selects (add 0) or adds (add 1) with the filter after the null tests of
** the handle and (when given) the path handle; 0 for a null handle. */
static int sel_with(void *dsc, const ase_filter &f, unsigned need, int add, void *path = nullptr, int mode = 0)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    if (!s)
        return 0;
    ase_filter g = f;
    if (need & ASE_NEED_PATH)
        g.path = as_kind<CAsePathDsc>(path);
    return s->selectWith(g, need, add, mode);
}

/* The same with the key row made from a value array. */
static int sel_with_keys(void *dsc, const ase_filter &f, unsigned need, int add, CAsiColumn **values, int count,
                         void *path = nullptr)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    if (!s)
        return 0;
    ase_filter g = f;
    if (need & ASE_NEED_PATH)
        g.path = as_kind<CAsePathDsc>(path);
    return s->selectWithKeys(g, need, add, values, count);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links(void *dsc, int kind)
{
    ase_filter f;
    f.kind = kind;
    return sel_with(dsc, f, 0, 0, nullptr, ASE_MODE_ONE);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_selset(void *dsc, int kind, const ads_name selset)
{
    ase_filter f;
    f.kind = kind;
    f.selset = selset;
    return sel_with(dsc, f, ASE_NEED_SELSET, 0);
}

/* Selects the links of the entity (of the kind, any kind for 0); 1 when
** the store gave a selection. */
int ase_select_links_by_entity(void *dsc, int kind, const ads_name entity)
{
    ase_filter f;
    f.kind = kind;
    f.entity = entity;
    return sel_with(dsc, f, ASE_NEED_ENTITY, 0);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_text(void *dsc, int kind, const char *text)
{
    ase_filter f;
    f.kind = kind;
    f.text = text;
    return sel_with(dsc, f, ASE_NEED_TEXT, 0);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_lpn(void *dsc, int kind, const char *lpn)
{
    ase_filter f;
    f.kind = kind;
    f.lpn = lpn;
    return sel_with(dsc, f, ASE_NEED_LPN, 0);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_path(void *dsc, int kind, void *path)
{
    ase_filter f;
    f.kind = kind;
    return sel_with(dsc, f, ASE_NEED_PATH, 0, path);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_entity_lpn(void *dsc, int kind, const ads_name entity, const char *lpn)
{
    ase_filter f;
    f.kind = kind;
    f.entity = entity;
    f.lpn = lpn;
    return sel_with(dsc, f, ASE_NEED_ENTITY | ASE_NEED_LPN, 0);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_entity_path(void *dsc, int kind, const ads_name entity, void *path)
{
    ase_filter f;
    f.kind = kind;
    f.entity = entity;
    return sel_with(dsc, f, ASE_NEED_ENTITY | ASE_NEED_PATH, 0, path);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_selset_lpn(void *dsc, int kind, const ads_name selset, const char *lpn)
{
    ase_filter f;
    f.kind = kind;
    f.selset = selset;
    f.lpn = lpn;
    return sel_with(dsc, f, ASE_NEED_SELSET | ASE_NEED_LPN, 0);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_selset_path(void *dsc, int kind, const ads_name selset, void *path)
{
    ase_filter f;
    f.kind = kind;
    f.selset = selset;
    return sel_with(dsc, f, ASE_NEED_SELSET | ASE_NEED_PATH, 0, path);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_lpn_str(void *dsc, int kind, const char *lpn, const char *text)
{
    ase_filter f;
    f.kind = kind;
    f.lpn = lpn;
    f.text2 = text;
    return sel_with(dsc, f, ASE_NEED_LPN | ASE_NEED_TEXT2, 0);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_path_str(void *dsc, int kind, void *path, const char *text)
{
    ase_filter f;
    f.kind = kind;
    f.text2 = text;
    return sel_with(dsc, f, ASE_NEED_PATH | ASE_NEED_TEXT2, 0, path);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_lpn_keys(void *dsc, int kind, const char *lpn, CAsiColumn **values, int count)
{
    ase_filter f;
    f.kind = kind;
    f.lpn = lpn;
    return sel_with_keys(dsc, f, ASE_NEED_LPN, 0, values, count);
}

/* Selects (request 34) the links of the filter of its name; 1 when the
** store gave a selection, 0 on failure or for a null handle. */
int ase_select_links_by_path_keys(void *dsc, int kind, void *path, CAsiColumn **values, int count)
{
    ase_filter f;
    f.kind = kind;
    return sel_with_keys(dsc, f, ASE_NEED_PATH, 0, values, count, path);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links(void *dsc, int kind)
{
    ase_filter f;
    f.kind = kind;
    return sel_with(dsc, f, 0, 1);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_text(void *dsc, const char *text)
{
    ase_filter f;
    f.text = text;
    return sel_with(dsc, f, ASE_NEED_TEXT, 1);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_selset(void *dsc, const ads_name selset)
{
    ase_filter f;
    f.selset = selset;
    return sel_with(dsc, f, ASE_NEED_SELSET, 1);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_entity(void *dsc, const ads_name entity)
{
    ase_filter f;
    f.entity = entity;
    return sel_with(dsc, f, ASE_NEED_ENTITY, 1);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_lpn(void *dsc, const char *lpn)
{
    ase_filter f;
    f.lpn = lpn;
    return sel_with(dsc, f, ASE_NEED_LPN, 1);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_path(void *dsc, void *path)
{
    ase_filter f;
    return sel_with(dsc, f, ASE_NEED_PATH, 1, path);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_lpn_keys(void *dsc, const char *lpn, CAsiColumn **values, int count)
{
    ase_filter f;
    f.lpn = lpn;
    return sel_with_keys(dsc, f, ASE_NEED_LPN, 1, values, count);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_path_keys(void *dsc, void *path, CAsiColumn **values, int count)
{
    ase_filter f;
    return sel_with_keys(dsc, f, ASE_NEED_PATH, 1, values, count, path);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_lpn_str(void *dsc, const char *lpn, const char *text)
{
    ase_filter f;
    f.lpn = lpn;
    f.text2 = text;
    return sel_with(dsc, f, ASE_NEED_LPN | ASE_NEED_TEXT2, 1);
}

/* Adds (request 43) the links of the filter of its name to the selection;
** 1 on T, 0 on failure or for a null handle. */
int ase_add_links_by_path_str(void *dsc, void *path, const char *text)
{
    ase_filter f;
    f.text2 = text;
    return sel_with(dsc, f, ASE_NEED_PATH | ASE_NEED_TEXT2, 1, path);
}

/* Number of links selected; 0 on failure. */
int ase_linksel_request35(void *dsc)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->linkCount() : 0;
}

/* The store's number for n; -1 for a null handle. */
int ase_linksel_request36(void *dsc, long n)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->request36(n) : -1;
}

/* Forwards to CAseLinkSelDsc::request37: its result; 0 for a null handle or one of
** another kind. */
int ase_linksel_request37(void *dsc, long n)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->request37(n) : 0;
}

/* Forwards to CAseLinkSelDsc::request38: its result; 0 for a null handle or one of
** another kind. */
int ase_linksel_request38(void *dsc, long n)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->request38(n) : 0;
}

/* The store's number for n; -1 for a null handle. */
int ase_linksel_request39(void *dsc, long n)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->request39(n) : -1;
}

/* Forwards to CAseLinkSelDsc::request40: its result; 0 for a null handle or one of
** another kind. */
int ase_linksel_request40(void *dsc, void *other)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->request40(as_dsc(other)) : 0;
}

/* Forwards to CAseLinkSelDsc::request41: its result; 0 for a null handle or one of
** another kind. */
int ase_linksel_request41(void *dsc, void *other)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->request41(as_dsc(other)) : 0;
}

/* Forwards to CAseLinkSelDsc::request42: its result; 0 for a null handle or one of
** another kind. */
int ase_linksel_request42(void *dsc, void *other)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->request42(as_dsc(other)) : 0;
}

/* Forwards to CAseLinkSelDsc::addSelect: its result; 0 for a null handle or one of
** another kind. */
int ase_linksel_request43(void *dsc, const struct resbuf *filter)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->addSelect(filter) : 0;
}

/* Forwards to CAseLinkSelDsc::copySelectionList: its result; null for a null handle or one of
** another kind. */
struct resbuf *ase_linksel_request44(void *dsc)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->copySelectionList() : nullptr;
}

/* Forwards to CAseLinkSelDsc::copyReply45: its result; null for a null handle or one of
** another kind. */
struct resbuf *ase_linksel_request45(void *dsc)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->copyReply45() : nullptr;
}

/* Forwards to CAseLinkSelDsc::getSelSet: its result; 0 for a null handle or one of
** another kind. */
int ase_linksel_request46(void *dsc, ads_name out)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->getSelSet(out) : 0;
}

/* Forwards to CAseLinkSelDsc::request50: its result; 0 for a null handle or one of
** another kind. */
int ase_linksel_request50(void *dsc)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->request50() : 0;
}

/* Erases the selected links; the handle then holds no selection.  1 or 0. */
int ase_erase_links(void *dsc)
{
    CAseLinkSelDsc *s = as_kind<CAseLinkSelDsc>(dsc);
    return s ? s->erase() : 0;
}

/* ---- Column values ------------------------------------------------------------- */

/* A zeroed array of count column pointers (free with ase_free_values); 0
** for a negative count or without memory. */
CAsiColumn **ase_alloc_values(int count)
{
    if (count < 0 || ase_dsc_alloc_refused())
        return nullptr;
    return static_cast<CAsiColumn **>(std::calloc((std::size_t)(count ? count : 1), sizeof(CAsiColumn *)));
}

/* A new array of clones (null elements stay null); 0 for a null array, a
** negative count, or when the array or a clone cannot be made (then nothing
** is left allocated). */
CAsiColumn **ase_clone_values(CAsiColumn **array, int count)
{
    if (!array || count < 0)
        return nullptr;
    CAsiColumn **out = ase_alloc_values(count);
    if (!out)
        return nullptr;
    for (int i = 0; i < count; ++i) {
        if (!array[i])
            continue;
        if (!(out[i] = ase_dsc_column_copy(*array[i]))) {
            for (int k = 0; k < i; ++k)
                delete out[k];
            std::free(out);
            return nullptr;
        }
    }
    return out;
}

/* Destroys the elements up to the first null one or the count, frees the
** array and nulls the caller's pointer. */
void ase_free_values(CAsiColumn ***array, int count)
{
    if (!array || !*array)
        return;
    CAsiColumn **a = *array;
    for (int i = 0; i < count && a[i]; ++i) {
        delete a[i];
        a[i] = nullptr;
    }
    std::free(a);
    *array = nullptr;
}

/* A new column with the same name and value; 0 for null or without memory. */
CAsiColumn *ase_clone_value(const CAsiColumn *column)
{
    return column ? ase_dsc_column_copy(*column) : nullptr;
}

/* Destroys the column; the caller's pointer is left as it was. */
void ase_free_value(CAsiColumn **column)
{
    if (column)
        delete *column;
}

/* The target takes a copy of the source's value: 1.  Without a source
** value the target's value is set null: 0. */
int ase_copy_value(CAsiColumn *target, const CAsiColumn *source)
{
    if (!target || !source)
        return 0;
    return in_value_frame(0, [&] {
        if (source->value()) {
            target->setValue(source->value());
            return 1;
        }
        if (target->value())
            target->value()->setNull();
        return 0;
    });
}

/* Sets the value null; 1, 0 without a value object. */
int ase_set_value_null(CAsiColumn *column)
{
    if (!column || !column->value())
        return 0;
    return in_value_frame(0, [&] {
        column->value()->setNull();
        return 1;
    });
}

/* The host result type of the column's SQL type and its null flag. */
int ase_get_value_rbtype(const CAsiColumn *column, int *isNull)
{
    if (!column || !column->value())
        return k_rb_none;
    return in_value_frame(k_rb_none, [&] {
        const CAsiData *v = column->value();
        if (isNull)
            *isNull = v->isNull() ? 1 : 0;
        switch (v->typeCode()) {
        case ASI_TYPE_CHAR: case ASI_TYPE_DATETIME: case ASI_TYPE_INTERVAL: case ASI_TYPE_VARCHAR:
            return k_rb_text;
        case ASI_TYPE_NUMERIC: case ASI_TYPE_DECIMAL: case ASI_TYPE_FLOAT: case ASI_TYPE_REAL:
            return k_rb_real;
        case ASI_TYPE_INTEGER: case ASI_TYPE_SMALLINT:
            return k_rb_long;
        default:
            return k_rb_none;
        }
    });
}

/* The value as a long; 1, 0 without a value object, pointer or value. */
int ase_get_value_long(const CAsiColumn *column, long *out)
{
    if (!column || !column->value() || !out)
        return 0;
    return in_value_frame(0, [&] {
        std::int32_t v = 0;
        if (!column->value()->getLong(&v))
            return 0;
        *out = v;
        return 1;
    });
}

/* The value set from a long; 1, 0 without a value object. */
int ase_set_value_long(CAsiColumn *column, long v)
{
    if (!column || !column->value())
        return 0;
    return in_value_frame(0, [&] { return column->value()->setLong((std::int32_t)v) ? 1 : 0; });
}

/* The value as a double; 1, 0 without a value object, pointer or value. */
int ase_get_value_double(const CAsiColumn *column, double *out)
{
    if (!column || !column->value() || !out)
        return 0;
    return in_value_frame(0, [&] { return column->value()->getDouble(out) ? 1 : 0; });
}

/* The value set from a double; 1, 0 without a value object. */
int ase_set_value_double(CAsiColumn *column, double v)
{
    if (!column || !column->value())
        return 0;
    return in_value_frame(0, [&] { return column->value()->setDouble(v) ? 1 : 0; });
}

/* The value's text (bit values in hexadecimal) in the library's code page
** into buf (emptied first, last byte NUL); 1, 0 without a value object or
** for a size below 1. */
int ase_get_value_str(const CAsiColumn *column, char *buf, int size)
{
    if (!column || !buf || size < 1)
        return 0;
    buf[0] = 0;
    if (!column->value())
        return 0;
    return in_value_frame(0, [&] {
        CAsiUcStr text;
        if (ase_value_text(*column->value(), text))
            text.toMb(buf, size);
        buf[size - 1] = 0;
        return 1;
    });
}

/* The value set from text (a bit value from hexadecimal digits); 1, 0
** without a value object or when the value refuses the text. */
int ase_set_value_str(CAsiColumn *column, const char *text)
{
    if (!column || !column->value() || !text)
        return 0;
    return in_value_frame(0, [&] { return ase_value_set_text(*column->value(), text) ? 1 : 0; });
}

/* 1 when the two column names are equal as SQL identifiers. */
int ase_cmp_value_names(const CAsiColumn *a, const CAsiColumn *b)
{
    if (!a || !b)
        return 0;
    return in_value_frame(0, [&] { return a->name() == b->name() ? 1 : 0; });
}

/* Sets the identifier from text: a text of two or more characters in
** double quotes makes a delimited identifier, any other a regular one.  The
** text is read from a copy; the caller's stays as it was.  1, 0 on failure. */
int ase_set_ident(CAsiIdent *ident, const char *text)
{
    if (!ident || !text)
        return 0;
    return in_value_frame(0, [&] {
        std::string copy(text);
        ident->set(CAsiUcStr(copy.c_str()));
        return 1;
    });
}

/* 1 when the two identifiers are equal; 0 otherwise or for a null one. */
int ase_cmp_ident(const CAsiIdent *a, const CAsiIdent *b)
{
    if (!a || !b)
        return 0;
    return in_value_frame(0, [&] { return *a == *b ? 1 : 0; });
}

/* A clone of result column i of a prepared statement with the value the
** statement describes for it; 1, 0 on failure or for a negative index. */
int ase_get_row_value(const CAsiStatement *stmt, int i, CAsiColumn **out)
{
    if (!stmt || !out || i < 0)
        return 0;
    return in_value_frame(0, [&] {
        const CAsiColumn &col = stmt->outputColumn(i);
        CAsiData *described = nullptr;
        if (stmt->describeColumn(i, &described) != 1)
            return 0;
        CAsiColumn *copy = ase_dsc_column_copy(col);
        if (!copy) {
            delete described;
            return 0;
        }
        try {
            copy->setValue(described);
        } catch (...) {
            delete described;
            delete copy;
            throw;
        }
        delete described;
        *out = copy;
        return 1;
    });
}

/* Binds the column's value as input parameter i; 1, 0 on failure. */
int ase_bind_param_value(CAsiStatement *stmt, int i, const CAsiColumn *column)
{
    if (!stmt || !column || !column->value() || i < 0)
        return 0;
    return in_value_frame(0, [&] {
        stmt->setParameter(i, *column->value());
        return 1;
    });
}

} /* extern "C" */
