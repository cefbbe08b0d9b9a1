// Copyright Tavolin developers.
//
// The visits per hour of the day as a bar chart: an inline SVG the server
// writes, so the page needs no script to show it.

#ifndef TAVOLIN_CONSOLE_HOUR_CHART_H_
#define TAVOLIN_CONSOLE_HOUR_CHART_H_

#include <array>
#include <cstdint>
#include <string>

namespace tavolin::console {

// One bar per hour, scaled to the busiest; each bar carries its count as a
// tooltip and the hour of the last counted visit is marked.
std::string HourChart(const std::array<int64_t, 24>& visits, int last_hour);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_HOUR_CHART_H_
