// Copyright Tavolin developers.
//
// The chat's database: every table and column the engine uses, and the seed
// data of a working chat, as one SQL script run when a database is new.

#ifndef TAVOLIN_COMPONENT_SCHEMA_H_
#define TAVOLIN_COMPONENT_SCHEMA_H_

#include <string_view>

namespace tavolin {

// SQL statements separated by ";": the tables, their indexes and the seed rows.
std::string_view ChatSchemaScript();

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_SCHEMA_H_
