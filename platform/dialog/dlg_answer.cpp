/*
** dlg_answer.cpp: answering a running dialog at the terminal or in a script.
**
** At the terminal the dialog is printed as a text form and the person types
** answers; in a script the dialog's name must come next, then the answers.
** The answers are the same in both:
**
**   set KEY VALUE      sets a tile; VALUE may be quoted. An edit box then
**                      loses the focus: its callback runs with reason 2;
**                      other tiles change silently (pick, select fire)
**   pick KEY [X Y]     presses a tile: its callback with reason 1 (a toggle
**                      flips, a radio button is chosen first)
**   dclick KEY         double-clicks a tile: its callback with reason 4
**   select KEY N [N..] selects list items, then the callback with reason 1
**   select KEY TEXT    the same by an item's text ("TEXT" [ "TEXT"..] when
**                      quoted): the one item that reads TEXT, or begins
**                      with TEXT and a blank; no item or several refused
**   ok / cancel        presses the OK or cancel tile (or just ends the
**                      dialog with 1 or 0 when it has none)
**   show               prints the form again
**
** A wrong answer is refused: in a script it is also recorded as a fault.
** An answer the dialog itself refuses (an "ok" that leaves it open, a value
** its check turns down, a list choice it puts back) is printed with the
** dialog's error text at once; a script may then only cancel, show, or set
** the refused tile again: answering on otherwise records the refusal as a
** fault, cancels the dialog and stops the script, so that no later answer
** lands where the script did not mean it. A text a press makes the dialog
** show in its error tile is printed at once too ("*Shown* ..."). A script
** whose next line answers a dialog instead of naming it stops at once.
** The dialog keeps reading answers until it is done; a script that runs dry
** ends it with status 0 (host_io records that fault).
*/
#include <cstdlib>
#include <sstream>

#include "platform/dialog/dlg_internal.h"
#include "platform/host_io.h"

namespace {

/* Widest column of tile keys in the text form. */
constexpr size_t FORM_KEY_WIDTH = 14;

const char kAnswerHelp[] =
    "Answers: set KEY VALUE | pick KEY | dclick KEY | select KEY N... | "
    "select KEY TEXT | "
    "ok | cancel | show\n";

/* Answers text without blanks at either end. */
std::string trimmed(const std::string &text) {
  size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t");
  return text.substr(start, end - start + 1);
}

/* Refuses an answer: prints why, and records it as a fault in a script. */
void refuse(const dlg_dialog &d, const std::string &why) {
  host_io_print("*Invalid* " + why + "\n");
  if (host_io_is_script())
    host_io_record_fault("dialog " + d.name + ": " + why);
}

/* Finds a tile for an answer; -1 (refused) when the dialog lacks it or it
** is disabled. */
int answer_tile(dlg_dialog &d, const std::string &key) {
  auto it = d.keys.find(key);
  if (key.empty() || it == d.keys.end()) {
    refuse(d, "no tile \"" + key + "\"");
    return -1;
  }
  if (!d.tiles[it->second].enabled) {
    refuse(d, "tile \"" + key + "\" is disabled");
    return -1;
  }
  return it->second;
}

/* Takes a value written after "set KEY": one pair of quotes is removed. */
std::string unquote(std::string v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
    v = v.substr(1, v.size() - 2);
  return v;
}

/* Checks a value an answer gives a tile; false with why when the tile
** cannot take it (text tiles and buttons are not typed into). */
bool answer_value_ok(const dlg_dialog &d, int tile, const std::string &v,
                     std::string &why) {
  const dlg_tile &t = d.tiles[tile];
  if (t.kind == "button" || t.kind == "text" || t.kind == "text_part") {
    why = "tile \"" + t.key + "\" is a " + t.kind + " and cannot be set";
    return false;
  }
  if ((t.kind == "toggle" || t.kind == "radio_button") && v != "0" &&
      v != "1") {
    why = "tile \"" + t.key + "\" takes 0 or 1";
    return false;
  }
  if (t.kind == "slider") {
    long lo = std::atol(t.attrs.count("min_value") ? t.attrs.at("min_value").c_str() : "0");
    long hi = std::atol(t.attrs.count("max_value") ? t.attrs.at("max_value").c_str() : "10000");
    char *end = nullptr;
    long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || n < lo || n > hi) {
      why = "tile \"" + t.key + "\" takes a whole number from " +
            std::to_string(lo) + " to " + std::to_string(hi);
      return false;
    }
  }
  return true;
}

