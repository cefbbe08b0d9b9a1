// Copyright Tavolin developers.
//
// Request: the current page request as the engine reads it.
//
// Thread safety: a Request is read by the one request that owns it; const
// methods may be called concurrently.

#ifndef TAVOLIN_REQUEST_H_
#define TAVOLIN_REQUEST_H_

#include <map>
#include <string>
#include <string_view>

#include "tavolin/variant.h"

namespace tavolin {

class Request {
 public:
  virtual ~Request() = default;

  // An item by name, searching the query string, then the posted form, then
  // the cookies, then the server variables. A String Variant with the item's
  // text when found, Empty otherwise. Names are ASCII case-insensitive.
  virtual Variant Item(std::string_view name) const = 0;
  // A posted form field alone: String when present, Empty otherwise.
  virtual Variant Form(std::string_view name) const = 0;
  // A server variable such as "REMOTE_ADDR": String when set, Empty otherwise.
  virtual Variant ServerVariable(std::string_view name) const = 0;
};

// A request whose collections are filled in by the caller: tests build one by
// hand, and the server fills one from a parsed HTTP request.
class MemoryRequest : public Request {
 public:
  Variant Item(std::string_view name) const override;
  Variant Form(std::string_view name) const override;
  Variant ServerVariable(std::string_view name) const override;

  // Each setter replaces an earlier value of the same name.
  MemoryRequest& SetQuery(std::string_view name, std::string value);
  MemoryRequest& SetForm(std::string_view name, std::string value);
  MemoryRequest& SetCookie(std::string_view name, std::string value);
  MemoryRequest& SetServerVariable(std::string_view name, std::string value);

 private:
  // Keys are stored lower-cased.
  using Collection = std::map<std::string, std::string, std::less<>>;
  static Variant Lookup(const Collection& collection, std::string_view name);
  static void Store(Collection& collection, std::string_view name, std::string value);

  Collection query_;
  Collection form_;
  Collection cookies_;
  Collection server_variables_;
};

}  // namespace tavolin

#endif  // TAVOLIN_REQUEST_H_
