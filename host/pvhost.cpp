/*
** pvhost.cpp: runs the module inside the stand-in editor.
**
** pvhost loads the module (libpvx14.so) with dlopen, starts it with the
** editor's messages 1 (initialise) and 3 (drawing loaded) and then reads
** commands at the "Command: " prompt, from the terminal or from a script:
**
**   pv-open  or  c:pv-open        a command of the module
**   (pv_open "GEO" "DB3" "" "")   a LISP call; its result is printed
**   SAVE [file.dxf]               message 9, then the drawing as DXF
**   OPEN file.dxf                 messages 4, then 3 on the opened drawing
**   FUNCTIONS                     the names the module defined, with codes
**   QUIT                          messages 4, 7 and 8, and the end
**   ; text                        a comment
**
** Dialogs and questions read their answers from the same source. With
** --script FILE the status is 1 when the script ran dry, a logon was
** refused or the editor recorded a fault, else 0; each fault is shown on
** standard error where it happens.
**
**   pvhost --script demo.scr --resources /path/to/resources
*/
#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

#include "host/lisp_call.h"
#include "host/user_copy.h"
#include "platform/host_codepage.h"
#include "platform/host_io.h"
#include "platform/include/ads_host.h"
#include "platform/include/host_editor.h"

namespace {

/* Interface version a module must answer. */
constexpr int PVHOST_API_VERSION = 0xE0000;
/* Answer of the entry point when loading or a function failed. */
constexpr int PVHOST_ENTRY_FAIL = 3;
/* Environment variables that stand for the options. */
const char *const k_env_resources = "PETRIVEX_RESOURCES";
const char *const k_env_module = "PETRIVEX_MODULE";
/* Exit statuses. */
constexpr int EXIT_CLEAN = 0;    /* ran to QUIT without a fault */
constexpr int EXIT_FAULT = 1;    /* a fault was recorded or the script ran dry */
constexpr int EXIT_USAGE = 2;    /* bad options, or the module cannot be loaded */

typedef void (*setptp_fn)(void);
typedef int (*version_fn)(void);

/* What the options say. */
struct pvhost_options {
    std::string script;      /* script file; empty for the terminal */
    std::string module;      /* the module's file */
    std::string resources;   /* directory of PETRIVEX.DCL and the resources */
    std::string drawing;     /* drawing to open first; empty for a new one */
    bool quiet = false;      /* transcript only, nothing on the screen */
    int rows_per_request = 0; /* linked rows a batched look-up asks for; 0: the module's own */
    int lock_wait_s = 0;     /* seconds a lock another user holds is waited for; 0: the module's own */
};

/* The application packet given with message 1. */
int s_app_packet = 0;

/* Prints how to call pvhost. */
void usage(void)
{
    std::fprintf(stderr,
                 "usage: pvhost [--script FILE] [--module FILE] [--resources DIR]\n"
                 "              [--drawing FILE.dxf] [--quiet] [--rows-per-request N]\n"
                 "              [--lock-wait SECONDS]\n"
                 "  %s and %s stand for --resources and --module.\n",
                 k_env_resources, k_env_module);
}

/* Reads the options; false after the usage text for a bad one. */
bool read_options(int argc, char **argv, pvhost_options &o)
{
    const char *env = std::getenv(k_env_resources);
    o.resources = env && *env ? env : PV_RESOURCE_DIR;
    env = std::getenv(k_env_module);
    o.module = env && *env ? env : PV_MODULE_PATH;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool has_value = i + 1 < argc;
        if (a == "--script" && has_value) o.script = argv[++i];
        else if (a == "--module" && has_value) o.module = argv[++i];
        else if (a == "--resources" && has_value) o.resources = argv[++i];
        else if (a == "--drawing" && has_value) o.drawing = argv[++i];
        else if (a == "--quiet") o.quiet = true;
        else if (a == "--rows-per-request" && has_value) o.rows_per_request = std::atoi(argv[++i]);
        else if (a == "--lock-wait" && has_value) o.lock_wait_s = std::atoi(argv[++i]);
        else { usage(); return false; }
    }
    return true;
}

/* Upper case of a word. */
std::string upper(std::string s)
{
    for (char &c : s) c = (char)std::toupper((unsigned char)c);
    return s;
}

/* Text without blanks at both ends. */
std::string trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

/* Prints a line break unless the screen is at the start of a line. */
void new_line(void)
{
    const std::string &t = host_io_transcript();
    if (!t.empty() && t.back() != '\n') host_io_print("\n");
}