/* The texts of "select KEY ..." when it names items by their text: each
** quoted part, or the whole rest when it holds a part that is no whole
** number; none when it gives item numbers. */
std::vector<std::string> item_texts(const std::string &rest) {
  std::vector<std::string> texts;
  if (rest.find('"') != std::string::npos) {
    for (size_t at = rest.find('"'); at != std::string::npos;) {
      size_t end = rest.find('"', at + 1);
      if (end == std::string::npos) end = rest.size();
      texts.push_back(rest.substr(at + 1, end - at - 1));
      at = end < rest.size() ? rest.find('"', end + 1) : std::string::npos;
    }
    return texts;
  }
  std::istringstream parts(rest);
  std::string part;
  while (parts >> part) {
    if (part.find_first_not_of("0123456789") != std::string::npos) {
      texts.push_back(trimmed(rest));
      break;
    }
  }
  return texts;
}

/* The items of a list as "0: text, 1: text" for a refusal. */
std::string items_listed(const dlg_tile &t, const std::vector<int> &which) {
  std::string out;
  for (int n : which) out += (out.empty() ? "" : ", ") + std::to_string(n) + ": " + t.items[n];
  return out.empty() ? "none" : out;
}

/* Turns item texts into the list's selection ("0 2"); false with why when
** a text reads as no item or as several. An item reads as a text when it
** is that text, blanks at its ends aside; failing that, when it begins
** with the text and a blank ("NAME" for "NAME  C 20"). */
bool select_by_text(const dlg_tile &t, const std::vector<std::string> &texts, std::string &sel,
                    std::string &why) {
  for (const std::string &text : texts) {
    std::vector<int> same, begins, all;
    for (size_t n = 0; n < t.items.size(); ++n) {
      const std::string item = trimmed(t.items[n]);
      all.push_back(static_cast<int>(n));
      if (item == text) same.push_back(static_cast<int>(n));
      else if (!text.empty() && item.compare(0, text.size(), text) == 0 && item.size() > text.size() &&
               (item[text.size()] == ' ' || item[text.size()] == '\t'))
        begins.push_back(static_cast<int>(n));
    }
    const std::vector<int> &found = same.empty() ? begins : same;
    if (found.size() != 1) {
      why = "\"" + text + "\" " +
            (found.empty() ? "is no item of \"" + t.key + "\"; its items: " + items_listed(t, all)
                           : "reads as several items of \"" + t.key + "\": " + items_listed(t, found));
      return false;
    }
    sel += (sel.empty() ? "" : " ") + std::to_string(found[0]);
  }
  return true;
}

/* Presses the OK (ok) or cancel tile; without one the dialog just ends. */
void press_end_tile(dlg_dialog &d, bool ok) {
  int t = ok ? dlg_accept_tile(d) : dlg_cancel_tile(d);
  if (t < 0) {
    ads_done_dialog(dlg_handle(d), ok ? DLGOK : DLGCANCEL);
    return;
  }
  if (!d.tiles[t].enabled) {
    refuse(d, std::string(ok ? "OK" : "cancel") + " tile \"" + d.tiles[t].key +
                  "\" is disabled");
    return;
  }
  dlg_pick(d, t, CBR_SELECT, 0, 0);
}

/* The value of an answer "set KEY VALUE" whose tile hides what is typed
** (it has a password_char); empty for any other answer. */
std::string hidden_value(const dlg_dialog &d, const std::string &line) {
  std::istringstream in(line);
  std::string verb, key, rest;
  in >> verb >> key;
  auto it = d.keys.find(key);
  if (verb != "set" || it == d.keys.end()) return "";
  const dlg_tile &t = d.tiles[it->second];
  if (!t.attrs.count("password_char") || t.attrs.at("password_char").empty()) return "";
  std::getline(in, rest);
  return unquote(trimmed(rest));
}

