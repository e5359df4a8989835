/*
** dcl_reader.cpp: reads dialog files and expands their dialogs.
**
** A small lexer (names, numbers, quoted strings, the marks : { } = ;, and
** C and C++ comments) feeds a recursive reader of definitions. Expansion
** resolves each tile's kind: a built-in kind is kept, a built-in group such
** as ok_cancel comes from the reader's own definitions below, and a
** definition of the file is copied with the tile's attributes laid over it.
*/
#include "platform/dialog/dcl_reader.h"
#include "wfile/wfile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

/* Kinds the runtime knows; everything else must be a definition. */
const char* const kBuiltinKinds[] = {
    "dialog",       "row",         "column",        "boxed_row",
    "boxed_column", "radio_row",   "radio_column",  "boxed_radio_row",
    "boxed_radio_column", "concatenation", "paragraph",
    "button",       "toggle",      "radio_button",  "edit_box",
    "list_box",     "popup_list",  "slider",        "image",
    "image_button", "text",        "text_part",     "spacer"};

const char* const kContainerKinds[] = {
    "dialog",       "row",         "column",        "boxed_row",
    "boxed_column", "radio_row",   "radio_column",  "boxed_radio_row",
    "boxed_radio_column", "concatenation", "paragraph"};

/* The editor's predefined groups, written in the file's own language. */
const char kPredefined[] = R"DCL(
errtile : text { key = "error"; label = ""; width = 40; }
spacer_0 : spacer { width = 0; height = 0; }
spacer_1 : spacer { width = 1; height = 1; }
ok_button : button { key = "accept"; label = "OK"; is_default = true; }
cancel_button : button { key = "cancel"; label = "Cancel"; is_cancel = true; }
help_button : button { key = "help"; label = "Help..."; }
ok_only : row { ok_button; }
ok_cancel : row { ok_button; cancel_button; }
ok_cancel_help : row { ok_button; cancel_button; help_button; }
ok_cancel_help_errtile : column { ok_cancel_help; errtile; }
)DCL";

enum token_kind { TK_NAME, TK_STRING, TK_NUMBER, TK_MARK, TK_END };

/* One lexical token. */
struct token {
  token_kind kind = TK_END;        /* what it is                            */
  std::string text;                /* name, string contents, number, mark   */
  int line = 0;                    /* line it starts on                     */
};

/* Splits dialog-file text into tokens; the first fault stops it. */
class dcl_lexer {
 public:
  explicit dcl_lexer(const std::string& text) : src_(text) {}