/* Gives the module a setting through the function of that name it
** exports, when value is above 0; false after a message when it has none. */
bool set_module(void *handle, const std::string &path, const char *function, const char *what, int value)
{
    if (value <= 0) return true;
    auto set = (void (*)(int))dlsym(handle, function);
    if (!set) {
        std::fprintf(stderr, "pvhost: %s cannot be told %s\n", path.c_str(), what);
        return false;
    }
    set(value);
    return true;
}

/* Loads the module and registers its entry point, setting the rows a
** batched look-up asks for and the seconds a lock another user holds is
** waited for when they are above 0; false after a message. */
bool load_module(const std::string &path, int rows_per_request, int lock_wait_s, void *&handle)
{
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "pvhost: cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    auto setptp = (setptp_fn)dlsym(handle, "_SetacrxPtp");
    auto version = (version_fn)dlsym(handle, "acrxGetApiVersion");
    auto entry = (host_entry_fn)dlsym(handle, "acrxEntryPoint");
    if (!setptp || !version || !entry) {
        std::fprintf(stderr, "pvhost: %s lacks the module entry points\n", path.c_str());
        return false;
    }
    setptp();
    if (!set_module(handle, path, "pv_set_rows_per_request", "the rows a request takes", rows_per_request) ||
        !set_module(handle, path, "pv_set_lock_wait", "how long a lock is waited for", lock_wait_s))
        return false;
    if (version() != PVHOST_API_VERSION) {
        std::fprintf(stderr, "pvhost: %s is built for interface 0x%X\n", path.c_str(), version());
        return false;
    }
    host_register_module(path, entry);
    return true;
}

/* The file-system name (UTF-8) of a file named in the editor's code page. */
std::string file_name(const std::string &typed)
{
    return host_cp_to_utf8(typed);
}

/* Prints a line of pvhost's own made of UTF-8 parts (file names, their
** errors): the screen takes the editor's code page, in which a character
** it lacks shows as '?'. */
void print_utf8(const std::string &text)
{
    std::string cp;
    for (size_t at = 0; at < text.size();) {
        uint32_t code_point;
        unsigned char byte;
        if (!host_utf8_next(text, at, code_point)) {
            ++at;
            cp += '?';
        } else {
            cp += host_cp_byte_of(code_point, byte) ? (char)byte : '?';
        }
    }
    host_io_print(cp);
}

/* The setting of the SQL configuration's file, read by the engine. */
const char *const k_config_setting = "ASI_INI";
/* The editor's setting that lists its support folders. */
const char *const k_support_setting = "ACAD";
/* What separates two folders in that setting. */
const char *const k_support_separator = ";";

/* Gives the module the user's copy of the configuration unless $ASI_INI
** names one, making the copy (announced in one line) on the first run;
** makes the user's data folder the editor's support folder. False after
** a message when the copy can be neither found nor made. */
bool use_user_folder(const pvhost_options &o)
{
    const char *chosen = std::getenv(k_config_setting);
    if (!chosen || !*chosen) {
        user_copy c;
        if (!user_copy_prepare(o.resources, c)) {
            std::fprintf(stderr, "pvhost: cannot make your copy of the SQL configuration: %s\n", c.error.c_str());
            return false;
        }
        if (c.made)
            print_utf8("Made your own copy of the SQL configuration and the sample projects in " + c.folder + "\n");
        host_set_env(k_config_setting, c.ini);
    }
    std::string support = user_data_folder();
    std::error_code ec;
    if (support.empty()) return true;   /* no user folder: the current one serves */
    std::filesystem::create_directories(support, ec);
    if (ec) return true;
    /* The setting lists the support folders as the editor's does, the
    ** first one being where acad.lsp goes. */
    std::string setting = support, shapes, why;
    host_add_support_path(support);
    if (user_copy_shapes(o.resources, support, shapes, why)) {
        host_add_support_path(shapes);
        setting += k_support_separator + shapes;
    } else {
        std::fprintf(stderr, "pvhost: the symbol libraries are not in your folder: %s\n", why.c_str());
    }
    host_set_env(k_support_setting, setting);
    return true;
}

/* Sends the drawing-loaded message; a failed load is a fault. */
void send_load(void)
{
    if (host_send_message(HOST_MSG_LOAD_DWG, nullptr) == PVHOST_ENTRY_FAIL) {
        new_line();
        host_io_print("The application could not be loaded.\n");
        host_io_record_fault("the module failed to load the drawing");
    }
}

/* Sends the messages of the end: unload drawing, end, quit. */
void send_quit(void)
{
    host_send_message(HOST_MSG_UNLOAD_DWG, nullptr);
    host_send_message(HOST_MSG_END, nullptr);
    host_send_message(HOST_MSG_QUIT, nullptr);
}

