#include "tests/support/pg_scratch.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

const char *const PG_BIN = "/usr/lib/postgresql/15/bin";

std::string strRun(const std::string &command, int *ps32Status = nullptr)
{
    FILE *pPipe = popen(command.c_str(), "r");
    std::string text;
    char cBuf[512];
    while (pPipe && fgets(cBuf, sizeof(cBuf), pPipe))
        text += cBuf;
    int s32Status = pPipe ? pclose(pPipe) : -1;
    if (ps32Status)
        *ps32Status = s32Status;
    return text;
}

std::string strScript()
{
    return std::string(TAVOLIN_SOURCE_DIR) + "/tools/pg-scratch.sh";
}

class PgScratch : public ::testing::Environment {
public:
    bool bStart()
    {
        if (m_bTried)
            return m_why.empty();
        m_bTried = true;
        m_pDir = new TempDir();
        m_dir = m_pDir->file("pg");
        int s32Status = 0;
        std::string out = strRun(strScript() + " start '" + m_dir + "' 2>&1", &s32Status);
        if (s32Status != 0) {
            m_why = "no PostgreSQL server for the test: " + out;
            return false;
        }
        m_port = out.substr(0, out.find('\n'));
        setenv("ODBCSYSINI", m_dir.c_str(), 1);
        setenv("ODBCINI", (m_dir + "/odbc.ini").c_str(), 1);
        return true;
    }
    void TearDown() override
    {
        if (!m_pDir)
            return;
        if (m_why.empty())
            strRun(strScript() + " stop '" + m_dir + "' 2>&1");
        delete m_pDir;
        m_pDir = nullptr;
    }
    std::string psql(const std::string &database, const std::string &sql)
    {
        std::string command = std::string(PG_BIN) + "/psql -X -q -At -F'|' -P null=- -h 127.0.0.1 -p " +
                              m_port + " -U tavolin -d " + database + " -c \"" + sql + "\" 2>&1";
        return strRun(command);
    }
    bool bRestart()
    {
        int s32Status = 0;
        strRun("runuser -u nobody -- " + std::string(PG_BIN) + "/pg_ctl -D '" + m_dir +
                   "/data' -m immediate -w restart >/dev/null 2>&1",
               &s32Status);
        return s32Status == 0;
    }

    bool bCtl(const std::string &what)
    {
        int s32Status = 0;
        strRun("runuser -u nobody -- " + std::string(PG_BIN) + "/pg_ctl -D '" + m_dir +
                   "/data' -l '" + m_dir + "/server.log' -m immediate -w -t 20 -o '-p " + m_port +
                   " -k " + m_dir + " -c listen_addresses=127.0.0.1 -c fsync=off" +
                   " -c full_page_writes=off' " + what + " >/dev/null 2>&1",
               &s32Status);
        return s32Status == 0;
    }

    std::string m_why, m_port, m_dir;
    TempDir *m_pDir = nullptr;
    bool m_bTried = false;
    int m_s32Databases = 0;
};

PgScratch *gp_Pg = nullptr;

PgScratch &pg()
{
    if (!gp_Pg) {
        gp_Pg = new PgScratch();
        ::testing::AddGlobalTestEnvironment(gp_Pg);   // owned by googletest from here
    }
    return *gp_Pg;
}

} // namespace

bool bPgScratchUp(std::string *pWhy)
{
    bool bUp = pg().bStart();
    if (!bUp && pWhy)
        *pWhy = pg().m_why;
    return bUp;
}

std::string strPgNewDatabase()
{
    std::string name = "t" + std::to_string(++pg().m_s32Databases);
    pg().psql("postgres", "CREATE DATABASE " + name);
    return name;
}

std::string strPgTarget(const std::string &database)
{
    return "odbc:Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=" + pg().m_port +
           ";Database=" + database + ";Uid=tavolin;Pwd={se;cret};";
}

std::string strPgRows(const std::string &database, const std::string &sql)
{
    return pg().psql(database, sql);
}

bool bPgRestart()
{
    return pg().bRestart();
}

bool bPgStop()
{
    return pg().bCtl("stop");
}

bool bPgStart()
{
    return pg().bCtl("start");
}
