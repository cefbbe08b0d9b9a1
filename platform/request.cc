// Copyright Tavolin developers.

#include "tavolin/request.h"

#include "platform/ascii.h"

namespace tavolin {

Variant MemoryRequest::Item(std::string_view name) const {
  // The host's search order: the first collection that has the name wins.
  for (const Collection* collection : {&query_, &form_, &cookies_, &server_variables_}) {
    Variant found = Lookup(*collection, name);
    if (!found.is_empty()) return found;
  }
  return Variant();
}

Variant MemoryRequest::Form(std::string_view name) const { return Lookup(form_, name); }

Variant MemoryRequest::ServerVariable(std::string_view name) const {
  return Lookup(server_variables_, name);
}

MemoryRequest& MemoryRequest::SetQuery(std::string_view name, std::string value) {
  Store(query_, name, std::move(value));
  return *this;
}

MemoryRequest& MemoryRequest::SetForm(std::string_view name, std::string value) {
  Store(form_, name, std::move(value));
  return *this;
}

MemoryRequest& MemoryRequest::SetCookie(std::string_view name, std::string value) {
  Store(cookies_, name, std::move(value));
  return *this;
}

MemoryRequest& MemoryRequest::SetServerVariable(std::string_view name, std::string value) {
  Store(server_variables_, name, std::move(value));
  return *this;
}

Variant MemoryRequest::Lookup(const Collection& collection, std::string_view name) {
  const auto it = collection.find(AsciiLower(name));
  return it == collection.end() ? Variant() : Variant(it->second);
}

void MemoryRequest::Store(Collection& collection, std::string_view name, std::string value) {
  collection.insert_or_assign(AsciiLower(name), std::move(value));
}

}  // namespace tavolin
