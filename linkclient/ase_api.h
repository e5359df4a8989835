/*
** ase_api.h: the link client's C interface.  The application reaches the
** editor's link store only through these functions: opaque handles of four
** kinds (1 application, 2 link path, 3 link, 4 link selection) made with
** ase_open_app and ase_alloc_dsc and released with ase_close_app and
** ase_free_dsc, the requests of each kind, the handle's error list, and
** column values (engine columns with their values) passed to and from the
** requests.
**
** Results: a null handle (or required pointer) gives 0 at once, except
** ase_cmp_path, ase_get_link_number, ase_linksel_request36 and
** ase_linksel_request39, which give -1; a handle of another kind counts as
** null.  Otherwise 1 (or a count, flag word or pointer) on success and 0 on
** failure, the reason left in the handle's error list.  Chains returned
** are the caller's (ads_relrb), columns too (ase_free_value(s)); texts
** returned as pointers stay the handle's.
**
**     void *app = ase_open_app();
**     void *p = ase_alloc_dsc(app, ASE_DSC_PATH);
**     ase_init_path(p, "DB3", 1);  int st = ase_get_path_status(p);
**     ase_free_dsc(&p);  ase_close_app(&app);
*/
#ifndef PV_LINKCLIENT_ASE_API_H
#define PV_LINKCLIENT_ASE_API_H

#include "platform/include/ads_host.h"

class CAsiColumn;
class CAsiIdent;
class CAsiStatement;
class CAsiHandle;

