// Copyright Tavolin developers.
//
// The visit counters of the login: a running total and the table of visits
// per hour. Between new hours they live in application state only; the first
// visit of a new hour stores both in sysparam, and the first visit counted at
// two in the afternoon runs the daily cleanup before that. Nothing else drives
// the daily jobs: they run only when somebody logs in.

#include "component/live_state.h"
#include "housekeeping/hour_table.h"
#include "tavolin/corvane.h"

namespace tavolin {

namespace {

constexpr int kDailyCleanupHour = 14;

}  // namespace

void Corvane::TallyVisit(Application& application, const DateTime& now) {
  // The registration colours of the login are drawn from this sequence.
  env_->Random().Randomize(env_->Timer());

  const int hour = now.hour();
  LiveState& live = Live(application);
  {
    ApplicationLock lock(application);
    live.SetCounter("_visitor", Variant(live.Counter("_visitor").ToDouble() + 1));
    HourTable hours(live.Counter("_hour24").ToText());
    if (hours.last_hour() == hour) {
      hours.Count(hour);
      live.SetCounter("_hour24", Variant(hours.Text()));
      return;
    }
  }

  // A new hour. The cleanup runs before the counters move on, so a cleanup
  // that fails leaves them unstored.
  if (hour == kDailyCleanupHour) DailyCleanup(application, now);
  Variant hours_text;
  Variant visitors;
  {
    // Re-read: another login may have counted meanwhile, even opened this
    // hour already, in which case this visit simply adds to it.
    ApplicationLock lock(application);
    HourTable hours(live.Counter("_hour24").ToText());
    hours.Count(hour);
    hours_text = Variant(hours.Text());
    live.SetCounter("_hour24", hours_text);
    visitors = Variant(live.Counter("_visitor").ToText());
  }
  Connection& db = Database(application);
  db.Execute("update sysparam set body=? where alias='hour24'", {hours_text});
  db.Execute("update sysparam set body=? where alias='visitor'", {visitors});
}

}  // namespace tavolin
