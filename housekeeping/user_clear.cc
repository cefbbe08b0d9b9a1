// Copyright Tavolin developers.
//
// Stale-user clearing: registered users who have not come back within their
// day limit (one for one-time visitors, one for regular visitors) leave table
// user, unless their row is saved. A preview run only reports who would go.

#include <string>
#include <string_view>
#include <vector>

#include "component/column_text.h"
#include "housekeeping/audit_record.h"
#include "housekeeping/run_values.h"
#include "tavolin/corvane.h"

namespace tavolin {

namespace {

// Users with fewer than 2 visits go by the first limit, the others by the
// second; a saved row is never a candidate. The listing and the delete use
// this one condition, so they agree on who goes.
constexpr std::string_view kStaleUsers =
    "((visit_num<2 AND datediff('d',out_time,now())>?) or "
    "(visit_num>1 AND datediff('d',out_time,now())>?)) and saved=0";

}  // namespace

Variant Corvane::UserClear(Application& TheApplication, Variant& UMod) {
  Database(TheApplication);
  return ClearStaleUsers(TheApplication, UMod);
}

Variant Corvane::ClearStaleUsers(Application& TheApplication, Variant& UMod) {
  const std::vector<Variant> limits = {
      LimitParameter(TheApplication.Get(Key("_usernameoncetimeout")), "_usernameoncetimeout"),
      LimitParameter(TheApplication.Get(Key("_usernametimeout")), "_usernametimeout")};
  Connection& db = Database(TheApplication);

  // The report lists the names in the order the users came (by ID): "[tom, ann]".
  std::string report;
  for (auto rows = db.Execute(
           "select username from user where " + std::string(kStaleUsers) + " order by ID", limits);
       !rows->eof(); rows->MoveNext()) {
    report += report.empty() ? "[" : ", ";
    report += ColumnText(*rows, "username");
  }
  if (report.empty()) return Variant("");
  report += "]";

  if (IsRealRun(UMod)) {
    // The audit record comes first: a failed delete still leaves the trace
    // of what was meant.
    WriteAuditRecord(db, kStaleUsersCleared, env_->Now(), report);
    db.Execute("DELETE FROM user WHERE " + std::string(kStaleUsers), limits);
  }
  return Variant(std::move(report));
}

}  // namespace tavolin
