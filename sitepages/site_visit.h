// Copyright Tavolin developers.
//
// SiteVisit: one request of a visitor to a site page. It runs the visitor
// check and, for a proven visitor, gives the request's fields, the clock and
// a database connection of its own.
//
// Thread safety: belongs to one request.

#ifndef TAVOLIN_SITEPAGES_SITE_VISIT_H_
#define TAVOLIN_SITEPAGES_SITE_VISIT_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "component/rate_limit.h"
#include "sitepages/site_html.h"
#include "sitepages/site_pages.h"
#include "tavolin/corvane.h"
#include "tavolin/database.h"

namespace tavolin {

class SiteVisit {
 public:
  // Runs the visitor check on the live lists, read under the application
  // lock. REQUIRES: the application lock is not held.
  explicit SiteVisit(const SiteHost& host);

  // False when the session proves no visitor in the chat; nothing else may
  // be asked then.
  bool in_chat() const { return in_chat_; }
  // The visitor's name as the user list holds it.
  const std::string& name() const { return name_; }
  // True for a posted form: only then may a page change stored data.
  bool posted() const;
  // A posted form field alone, or a request item (query first), as text
  // ("" when absent).
  std::string Form(std::string_view field) const;
  std::string Item(std::string_view field) const;
  // The opening of a form posted to `action`, carrying the session's token.
  std::string PostForm(std::string_view action) const;
  // The field of a form's addressee (towho), filled from the request.
  std::string AddresseeInput() const;
  DateTime Now() const { return host_.env->Now(); }
  // A refusal when the visitor has done `kind` as often as its setting
  // allows within its time; otherwise nothing, and this one is counted.
  std::optional<Outcome> TooFast(const RateKind& kind);
  // Whether the visitor may do `kind` once more (counted when so), and how
  // often its setting allows it.
  bool Allowed(const RateKind& kind);
  int32_t MostAllowed(const RateKind& kind) const;

  Corvane& object() { return *object_; }
  // Opened on first use, from "_connstr".
  Connection& db();
  // The visitor's row of table user. Throws CallError (kDatabase) when the
  // row is missing.
  std::unique_ptr<RecordSet> UserRow();

 private:
  const SiteHost& host_;
  std::unique_ptr<Corvane> object_;
  std::unique_ptr<Connection> db_;
  bool in_chat_ = false;
  std::string name_;
};

}  // namespace tavolin

#endif  // TAVOLIN_SITEPAGES_SITE_VISIT_H_
