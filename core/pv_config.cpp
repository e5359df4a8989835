/*
** pv_config.cpp: the configured environments and projects, read from the
** engine's configuration store, and the project manager's writes to it.
**
** Every read opens the default store afresh (the engine may have been told
** of another path in between) and closes it again; the lists are rebuilt
** whole, so a failed read leaves them empty, never half filled.
*/
#include "core/pv_config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/str_util.h"
#include "platform/include/ads_host.h"
#include "sqlclient/asi_api.h"

char **g_env_names = nullptr;
int g_env_count = 0;
char **g_pjct_names = nullptr;
char **g_pjct_dirs = nullptr;
int *g_pjct_env = nullptr;
int g_pjct_count = 0;

namespace {

/* Catalog directory of each environment, parallel to g_env_names. */
std::vector<std::string> s_catalogs;
/* Links switch of each configured project, parallel to g_pjct_names. */
std::vector<int> s_links;
/* Why the last load failed ("" when it did not), and the entries it left
** out (name and reason). */
std::string s_failure;
std::vector<std::pair<std::string, std::string>> s_refused;

/* Longest piece of a stray line quoted in a failure. */
constexpr std::size_t CFG_QUOTE_MAX = 60;

/* Characters a name in the store may not hold: they would end a key,
** open a section or a comment, or quote in SQL text. */
constexpr const char *CFG_BAD_CHARS = "=[];#'\"\\";

/* A heap copy of a text; null when memory runs out. */
char *cfg_strdup(const std::string &s)
{
    char *p = (char *)std::malloc(s.size() + 1);
    if (p) std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

/* Frees a heap array of n heap texts. */
void cfg_free_texts(char **texts, int n)
{
    if (!texts) return;
    for (int i = 0; i < n; ++i) std::free(texts[i]);
    std::free(texts);
}

/* 1 when the handle's last call left the truncation warning. */
int cfg_was_cut(CAsiCfgHandle *cfg)
{
    int n = asi_diag_count(cfg);
    for (int i = 0; i < n; ++i)
        if (asi_diag_cond_code(cfg, i) == ASI_WARN_TRUNCATED) return 1;
    return 0;
}

/* Reads the key list of a section into names. 1 when read (an absent
** section gives no names), 0 when the list cannot be read whole. */
int cfg_read_keys(CAsiCfgHandle *cfg, const char *section, std::vector<std::string> &names)
{
    names.clear();
    for (int size = PV_CFG_LIST_SIZE; size <= PV_CFG_LIST_MAX; size *= 2) {
        std::vector<char> buf((size_t)size);
        if (!asi_cfg_read(cfg, section, nullptr, buf.data(), size))
            return asi_diag_cond_code(cfg, 0) == ASI_ERR_CFG_NOT_FOUND ? 1 : 0;
        if (cfg_was_cut(cfg)) continue;
        for (const char *p = buf.data(); *p; p += std::strlen(p) + 1) names.push_back(p);
        return 1;
    }
    return 0;
}

/* Reads one value; 1 with the value (trimmed), 0 when absent or too long. */
int cfg_read_value(CAsiCfgHandle *cfg, const char *section, const char *key, std::string &value)
{
    char buf[PV_CFG_VALUE_SIZE];
    if (!asi_cfg_read(cfg, section, key, buf, sizeof buf) || cfg_was_cut(cfg)) return 0;
    value = str_trim(buf);
    return 1;
}

/* A directory of the store made absolute against the store's directory. */
std::string cfg_absolute(const std::string &dir, const char *base)
{
    if (dir.empty() || dir[0] == '/' || !base || !*base) return dir;
    std::string b = base;
    if (b.back() != '/') b += '/';
    return b + dir;
}

/* The project's links switch as written in the store. */
int cfg_read_links(CAsiCfgHandle *cfg, const std::string &project)
{
    std::string key = project + ".links", value;
    if (!cfg_read_value(cfg, PV_CFG_MISC, key.c_str(), value)) return 0;
    return std::atoi(value.c_str()) != 0 ? 1 : 0;
}

/* Builds the global lists from what was read; 5100 or -9101 (nothing
** kept). */
int cfg_publish(const std::vector<std::string> &envs, const std::vector<std::string> &names,
                const std::vector<std::string> &dirs, const std::vector<int> &env_of)
{
    int ne = (int)envs.size(), np = (int)names.size();
    char **e = (char **)std::calloc((size_t)ne + 1, sizeof(char *));
    char **n = (char **)std::calloc((size_t)np + 1, sizeof(char *));
    char **d = (char **)std::calloc((size_t)np + 1, sizeof(char *));
    int *x = (int *)std::calloc((size_t)np + 1, sizeof(int));
    bool ok = e && n && d && x;
    for (int i = 0; ok && i < ne; ++i) ok = (e[i] = cfg_strdup(envs[i])) != nullptr;
    for (int i = 0; ok && i < np; ++i) {
        ok = (n[i] = cfg_strdup(names[i])) != nullptr && (d[i] = cfg_strdup(dirs[i])) != nullptr;
        if (ok) x[i] = env_of[i];
    }
    if (!ok) {
        cfg_free_texts(e, ne);
        cfg_free_texts(n, np);
        cfg_free_texts(d, np);
        std::free(x);
        return ERR_NO_MEMORY;
    }
    g_env_names = e;
    g_env_count = ne;
    g_pjct_names = n;
    g_pjct_dirs = d;
    g_pjct_env = x;
    g_pjct_count = np;
    return RTNORM;
}

/* Opens the default store; null after nothing shown, the engine's
** reason kept as the failure. */
CAsiCfgHandle *cfg_open(void)
{
    CAsiCfgHandle *cfg = nullptr;
    if (!asi_cfg_open(nullptr, &cfg)) {
        char text[PV_CFG_VALUE_SIZE] = "";
        asi_diag_cond_text(asi_env_handle(), 0, text, sizeof text);
        s_failure = text[0] ? text : "the configuration store cannot be opened";
        return nullptr;
    }
    return cfg;
}

/* Keeps why the store cannot be loaded: its path and the cause, and the
** first line the reader took for nothing, which is likely what damaged
** it. Answers -9102. */
int cfg_fail(CAsiCfgHandle *cfg, const std::string &cause)
{
    s_failure = std::string(cfg->store().path()) + ": " + cause;
    std::string stray;
    if (int line = cfg->store().strayLine(stray)) {
        if (stray.size() > CFG_QUOTE_MAX) stray = stray.substr(0, CFG_QUOTE_MAX) + "...";
        s_failure += "; line " + std::to_string(line) + " is neither a [section], a key=value entry nor a comment: \"" +
                     stray + "\"";
    }
    return ERR_OPEN_FILE;
}

/* Keeps why a project entry is left out, naming the entry, its section,
** the store and its line. */
void cfg_refuse(CAsiCfgHandle *cfg, const std::string &name, const std::string &section, const std::string &key,
                const std::string &cause)
{
    std::string why = "the entry " + key + " in [" + section + "] of " + cfg->store().path();
    if (int line = cfg->store().lineOf(section.c_str(), key.c_str())) why += ", line " + std::to_string(line) + ",";
    s_refused.emplace_back(name, why + " " + cause);
}

/* Shows why the store could not be written, with the engine's text. */
int cfg_write_failed(CAsiCfgHandle *cfg)
{
    char text[PV_CFG_VALUE_SIZE] = "";
    if (cfg) asi_diag_cond_text(cfg, 0, text, sizeof text);
    msg_alert(ERR_TITLE, "Cannot write the SQL configuration: %s",
              text[0] ? text : "the store cannot be opened");
    return ERR_OPEN_FILE;
}

}  // namespace

/* Reads the environments and projects; see pv_config.h. */
int pv_config_load(void)
{
    pv_config_free();
    s_failure.clear();
    s_refused.clear();
    CAsiCfgHandle *cfg = cfg_open();
    if (!cfg) return ERR_OPEN_FILE;
    std::vector<std::string> envs, names, dirs, keys;
    std::vector<int> env_of, links;
    std::vector<std::string> catalogs;
    int rc = RTNORM;
    if (!cfg_read_keys(cfg, PV_CFG_ENVIRONMENTS, envs))
        rc = cfg_fail(cfg, "its section [" PV_CFG_ENVIRONMENTS "] is too long to read");
    else if (envs.empty())
        rc = cfg_fail(cfg, cfg->store().lineOf(PV_CFG_ENVIRONMENTS, nullptr)
                               ? "its section [" PV_CFG_ENVIRONMENTS "] lists no environment"
                               : "it has no section [" PV_CFG_ENVIRONMENTS "]");
    const char *base = cfg->store().dir();
    for (int e = 0; rc == RTNORM && e < (int)envs.size(); ++e) {
        bool db3 = str_eq_nocase(envs[e].c_str(), PV_ENV_DB3);
        std::string catalog;
        cfg_read_value(cfg, envs[e].c_str(), PV_CFG_CATALOG, catalog);
        if (db3) catalog = cfg_absolute(catalog, base);
        catalogs.push_back(catalog);
        /* A project's relative directory lies in the catalog. */
        const char *within = catalog.empty() ? base : catalog.c_str();
        if (!cfg_read_keys(cfg, envs[e].c_str(), keys)) {
            rc = cfg_fail(cfg, "its section [" + envs[e] + "] is too long to read");
            break;
        }
        const size_t prefix = std::strlen(PV_CFG_CATALOG) + 1;
        for (const std::string &k : keys) {
            if (k.size() <= prefix || !str_eq_nocase(k.substr(0, prefix).c_str(), PV_CFG_CATALOG ".")) continue;
            std::string name = k.substr(prefix), dir;
            if (!pv_config_name_ok(name.c_str())) {
                cfg_refuse(cfg, name, envs[e], k, "names a project with a blank at an end or one of = [ ] ; # ' \" \\");
                continue;
            }
            if (!cfg_read_value(cfg, envs[e].c_str(), k.c_str(), dir)) {
                cfg_refuse(cfg, name, envs[e], k, "is longer than " + std::to_string(PV_CFG_VALUE_SIZE - 1) + " characters");
                continue;
            }
            names.push_back(name);
            dirs.push_back(db3 ? cfg_absolute(dir, within) : dir);
            env_of.push_back(e);
            links.push_back(cfg_read_links(cfg, name));
        }
    }
    asi_cfg_close(&cfg);
    if (rc == RTNORM) rc = cfg_publish(envs, names, dirs, env_of);
    if (rc == RTNORM) {
        s_catalogs = catalogs;
        s_links = links;
    }
    return rc;
}

/* Frees the configuration lists. */
void pv_config_free(void)
{
    cfg_free_texts(g_env_names, g_env_count);
    cfg_free_texts(g_pjct_names, g_pjct_count);
    cfg_free_texts(g_pjct_dirs, g_pjct_count);
    std::free(g_pjct_env);
    g_env_names = g_pjct_names = g_pjct_dirs = nullptr;
    g_pjct_env = nullptr;
    g_env_count = g_pjct_count = 0;
    s_catalogs.clear();
    s_links.clear();
}

/* Answers why the last load failed. */
const char *pv_config_failure(void)
{
    return s_failure.c_str();
}

/* Answers why an entry of that name was left out, or null. */
const char *pv_config_refusal(const char *name)
{
    for (const auto &r : s_refused)
        if (name && str_eq_nocase(r.first.c_str(), name)) return r.second.c_str();
    return nullptr;
}

/* Answers the number of entries left out. */
int pv_config_refusal_count(void)
{
    return (int)s_refused.size();
}

/* Answers the n-th entry's reason, or null. */
const char *pv_config_refusal_nth(int n)
{
    return n >= 0 && n < (int)s_refused.size() ? s_refused[(size_t)n].second.c_str() : nullptr;
}

/* Answers the index of an environment, or -1. */
int pv_config_env_index(const char *env)
{
    if (!env) return -1;
    return str_index_nocase(env, (const char *const *)g_env_names, g_env_count);
}

/* Answers the index of a configured project, or -1. */
int pv_config_project_index(const char *name, int env_index)
{
    if (!name) return -1;
    for (int i = 0; i < g_pjct_count; ++i)
        if (str_eq_nocase(g_pjct_names[i], name) && (env_index < 0 || g_pjct_env[i] == env_index))
            return i;
    return -1;
}

/* Answers an environment's catalog directory, "" or null. */
const char *pv_config_catalog(int env_index)
{
    if (env_index < 0 || env_index >= (int)s_catalogs.size()) return nullptr;
    return s_catalogs[(size_t)env_index].c_str();
}

/* Answers the links switch of a configured project. */
int pv_config_links(const char *project)
{
    int i = pv_config_project_index(project, -1);
    return i >= 0 && i < (int)s_links.size() ? s_links[(size_t)i] : 0;
}

/* Answers whether the text can be a name in the store. */
int pv_config_name_ok(const char *name)
{
    if (!name) return 0;
    size_t n = std::strlen(name);
    if (n == 0 || n > PV_CFG_NAME_MAX) return 0;
    if ((unsigned char)name[0] <= ' ' || (unsigned char)name[n - 1] <= ' ') return 0;
    for (const char *p = name; *p; ++p)
        if ((unsigned char)*p < ' ' || *p == 127 || std::strchr(CFG_BAD_CHARS, *p)) return 0;
    return 1;
}

/* Configures a project; see pv_config.h. */
int pv_config_add_project(const char *env, const char *name, const char *dir, int links)
{
    if (!pv_config_name_ok(name)) {
        msg_alert(ERR_TITLE, "Invalid project name: \"%s\".", name ? name : "");
        return -2;
    }
    int e = pv_config_env_index(env);
    if (e < 0) {
        msg_alert(ERR_TITLE, "Environment %s is not configured.", env ? env : "");
        return -2;
    }
    if (!dir || str_nonblank(dir) != RTNORM || std::strlen(dir) >= PV_CFG_VALUE_SIZE ||
        std::strpbrk(dir, "\r\n")) {
        msg_alert(ERR_TITLE, "Invalid directory for project %s.", name);
        return -2;
    }
    int other = pv_config_project_index(name, -1);
    if (other >= 0 && g_pjct_env[other] != e) {
        msg_alert(ERR_TITLE, "Project %s is configured for %s already.", name, g_env_names[g_pjct_env[other]]);
        return -2;
    }
    CAsiCfgHandle *cfg = cfg_open();
    if (!cfg) return cfg_write_failed(nullptr);
    char key[PV_CFG_NAME_MAX + 16];
    std::snprintf(key, sizeof key, PV_CFG_PROJECT_KEY, name);
    int ok = asi_cfg_write(cfg, g_env_names[e], key, dir);
    const char *catalog = pv_config_catalog(e);
    if (ok && catalog && *catalog) ok = asi_cfg_write(cfg, PV_CFG_ASE_CATALOGS, name, catalog);
    std::snprintf(key, sizeof key, PV_CFG_LINKS_KEY, name);
    if (ok) ok = asi_cfg_write(cfg, PV_CFG_MISC, key, links ? "1" : "0");
    int rc = ok ? RTNORM : cfg_write_failed(cfg);
    asi_cfg_close(&cfg);
    if (rc == RTNORM) rc = pv_config_load();
    return rc;
}

/* Removes a project's entries; see pv_config.h. */
int pv_config_remove_project(const char *name)
{
    int i = pv_config_project_index(name, -1);
    if (i < 0) return -2;
    std::string real = g_pjct_names[i], env = g_env_names[g_pjct_env[i]];
    CAsiCfgHandle *cfg = cfg_open();
    if (!cfg) return cfg_write_failed(nullptr);
    char key[PV_CFG_NAME_MAX + 16];
    std::snprintf(key, sizeof key, PV_CFG_PROJECT_KEY, real.c_str());
    int ok = asi_cfg_write(cfg, env.c_str(), key, nullptr);
    if (ok) ok = asi_cfg_write(cfg, PV_CFG_ASE_CATALOGS, real.c_str(), nullptr);
    std::snprintf(key, sizeof key, PV_CFG_LINKS_KEY, real.c_str());
    if (ok) ok = asi_cfg_write(cfg, PV_CFG_MISC, key, nullptr);
    int rc = ok ? RTNORM : cfg_write_failed(cfg);
    asi_cfg_close(&cfg);
    if (rc == RTNORM) rc = pv_config_load();
    return rc;
}

/* Writes a project's links switch; see pv_config.h. */
int pv_config_set_links(const char *name, int on)
{
    int i = pv_config_project_index(name, -1);
    if (i < 0) return -2;
    CAsiCfgHandle *cfg = cfg_open();
    if (!cfg) return cfg_write_failed(nullptr);
    char key[PV_CFG_NAME_MAX + 16];
    std::snprintf(key, sizeof key, PV_CFG_LINKS_KEY, g_pjct_names[i]);
    int rc = asi_cfg_write(cfg, PV_CFG_MISC, key, on ? "1" : "0") ? RTNORM : cfg_write_failed(cfg);
    asi_cfg_close(&cfg);
    if (rc == RTNORM) s_links[(size_t)i] = on ? 1 : 0;
    return rc;
}
