// Copyright Tavolin developers.

#include "housekeeping/audit_record.h"

#include <string>

namespace tavolin {
namespace {

std::string AuditEnvironment(const AuditEvent& event, std::string_view report) {
  std::string env = "系统>系统> >";
  env += report;
  env += ">自动>";
  env += event.reason_and_action;
  return env;
}

}  // namespace

void WriteAuditRecord(Connection& db, const AuditEvent& event, const DateTime& when,
                      std::string_view report) {
  db.Execute(
      "INSERT INTO record (stype,occ_time,occ_env) VALUES (?,?,?)",
      {Variant(event.kind), Variant(when.ToString()), Variant(AuditEnvironment(event, report))});
}

}  // namespace tavolin
