// Copyright Tavolin developers.

#include "tavolin/date_time.h"

#include <cmath>
#include <cstdio>

#include "platform/ascii.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar
// (H. Hinnant's algorithm; valid for any year, including before 1970).
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

struct CivilDate {
  int64_t year;
  int month;
  int day;
};

// The inverse of DaysFromCivil.
CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t shifted_month = (5 * day_of_year + 2) / 153;  // March is 0
  const int day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  const int month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  return {year_of_era + era * 400 + (month <= 2), month, day};
}

// Division rounding toward minus infinity, so that instants before 1970 fall
// into the day, hour or minute that contains them.
int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Seconds since the midnight that begins the day containing `seconds`.
int64_t SecondOfDay(int64_t seconds) {
  return seconds - FloorDiv(seconds, kSecondsPerDay) * kSecondsPerDay;
}

// Days since 1970-01-01 of 1899-12-30, day zero of the serial form.
const int64_t kSerialZeroDay = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return (month == 2 && leap) ? 29 : kDays[month - 1];
}

bool IsValidCivil(int year, int month, int day, int hour, int minute, int second) {
  return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) && hour >= 0 &&
         hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

int64_t SecondsFromCivil(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

// Consumes between min_digits and max_digits leading decimal digits of `text`
// into `value`. Returns false, consuming nothing, when there are too few.
bool ReadDigits(std::string_view& text, size_t min_digits, size_t max_digits, int* value) {
  size_t count = 0;
  int result = 0;
  while (count < text.size() && count < max_digits && text[count] >= '0' && text[count] <= '9') {
    result = result * 10 + (text[count] - '0');
    ++count;
  }
  if (count < min_digits) return false;
  // More digits than allowed make the field malformed, not shorter.
  if (count < text.size() && text[count] >= '0' && text[count] <= '9') return false;
  text.remove_prefix(count);
  *value = result;
  return true;
}

bool ReadChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

// Reads "H:M" or "H:M:S" (one or two digits each) making up all of `text`.
bool ReadTime(std::string_view text, bool seconds_required, int* hour, int* minute, int* second) {
  *second = 0;
  if (!ReadDigits(text, 1, 2, hour) || !ReadChar(text, ':') || !ReadDigits(text, 1, 2, minute)) {
    return false;
  }
  if (ReadChar(text, ':')) {
    if (!ReadDigits(text, 1, 2, second)) return false;
  } else if (seconds_required) {
    return false;
  }
  return text.empty();
}

}  // namespace

DateTime::DateTime() : seconds_(kSerialZeroDay * kSecondsPerDay) {}

DateTime DateTime::FromCivil(int year, int month, int day, int hour, int minute, int second) {
  if (!IsValidCivil(year, month, day, hour, minute, second)) {
    throw CallError(ErrorCode::kTypeMismatch, "Type mismatch: not a valid date or time");
  }
  return FromSecondsSinceEpoch(SecondsFromCivil(year, month, day, hour, minute, second));
}

std::optional<DateTime> DateTime::Parse(std::string_view text) {
  text = TrimBlanks(text);
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
  const bool has_date = text.find_first_of("-/") != std::string_view::npos;
  if (has_date) {
    if (!ReadDigits(text, 4, 4, &year) || text.empty()) return std::nullopt;
    const char separator = text.front();
    if (!ReadChar(text, separator) || !ReadDigits(text, 1, 2, &month) ||
        !ReadChar(text, separator) || !ReadDigits(text, 1, 2, &day)) {
      return std::nullopt;
    }
    if (!text.empty()) {
      // The date and the time are separated by blanks; the time then needs
      // its seconds, as the platform writes them.
      const std::string_view time = TrimBlanks(text);
      if (time.size() == text.size() || !ReadTime(time, true, &hour, &minute, &second)) {
        return std::nullopt;
      }
    }
  } else if (!ReadTime(text, false, &hour, &minute, &second)) {
    return std::nullopt;
  }
  if (!IsValidCivil(year, month, day, hour, minute, second)) return std::nullopt;
  return FromSecondsSinceEpoch(SecondsFromCivil(year, month, day, hour, minute, second));
}

DateTime DateTime::FromSerial(double days) {
  // The platform's own range: 100-01-01 to 9999-12-31. This also refuses NaN.
  if (!(days > -657435.0 && days < 2958466.0)) {
    throw CallError(ErrorCode::kOverflow, "Overflow: number out of the date range");
  }
  // The whole part is the day; the fraction's magnitude is the time of day
  // even for days before day zero (-1.25 is 1899-12-29 06:00).
  const double whole = std::trunc(days);
  const int64_t second_of_day = std::llround(std::fabs(days - whole) * kSecondsPerDay);
  const int64_t day = kSerialZeroDay + static_cast<int64_t>(whole);
  return FromSecondsSinceEpoch(day * kSecondsPerDay + second_of_day);
}

double DateTime::ToSerial() const {
  const int64_t day = DayNumber() - kSerialZeroDay;
  const double time = static_cast<double>(SecondOfDay(seconds_)) / kSecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

int DateTime::year() const { return static_cast<int>(CivilFromDays(DayNumber()).year); }
int DateTime::month() const { return CivilFromDays(DayNumber()).month; }
int DateTime::day() const { return CivilFromDays(DayNumber()).day; }
int DateTime::hour() const { return static_cast<int>(SecondOfDay(seconds_) / 3600); }
int DateTime::minute() const { return static_cast<int>(SecondOfDay(seconds_) / 60 % 60); }
int DateTime::second() const { return static_cast<int>(SecondOfDay(seconds_) % 60); }

int64_t DateTime::DayNumber() const { return FloorDiv(seconds_, kSecondsPerDay); }

std::string DateTime::ToString() const {
  const CivilDate date = CivilFromDays(DayNumber());
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%04lld-%02d-%02d %02d:%02d:%02d",
                static_cast<long long>(date.year), date.month, date.day, hour(), minute(),
                second());
  return buffer;
}

int64_t DateDiff(std::string_view interval, const DateTime& from, const DateTime& to) {
  int64_t unit = 0;
  if (interval.size() == 1) {
    switch (interval[0]) {
      case 'd':
      case 'D':
        unit = kSecondsPerDay;
        break;
      case 'h':
      case 'H':
        unit = 3600;
        break;
      case 'n':
      case 'N':
        unit = 60;
        break;
      case 's':
      case 'S':
        unit = 1;
        break;
    }
  }
  if (unit == 0) {
    throw CallError(
        ErrorCode::kInvalidProcedureCall,
        "Invalid procedure call: unknown date interval '" + std::string(interval) + "'");
  }
  // Boundaries crossed: the difference of the units that contain each instant.
  return FloorDiv(to.SecondsSinceEpoch(), unit) - FloorDiv(from.SecondsSinceEpoch(), unit);
}

}  // namespace tavolin
