/*
** asi_api.h: the C-callable interface of the SQL client engine.
**
** Every function runs inside an exception frame of the engine: a failure
** answers 0 (or the value named below) and leaves its conditions in the
** diagnostics of the handle it was given (the environment's for asi_init
** and for a failed allocation), read with asi_diag_count,
** asi_diag_cond_code and asi_diag_cond_text.  No exception leaves these
** functions.  The order of use:
**
**     asi_init();
**     asi_alloc_connection(&c); asi_connect(c, "DB3", "", "");
**     asi_alloc_stmt(&s); asi_prepare(s, c, "SELECT * FROM ROCK");
**     if (asi_diag_dynamic_function(s) == ASI_FUNC_CURSOR_SPEC) {
**         asi_alloc_cursor(&k); asi_declare_cursor(k, s, "QWERTYUIOPASDFGHJ");
**         asi_open_cursor(k); while (asi_fetch_next(k)) ...; asi_close_cursor(k);
**         asi_free_cursor(&k);
**     } else asi_execute(s, &rows);
**     asi_free_stmt(&s); asi_disconnect(c); asi_free_connection(&c); asi_term();
*/
#ifndef PV_SQLCLIENT_ASI_API_H
#define PV_SQLCLIENT_ASI_API_H

#include "sqlclient/asi_config.h"
#include "sqlclient/asi_connection.h"
#include "sqlclient/asi_cursor.h"
#include "sqlclient/asi_descriptor.h"
#include "sqlclient/asi_statement.h"

class CAsiCfgHandle;

extern "C" {

/* Starts and stops the engine; 1, or 0 with a condition of the
** environment.  asi_term shuts every driver down. */
int asi_init(void);
int asi_term(void);

/* The environment's handle, for the diagnostics of calls without one. */
CAsiHandle *asi_env_handle(void);

/* Configuration store.  asi_cfg_open opens asi.ini at path (null: the
** default store) and makes it the store the drivers are looked up in;
** asi_cfg_read reads an entry into buf (size bytes), or with a null key
** the section's keys, or with a null section the section names (each
** terminated, the list ended by one more terminator), answering 1, or 0
** on failure (the condition 0xB028 when the entry is absent);
** asi_cfg_write sets an entry (a null value deletes the key, a null key
** the section) and writes the file atomically; asi_cfg_close frees the
** handle and clears it.  The handle's diagnostics tell the failures. */
int asi_cfg_open(const char *path, CAsiCfgHandle **out);
int asi_cfg_read(CAsiCfgHandle *cfg, const char *section, const char *key, char *buf, int size);
int asi_cfg_write(CAsiCfgHandle *cfg, const char *section, const char *key, const char *value);
int asi_cfg_close(CAsiCfgHandle **cfg);

/* Connections: allocate, connect to an environment as user, set the
** default catalog and schema, disconnect, free (and clear the handle). */
int asi_alloc_connection(CAsiConnection **out);
int asi_connect(CAsiConnection *c, const char *env, const char *user, const char *password);
int asi_set_catalog(CAsiConnection *c, const char *catalog);
int asi_set_schema(CAsiConnection *c, const char *schema);
int asi_disconnect(CAsiConnection *c);
int asi_free_connection(CAsiConnection **c);

/* Statements: allocate, prepare on a connection, the dynamic function code
** of the prepared statement (18 a cursor specification; 0 on failure),
** execute (rows touched into *rows when given), release in the driver,
** free (and clear the handle). */
int asi_alloc_stmt(CAsiStatement **out);
int asi_prepare(CAsiStatement *s, CAsiConnection *c, const char *text);
int asi_diag_dynamic_function(CAsiStatement *s);
int asi_execute(CAsiStatement *s, long *rows);
int asi_deallocate(CAsiStatement *s);
int asi_free_stmt(CAsiStatement **s);

/* Input parameter i (from 0) of a prepared statement: a copy of a value,
** or the value read from an application buffer into a value of type
** sql_type (an ASI_TYPE_... code). */
int asi_set_param(CAsiStatement *s, int i, const CAsiData *value);
int asi_bind_param(CAsiStatement *s, int i, int sql_type, int host_type, void *buf, int length,
                   unsigned short *ind);

/* Cursors: allocate, declare on a prepared cursor specification under a
** name, open, fetch (1 on a row; 0 when there is none, with the condition
** 02000 (code 0x0200), or on failure), close, free. */
int asi_alloc_cursor(CAsiCursor **out);
int asi_declare_cursor(CAsiCursor *k, CAsiStatement *s, const char *name);
int asi_open_cursor(CAsiCursor *k);
int asi_fetch_next(CAsiCursor *k);
int asi_fetch_prior(CAsiCursor *k);
int asi_fetch_first(CAsiCursor *k);
int asi_fetch_last(CAsiCursor *k);
int asi_fetch_absolute(CAsiCursor *k, long n);
int asi_fetch_relative(CAsiCursor *k, long n);
int asi_close_cursor(CAsiCursor *k);
int asi_free_cursor(CAsiCursor **k);

/* The number (from 1) of the row the cursor's last fetch read, 0 when it
** stands on no row: after asi_fetch_last, the number of rows. */
long asi_row_number(const CAsiCursor *k);

/* Result columns of a prepared statement: the count (-1 on failure);
** column i (from 0) copied into the caller's column (its identifier and a
** null value of its type); its name into buf; its type code, length,
** precision, scale and nullable flag (each pointer may be null). */
int asi_column_count(CAsiStatement *s);
int asi_get_column(CAsiStatement *s, int i, CAsiColumn *out);
int asi_column_name(CAsiStatement *s, int i, char *buf, int size);
int asi_column_type(CAsiStatement *s, int i, int *type, int *length, int *precision, int *scale,
                    int *nullable);

/* Values of the cursor's current row: column i's value (null on failure;
** owned by the cursor until the next fetch), the value written into an
** application buffer by host type (1 short, 2 long (32 bits), 3 float,
** 4 double, 5 string), and the binding of a buffer to column i so that
** every fetch fills it (host type 0 unbinds).  The null indicator gets
** 0xFFFF for a null value. */
const CAsiData *asi_value(CAsiCursor *k, int i);
int asi_value_get(CAsiCursor *k, int i, int host_type, void *buf, int length, unsigned short *ind);
int asi_bind_column(CAsiCursor *k, int i, int host_type, void *buf, int length, unsigned short *ind);

/* Diagnostics of any handle's last call: the number of conditions, and
** condition i's (from 0) native code (0 when out of range), text into buf
** (1, or 0 when out of range) and SQLSTATE into buf of 6 bytes. */
int asi_diag_count(const CAsiHandle *h);
int asi_diag_cond_code(const CAsiHandle *h, int i);
int asi_diag_cond_text(const CAsiHandle *h, int i, char *buf, int size);
int asi_diag_cond_sqlstate(const CAsiHandle *h, int i, char *buf);

} /* extern "C" */

/* The handle of an open configuration store. */
class CAsiCfgHandle : public CAsiHandle {
public:
    CAsiConfig &store() noexcept { return m_store; }

private:
    CAsiConfig m_store;   /* the store */
};

#endif
