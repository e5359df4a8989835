/*
** ase_msgfile.cpp: finding, opening and reading the link client's message
** catalogue.  The search asks the host for its loaded applications and
** takes the directory of the first whose file name begins with "ASE"; it
** falls back to the engine's home directories and then to the bare name.
** A path that does not fit the text area is skipped, never cut.
*/
#include "linkclient/ase_msgfile.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/include/ads_host.h"
#include "sqlclient/base/asi_files.h"

namespace {

/* The file name prefix of the host application next to which the
** catalogue lies. */
constexpr const char *k_app_prefix = "ASE";
constexpr int k_app_prefix_len = 3;

/* 1 for a directory separator of a host path. */
int is_separator(char c) noexcept
{
    return c == '\\' || c == '/';
}

} // namespace

/* A closed message file. */
CAseMsgFile::CAseMsgFile(CAseErrList *owner) noexcept
    : CAseObj(owner), m_reader(nullptr), m_str(nullptr)
{
    m_text[0] = '\0';
    m_path[0] = '\0';
}

/* Closes the catalogue and deletes the reader and the string. */
CAseMsgFile::~CAseMsgFile()
{
    delete m_reader;
    m_reader = nullptr;
    delete m_str;
    m_str = nullptr;
}

/* Opens the catalogue at path; 1 when it is open and indexed. */
int CAseMsgFile::openPath(const char *path) noexcept
{
    if (!m_reader->open(path))
        return 0;
    std::snprintf(m_path, sizeof m_path, "%s", path);
    return 1;
}

/* Walks the host's loaded applications for a file name beginning with
** "ASE" and opens aseloc.xmx in its directory; 1 on the first successful
** open, 0 otherwise. */
int CAseMsgFile::openBesideAse() noexcept
{
    resbuf *apps = ads_arxloaded();
    int opened = 0;
    const std::size_t nameLen = std::strlen(ASE_MSGFILE_NAME);
    for (resbuf *rb = apps; rb && !opened && rb->restype == RTSTR; rb = rb->rbnext) {
        const char *name = rb->resval.rstring;
        if (!name)
            continue;
        std::size_t end = std::strlen(name);
        /* From each '.', backwards, to the separator before it. */
        while (!opened && end > 0) {
            std::size_t dot = end;
            while (dot > 0 && name[dot - 1] != '.')
                --dot;
            if (dot == 0)
                break;
            --dot;   /* index of the '.' */
            std::size_t sep = dot;
            while (sep > 0 && !is_separator(name[sep - 1]))
                --sep;
            if (sep == 0)
                break;
            --sep;   /* index of the separator */
            int match = dot - sep > (std::size_t)k_app_prefix_len;
            for (int k = 0; match && k < k_app_prefix_len; ++k)
                match = std::toupper((unsigned char)name[sep + 1 + k]) == k_app_prefix[k];
            if (match) {
                std::size_t dirLen = sep + 1;
                if (dirLen + nameLen < sizeof m_text) {
                    std::memcpy(m_text, name, dirLen);
                    std::memcpy(m_text + dirLen, ASE_MSGFILE_NAME, nameLen + 1);
                    opened = openPath(m_text);
                }
                break;
            }
            end = dot;
        }
    }
    ads_relrb(apps);
    return opened;
}

/* Looks the catalogue up and opens it: beside the host application whose
** name begins with "ASE", else in the engine's home directories, else
** under its bare name.  1 when it is open, 0 otherwise (also without
** memory for the reader). */
int CAseMsgFile::open() noexcept
{
    if (!m_reader)
        m_reader = new CAsiMsgFile();
    if (!m_str)
        m_str = new (std::nothrow) CAsiUcStr();
    if (!m_reader || !m_str)
        return 0;
    m_path[0] = '\0';
    if (openBesideAse())
        return 1;
    int found = asi_find_home(ASE_MSGFILE_NAME, m_text, sizeof m_text);
    if (found > 0 && found < (int)sizeof m_text)
        return openPath(m_text);
    return openPath(ASE_MSGFILE_NAME);
}

/* Closes the catalogue reader. */
void CAseMsgFile::close() noexcept
{
    if (m_reader)
        m_reader->close();
}

/* The text of message (set, number) in the library's current code page,
** written into the text area; "" when the catalogue is closed, lacks the
** message, or the reader or string is missing. */
const char *CAseMsgFile::text(int set, int number) noexcept
{
    m_text[0] = '\0';
    if (!m_reader || !m_str)
        return m_text;
    ase_guard(nullptr, 0, [&] {
        m_reader->text(set, number, *m_str);
        m_str->toMb(m_text, sizeof m_text);
        return 1;
    });
    return m_text;
}

/* The text of message (set, number) into out; 1, or 0 (out emptied). */
int CAseMsgFile::text(int set, int number, CAsiUcStr &out) const
{
    out.clear();
    return m_reader ? m_reader->text(set, number, out) : 0;
}
