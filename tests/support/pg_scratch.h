// A PostgreSQL server of the test program's own (tools/pg-scratch.sh): made
// in a temporary folder on a free port at its first use, stopped and removed
// when the program ends; the record reaches it through unixODBC with a
// driver list of its own (ODBCSYSINI). No panels, no Qt.
#ifndef PG_SCRATCH_H
#define PG_SCRATCH_H

#include <string>

// Whether the server runs; otherwise why not (for GTEST_SKIP).
bool bPgScratchUp(std::string *pWhy);
// A new empty database's name.
std::string strPgNewDatabase();
// The record's target for the database: "odbc:" and a connection string
// (with a password, which the server does not ask for).
std::string strPgTarget(const std::string &database);
// Every row of the query as psql prints it: fields separated by '|', NULL
// as "-", one line per row.
std::string strPgRows(const std::string &database, const std::string &sql);
// Stops and starts the server on its port: connections made before are lost.
bool bPgRestart();
// Stops the server (its connections lost, none taken) and starts it again.
bool bPgStop();
bool bPgStart();

#endif
