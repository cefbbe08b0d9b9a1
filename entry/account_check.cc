// Copyright Tavolin developers.
//
// The account check of the login. A name with a row in table user must give
// its password and be in good standing (not kicked out, not frozen, not under
// an address lock for its level); then the visit is recorded in the row and
// the login notices are collected. A name without a row registers (see
// registration.cc); when a login of the same new name at the same moment
// registered it first, this login goes on as a login of that name. Every refusal leaves the
// database as it was.

#include <optional>
#include <string>

#include "component/column_text.h"
#include "component/schema.h"
#include "entry/login.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"

namespace tavolin {

namespace {

// A whole-number column; a SQL NULL reads as `if_null`.
int32_t NumberColumn(const RecordSet& row, std::string_view column, int32_t if_null) {
  const Variant value = row.Field(column);
  return value.is_null() ? if_null : value.ToLong();
}

// Whether a date-time column lies after `now`; a SQL NULL never does.
bool Later(const RecordSet& row, std::string_view column, const DateTime& now) {
  const Variant value = row.Field(column);
  return !value.is_null() && value.ToDate() > now;
}

}  // namespace

std::optional<std::string> Corvane::CheckAccount(Application& application, Request& request,
                                                 Login& login) {
  Connection& db = Database(application);
  const std::string now = env_->Now().ToString();
  const int32_t new_users = db.Execute(
                                  "SELECT count(*) as newnum FROM user WHERE first_ip=? and "
                                  "datediff('n',log_time,?)<10",
                                  {Variant(login.ip), Variant(now)})
                                ->Field("newnum")
                                .ToLong();

  // Only the first lock row whose text occurs in the address counts.
  AddressLock lock;
  const auto locks =
      db.Execute("SELECT * FROM ip_lock WHERE ? LIKE '%' || ip || '%'", {Variant(login.ip)});
  if (!locks->eof() && Later(*locks, "end_time", env_->Now())) {
    lock.locked = true;
    lock.level = NumberColumn(*locks, "act_level", 0);
  }

  const auto find_user = [&db, &login] {
    return db.Execute("SELECT * FROM user WHERE username=?", {Variant(login.name)});
  };
  auto user = find_user();
  if (user->eof()) {
    try {
      return RegisterNewUser(application, request, lock, new_users, login);
    } catch (const CallError&) {
      // Another login of the same new name may have registered it since the
      // look-up: then this one is a login of that name. Otherwise the error
      // stands.
      user = find_user();
      if (user->eof()) throw;
    }
  }
  if (auto refusal = ExistingUserRefusal(*user, login, lock)) return refusal;
  AdmitExistingUser(application, *user, login);
  return std::nullopt;
}

std::optional<std::string> Corvane::ExistingUserRefusal(const RecordSet& user, const Login& login,
                                                        const AddressLock& lock) {
  // The password comes first, so a frozen account does not tell a stranger
  // that it exists in good order.
  if (login.scrambled_password != ColumnText(user, "passwd")) {
    return kWrongPasswordMessage;
  }
  const DateTime now = env_->Now();
  const int32_t standing = NumberColumn(user, "out_info", 0);
  const bool until_later = Later(user, "out_time", now);
  if (standing - 5 == 0 && until_later) {
    return "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！";
  }
  if (standing - 6 == 0 && until_later) {
    return "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！";
  }
  if (standing - 7 == 0) return "对不起：您的帐号被永久冻结了！";
  if (lock.locked && NumberColumn(user, "user_level", 1) - lock.level < 0) {
    return "对不起：您的IP被封锁了！";
  }
  return std::nullopt;
}

void Corvane::AdmitExistingUser(Application& application, const RecordSet& user, Login& login) {
  Connection& db = Database(application);
  const std::string login_time = env_->Now().ToString();
  // The notices speak to the visitor by the name as typed; from then on the
  // name is the one stored, whatever letter case was typed.
  const std::string typed_name = login.name;
  login.name = ColumnText(user, "username");
  login.stored_level = NumberColumn(user, "user_level", 1);
  login.level = login.stored_level;
  const int16_t sex = Variant(NumberColumn(user, "sex", 0)).ToInteger();
  login.sex = sex != 0 ? 1 : 0;
  login.face = NumberColumn(user, "headface", 1010);

  // A temporary level above 5 raises the level for this visit until its end;
  // only the first such row counts.
  const auto temporary = db.Execute(
      "select temp_level from vrecord where username=? and " + std::string(kTemporaryLevelInForce),
      {Variant(login.name), Variant(env_->Now())});
  if (!temporary->eof()) {
    const int32_t temp_level = NumberColumn(*temporary, "temp_level", 0);
    if (temp_level > login.level) login.level = temp_level;
  }

  // The notices look for what came after the previous login's out_time.
  login.notices =
      LoginNotices(application, typed_name, user.Field("out_time"), ColumnText(user, "friends"));

  const int32_t visits = NumberColumn(user, "visit_num", 0) + 1;
  db.Execute(
      "UPDATE user SET temppass=' ',visit_num=?,last_ip=?,in_time=?,out_time=? WHERE username=?",
      {Variant(visits), Variant(login.ip), Variant(env_->Now().ToString()), Variant(login_time),
       Variant(login.name)});
}

}  // namespace tavolin