/* Carries out one answer line. Answers true when the answer was a
** "select" whose choice the dialog put back (a refused field move). */
bool answer(dlg_dialog &d, const std::string &line) {
  std::istringstream in(line);
  std::string verb, key;
  in >> verb;
  if (verb.empty()) return false;
  if (verb == "ok" || verb == "cancel") {
    if (verb == "cancel") host_io_note_cancel();
    press_end_tile(d, verb == "ok");
    return false;
  }
  if (verb == "show") {
    host_io_print(dlg_form_text(d));
    return false;
  }
  if (verb != "set" && verb != "pick" && verb != "dclick" &&
      verb != "select") {
    host_io_print(kAnswerHelp);
    refuse(d, "unknown answer \"" + line + "\"");
    return false;
  }
  in >> key;
  int t = answer_tile(d, key);
  if (t < 0) return false;
  if (verb == "set") {
    std::string rest;
    std::getline(in, rest);
    std::string v = unquote(trimmed(rest)), why;
    if (!answer_value_ok(d, t, v, why) || !dlg_tile_assign(d, t, v, why)) {
      refuse(d, why);
      return false;
    }
    if (d.tiles[t].kind == "edit_box") dlg_fire(d, t, CBR_LOST_FOCUS, 0, 0);
    return false;
  }
  if (verb == "pick") {
    long x = 0, y = 0;
    in >> x >> y;
    if (t == dlg_cancel_tile(d)) host_io_note_cancel();
    dlg_pick(d, t, CBR_SELECT, x, y);
    return false;
  }
  if (verb == "dclick") {
    dlg_fire(d, t, CBR_DOUBLE_CLICK, 0, 0);
    return false;
  }
  /* select */
  const dlg_tile &tile = d.tiles[t];
  if (tile.kind != "list_box" && tile.kind != "popup_list") {
    refuse(d, "tile \"" + key + "\" is no list");
    return false;
  }
  std::string rest, why;
  std::getline(in, rest);
  std::string sel;
  std::vector<std::string> texts = item_texts(rest);
  if (!texts.empty()) {
    if (!select_by_text(tile, texts, sel, why)) {
      refuse(d, why);
      return false;
    }
  } else {
    std::istringstream parts(rest);
    std::string part;
    while (parts >> part) sel += (sel.empty() ? "" : " ") + part;
  }
  if (sel.empty()) {
    refuse(d, "select " + key + " needs item numbers or an item's text");
    return false;
  }
  if (!answer_value_ok(d, t, sel, why) || !dlg_tile_assign(d, t, sel, why)) {
    refuse(d, why);
    return false;
  }
  dlg_fire(d, t, CBR_SELECT, 0, 0);
  return !d.done && dlg_tile_value(d, t) != sel;
}

/* Appends one tile's line (and its list) to the form. */
void form_tile(const dlg_dialog &d, int i, std::string &out) {
  const dlg_tile &t = d.tiles[i];
  std::string label = t.attrs.count("label") ? t.attrs.at("label") : "";
  std::string indent(2 * static_cast<size_t>(t.depth), ' ');
  if (dcl_is_container_kind(t.kind) && !dlg_is_radio_cluster(t.kind)) {
    if (!label.empty()) out += indent + "[" + label + "]\n";
    return;
  }
  if (t.key.empty() && (t.kind == "spacer" || label.empty())) return;
  std::string key = t.key.empty() ? "-" : t.key;
  if (key.size() < FORM_KEY_WIDTH) key.resize(FORM_KEY_WIDTH, ' ');
  out += indent + key + " " + t.kind;
  if (!label.empty() && t.kind != "text") out += " \"" + label + "\"";
  std::string value = dlg_tile_value(d, i);
  if (t.attrs.count("password_char") && !t.attrs.at("password_char").empty())
    value = std::string(value.size(), t.attrs.at("password_char")[0]);
  if (t.kind != "button" && t.kind != "image" && t.kind != "image_button")
    out += " = \"" + value + "\"";
  if (!t.enabled) out += " (disabled)";
  if (d.focus == t.key && !t.key.empty()) out += " (focus)";
  out += "\n";
  if (t.kind == "list_box" || t.kind == "popup_list") {
    std::vector<int> sel;
    dlg_parse_selection(value, t.items.size(), true, sel);
    for (size_t n = 0; n < t.items.size(); ++n) {
      bool chosen = false;
      for (int s : sel) chosen = chosen || s == static_cast<int>(n);
      out += indent + "    " + (chosen ? "*" : " ") + std::to_string(n) +
             ": " + t.items[n] + "\n";
    }
  }
}

/* The text of the dialog's error tile; empty when it has none. */
std::string error_text(const dlg_dialog &d) {
  auto it = d.keys.find(DLG_ERROR_TILE);
  return it == d.keys.end() ? std::string() : trimmed(dlg_tile_value(d, it->second));
}

/* The first word of an answer line. */
std::string answer_verb(const std::string &line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  return verb;
}

/* True for the first word of an answer a dialog takes. */
bool is_answer_verb(const std::string &verb) {
  for (const char *known : {"set", "pick", "dclick", "select", "ok", "cancel", "show"})
    if (verb == known) return true;
  return false;
}

/* The dialog refused an answer when it stays open after "ok" with a text
** in its error tile, after "set" with a new text there, or after "select"
** with its choice put back (a field move it does not allow) and a text
** there: the text is printed at once, so that a reader of a script's run
** sees which answer was refused before the next one is taken. A press
** ("pick", "dclick") that makes the dialog write a text there other than
** the one it opened with (its text at rest, "Build search condition") has
** it printed too, as shown: it may refuse the press ("ERROR: No file name
** specified") or tell what to do next. Answers the refusal's text, empty
** when the answer was taken. */
std::string report_refusal(const dlg_dialog &d, const std::string &line, const std::string &before, int sets_before,
                           const std::string &resting, bool put_back) {
  std::string verb = answer_verb(line);
  std::string now = error_text(d);
  if (d.done || now.empty()) return "";
  if (verb == "pick" || verb == "dclick") {
    if (d.error_sets != sets_before && now != resting) host_io_print("*Shown* " + now + "\n");
    return "";
  }
  if (verb != "ok" && verb != "set" && !put_back) return "";
  if (now == before && verb == "set") return "";
  host_io_print("*Refused* " + now + "\n");
  return now;
}

