// Copyright Tavolin developers.

#include "console/online_operations.h"

#include <optional>

#include "component/list_record.h"
#include "console/audit_entry.h"
#include "console/farewells.h"
#include "conversation/visits.h"

namespace tavolin::console {

std::vector<OnlineVisitor> OnlineVisitors(ConsoleContext& context) {
  const DateTime now = context.Now();
  std::vector<OnlineVisitor> visitors;
  LiveState& live = context.live();
  ApplicationLock lock(context.app());
  live.VisitUsers([&](const std::string& name, const std::vector<std::string>& fields) {
    const auto field = [&](int index) { return FieldOf(fields, index, name); };
    const std::optional<DateTime> last_line = DateTime::Parse(field(user_field::kLastLine));
    visitors.push_back(
        {name, field(user_field::kRoom), field(user_field::kAddress), field(user_field::kLevel),
         last_line ? (now.SecondsSinceEpoch() - last_line->SecondsSinceEpoch()) / 60 : 0});
  });
  return visitors;
}

bool SendOutVisitor(ConsoleContext& context, std::string_view name, std::string words) {
  std::optional<LiveRecord> user;
  {
    LiveState& live = context.live();
    ApplicationLock lock(context.app());
    user = live.FindUser(name);
  }
  if (!user) return false;
  // The words are left before the visit ends, so the window's next poll
  // finds them; the visit ends only if it is still the one the token names.
  const std::string& token = user->field(user_field::kToken);
  LeaveFarewell(context.app(), context.prefix(), user->key(), token, std::move(words));
  if (EndVisitOf(*context.NewObject(), context.app(), user->key(), token)) return true;
  TakeFarewell(context.app(), context.prefix(), user->key(), token);  // it left meanwhile
  return false;
}

Outcome SendOut(ConsoleContext& context, std::string_view name) {
  if (!SendOutVisitor(context, name, std::string(kSentOutWords))) {
    return Outcome::Refused(std::string(name) + " 不在聊天室里。");
  }
  RecordChange(context, AuditArea::kVisits, name, "请出聊天室");
  return Outcome::Done(std::string(name) + " 已经被请出聊天室。");
}

}  // namespace tavolin::console