/* SAVE [file]: the save message, then the drawing as DXF. */
void command_save(const std::string &arg)
{
    std::string file = arg.empty() ? host_drawing_path() : file_name(arg);
    if (file.empty()) {
        if (host_io_read_answer("File name: ", file) != HOST_ANSWER_LINE || trim(file).empty()) return;
        file = file_name(trim(file));
    }
    host_send_message(HOST_MSG_SAVE, nullptr);
    std::string err;
    if (host_save_drawing(file, err)) {
        print_utf8("Saved " + file + "\n");
    } else {
        print_utf8("Cannot save " + file + ": " + err + "\n");
        if (host_io_is_script()) host_io_record_fault("SAVE " + file + ": " + err);
    }
}

/* OPEN file: the drawing closes (message 4), the file opens, and the
** module is told of the drawing now loaded (message 3). A file that is
** not there, or cannot be read, is named and nothing changes: the module
** stays loaded on the current drawing, its projects logged on. */
void command_open(const std::string &arg)
{
    if (arg.empty()) {
        host_io_print("OPEN needs a file name.\n");
        if (host_io_is_script()) host_io_record_fault("OPEN without a file name");
        return;
    }
    /* Looked at without opening it: a FIFO would wait for a writer. */
    std::error_code ec;
    if (access(file_name(arg).c_str(), R_OK) != 0 || std::filesystem::is_directory(file_name(arg), ec)) {
        std::string why = std::filesystem::exists(file_name(arg), ec) ? "cannot be read" : "no such file";
        print_utf8("Cannot open " + file_name(arg) + ": " + why + "; the drawing stays as it is\n");
        if (host_io_is_script()) host_io_record_fault("OPEN " + arg + ": " + why);
        return;
    }
    host_send_message(HOST_MSG_UNLOAD_DWG, nullptr);
    std::string err;
    if (host_open_drawing(file_name(arg), err)) {
        print_utf8("Opened " + file_name(arg) + "\n");
    } else {
        print_utf8("Cannot open " + file_name(arg) + ": " + err + "\n");
        if (host_io_is_script()) host_io_record_fault("OPEN " + arg + ": " + err);
    }
    send_load();
}

/* FUNCTIONS: the defined names and their codes. */
void command_functions(void)
{
    auto fns = host_defined_functions();
    for (auto &[name, code] : fns) {
        char line[96];
        std::snprintf(line, sizeof line, "  %-20s %3d\n", name.c_str(), code);
        host_io_print(line);
    }
    host_io_print(std::to_string(fns.size()) + " functions defined.\n");
}

/* A password is a secret as it is and as LISP prints it, escaped. */
void add_password(const std::string &password)
{
    host_io_add_secret(password);
    host_io_add_secret(lisp_escaped(password));
}

/* A pv_open call the script holds next: its password is a secret before
** the line is echoed. */
void note_password_ahead(void)
{
    std::string next;
    lisp_call call;
    std::string err;
    if (!host_io_peek_answer(next) || trim(next).compare(0, 1, "(") != 0 || !lisp_parse_call(trim(next), call, err))
        return;
    add_password(lisp_open_password(call.name, call.args));
    ads_relrb(call.args);
}

/* What a command's caller notes before it runs, to tell afterwards how
** it ended. */
struct before_command {
    int cancels = host_io_cancels();         /* answers that cancelled */
    size_t faults = host_io_faults().size(); /* faults recorded */
};

/* A logon that answered nil in a script, the script having cancelled
** nothing and no fault being recorded during it, was refused (the module
** said why): a fault, so that the script's status tells that the commands
** after it found no project. */
void note_refused_logon(const std::string &name, const struct resbuf *result, const before_command &before,
                        const std::string &what)
{
    if (!host_io_is_script() || !lisp_is_logon(name) || host_io_cancels() != before.cancels ||
        host_io_faults().size() != before.faults)
        return;
    if (!result || result->restype == RTNIL) host_io_record_fault(what + ": the logon was refused");
}

/* A LISP call: invoke it and print its result. */
void command_lisp(const std::string &text)
{
    lisp_call call;
    std::string err;
    if (!lisp_parse_call(text, call, err)) {
        host_io_print("; error: " + err + "\n");
        if (host_io_is_script()) host_io_record_fault("LISP call " + text + ": " + err);
        return;
    }
    add_password(lisp_open_password(call.name, call.args));
    struct resbuf *result = nullptr;
    before_command before;
    int rc = host_invoke_function(call.name, call.args, &result);
    ads_relrb(call.args);
    /* pv_open answers the password too, typed in its logon dialog. */
    add_password(lisp_open_password(call.name, result));
    new_line();
    if (rc == RTERROR) {
        host_io_print("; error: no function definition: " + upper(call.name) + "\n");
        if (host_io_is_script()) host_io_record_fault("undefined function " + call.name);
    } else {
        std::string shown = lisp_format_result(result);
        if (!shown.empty()) host_io_print(shown + "\n");
        note_refused_logon(call.name, result, before, text);
    }
    ads_relrb(result);
}

