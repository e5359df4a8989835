/*
** config_test.cpp: the configuration store through asi_cfg_*: reading
** entries, key and section lists, writing with comments kept, the default
** store, and writes interrupted by a full disk or a dying process.
*/
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "sqlclient/asi_api.h"
#include "sqlclient/base/asi_except.h"

namespace {

/* The sample store of a configured site. */
const char *SAMPLE = "; Petrivex SQL configuration\n"
                     "[ENVIRONMENTS]\n"
                     "DB3=\n"
                     "ORACLE7=\n"
                     "\n"
                     "[DB3]\n"
                     "Driver = pvdb3\n"
                     "PETRIVEX=/data/pv\n"
                     "PETRIVEX.GEOLOGY=/data/pv/geology\n"
                     "\n"
                     "[PETRIVEX_MISC]\n"
                     "GEOLOGY.links=1\n";

/* A scratch directory holding asi.ini with the sample text. */
class ConfigStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = pv_make_scratch_dir("pv_cfg_").string();
        path = dir + "/asi.ini";
        std::ofstream(path) << SAMPLE;
        asi_init();
    }

    void TearDown() override
    {
        std::string cmd = "rm -rf " + dir;
        (void)std::system(cmd.c_str());
    }

    /* The file's text. */
    std::string file() const
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    /* The names of a list written by asi_cfg_read with a null key. */
    static std::vector<std::string> names(const char *buf)
    {
        std::vector<std::string> out;
        for (const char *p = buf; *p; p += std::strlen(p) + 1)
            out.push_back(p);
        return out;
    }

    std::string dir, path;   /* scratch directory and its asi.ini */
};

