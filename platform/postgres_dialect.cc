// Copyright Tavolin developers.

#include "platform/postgres_dialect.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <utility>

#include "platform/ascii.h"

namespace tavolin {
namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Where the quoted text, quoted identifier or comment starting at `i` ends
// (one past it); `i` itself when none starts there.
size_t SkipQuoted(std::string_view sql, size_t i) {
  const auto until = [&](std::string_view end, size_t from) {
    const size_t found = sql.find(end, from);
    return found == std::string_view::npos ? sql.size() : found + end.size();
  };
  if (sql[i] == '\'' || sql[i] == '"') return until(std::string_view(&sql[i], 1), i + 1);
  if (sql.compare(i, 2, "--") == 0) return until("\n", i + 2);
  if (sql.compare(i, 2, "/*") == 0) return until("*/", i + 2);
  return i;
}

// One past the ")" when "( )" follows `i` (blanks allowed); npos otherwise.
size_t EmptyCallEnd(std::string_view sql, size_t i) {
  const auto skip_blanks = [&](size_t at) {
    while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at]))) ++at;
    return at;
  };
  i = skip_blanks(i);
  if (i >= sql.size() || sql[i] != '(') return std::string_view::npos;
  i = skip_blanks(i + 1);
  if (i >= sql.size() || sql[i] != ')') return std::string_view::npos;
  return i + 1;
}

// Moves each serial column's sequence past the highest id its table holds.
constexpr std::string_view kMoveSequences = R"sql(
DO $body$
DECLARE c record;
BEGIN
  FOR c IN SELECT table_name, column_name FROM information_schema.columns
           WHERE table_schema = current_schema() AND column_default LIKE 'nextval(%' LOOP
    EXECUTE format('SELECT setval(pg_get_serial_sequence(%L, %L), '
                   'coalesce((SELECT max(%I) FROM %I), 0) + 1, false)',
                   quote_ident(c.table_name), c.column_name, c.column_name, c.table_name);
  END LOOP;
END
$body$)sql";

}  // namespace

std::string TranslateCommand(std::string_view command, std::string_view now_text,
                             int* placeholders) {
  std::string sql;
  sql.reserve(command.size() + 16);
  *placeholders = 0;
  size_t i = 0;
  while (i < command.size()) {
    const size_t quoted_end = SkipQuoted(command, i);
    if (quoted_end != i) {
      sql.append(command.substr(i, quoted_end - i));
      i = quoted_end;
      continue;
    }
    const char c = command[i];
    if (c == '?') {
      sql += "$" + std::to_string(++*placeholders);
      ++i;
      continue;
    }
    if (!IsWordChar(c)) {
      sql += c;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < command.size() && IsWordChar(command[end])) ++end;
    const std::string_view word = command.substr(i, end - i);
    const bool qualified = i > 0 && (command[i - 1] == '.' || command[i - 1] == '$');
    const size_t call_end = EmptyCallEnd(command, end);
    if (!qualified && EqualsIgnoreAsciiCase(word, "now") && call_end != std::string_view::npos) {
      sql += "'" + std::string(now_text) + "'";
      i = call_end;
      continue;
    }
    if (!qualified && EqualsIgnoreAsciiCase(word, "last_insert_rowid") &&
        call_end != std::string_view::npos) {
      sql += "lastval()";
      i = call_end;
      continue;
    }
    if (qualified) {
      sql.append(word);
    } else if (EqualsIgnoreAsciiCase(word, "user")) {
      sql += "\"user\"";
    } else if (EqualsIgnoreAsciiCase(word, "like")) {
      sql += "ILIKE";
    } else {
      sql.append(word);
    }
    i = end;
  }
  return sql;
}

std::string TranslateCreateScript(std::string_view script, std::string_view now_text) {
  int placeholders = 0;
  std::string sql = TranslateCommand(script, now_text, &placeholders);
  // Longer spellings first, so that a shorter one does not eat a part of them.
  const std::pair<std::string_view, std::string_view> types[] = {
      {"INTEGER PRIMARY KEY AUTOINCREMENT", "SERIAL PRIMARY KEY"},
      {"INTEGER PRIMARY KEY", "SERIAL PRIMARY KEY"},
      {"TEXT COLLATE NOCASE", "CITEXT"},
      {"DATETIME", "TIMESTAMP(0)"},
  };
  std::string mapped;
  for (size_t i = 0; i < sql.size();) {
    const size_t quoted_end = SkipQuoted(sql, i);
    if (quoted_end != i) {
      mapped.append(sql, i, quoted_end - i);
      i = quoted_end;
      continue;
    }
    const auto type = std::find_if(std::begin(types), std::end(types), [&](const auto& entry) {
      return sql.compare(i, entry.first.size(), entry.first) == 0;
    });
    if (type == std::end(types)) {
      mapped += sql[i++];
    } else {
      mapped.append(type->second);
      i += type->first.size();
    }
  }
  return "CREATE EXTENSION IF NOT EXISTS citext;\n" + mapped + ";\n" + std::string(kMoveSequences);
}

}  // namespace tavolin
