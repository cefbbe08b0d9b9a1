// Copyright Tavolin developers.
//
// The poll every browser makes every six seconds: the lines the visitor has
// not seen and may see, the newest say id, the number of users online; idle
// visits end here.

#include <optional>
#include <string>

#include "component/list_record.h"
#include "component/live_state.h"
#include "component/page_text.h"
#include "conversation/request_values.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"

namespace tavolin {

bool Corvane::IdleTooLong(Application& application) {
  const DateTime now = env_->Now();
  const int64_t since_line =
      DateDiff("n", Variant(visitor_->field(user_field::kLastLine)).ToDate(), now);
  const int64_t since_entry =
      DateDiff("n", Variant(visitor_->field(user_field::kEntered)).ToDate(), now);
  return since_line - application.Get(Key("_nosaytimeout")).ToDouble() > 0 ||
         since_entry - application.Get(Key("_dontsavevalue")).ToDouble() > 0;
}

Variant Corvane::refresh(Application& TheApplication, Session& TheSession, Request& TheRequest) {
  // Read before the lock; a value that is not a whole number fails the page
  // once the visitor is known, before anything is written.
  const Variant sayid_value = TheRequest.Item("sayid");

  std::string page(page::kPollPrefix);
  LiveState& live = Live(TheApplication);
  std::vector<std::pair<Variant, Variant>> lines;
  std::string newest;
  int online = 0;
  {
    ApplicationLock lock(TheApplication);
    if (CheckVisitor(TheSession, live) == 0) return Variant(page.append(page::kShowError));
    if (IdleTooLong(TheApplication)) return Variant(page.append(page::kClose));

    const std::optional<int32_t> requested = OptionalSayId(sayid_value, "sayid");
    const int32_t last_seen =
        requested ? *requested : Variant(visitor_->field(user_field::kDeliveredSayId)).ToLong();
    const auto [says, current] = live.ReadRing();
    lines = NewSays(says, current, last_seen);
    newest = says.array().at(current.ToLong(), 0).ToText();
    online = live.UserCount();

    visitor_->set_field(user_field::kLastPoll, env_->Now().ToString());
    visitor_->set_field(user_field::kDeliveredSayId, newest);
    StoreVisitor(TheApplication);
  }

  // The lines' texts are shared with the ring and never change: the answer
  // is written out without holding up the other requests.
  page += page::kReloadAndScript;
  if (!lines.empty()) page += "parent.addsay(" + JoinSays(lines) + ");";
  page += "parent.ref(" + newest + ");parent.allusernum=" + std::to_string(online) + ";</script>";
  return Variant(std::move(page));
}

bool Corvane::WaitForNews(Application& TheApplication, Session& TheSession, Request& TheRequest,
                          const PollWait& wait) {
  const Variant sayid_value = TheRequest.Item("sayid");
  LiveState& live = Live(TheApplication);
  ApplicationLock lock(TheApplication);
  if (CheckVisitor(TheSession, live) == 0 || IdleTooLong(TheApplication)) return false;
  std::optional<int32_t> requested;
  try {
    requested = OptionalSayId(sayid_value, "sayid");
  } catch (const CallError&) {
    return false;  // refresh reports it
  }
  const int32_t last_seen =
      requested ? *requested : Variant(visitor_->field(user_field::kDeliveredSayId)).ToLong();
  const auto [says, current] = live.ReadRing();
  if (!NewSays(says, current, last_seen).empty()) return false;
  return wait(my_name_, room_id_);
}

}  // namespace tavolin
