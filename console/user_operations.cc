// Copyright Tavolin developers.

#include "console/user_operations.h"

#include <random>

#include "component/column_text.h"
#include "component/list_record.h"
#include "component/schema.h"
#include "console/audit_entry.h"
#include "console/console_input.h"
#include "console/online_operations.h"
#include "text/strings.h"

namespace tavolin::console {

namespace {

constexpr std::string_view kNoSuchUser = "没有这个用户。";

// `text` with the LIKE pattern characters taken literally, then "%".
std::string PrefixPattern(std::string_view text) {
  std::string pattern;
  for (char c : text::TrimBlanks(text)) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  return pattern + "%";
}

constexpr std::string_view kDateRule = "截止时间要写成 2026-03-04 18:00 这样的日期和时间。";
constexpr std::string_view kFutureRule = "截止时间必须在现在之后。";

// A user's row with the temporary level in force and its end; its first
// parameter is the time now.
std::string UserColumns() {
  const std::string in_force = "FROM vrecord WHERE vrecord.username=user.username AND " +
                               std::string(kTemporaryLevelInForce);
  return "SELECT username,user_level,out_info,out_time,first_ip,last_ip,visit_num,log_time,"
         "in_time,(SELECT max(temp_level) " +
         in_force + ") AS temp_level,(SELECT end_time " + in_force +
         " ORDER BY temp_level DESC LIMIT 1) AS temp_until FROM user ";
}

UserView ReadUser(const RecordSet& row) {
  return {ColumnText(row, "username"), ColumnText(row, "user_level"), ColumnText(row, "temp_level"),
          ColumnText(row, "out_info"), ColumnText(row, "out_time"),   ColumnText(row, "first_ip"),
          ColumnText(row, "last_ip"),  ColumnText(row, "visit_num"),  ColumnText(row, "log_time"),
          ColumnText(row, "in_time"),  ColumnText(row, "temp_until"), false};
}

// The name as stored, or nothing when there is no such user.
std::optional<std::string> StoredName(ConsoleContext& context, std::string_view name) {
  auto row = context.db().Execute("SELECT username FROM user WHERE username=?",
                                  {Variant(std::string(text::TrimBlanks(name)))});
  if (row->eof()) return std::nullopt;
  return ColumnText(*row, "username");
}

// The level of a visit: the stored level, raised by a temporary level in force.
int32_t VisitLevel(Connection& db, const std::string& name, DateTime now) {
  auto row = db.Execute(
      "SELECT user_level,(SELECT max(temp_level) FROM vrecord WHERE username=? AND " +
          std::string(kTemporaryLevelInForce) + ") AS temp_level FROM user WHERE username=?",
      {Variant(name), Variant(now), Variant(name)});
  if (row->eof()) return 0;
  const Variant temp = row->Field("temp_level");
  const int32_t level = row->Field("user_level").ToLong();
  return temp.is_null() ? level : std::max(level, temp.ToLong());
}

// Gives an online visitor the stored and the visit's level of the row.
void ApplyLevelsOnline(ConsoleContext& context, const std::string& name) {
  Connection& db = context.db();
  const std::string stored = ColumnText(
      *db.Execute("SELECT user_level FROM user WHERE username=?", {Variant(name)}), "user_level");
  const std::string visit = std::to_string(VisitLevel(db, name, context.Now()));
  LiveState& live = context.live();
  ApplicationLock lock(context.app());
  std::optional<LiveRecord> user = live.FindUser(name);
  if (!user) return;
  user->set_field(user_field::kStoredLevel, stored);
  user->set_field(user_field::kLevel, visit);
  live.StoreUser(*user);
}

std::string NewPassword() {
  static constexpr std::string_view kLetters = "abcdefghjkmnpqrstuvwxyz23456789";
  std::random_device source;
  std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
  std::string password;
  for (int i = 0; i < 10; ++i) password += kLetters[pick(source)];
  return password;
}

}  // namespace

std::vector<UserView> FindUsers(ConsoleContext& context, std::string_view name_prefix,
                                std::string_view address_prefix) {
  const std::string address = PrefixPattern(address_prefix);
  std::vector<UserView> users;
  const Variant now(context.Now());
  for (auto row = context.db().Execute(
           UserColumns() +
               "WHERE username LIKE ? ESCAPE '\\' AND (? = '%' OR first_ip LIKE ? ESCAPE '\\' "
               "OR last_ip LIKE ? ESCAPE '\\') ORDER BY username LIMIT 100",
           {now, now, Variant(PrefixPattern(name_prefix)), Variant(address), Variant(address),
            Variant(address)});
       !row->eof(); row->MoveNext()) {
    users.push_back(ReadUser(*row));
  }
  LiveState& live = context.live();
  ApplicationLock lock(context.app());
  for (UserView& user : users) user.online = live.HasUser(user.name);
  return users;
}

std::optional<UserView> ShowUser(ConsoleContext& context, std::string_view name) {
  const Variant now(context.Now());
  auto row = context.db().Execute(UserColumns() + "WHERE username=?",
                                  {now, now, Variant(std::string(text::TrimBlanks(name)))});
  if (row->eof()) return std::nullopt;
  UserView user = ReadUser(*row);
  LiveState& live = context.live();
  ApplicationLock lock(context.app());
  user.online = live.HasUser(user.name);
  return user;
}

Outcome SetLevel(ConsoleContext& context, std::string_view name, std::string_view level) {
  const auto stored = StoredName(context, name);
  if (!stored) return Outcome::Refused(std::string(kNoSuchUser));
  const auto number = WholeNumber(level, 0, 32767);
  if (!number) return Outcome::Refused("级别必须是 0 到 32767 的整数。");
  context.db().Execute("UPDATE user SET user_level=? WHERE username=?",
                       {Variant(*number), Variant(*stored)});
  ApplyLevelsOnline(context, *stored);
  RecordChange(context, AuditArea::kUsers, *stored, "级别改为 " + std::to_string(*number));
  return Outcome::Done(*stored + " 的级别改为 " + std::to_string(*number) + "。");
}

Outcome SetTemporaryLevel(ConsoleContext& context, std::string_view name, std::string_view level,
                          std::string_view until) {
  const auto stored = StoredName(context, name);
  if (!stored) return Outcome::Refused(std::string(kNoSuchUser));
  const auto number = WholeNumber(level, 0, 32767);
  if (!number || (*number != 0 && *number <= 5)) {
    return Outcome::Refused("临时级别必须是 6 到 32767 的整数（0 取消临时级别）。");
  }
  const bool ends = *number != 0 && !text::TrimBlanks(until).empty();
  const std::optional<DateTime> end = ends ? DateInput(until) : std::nullopt;
  if (ends && !end) return Outcome::Refused(std::string(kDateRule));
  if (ends && *end <= context.Now()) return Outcome::Refused(std::string(kFutureRule));
  Connection& db = context.db();
  db.Execute("DELETE FROM vrecord WHERE username=?", {Variant(*stored)});
  if (*number != 0) {
    db.Execute(
        "INSERT INTO vrecord (username,temp_level,end_time) VALUES (?,?,?)",
        {Variant(*stored), Variant(*number), end ? Variant(end->ToString()) : Variant::Null()});
  }
  ApplyLevelsOnline(context, *stored);
  const std::string change = *number == 0 ? "取消临时级别"
                                          : "临时级别改为 " + std::to_string(*number) +
                                                (end ? "，到 " + end->ToString() : "");
  RecordChange(context, AuditArea::kUsers, *stored, change);
  return Outcome::Done(*stored + "：" + change + "。");
}

Outcome SetStanding(ConsoleContext& context, std::string_view name, Standing standing,
                    std::string_view until) {
  const auto stored = StoredName(context, name);
  if (!stored) return Outcome::Refused(std::string(kNoSuchUser));
  const bool timed = standing == Standing::kKicked || standing == Standing::kFrozen;
  const std::optional<DateTime> end = timed ? DateInput(until) : std::nullopt;
  if (timed && !end) return Outcome::Refused(std::string(kDateRule));
  if (timed && *end <= context.Now()) return Outcome::Refused(std::string(kFutureRule));

  const std::string now = context.Now().ToString();
  Connection& db = context.db();
  if (timed) {
    db.Execute(
        "UPDATE user SET out_info=?,out_time=? WHERE username=?",
        {Variant(static_cast<int32_t>(standing)), Variant(end->ToString()), Variant(*stored)});
  } else {
    // Lifting brings a kick's end back to now, so the next login's notices
    // look for what came since.
    db.Execute(
        "UPDATE user SET out_info=?,out_time=CASE WHEN out_time>? THEN ? ELSE out_time END "
        "WHERE username=?",
        {Variant(static_cast<int32_t>(standing)), Variant(now), Variant(now), Variant(*stored)});
  }

  std::string change, refusal;
  switch (standing) {
    case Standing::kKicked:
      change = "踢出聊天室，到 " + end->ToString();
      refusal = "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！";
      break;
    case Standing::kFrozen:
      change = "冻结帐号，到 " + end->ToString();
      refusal = "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！";
      break;
    case Standing::kFrozenForEver:
      change = "永久冻结帐号";
      refusal = "对不起：您的帐号被永久冻结了！";
      break;
    case Standing::kNone:
      change = "解除踢出和冻结";
      break;
  }
  if (!refusal.empty()) SendOutVisitor(context, *stored, refusal);
  RecordChange(context, AuditArea::kUsers, *stored, change);
  return Outcome::Done(*stored + "：" + change + "。");
}

Outcome ResetPassword(ConsoleContext& context, std::string_view name) {
  const auto stored = StoredName(context, name);
  if (!stored) return Outcome::Refused(std::string(kNoSuchUser));
  std::string password = NewPassword();
  // Stored as the login scrambles what is typed.
  Variant typed(password);
  const std::string scrambled = context.NewObject()->trpass(typed).ToText();
  context.db().Execute("UPDATE user SET passwd=? WHERE username=?",
                       {Variant(scrambled), Variant(*stored)});
  RecordChange(context, AuditArea::kUsers, *stored, "重设密码");
  return Outcome::Done(*stored + " 的新密码是 " + password + " （只显示这一次）。");
}

Outcome DeleteUser(ConsoleContext& context, std::string_view name) {
  const auto stored = StoredName(context, name);
  if (!stored) return Outcome::Refused(std::string(kNoSuchUser));
  Connection& db = context.db();
  db.Execute("DELETE FROM vrecord WHERE username=?", {Variant(*stored)});
  db.Execute("DELETE FROM user WHERE username=?", {Variant(*stored)});
  SendOutVisitor(context, *stored, "你的帐号已经被管理员删除了。");
  RecordChange(context, AuditArea::kUsers, *stored, "删除用户");
  return Outcome::Done("用户 " + *stored + " 已经删除。");
}

}  // namespace tavolin::console
