/*
** upgrade.h: carrying a version-3.0 project over into the current layout.
**
** A version-3.0 project is a directory of dBASE files with a catalogue,
** PETRIVEX.DBF, holding one record per field of every old table: its type
** word, yes/no options, keyword list and symbol placement. The upgrade
** reads that catalogue, makes dictionaries and profiles of the keyword
** lists, and rewrites every old table into the current field layout; the
** old files stay beside the new ones as NAME283.DBF and NAME283.DBT.
**
** This part works on the files alone (names, ids, the dictionary files,
** the new layout and the record conversion), so that it can be checked
** without a connection:
**
**     item_node root = {};
**     upg_keywords_tree(&root, "ROCKP", "ROCKD", "granite (coarse fine) basalt");
**     upg_write_dictionary_dbf("/proj/", "ROCKD", "ROCKP", &root);
*/
#ifndef PV_DATA_UPGRADE_H
#define PV_DATA_UPGRADE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/item_tree.h"
#include "dbf/dbf.h"

/* Type words of a catalogue row, in index order. */
#define UPG_TYPE_TEXT 0
#define UPG_TYPE_SYM  1
#define UPG_TYPE_MEMO 2
#define UPG_TYPE_INT  3
#define UPG_TYPE_REAL 4
#define UPG_TYPE_PNT  5
#define UPG_TYPE_DATE 6
#define UPG_TYPE_ISTR 7
#define UPG_TYPE_RSTR 8
#define UPG_TYPE_COUNT 9

/* Widths of the item fields an ISTR or RSTR field is spread over. */
#define UPG_ISTR_WIDTH 2
#define UPG_RSTR_WIDTH 5

/* Results of the file work. */
#define UPG_ERR_FILES  (-9201)   /* not in the old layout, or cannot be rewritten */
#define UPG_ERR_MEMORY (-9101)   /* memory ran out */

/* Name of the old copy of a table: NAME + this, and of its memo side table: NAME + "MEM". */
#define UPG_OLD_SUFFIX "283"
/* Text the first memo field of a rewritten record holds. */
#define UPG_MEMO_MARK "MEMO"
/* Width of the first memo field of a rewritten table, and of any further one. */
#define UPG_MEMO_FIRST_WIDTH 4
#define UPG_MEMO_MORE_WIDTH 100
/* Width of the unique number field "ID" of a rewritten table. */
#define UPG_ID_WIDTH 8

/* ---- Names and catalogue values (upg_names.cpp) ---- */

int upg_field_yes(const char *text);
int upg_field_type(const char *text);
uint16_t upg_read_id(const char *text);
long upg_read_id_field(const char *text, int length);
int upg_name_equal(const char *a, const char *b, int n);
char *upg_clean_name(char *name);
char *upg_upper_n(char *name, int n);
int upg_copy_left(char *field, int width, const char *text);
int upg_copy_right(char *field, int width, unsigned long number);
int upg_reserved_name(char *name);
int upg_project_dir(const char *configured, std::string &out);

/* ---- Dictionaries, layout and records (upg_files.cpp) ---- */

/* What one record conversion answers besides the record. */
struct upg_record_out {
    long number;              /* the record's unique number (from its old ID), -1 without ID */
    std::string memo;         /* text of the first memo field, empty when none */
    int has_memo;             /* 1 when the first memo field held a memo */
    unsigned long lacking;    /* first character of the old code page that Windows-1252 lacks, 0 for none */
    std::string lacking_in;   /* the field that held it */
};

int upg_keywords_tree(item_node *root, const char *profile, const char *dictionary, const char *keywords);
int upg_write_dictionary_dbf(const char *dir, const char *dictionary, const char *profile, item_node *root);
int upg_new_layout(dbf_handle *old_h, const char *table, col_attr_rec *rules, dbf_handle *new_h);
int upg_convert_record(dbf_handle *old_h, dbf_handle *new_h, const char *table, col_attr_rec *rules,
                       upg_record_out *out);
int upg_has_old_layout(const dbf_handle *h);
void upg_item_fields(const col_attr_rec *rule, std::vector<std::string> &out);

/* ---- The command and the project's upgrade (upgrade.cpp) ---- */

struct resbuf;
struct pjct_rec;
struct tbl_rec;

int upg_write_dictionary_files(pjct_rec *project, const char *dictionary, const char *profile, item_node *root);
int upg_keywords_to_dictionary(pjct_rec *project, col_attr_rec *rule, const std::string &field,
                               const std::string &keywords);
int upg_project_from_row(pjct_rec *project, dbf_handle *h);
int upg_column_from_row(pjct_rec *project, dbf_handle *h);
int upg_table_from_row(pjct_rec *project, dbf_handle *h);
int upg_point_from_row(pjct_rec *project, dbf_handle *h);
int upg_restructure_table(pjct_rec *project, tbl_rec *row);
col_attr_rec *upg_column_by_id(pjct_rec *project, uint16_t id);
int upg_load_symbol_fonts(void);
int upg_symbol_from_row(pjct_rec *project, dbf_handle *h);
int upg_copy_master_symbol(pjct_rec *project);
int upg_run(void *dialog, pjct_rec *project);
/* The mark of an upgrade under way in the project folder dir (upg_mark.cpp):
** begun before anything changes (0, or -1 said: nothing is upgraded), a
** table named before its files are set aside, a dictionary or profile
** before it is written, ended once the setup is saved (0) or, when it
** could not be, undone at once (-1; -2 when it could not be undone, the
** mark left for the next logon; said). */
int upg_mark_begin(const char *dir);
int upg_mark_table(const char *name, const char *new_name);
int upg_mark_made(const char *name);
int upg_mark_end(bool saved);
/* At logon, an upgrade of the project folder dir cut short is undone: each
** set-aside table put back, the setup tables as they were and every file
** the upgrade made removed; said once. 1 when undone, 0 when there was
** none, -1 when the mark is not used or a file cannot be put back (said;
** the mark stays). */
int upg_recover(const char *dir);
long upg_map_entities(void);
int pv_upgrade(struct resbuf *args);

#endif
