// Copyright Tavolin developers.
//
// A throw-away PostgreSQL server for tests: initdb and pg_ctl run in a
// temporary folder on a free port (as the postgres user when the tests run
// as root, since initdb refuses root). It starts with the first database a
// test asks for and is stopped and removed when the test program ends.

#ifndef TAVOLIN_TESTING_POSTGRES_CLUSTER_H_
#define TAVOLIN_TESTING_POSTGRES_CLUSTER_H_

#include <string>

namespace tavolin::testing {

// Where the server binaries are looked for.
inline constexpr const char* kPostgresBinaries = "/usr/lib/postgresql/15/bin";

// True when TAVOLIN_NO_POSTGRES=1 asks for the PostgreSQL cases to be left out.
bool PostgresCasesOff();

// The connection string of a new database on the test server: an empty one,
// or a copy of the database of `copy_of` (one this made, with no connection
// open to it). Throws std::runtime_error when the server cannot be started,
// saying to run scripts/install-deps.sh when its binaries are missing.
std::string NewPostgresDatabase(const std::string& copy_of = "");

// Drops the database of `connection_string` (one NewPostgresDatabase made),
// closing the connections still open to it.
void DropPostgresDatabase(const std::string& connection_string);

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_POSTGRES_CLUSTER_H_
