// Copyright Tavolin developers.

#include "console/lock_operations.h"

#include "component/column_text.h"
#include "console/audit_entry.h"
#include "console/console_input.h"
#include "text/strings.h"

namespace tavolin::console {

std::vector<AddressLockView> ListLocks(ConsoleContext& context) {
  std::vector<AddressLockView> locks;
  for (auto row = context.db().Execute("SELECT * FROM ip_lock ORDER BY ID"); !row->eof();
       row->MoveNext()) {
    locks.push_back({ColumnText(*row, "ID"), ColumnText(*row, "ip"), ColumnText(*row, "end_time"),
                     ColumnText(*row, "act_level")});
  }
  return locks;
}

Outcome AddLock(ConsoleContext& context, std::string_view address, std::string_view until,
                std::string_view exempt_level) {
  const std::string ip(text::TrimBlanks(address));
  if (ip.empty() || ip.find_first_not_of("0123456789abcdefABCDEF.:") != std::string::npos) {
    return Outcome::Refused("地址只能由数字、字母 a-f、. 和 : 组成，例如 10.1.2.3 或 10.1.");
  }
  const std::optional<DateTime> end = DateInput(until);
  if (!end) return Outcome::Refused("截止时间要写成 2026-03-04 18:00 这样的日期和时间。");
  const auto level = WholeNumber(exempt_level, 0, 32767);
  if (!level) return Outcome::Refused("免封级别必须是 0 到 32767 的整数。");
  context.db().Execute("INSERT INTO ip_lock (ip,end_time,act_level) VALUES (?,?,?)",
                       {Variant(ip), Variant(end->ToString()), Variant(*level)});
  const std::string change =
      "封锁地址，到 " + end->ToString() + "，级别 " + std::to_string(*level) + " 以上不受限";
  RecordChange(context, AuditArea::kAddressLocks, ip, change);
  return Outcome::Done(ip + "：" + change + "。");
}

Outcome RemoveLock(ConsoleContext& context, std::string_view id) {
  Connection& db = context.db();
  auto row = db.Execute("SELECT ip FROM ip_lock WHERE ID=?", {Variant(std::string(id))});
  if (row->eof()) return Outcome::Refused("没有这个封锁。");
  const std::string ip = ColumnText(*row, "ip");
  db.Execute("DELETE FROM ip_lock WHERE ID=?", {Variant(std::string(id))});
  RecordChange(context, AuditArea::kAddressLocks, ip, "解除封锁");
  return Outcome::Done(ip + " 的封锁已经解除。");
}

}  // namespace tavolin::console