TEST_F(ConfigStore, EntriesKeysAndSectionsAreReadIgnoringCase)
{
    CAsiCfgHandle *cfg = nullptr;
    ASSERT_EQ(asi_cfg_open(path.c_str(), &cfg), 1);
    char buf[256];
    ASSERT_EQ(asi_cfg_read(cfg, "db3", "driver", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "pvdb3");
    ASSERT_EQ(asi_cfg_read(cfg, "DB3", "PETRIVEX.GEOLOGY", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "/data/pv/geology");
    ASSERT_EQ(asi_cfg_read(cfg, "ENVIRONMENTS", "DB3", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "");

    ASSERT_EQ(asi_cfg_read(cfg, "ENVIRONMENTS", nullptr, buf, sizeof buf), 1);
    EXPECT_EQ(names(buf), (std::vector<std::string>{"DB3", "ORACLE7"}));
    ASSERT_EQ(asi_cfg_read(cfg, nullptr, nullptr, buf, sizeof buf), 1);
    EXPECT_EQ(names(buf), (std::vector<std::string>{"ENVIRONMENTS", "DB3", "PETRIVEX_MISC"}));

    EXPECT_EQ(asi_cfg_read(cfg, "DB3", "PETRIVEX.NOSUCH", buf, sizeof buf), 0);
    EXPECT_EQ(asi_diag_cond_code(cfg, 0), ASI_ERR_CFG_NOT_FOUND);
    EXPECT_EQ(asi_cfg_read(cfg, "NOSECTION", "Driver", buf, sizeof buf), 0);
    EXPECT_EQ(asi_cfg_read(cfg, "DB3", "Driver", nullptr, 0), 0);

    /* A value cut to the buffer is terminated and warned about. */
    char small[6];
    ASSERT_EQ(asi_cfg_read(cfg, "DB3", "PETRIVEX", small, sizeof small), 1);
    EXPECT_STREQ(small, "/data");
    EXPECT_EQ(asi_diag_cond_code(cfg, 0), ASI_WARN_TRUNCATED);
    EXPECT_EQ(asi_cfg_close(&cfg), 1);
    EXPECT_EQ(cfg, nullptr);
}

TEST_F(ConfigStore, WritesChangeOnlyTheirLinesAndPersist)
{
    CAsiCfgHandle *cfg = nullptr;
    ASSERT_EQ(asi_cfg_open(path.c_str(), &cfg), 1);
    ASSERT_EQ(asi_cfg_write(cfg, "DB3", "PETRIVEX.SURVEY", "/data/pv/survey"), 1);
    ASSERT_EQ(asi_cfg_write(cfg, "PETRIVEX_MISC", "GEOLOGY.links", "0"), 1);
    ASSERT_EQ(asi_cfg_write(cfg, "ENVIRONMENTS", "ORACLE7", nullptr), 1);
    ASSERT_EQ(asi_cfg_write(cfg, "ASE_CATALOGS", "GEOLOGY", "/data/pv"), 1);
    ASSERT_EQ(asi_cfg_write(cfg, "ENVIRONMENTS", "NOSUCH", nullptr), 1) << "deleting nothing is fine";
    EXPECT_EQ(asi_cfg_write(cfg, "DB3", "BAD=KEY", "x"), 0);
    EXPECT_EQ(asi_cfg_write(cfg, "DB3", "KEY", "two\nlines"), 0);
    asi_cfg_close(&cfg);

    EXPECT_EQ(file(), "; Petrivex SQL configuration\n"
                      "[ENVIRONMENTS]\n"
                      "DB3=\n"
                      "\n"
                      "[DB3]\n"
                      "Driver = pvdb3\n"
                      "PETRIVEX=/data/pv\n"
                      "PETRIVEX.GEOLOGY=/data/pv/geology\n"
                      "PETRIVEX.SURVEY=/data/pv/survey\n"
                      "\n"
                      "[PETRIVEX_MISC]\n"
                      "GEOLOGY.links=0\n"
                      "[ASE_CATALOGS]\n"
                      "GEOLOGY=/data/pv\n");

    ASSERT_EQ(asi_cfg_open(path.c_str(), &cfg), 1);
    ASSERT_EQ(asi_cfg_write(cfg, "DB3", nullptr, nullptr), 1);
    char buf[64];
    EXPECT_EQ(asi_cfg_read(cfg, "DB3", "Driver", buf, sizeof buf), 0);
    ASSERT_EQ(asi_cfg_read(cfg, "PETRIVEX_MISC", "geology.LINKS", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "0");
    asi_cfg_close(&cfg);
}

TEST_F(ConfigStore, NamesThatCouldNotBeReadBackAreRefusedAndTheFileKept)
{
    std::string before = file();
    CAsiCfgHandle *cfg = nullptr;
    ASSERT_EQ(asi_cfg_open(path.c_str(), &cfg), 1);
    const char *keys[] = {";GEOLOGY", "#GEOLOGY", " GEOLOGY", "GEOLOGY\t", ""};
    for (const char *key : keys) {
        EXPECT_EQ(asi_cfg_write(cfg, "DB3", key, "/data/pv"), 0) << "key '" << key << "'";
        EXPECT_EQ(asi_diag_cond_code(cfg, 0), ASI_ERR_BAD_ARGUMENT);
    }
    EXPECT_EQ(asi_cfg_write(cfg, " DB3", "Driver", "pvdb3"), 0);
    EXPECT_EQ(asi_cfg_write(cfg, "DB3 ", "Driver", "pvdb3"), 0);
    asi_cfg_close(&cfg);
    EXPECT_EQ(file(), before);
}

TEST_F(ConfigStore, MissingFileIsAnEmptyStoreCreatedByTheFirstWrite)
{
    std::string fresh = dir + "/new.ini";
    CAsiCfgHandle *cfg = nullptr;
    ASSERT_EQ(asi_cfg_open(fresh.c_str(), &cfg), 1);
    char buf[16];
    EXPECT_EQ(asi_cfg_read(cfg, "DB3", "Driver", buf, sizeof buf), 0);
    ASSERT_EQ(asi_cfg_write(cfg, "DB3", "Driver", "pvdb3"), 1);
    asi_cfg_close(&cfg);
    std::ifstream in(fresh);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "[DB3]\nDriver=pvdb3\n");
}

TEST_F(ConfigStore, DefaultStoreIsNamedByTheEnvironment)
{
    setenv(ASI_CFG_SETTING, path.c_str(), 1);
    CAsiCfgHandle *cfg = nullptr;
    ASSERT_EQ(asi_cfg_open(nullptr, &cfg), 1);
    char buf[32];
    ASSERT_EQ(asi_cfg_read(cfg, "DB3", "Driver", buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "pvdb3");
    asi_cfg_close(&cfg);
    unsetenv(ASI_CFG_SETTING);
}

/* Runs a write of a long value in a child whose files may not grow past
** a few bytes; answers the child's wait status.  With ignore set the
** child survives the refused write and exits 0 when asi_cfg_write failed
** with ASI_ERR_CFG_IO and the store kept its old entries. */
int interrupted_write(const std::string &path, bool ignore)
{
    pid_t pid = fork();
    if (pid == 0) {
        CAsiCfgHandle *cfg = nullptr;
        if (!asi_cfg_open(path.c_str(), &cfg))
            _exit(3);
        if (ignore)
            signal(SIGXFSZ, SIG_IGN);
        rlimit lim{64, 64};
        setrlimit(RLIMIT_FSIZE, &lim);
        std::string big(4000, 'x');
        int ok = asi_cfg_write(cfg, "DB3", "Driver", big.c_str());
        int code = asi_diag_cond_code(cfg, 0);
        char buf[32];
        int kept = asi_cfg_read(cfg, "DB3", "Driver", buf, sizeof buf) && std::string(buf) == "pvdb3";
        _exit(!ok && code == ASI_ERR_CFG_IO && kept ? 0 : 4);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST_F(ConfigStore, InterruptedWriteLeavesTheOldFileWhole)
{
    std::string before = file();
    int status = interrupted_write(path, false);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child dies in the middle of the write";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(file(), before);

    status = interrupted_write(path, true);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write is reported and the store keeps its entries";
    EXPECT_EQ(file(), before);
}

} // namespace