extern "C" {

/* ---- Descriptor life ---- */
void *ase_open_app(void);
void ase_close_app(void **app);
void *ase_alloc_dsc(void *app, int type);
void ase_free_dsc(void **dsc);
int ase_init_dsc(void *dsc);
int ase_check_dsc(void *dsc);
int ase_get_dsc_type(void *dsc);
void *ase_clone_dsc(void *dsc);
int ase_copy_dsc(void *dsc, void *src);
int ase_equal_dsc(void *dsc, void *other);
const char *ase_get_app_text(void *dsc);
int ase_fetch_app_errs(void *app);

/* ---- The error list of any handle ---- */
int ase_get_err_count(void *dsc);
int ase_get_err_category(void *dsc, int i);
int ase_get_err_code(void *dsc, int i);
int ase_get_err_message(void *dsc, int i, char *buf, int size);
int ase_clear_errs(void *dsc);
const char *ase_get_err_param(void *dsc, int row, int *id, int *kind);
int ase_get_err_int(void *dsc, int i, int id, int *out);
int ase_get_err_str(void *dsc, int i, int id, char *buf, int size);
int ase_add_errs_from(void *dsc, const CAsiHandle *object);

/* ---- Link paths (type 2) ---- */
int ase_set_path_name(void *dsc, const char *text);
int ase_path_request14(void *dsc, const char *text);
int ase_path_request15(void *dsc);
int ase_init_path(void *dsc, const char *name, int level);
int ase_get_path_text(void *dsc, char *buf, int size, int form);
int ase_get_path_text_len(void *dsc, int form);
int ase_match_path(void *dsc, const char *text, int form);
int ase_cmp_path(void *dsc, void *other, int form);
int ase_get_path_level(void *dsc);
int ase_get_path_status(void *dsc);
int ase_path_request17(void *dsc);
int ase_get_path_row(void *dsc, CAsiColumn ***array, int *count);
int ase_create_path(void *dsc, CAsiColumn **values, int count);
int ase_path_request18(void *dsc);
int ase_path_request5(void *dsc, const char *newName);
int ase_path_request16(void *dsc);
struct resbuf *ase_get_path_names(void *dsc);
struct resbuf *ase_get_path_list(void *dsc, int number);

/* ---- Links (type 3) ---- */
int ase_init_link(void *dsc, int kind);
int ase_link_request28(void *dsc, long number);
int ase_create_link(void *dsc, const char *lpn, CAsiColumn **values, int count, const ads_name entity);
int ase_create_link_ex(void *dsc, const char *lpn, CAsiColumn **values, int count, CAsiColumn **second,
                       int secondCount, const struct resbuf *list);
long ase_get_link_number(void *dsc);
int ase_get_link_kind(void *dsc);
int ase_get_link_name(void *dsc, char *buf, int size);
int ase_get_link_name_len(void *dsc);
int ase_set_link_name(void *dsc, const char *text);
int ase_set_link_entity(void *dsc, const ads_name entity);
int ase_get_link_entity(void *dsc, ads_name out);
int ase_get_link_keys(void *dsc, CAsiColumn **values, int count);
int ase_set_link_keys(void *dsc, CAsiColumn **values, int count);
int ase_set_link_attr79(void *dsc, CAsiColumn **values, int count);
int ase_get_link_attr79(void *dsc, CAsiColumn ***array, int *count);
int ase_set_link_attr8(void *dsc, const struct resbuf *chain);
int ase_set_link_attr9(void *dsc, CAsiColumn **values, int count);
int ase_write_link(void *dsc);
int ase_link_request31(void *dsc);
int ase_link_request33(void *dsc);
int ase_get_link_attr10(void *dsc, char *buf, int size);
int ase_get_link_attr3(void *dsc);

/* ---- Link selections (type 4): selecting (request 34) ---- */
int ase_select_links(void *dsc, int kind);
int ase_select_links_by_selset(void *dsc, int kind, const ads_name selset);
int ase_select_links_by_entity(void *dsc, int kind, const ads_name entity);
int ase_select_links_by_text(void *dsc, int kind, const char *text);
int ase_select_links_by_lpn(void *dsc, int kind, const char *lpn);
int ase_select_links_by_path(void *dsc, int kind, void *path);
int ase_select_links_by_entity_lpn(void *dsc, int kind, const ads_name entity, const char *lpn);
int ase_select_links_by_entity_path(void *dsc, int kind, const ads_name entity, void *path);
int ase_select_links_by_selset_lpn(void *dsc, int kind, const ads_name selset, const char *lpn);
int ase_select_links_by_selset_path(void *dsc, int kind, const ads_name selset, void *path);
int ase_select_links_by_lpn_str(void *dsc, int kind, const char *lpn, const char *text);
int ase_select_links_by_path_str(void *dsc, int kind, void *path, const char *text);
int ase_select_links_by_lpn_keys(void *dsc, int kind, const char *lpn, CAsiColumn **values, int count);
int ase_select_links_by_path_keys(void *dsc, int kind, void *path, CAsiColumn **values, int count);

/* ---- Link selections: adding (request 43) ---- */
int ase_add_links(void *dsc, int kind);
int ase_add_links_by_text(void *dsc, const char *text);
int ase_add_links_by_selset(void *dsc, const ads_name selset);
int ase_add_links_by_entity(void *dsc, const ads_name entity);
int ase_add_links_by_lpn(void *dsc, const char *lpn);
int ase_add_links_by_path(void *dsc, void *path);
int ase_add_links_by_lpn_keys(void *dsc, const char *lpn, CAsiColumn **values, int count);
int ase_add_links_by_path_keys(void *dsc, void *path, CAsiColumn **values, int count);
int ase_add_links_by_lpn_str(void *dsc, const char *lpn, const char *text);
int ase_add_links_by_path_str(void *dsc, void *path, const char *text);

/* ---- Link selections: the requests of their name ---- */
int ase_linksel_request35(void *dsc);
int ase_linksel_request36(void *dsc, long n);
int ase_linksel_request37(void *dsc, long n);
int ase_linksel_request38(void *dsc, long n);
int ase_linksel_request39(void *dsc, long n);
int ase_linksel_request40(void *dsc, void *other);
int ase_linksel_request41(void *dsc, void *other);
int ase_linksel_request42(void *dsc, void *other);
int ase_linksel_request43(void *dsc, const struct resbuf *filter);
struct resbuf *ase_linksel_request44(void *dsc);
struct resbuf *ase_linksel_request45(void *dsc);
int ase_linksel_request46(void *dsc, ads_name out);
int ase_linksel_request50(void *dsc);
int ase_erase_links(void *dsc);

/* ---- Column values ---- */
CAsiColumn **ase_alloc_values(int count);
CAsiColumn **ase_clone_values(CAsiColumn **array, int count);
void ase_free_values(CAsiColumn ***array, int count);
CAsiColumn *ase_clone_value(const CAsiColumn *column);
void ase_free_value(CAsiColumn **column);
int ase_copy_value(CAsiColumn *target, const CAsiColumn *source);
int ase_set_value_null(CAsiColumn *column);
int ase_get_value_rbtype(const CAsiColumn *column, int *isNull);
int ase_get_value_long(const CAsiColumn *column, long *out);
int ase_set_value_long(CAsiColumn *column, long v);
int ase_get_value_double(const CAsiColumn *column, double *out);
int ase_set_value_double(CAsiColumn *column, double v);
int ase_get_value_str(const CAsiColumn *column, char *buf, int size);
int ase_set_value_str(CAsiColumn *column, const char *text);
int ase_cmp_value_names(const CAsiColumn *a, const CAsiColumn *b);
int ase_set_ident(CAsiIdent *ident, const char *text);
int ase_cmp_ident(const CAsiIdent *a, const CAsiIdent *b);
int ase_get_row_value(const CAsiStatement *stmt, int i, CAsiColumn **out);
int ase_bind_param_value(CAsiStatement *stmt, int i, const CAsiColumn *column);

} /* extern "C" */

#endif