  /* Reads the next token into t. Answers false with err on a fault. */
  bool next(token& t, std::string& err) {
    if (!skip_space(err)) return false;
    t = token();
    t.line = line_;
    if (pos_ >= src_.size()) return true;
    char c = src_[pos_];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t start = pos_;
      while (pos_ < src_.size() &&
             (std::isalnum(static_cast<unsigned char>(src_[pos_])) ||
              src_[pos_] == '_'))
        ++pos_;
      t.kind = TK_NAME;
      t.text = src_.substr(start, pos_ - start);
      return true;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' ||
        c == '+' || c == '.') {
      size_t start = pos_++;
      while (pos_ < src_.size() &&
             (std::isdigit(static_cast<unsigned char>(src_[pos_])) ||
              src_[pos_] == '.'))
        ++pos_;
      t.kind = TK_NUMBER;
      t.text = src_.substr(start, pos_ - start);
      return true;
    }
    if (c == '"') return read_string(t, err);
    if (c == ':' || c == '{' || c == '}' || c == '=' || c == ';') {
      ++pos_;
      t.kind = TK_MARK;
      t.text = std::string(1, c);
      return true;
    }
    err = "line " + std::to_string(line_) + ": unexpected character '" +
          std::string(1, c) + "'";
    return false;
  }

 private:
  /* Skips blanks and comments; false for a comment left open. */
  bool skip_space(std::string& err) {
    while (pos_ < src_.size()) {
      char c = src_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos_;
      } else if (src_.compare(pos_, 2, "//") == 0) {
        while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
      } else if (src_.compare(pos_, 2, "/*") == 0) {
        int start = line_;
        pos_ += 2;
        while (pos_ < src_.size() && src_.compare(pos_, 2, "*/") != 0) {
          if (src_[pos_] == '\n') ++line_;
          ++pos_;
        }
        if (pos_ >= src_.size()) {
          err = "line " + std::to_string(start) + ": unterminated comment";
          return false;
        }
        pos_ += 2;
      } else {
        break;
      }
    }
    return true;
  }

  /* Reads a quoted string with the escapes \" \\ \n \t. */
  bool read_string(token& t, std::string& err) {
    int start = line_;
    ++pos_;
    std::string out;
    while (pos_ < src_.size() && src_[pos_] != '"') {
      char c = src_[pos_++];
      if (c == '\n') break;
      if (c == '\\' && pos_ < src_.size()) {
        char e = src_[pos_++];
        out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
      } else {
        out += c;
      }
    }
    if (pos_ >= src_.size() || src_[pos_] != '"') {
      err = "line " + std::to_string(start) + ": unterminated string";
      return false;
    }
    ++pos_;
    t.kind = TK_STRING;
    t.text = out;
    return true;
  }

  const std::string& src_;         /* the text being read                   */
  size_t pos_ = 0;                 /* next character                        */
  int line_ = 1;                   /* current line, from 1                  */
};

/* Recursive reader of definitions over a lexer with one token look-ahead. */
class dcl_parser {
 public:
  explicit dcl_parser(const std::string& text) : lex_(text) {}

  /* Reads the whole text into out; false with err on the first fault. */
  bool parse(dcl_file& out, std::string& err) {
    if (!advance(err)) return false;
    while (cur_.kind != TK_END) {
      if (cur_.kind != TK_NAME) return fail("expected a definition name", err);
      std::string name = cur_.text;
      int line = cur_.line;
      if (!advance(err)) return false;
      if (!expect(":", err)) return false;
      dcl_node node;
      node.line = line;
      if (!read_tile(node, 0, err)) return false;
      if (out.defs.count(name)) {
        err = "line " + std::to_string(line) + ": \"" + name +
              "\" is defined twice";
        return false;
      }
      out.defs[name] = node;
      out.order.push_back(name);
    }
    return true;
  }

 private:
  /* Reads "kind { body }" after a colon into node. */
  bool read_tile(dcl_node& node, int depth, std::string& err) {
    if (depth > DCL_MAX_DEPTH) return fail("tiles nested too deeply", err);
    if (cur_.kind != TK_NAME) return fail("expected a tile kind", err);
    node.kind = cur_.text;
    if (node.line == 0) node.line = cur_.line;
    if (!advance(err)) return false;
    if (!expect("{", err)) return false;
    while (!(cur_.kind == TK_MARK && cur_.text == "}")) {
      if (cur_.kind == TK_END) {
        err = "line " + std::to_string(node.line) + ": \"" + node.kind +
              "\" is not closed with }";
        return false;
      }
      if (cur_.kind == TK_MARK && cur_.text == ":") {
        dcl_node child;
        child.line = cur_.line;
        if (!advance(err)) return false;
        if (!read_tile(child, depth + 1, err)) return false;
        node.children.push_back(child);
        continue;
      }
      if (cur_.kind != TK_NAME) return fail("expected an attribute or tile", err);
      token name = cur_;
      if (!advance(err)) return false;
      if (cur_.kind == TK_MARK && cur_.text == ";") {
        dcl_node child;  /* "ok_cancel;": a group used as it is */
        child.kind = name.text;
        child.line = name.line;
        node.children.push_back(child);
        if (!advance(err)) return false;
        continue;
      }
      if (!expect("=", err)) return false;
      if (cur_.kind != TK_STRING && cur_.kind != TK_NAME &&
          cur_.kind != TK_NUMBER)
        return fail("expected a value for \"" + name.text + "\"", err);
      dcl_attr a;
      a.name = name.text;
      a.value = cur_.text;
      a.line = name.line;
      node.attrs.push_back(a);
      if (!advance(err)) return false;
      if (!expect(";", err)) return false;
    }
    return advance(err);
  }

