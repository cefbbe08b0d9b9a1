// Copyright Tavolin developers.
//
// The table of visits per hour of the day, as stored under "_hour24" and in
// sysparam: 25 numbers joined by ",", elements 0 to 23 the visits counted in
// that hour, element 24 the hour of the last counted visit. It cannot tell
// days apart: a visit a whole number of days after the last one adds to the
// old count of its hour.

#ifndef TAVOLIN_HOUSEKEEPING_HOUR_TABLE_H_
#define TAVOLIN_HOUSEKEEPING_HOUR_TABLE_H_

#include <string>
#include <string_view>
#include <vector>

namespace tavolin {

class HourTable {
 public:
  // Throws CallError (kSubscriptOutOfRange) for fewer than 25 elements, and
  // kTypeMismatch or kOverflow when the last hour is not a 16-bit number.
  explicit HourTable(std::string_view text);

  int last_hour() const { return last_hour_; }

  // Counts one visit in `hour` (0 to 23). In the last hour it adds one to that
  // hour's count; in a new hour it zeroes the hours that passed without a
  // visit (across midnight too), starts the hour at 1 and makes it the last.
  // Throws CallError when an element it reads or sets is missing or not
  // numeric.
  void Count(int hour);

  std::string Text() const;

 private:
  std::string& Element(int index);

  std::vector<std::string> elements_;
  int last_hour_;
};

}  // namespace tavolin

#endif  // TAVOLIN_HOUSEKEEPING_HOUR_TABLE_H_