/* A script that answers on after a refusal meant its next answers for the
** state it expected, not the one the refusal left (a refused field move
** keeps the refused field current, so the next value would land in it):
** the refusal becomes a fault, the dialog is cancelled and the script
** stops. Answers true when it stopped; "show", cancelling (by "cancel" or
** by picking the cancel tile) and setting the refused tile again (mending
** the refused value) are no answering on. */
bool stop_after_refusal(dlg_dialog &d, const std::string &line, const std::string &refused,
                        const std::string &refused_line) {
  if (refused.empty() || !host_io_is_script()) return false;
  std::istringstream in(line), was(refused_line);
  std::string verb, key, was_verb, was_key;
  in >> verb >> key;
  was >> was_verb >> was_key;
  if (verb.empty() || verb == "show" || verb == "cancel") return false;
  if (verb == "set" && was_verb == "set" && key == was_key) return false;
  int cancel = dlg_cancel_tile(d);
  if (verb == "pick" && cancel >= 0 && d.tiles[cancel].key == key) return false;
  host_io_record_fault("dialog " + d.name + " refused an answer and the script answered on: " + refused);
  host_io_print("*Stopped*: the script answers on after a refusal; the dialog is cancelled.\n");
  host_io_stop_script();
  press_end_tile(d, false);
  if (!d.done) {
    d.done = true;
    d.status = DLGCANCEL;
  }
  return true;
}

}  // namespace

/* Builds the text form: a title line, one line per tile with a key or a
** label (lists with their items, chosen ones starred) and the answer help. */
std::string dlg_form_text(const dlg_dialog &d) {
  std::string title = d.tiles.empty() || !d.tiles[0].attrs.count("label")
                          ? ""
                          : d.tiles[0].attrs.at("label");
  std::string out = "\n=== Dialog " + d.name;
  if (!title.empty()) out += ": " + title;
  out += " ===\n";
  for (size_t i = 1; i < d.tiles.size(); ++i)
    form_tile(d, static_cast<int>(i), out);
  out += kAnswerHelp;
  return out;
}

/* Runs the dialog until it is done; see the file comment for the answers. */
void dlg_run(dlg_dialog &d) {
  std::string line;
  if (host_io_is_script()) {
    if (!host_io_peek_answer(line)) {
      host_io_read_answer("Dialog " + d.name + ": ", line); /* records dry */
      d.done = true;
      d.status = DLGCANCEL;
      return;
    }
    if (trimmed(line) != d.name) {
      host_io_record_fault("dialog " + d.name +
                           " opened but the script gives \"" + line + "\"");
      host_io_print("\nDialog " + d.name + " *Cancel*\n");
      /* An answer where the name belongs: its line was left out, and
      ** the answers after it would each be taken for a command. */
      if (is_answer_verb(answer_verb(line))) {
        host_io_print("*Stopped*: the script answers a dialog it does not name.\n");
        host_io_stop_script();
      }
      d.done = true;
      d.status = DLGCANCEL;
      return;
    }
    host_io_read_answer("Dialog: ", line);
  } else {
    host_io_print(dlg_form_text(d));
  }
  std::string refused;       /* the refusal of the last answer, if any */
  std::string refused_line;  /* that answer */
  const std::string resting = error_text(d); /* the error text it opened with */
  while (!d.done) {
    /* A password set by the script is a secret before its line is echoed. */
    std::string next;
    if (host_io_peek_answer(next)) host_io_add_secret(hidden_value(d, next));
    if (host_io_read_answer(d.name + "> ", line) == HOST_ANSWER_CANCEL) {
      /* "*cancel*", typed or scripted, presses the cancel tile; a dry
      ** script (host_io records it) or the end of the terminal's input
      ** just ends the dialog, since no further answer can come. */
      if (!host_io_ran_out()) press_end_tile(d, false);
      if (!d.done) {
        d.done = true;
        d.status = DLGCANCEL;
      }
      break;
    }
    host_io_add_secret(hidden_value(d, line));
    if (stop_after_refusal(d, line, refused, refused_line)) break;
    std::string before = error_text(d);
    int sets_before = d.error_sets;
    bool put_back = answer(d, line);
    refused = report_refusal(d, line, before, sets_before, resting, put_back);
    refused_line = line;
  }
}