  /* Takes the given mark or fails. */
  bool expect(const char* mark, std::string& err) {
    if (cur_.kind != TK_MARK || cur_.text != mark)
      return fail(std::string("expected '") + mark + "'", err);
    return advance(err);
  }

  bool advance(std::string& err) { return lex_.next(cur_, err); }

  /* Formats a fault at the current token. */
  bool fail(const std::string& what, std::string& err) {
    err = "line " + std::to_string(cur_.line) + ": " + what;
    if (cur_.kind == TK_END)
      err += " at end of file";
    else
      err += ", found \"" + cur_.text + "\"";
    return false;
  }

  dcl_lexer lex_;                  /* token source                          */
  token cur_;                      /* the look-ahead token                  */
};

/* The predefined groups, read once. */
const dcl_file& predefined() {
  static dcl_file f = [] {
    dcl_file p;
    std::string err;
    dcl_parse_text(kPredefined, p, err);
    return p;
  }();
  return f;
}

/* Finds a definition of the file, then of the predefined groups. */
const dcl_node* find_def(const dcl_file& file, const std::string& name) {
  auto it = file.defs.find(name);
  if (it != file.defs.end()) return &it->second;
  auto p = predefined().defs.find(name);
  return p == predefined().defs.end() ? nullptr : &p->second;
}

/* Resolves node's kind through prototypes: base kind, attributes (deepest
** prototype first, the node's own last) and inherited children. */
bool resolve(const dcl_file& file, const dcl_node& node, std::string& kind,
             std::map<std::string, std::string>& attrs,
             std::vector<const dcl_node*>& children, int depth,
             std::string& err) {
  if (depth > DCL_MAX_DEPTH) {
    err = "line " + std::to_string(node.line) + ": prototype \"" + node.kind +
          "\" refers to itself";
    return false;
  }
  if (dcl_is_builtin_kind(node.kind)) {
    kind = node.kind;
  } else {
    const dcl_node* def = find_def(file, node.kind);
    if (!def) {
      err = "line " + std::to_string(node.line) + ": unknown tile kind \"" +
            node.kind + "\"";
      return false;
    }
    if (!resolve(file, *def, kind, attrs, children, depth + 1, err))
      return false;
  }
  for (const dcl_attr& a : node.attrs) attrs[a.name] = a.value;
  for (const dcl_node& c : node.children) children.push_back(&c);
  return true;
}

/* Appends node (and its subtree) to tiles under parent. */
bool expand(const dcl_file& file, const dcl_node& node, int parent, int depth,
            std::vector<dcl_tile>& tiles, std::map<std::string, int>& keys,
            std::string& err) {
  if (depth > DCL_MAX_DEPTH) {
    err = "line " + std::to_string(node.line) + ": tiles nested too deeply";
    return false;
  }
  dcl_tile t;
  std::vector<const dcl_node*> children;
  if (!resolve(file, node, t.kind, t.attrs, children, 0, err)) return false;
  if (!children.empty() && !dcl_is_container_kind(t.kind)) {
    err = "line " + std::to_string(node.line) + ": a " + t.kind +
          " cannot hold other tiles";
    return false;
  }
  if (parent >= 0 && t.kind == "dialog") {
    err = "line " + std::to_string(node.line) +
          ": a dialog cannot sit inside another";
    return false;
  }
  t.parent = parent;
  t.depth = depth;
  int index = static_cast<int>(tiles.size());
  auto key = t.attrs.find("key");
  if (key != t.attrs.end() && !key->second.empty()) {
    if (keys.count(key->second)) {
      err = "line " + std::to_string(node.line) + ": key \"" + key->second +
            "\" is used twice in the dialog";
      return false;
    }
    keys[key->second] = index;
  }
  tiles.push_back(t);
  if (parent >= 0) tiles[parent].children.push_back(index);
  for (const dcl_node* c : children)
    if (!expand(file, *c, index, depth + 1, tiles, keys, err)) return false;
  return true;
}

