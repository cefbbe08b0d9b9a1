// Copyright Tavolin developers.
//
// A loopback port nobody listens on now, for the throw-away servers of tests.

#ifndef TAVOLIN_TESTING_FREE_PORT_H_
#define TAVOLIN_TESTING_FREE_PORT_H_

namespace tavolin::testing {

// A port chosen by the kernel; throws std::runtime_error when there is none.
int FreePort();

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_FREE_PORT_H_
