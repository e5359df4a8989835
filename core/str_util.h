/*
** str_util.h: the application's small text helpers.
**
** Trimming, case, words, names and comparisons on NUL-terminated texts,
** changed in place where they change anything. "Blank" means a character of
** code 32 or below.
**
**     str_upper(str_trim(name));
**     if (str_index_nocase(env, g_env_names, n) < 0) ...
*/
#ifndef PV_CORE_STR_UTIL_H
#define PV_CORE_STR_UTIL_H

#include <string>

/* Removes blanks at both ends, in place; answers the text (null for null). */
char *str_trim(char *text);
/* The same with the caller's own test of what counts as blank. */
char *str_trim_if(char *text, bool (*blank)(char));
/* Answers a copy of the text without its trailing blanks ("" for null):
** a CHAR value without its padding. */
std::string str_trim_right(const char *text);
/* Upper-cases in place; answers the text. */
char *str_upper(char *text);
/* Keeps only the first word in place (leading blanks skipped, cut at the
** next blank); answers the text. */
char *str_first_word(char *text);
/* Cuts a path in place to its file name without directory (after the last
** '\', '/' or ':') and without extension (from the last '.'); answers it. */
char *str_basename(char *path);
/* 5100 when the text holds a character above 32 other than 127; -1
** otherwise and for null. */
int str_nonblank(const char *text);
/* 1 when equal, else 0 (0 for null). */
int str_eq(const char *a, const char *b);
/* 1 when equal ignoring case, else 0 (0 for null). */
int str_eq_nocase(const char *a, const char *b);
/* Ignoring case: 2 when equal, 1 when b is greater at the first
** difference, 3 when b is smaller or ends first; -1 for a null argument. */
int str_cmp_nocase(const char *a, const char *b);
/* Index of the text among the first n words, ignoring case; -1 when
** absent or for null arguments. */
int str_index_nocase(const char *text, const char *const *words, int n);
/* 1 when every character is a letter, a digit or '_' (an empty text too);
** 0 otherwise and for null. */
int str_is_ident(const char *text);
/* Pads the text with blanks to length characters (the caller's buffer
** holds length + 1); a longer text is left as it is. Answers the text. */
char *str_pad(char *text, int length);
/* Trims in place and replaces each character other than a letter, digit
** or '_' by '_'; answers the text. */
char *str_make_ident(char *text);

/* The text with the value of each password of a connection string in it
** (after "PWD=" or "PASSWORD=", any case, at the text's start or after a
** ';' or a blank) shown as "****": a value in braces to its closing
** brace, any other to the next ';' or the text's end. */
std::string str_hide_passwords(const std::string &text);

/* Swaps two 32-bit values; 5100 (-2 for a null pointer). */
int util_swap32(int *a, int *b);

#endif
