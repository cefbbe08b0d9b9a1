// Copyright Tavolin developers.
//
// Writing the visit counters back to the database, so that a restart of the
// server keeps the visits counted since the last hourly write.

#ifndef TAVOLIN_COMPONENT_COUNTER_STORE_H_
#define TAVOLIN_COMPONENT_COUNTER_STORE_H_

#include <string_view>

#include "tavolin/application.h"
#include "tavolin/env.h"

namespace tavolin {

// Stores the application values "_visitor" and "_hour24" under `prefix` into
// their sysparam rows, through a connection of its own to "_connstr". Values
// that are absent (the start-up load never ran) are not written.
// Throws CallError (kDatabase) when the database refuses.
void SaveVisitCounters(Application& application, std::string_view prefix, Env* env);

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_COUNTER_STORE_H_
