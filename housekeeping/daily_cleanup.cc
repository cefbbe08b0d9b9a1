// Copyright Tavolin developers.
//
// The daily cleanup, run by the first login counted at two in the afternoon:
// old calls and friend requests always, old audit records and guestbook
// entries, stale users, and popular and idle rooms when configured, in that
// order. Every deletion can be repeated harmlessly.

#include "housekeeping/run_values.h"
#include "tavolin/corvane.h"

namespace tavolin {

void Corvane::DailyCleanup(Application& application, const DateTime& now) {
  Connection& db = Database(application);
  const auto limit = [&](std::string_view key) {
    return LimitParameter(application.Get(Key(key)), key);
  };
  const Variant today(now.ToString());

  // Calls go by the friend-request limit and friend requests by the call
  // limit: installations are configured for this crossing.
  db.Execute("DELETE FROM calls WHERE datediff('d',calltime,?)>?",
             {today, limit("_friendtimeout")});
  db.Execute("DELETE FROM friendrq WHERE datediff('d',sub_time,?)>?",
             {today, limit("_calltimeout")});
  if (IsSwitchOn(application.Get(Key("_autoclearmanagelog")))) {
    db.Execute("DELETE FROM record WHERE DATEDIFF('d',occ_time,now())>?",
               {limit("_managelogtimeout")});
  }
  if (IsSwitchOn(application.Get(Key("_autocleargb")))) {
    db.Execute("DELETE FROM guestbook WHERE DATEDIFF('d',post_time,now())>?",
               {limit("_gbtimeout")});
  }

  Variant real_run(1);
  if (IsSwitchOn(application.Get(Key("_autoclearusername")))) {
    ClearStaleUsers(application, real_run);
  }
  if (IsSwitchOn(application.Get(Key("_roomautoclear")))) {
    KeepPopularRooms(application, real_run);
    ExpireRooms(application, real_run);
  }
}

}  // namespace tavolin
