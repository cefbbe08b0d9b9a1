// Copyright Tavolin developers.

#include "console/hour_chart.h"

#include <algorithm>

namespace tavolin::console {

namespace {

constexpr int kBarWidth = 20;
constexpr int kGap = 4;
constexpr int kPlotHeight = 150;
constexpr int kTop = 16;  // room for the busiest bar's count
constexpr int kLabels = 18;

}  // namespace

std::string HourChart(const std::array<int64_t, 24>& visits, int last_hour) {
  const int64_t busiest = std::max<int64_t>(1, *std::max_element(visits.begin(), visits.end()));
  const int width = 24 * (kBarWidth + kGap) + kGap;
  const int height = kTop + kPlotHeight + kLabels;
  std::string svg = "<svg id='hour-chart' xmlns='http://www.w3.org/2000/svg' viewBox='0 0 " +
                    std::to_string(width) + " " + std::to_string(height) +
                    "' width='100%' style='max-width:" + std::to_string(width) +
                    "px' role='img' aria-label='每小时访问'>";
  for (int hour = 0; hour < 24; ++hour) {
    const int64_t count = visits[hour];
    const int bar = static_cast<int>(count * kPlotHeight / busiest);
    const int x = kGap + hour * (kBarWidth + kGap);
    const std::string centre = std::to_string(x + kBarWidth / 2);
    svg += "<rect class='bar' x='" + std::to_string(x) + "' y='" +
           std::to_string(kTop + kPlotHeight - bar) + "' width='" + std::to_string(kBarWidth) +
           "' height='" + std::to_string(bar) + "' fill='" +
           (hour == last_hour ? "#993366" : "#336699") + "'><title>" + std::to_string(hour) +
           " 点：" + std::to_string(count) + "</title></rect>";
    if (count > 0) {
      svg += "<text x='" + centre + "' y='" + std::to_string(kTop + kPlotHeight - bar - 3) +
             "' font-size='9' text-anchor='middle'>" + std::to_string(count) + "</text>";
    }
    svg += "<text x='" + centre + "' y='" + std::to_string(height - 4) +
           "' font-size='10' text-anchor='middle'>" + std::to_string(hour) + "</text>";
  }
  return svg + "</svg>";
}

}  // namespace tavolin::console
