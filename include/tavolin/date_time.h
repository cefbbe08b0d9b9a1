// Copyright Tavolin developers.
//
// DateTime: a local civil date and time to the whole second, the platform's
// date-time value. It carries no time zone: the clock (Env) hands out local
// time and everything the engine stores is local time.

#ifndef TAVOLIN_DATE_TIME_H_
#define TAVOLIN_DATE_TIME_H_

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavolin {

class DateTime {
 public:
  // The zero date-time, 1899-12-30 00:00:00 (the date of a time-only value).
  DateTime();

  // REQUIRES: 1 <= month <= 12, 1 <= day <= days in that month,
  // 0 <= hour < 24, 0 <= minute < 60, 0 <= second < 60. Throws CallError
  // (kTypeMismatch) otherwise.
  static DateTime FromCivil(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0);

  // Reads the platform's text forms: "YYYY-MM-DD HH:MM:SS", "YYYY-MM-DD",
  // "HH:MM:SS" and "HH:MM" (a time alone lies on the zero date), with "/" also
  // accepted between date fields, one- or two-digit month, day and time fields,
  // and surrounding blanks. Returns nullopt for anything else.
  static std::optional<DateTime> Parse(std::string_view text);

  // Seconds counted from 1970-01-01 00:00:00 on the civil calendar.
  static DateTime FromSecondsSinceEpoch(int64_t seconds) {
    DateTime d;
    d.seconds_ = seconds;
    return d;
  }
  int64_t SecondsSinceEpoch() const { return seconds_; }

  // The serial form of the automation platform: days since 1899-12-30, the
  // fraction being the time of day. Used when a number is read as a date.
  // FromSerial throws CallError (kOverflow) outside years 100 to 9999 and for NaN.
  static DateTime FromSerial(double days);
  double ToSerial() const;

  int year() const;
  int month() const;   // 1..12
  int day() const;     // 1..31
  int hour() const;    // 0..23
  int minute() const;  // 0..59
  int second() const;  // 0..59

  // Days since 1970-01-01 of the date part (floor).
  int64_t DayNumber() const;

  DateTime AddSeconds(int64_t seconds) const { return FromSecondsSinceEpoch(seconds_ + seconds); }

  // The platform's default text form: "YYYY-MM-DD HH:MM:SS", two-digit fields.
  std::string ToString() const;

  auto operator<=>(const DateTime&) const = default;

 private:
  int64_t seconds_;
};

// Boundary-counting difference from `from` to `to`, as the database's
// datediff counts it: 'd' midnights crossed, 'h' hour boundaries, 'n' minute
// boundaries, 's' seconds. Negative when `to` is earlier. Throws CallError
// (kInvalidProcedureCall) for any other interval letter.
int64_t DateDiff(std::string_view interval, const DateTime& from, const DateTime& to);

}  // namespace tavolin

#endif  // TAVOLIN_DATE_TIME_H_
