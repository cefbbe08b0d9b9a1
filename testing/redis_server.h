// Copyright Tavolin developers.
//
// A throw-away Redis server for tests: redis-server on a free loopback port,
// without persistence, in a temporary folder. It starts with the first url a
// test asks for and is stopped and removed when the test program ends.

#ifndef TAVOLIN_TESTING_REDIS_SERVER_H_
#define TAVOLIN_TESTING_REDIS_SERVER_H_

#include <string>

namespace tavolin::testing {

// True when TAVOLIN_NO_REDIS=1 asks for the Redis cases to be left out.
bool RedisCasesOff();

// The url of the test server's database 0, the server started and answering
// PING. Throws std::runtime_error when it cannot be started, saying to run
// scripts/install-deps.sh when redis-server is missing.
std::string RedisUrl();

// The url of a database of the test server that no one has used yet (each
// call a new database number), so that tests do not see each other's keys.
// Publish/subscribe channels are shared by all databases: tests that use them
// pick channel names of their own. Throws std::runtime_error when the
// server's databases run out.
std::string NewRedisUrl();

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_REDIS_SERVER_H_
