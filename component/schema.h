// Copyright Tavolin developers.
//
// The chat's database: every table and column the engine uses, and the seed
// data of a working chat, as one SQL script run when a database is new.

#ifndef TAVOLIN_COMPONENT_SCHEMA_H_
#define TAVOLIN_COMPONENT_SCHEMA_H_

#include <string_view>

#include "tavolin/database.h"

namespace tavolin {

// SQL statements separated by ";": the tables, their indexes and the seed rows.
std::string_view ChatSchemaScript();

// Adds to a database made by an earlier version the columns added since
// (vrecord.end_time); does nothing to one that has them. Throws CallError
// (kDatabase) when the database refuses.
void UpgradeChatSchema(Connection& db);

// The condition on a vrecord row for a temporary level in force at the time
// bound to its one parameter: above 5, and without an end or ending later.
inline constexpr std::string_view kTemporaryLevelInForce =
    "temp_level>5 AND (end_time IS NULL OR datediff('s',?,end_time)>0)";

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_SCHEMA_H_
