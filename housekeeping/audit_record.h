// Copyright Tavolin developers.
//
// The audit record that every real housekeeping change leaves in table
// record: the kind of event, when it happened, and an occ_env of seven fields
// joined by ">": "系统", "系统", " ", the run's report, "自动", the reason and
// the action ("%%" standing where the target is meant).

#ifndef TAVOLIN_HOUSEKEEPING_AUDIT_RECORD_H_
#define TAVOLIN_HOUSEKEEPING_AUDIT_RECORD_H_

#include <string_view>

#include "tavolin/database.h"
#include "tavolin/date_time.h"

namespace tavolin {

struct AuditEvent {
  int kind;                            // the stype column
  std::string_view reason_and_action;  // the last two fields, joined by ">"
};

inline constexpr AuditEvent kStaleUsersCleared = {57, "长时间不访问被自动清除 ！>清除用户%%"};
inline constexpr AuditEvent kRoomsKept = {17,
                                          " 由于人气值高而被系统自动修改！>设置房间%%为保留房间！"};
inline constexpr AuditEvent kRoomsExpired = {16, " 由于人气不旺被系统自动清除！>清除房间%%"};

// Inserts the audit record of `event` at `when`.
void WriteAuditRecord(Connection& db, const AuditEvent& event, const DateTime& when,
                      std::string_view report);

}  // namespace tavolin

#endif  // TAVOLIN_HOUSEKEEPING_AUDIT_RECORD_H_