/* A command of the module by its command-line name. */
void command_module(const std::string &word)
{
    std::string name = word;
    if (name.size() < 2 || (name.compare(0, 2, "c:") != 0 && name.compare(0, 2, "C:") != 0))
        name = "c:" + name;
    struct resbuf *result = nullptr;
    before_command before;
    int rc = host_invoke_function(name, nullptr, &result);
    if (rc == RTERROR) {
        host_io_print("Unknown command \"" + upper(word) + "\".\n");
        if (host_io_is_script()) host_io_record_fault("unknown command " + word);
    } else {
        note_refused_logon(name, result, before, word);
    }
    ads_relrb(result);
}

/* Takes the script's comment lines ahead unshown, but for a step's
** heading ("; Step: ..."), shown as "Step: ..." on a line of its own. */
void skip_comments(void)
{
    std::string ahead;
    while (host_io_peek_answer(ahead) && !trim(ahead).empty() && trim(ahead)[0] == ';') {
        host_io_drop_answer();
        std::string text = trim(trim(ahead).substr(1));
        if (text.compare(0, 5, "Step:") == 0) host_io_print(text + "\n");
    }
}

/* Runs one command line (word, its first word, verb in capitals, sp
** where its argument begins). */
void run_command(const std::string &line, const std::string &word, const std::string &verb, size_t sp)
{
    if (line[0] == '(') {
        command_lisp(line);
        return;
    }
    std::string arg = sp == std::string::npos ? "" : trim(line.substr(sp));
    if (verb == "SAVE") command_save(arg);
    else if (verb == "OPEN") command_open(arg);
    else if (verb == "FUNCTIONS") command_functions();
    else command_module(word);
}

/* Reads and runs commands until QUIT or the end of the input; true when
** QUIT ended it. */
bool command_loop(void)
{
    while (true) {
        new_line();
        skip_comments();
        std::string line;
        note_password_ahead();
        if (host_io_read_answer("Command: ", line) != HOST_ANSWER_LINE) return false;
        line = trim(line);
        if (line.empty() || line[0] == ';') continue;
        size_t sp = line.find_first_of(" \t");
        std::string word = line.substr(0, sp);
        std::string verb = upper(word);
        if (line[0] != '(' && (verb == "QUIT" || verb == "EXIT")) return true;
        try {
            run_command(line, word, verb, sp);
        } catch (const std::bad_alloc &) {
            /* The command ends; the drawing, the module and the session go on. */
            std::string what = line[0] == '(' ? line.substr(0, line.find_first_of(" \t)")) + ")" : verb;
            print_utf8("Not enough memory for " + what + "; the command was ended and the drawing stays as it is\n");
            if (host_io_is_script()) host_io_record_fault(what + ": not enough memory");
        }
    }
}

}  // namespace

int main(int argc, char **argv)
{
    pvhost_options opt;
    /* A file grown past the process's size limit is a write that fails
    ** (EFBIG), said by the command that wrote it; the session goes on. */
    std::signal(SIGXFSZ, SIG_IGN);
    if (!read_options(argc, argv, opt)) return EXIT_USAGE;
    if (opt.quiet) host_io_set_echo(false);
    if (!use_user_folder(opt)) return EXIT_USAGE;
    host_add_support_path(opt.resources);
    /* The shipped libraries serve also where the user's folder has none. */
    host_add_support_path((std::filesystem::path(opt.resources) / USER_COPY_SHAPES).string());
    if (!opt.script.empty() && !host_io_use_script_file(opt.script)) {
        std::fprintf(stderr, "pvhost: cannot read script %s\n", opt.script.c_str());
        return EXIT_USAGE;
    }
    if (!opt.drawing.empty()) {
        std::string err;
        if (!host_open_drawing(opt.drawing, err)) {
            std::fprintf(stderr, "pvhost: cannot open %s: %s\n", opt.drawing.c_str(), err.c_str());
            return EXIT_USAGE;
        }
    }
    void *module = nullptr;
    if (!load_module(opt.module, opt.rows_per_request, opt.lock_wait_s, module)) return EXIT_USAGE;
    host_send_message(HOST_MSG_INIT, &s_app_packet);
    send_load();
    command_loop();
    send_quit();
    new_line();
    /* Each fault was shown where it happened; --quiet lists them here. */
    const auto &faults = host_io_faults();
    if (opt.quiet)
        for (const std::string &f : faults)
            std::fprintf(stderr, "%s%s\n", HOST_IO_FAULT_PREFIX, host_cp_to_utf8(f).c_str());
    return faults.empty() ? EXIT_CLEAN : EXIT_FAULT;
}
