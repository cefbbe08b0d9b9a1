// Copyright Tavolin developers.

#include "sitepages/friends_list.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "component/list_record.h"
#include "sitepages/input_limits.h"
#include "sitepages/registered_users.h"
#include "text/strings.h"

namespace tavolin {

namespace {

std::vector<std::string> Words(std::string_view typed) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : typed) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

}  // namespace

std::variant<std::string, Outcome> TypedFriends(Connection& db, std::string_view typed) {
  const std::vector<std::string> words = Words(typed);
  if (words.size() > kMaxFriends) return FriendsListFull("你的");
  std::string friends;
  std::string unknown;
  for (const std::string& word : words) {
    const auto name = word.size() <= kMaxNameChars * 4 ? RegisteredName(db, word) : std::nullopt;
    if (!name) {
      const bool long_word = text::CharCount(word) > kMaxNameChars;
      unknown += (unknown.empty() ? "" : " ") + std::string(text::LeftChars(word, kMaxNameChars)) +
                 (long_word ? "…" : "");
    } else {
      friends = std::string(text::TrimBlanks(AddWord(friends, *name)));
    }
  }
  if (!unknown.empty()) {
    return Outcome::Refused("好友名单没有保存：没有这些用户：" + unknown + "。");
  }
  return friends;
}

std::optional<std::string> WithFriend(std::string_view friends, std::string_view name) {
  if (HasWord(friends, name)) return std::string(text::TrimBlanks(friends));
  if (Words(friends).size() >= kMaxFriends) return std::nullopt;
  return std::string(text::TrimBlanks(AddWord(friends, name)));
}

}  // namespace tavolin

namespace tavolin {

Outcome FriendsListFull(std::string_view whose) {
  return Outcome::Refused(std::string(whose) + "好友名单最多" + std::to_string(kMaxFriends) +
                          "个名字。");
}

}  // namespace tavolin