/* Answers the base kind of a definition, or "" when it cannot be resolved. */
std::string base_kind(const dcl_file& file, const dcl_node& node) {
  std::string kind, err;
  std::map<std::string, std::string> attrs;
  std::vector<const dcl_node*> children;
  return resolve(file, node, kind, attrs, children, 0, err) ? kind : "";
}

}  // namespace

/* Reads dialog-file text; see dcl_reader.h. */
bool dcl_parse_text(const std::string& text, dcl_file& out, std::string& err) {
  dcl_file f;
  f.path = out.path;
  dcl_parser p(text);
  if (!p.parse(f, err)) return false;
  out = std::move(f);
  return true;
}

/* Reads a dialog file; see dcl_reader.h. */
bool dcl_parse_file(const std::string& path, dcl_file& out, std::string& err) {
  /* Never through a link, never waiting on a FIFO. */
  std::FILE* in = wf_fopen(path.c_str(), "rb");
  if (!in) {
    err = "cannot open " + path + ": " + wf_reason(errno);
    return false;
  }
  std::stringstream ss;
  char buf[8192];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) ss.write(buf, (std::streamsize)n);
  std::fclose(in);
  dcl_file f;
  f.path = path;
  if (!dcl_parse_text(ss.str(), f, err)) {
    err = path + ": " + err;
    return false;
  }
  out = std::move(f);
  return true;
}

/* Answers true for a kind of the built-in table above. */
bool dcl_is_builtin_kind(const std::string& kind) {
  for (const char* k : kBuiltinKinds)
    if (kind == k) return true;
  return false;
}

/* Answers true for rows, columns, clusters and the dialog itself. */
bool dcl_is_container_kind(const std::string& kind) {
  for (const char* k : kContainerKinds)
    if (kind == k) return true;
  return false;
}

/* Lists the definitions whose base kind is dialog. */
std::vector<std::string> dcl_dialog_names(const dcl_file& file) {
  std::vector<std::string> names;
  for (const std::string& n : file.order)
    if (base_kind(file, file.defs.at(n)) == "dialog") names.push_back(n);
  return names;
}

/* Expands one dialog; see dcl_reader.h. */
bool dcl_expand_dialog(const dcl_file& file, const std::string& name,
                       std::vector<dcl_tile>& tiles, std::string& err) {
  tiles.clear();
  auto it = file.defs.find(name);
  if (it == file.defs.end()) {
    err = "no dialog \"" + name + "\" in " + file.path;
    return false;
  }
  std::map<std::string, int> keys;
  if (!expand(file, it->second, -1, 0, tiles, keys, err)) {
    tiles.clear();
    return false;
  }
  if (tiles[0].kind != "dialog") {
    err = "\"" + name + "\" is a " + tiles[0].kind + ", not a dialog";
    tiles.clear();
    return false;
  }
  return true;
}

/* Answers the attribute's text, or fallback when the tile has none. */
std::string dcl_attr_or(const dcl_tile& tile, const std::string& name,
                        const std::string& fallback) {
  auto it = tile.attrs.find(name);
  return it == tile.attrs.end() ? fallback : it->second;
}

/* Answers true for an attribute written true (any case). */
bool dcl_attr_true(const dcl_tile& tile, const std::string& name) {
  std::string v = dcl_attr_or(tile, name, "");
  for (char& c : v) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return v == "true";
}
