// Copyright Tavolin developers.
//
// A loopback port nobody listens on, for servers a test starts on a port
// it must know before they run (a balancer's upstreams, a server started
// again where it was).

#ifndef TAVOLIN_TESTING_FREE_PORT_H_
#define TAVOLIN_TESTING_FREE_PORT_H_

#include <cstdint>

namespace tavolin::testing {

// A port on 127.0.0.1 that the kernel hands out now; throws
// std::runtime_error when there is none.
uint16_t FreePort();

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_FREE_PORT_H_
