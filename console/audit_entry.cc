// Copyright Tavolin developers.

#include "console/audit_entry.h"

#include "text/strings.h"

namespace tavolin::console {

std::string ConsoleAuditText(std::string_view target, std::string_view change) {
  return "管理员>管理员> >" + text::ReplaceAll(target, ">", "＞") + ">手动>" +
         text::ReplaceAll(change, ">", "＞") + ">控制台";
}

void RecordChange(ConsoleContext& context, AuditArea area, std::string_view target,
                  std::string_view change) {
  context.db().Execute("INSERT INTO record (stype,occ_time,occ_env) VALUES (?,?,?)",
                       {Variant(static_cast<int32_t>(area)), Variant(context.Now().ToString()),
                        Variant(ConsoleAuditText(target, change))});
}

}  // namespace tavolin::console
