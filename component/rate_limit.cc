// Copyright Tavolin developers.

#include "component/rate_limit.h"

#include <algorithm>
#include <memory>

#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

bool RateLimit::Allow(const RateKind& kind, std::string_view visitor, int32_t most, DateTime now) {
  if (most <= 0) return true;
  const int64_t seconds = now.SecondsSinceEpoch();
  std::string key(kind.setting);
  key += '\n';
  key += text::AsciiLower(std::string(visitor));
  std::lock_guard<std::mutex> lock(mutex_);
  if (actions_.size() >= forget_at_) ForgetPassed(seconds);
  Actions& actions = actions_[key];
  actions.window_seconds = kind.window_seconds;
  std::deque<int64_t>& times = actions.times;
  while (!times.empty() && seconds - times.front() >= kind.window_seconds) times.pop_front();
  // A setting lowered meanwhile leaves more times than now allowed.
  while (times.size() > static_cast<size_t>(most)) times.pop_front();
  if (times.size() == static_cast<size_t>(most)) return false;
  times.push_back(seconds);
  return true;
}

void RateLimit::ForgetPassed(int64_t now) {
  std::erase_if(actions_, [now](const auto& entry) {
    const Actions& actions = entry.second;
    return actions.times.empty() || now - actions.times.back() >= actions.window_seconds;
  });
  // Sweeping again only once the map has doubled keeps each sweep's cost
  // shared out over the actions that grew it.
  forget_at_ = std::max<size_t>(1024, 2 * actions_.size());
}

int32_t MostAllowed(const Application& application, std::string_view prefix, const RateKind& kind) {
  const Variant most = application.Get(std::string(prefix) + "_" + std::string(kind.setting));
  if (most.is_empty()) return kind.unset_most;
  if (!most.IsNumeric()) return 0;
  try {
    return most.ToLong();
  } catch (const CallError&) {
    return 0;
  }
}

bool AllowedNow(Application& application, std::string_view prefix, const RateKind& kind,
                std::string_view visitor, DateTime now) {
  const int32_t most = MostAllowed(application, prefix, kind);
  if (most <= 0) return true;
  auto limit = std::static_pointer_cast<RateLimit>(application.GetOrMakeObject(
      std::string(prefix) + "_ratelimit", [] { return std::make_shared<RateLimit>(); }));
  return limit->Allow(kind, visitor, most, now);
}

}  // namespace tavolin
