// Copyright Tavolin developers.
//
// The audit row every change made from the console leaves in table record,
// in the shape the housekeeping's rows have: seven fields joined by ">" —
// "管理员", "管理员", " ", what was acted on, "手动", what changed and
// "控制台" — under a kind of its own per area.

#ifndef TAVOLIN_CONSOLE_AUDIT_ENTRY_H_
#define TAVOLIN_CONSOLE_AUDIT_ENTRY_H_

#include <string>
#include <string_view>

#include "console/console_context.h"

namespace tavolin::console {

// The stype of the console's rows, per area.
enum class AuditArea {
  kRooms = 80,
  kUsers = 81,
  kAddressLocks = 82,
  kVisits = 83,
  kSettings = 84,
  kRobotAnswers = 85,
  kActions = 86,
};

// The text of the row's occ_env. A ">" in the texts becomes "＞", so that
// the row keeps its seven fields.
std::string ConsoleAuditText(std::string_view target, std::string_view change);

// Inserts the row, dated now.
void RecordChange(ConsoleContext& context, AuditArea area, std::string_view target,
                  std::string_view change);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_AUDIT_ENTRY_H_
