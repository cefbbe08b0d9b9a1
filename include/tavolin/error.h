// Copyright Tavolin developers.
//
// The one error type of the engine. A failed conversion, a missing list key,
// a subscript out of range and a database failure all end the method that
// met them and reach the calling page as a CallError: no method traps errors.

#ifndef TAVOLIN_ERROR_H_
#define TAVOLIN_ERROR_H_

#include <stdexcept>
#include <string>

namespace tavolin {

// Numbers follow the classic automation run-time error numbers where one
// exists, so a page author who knows them recognises the failure.
enum class ErrorCode {
  kInvalidProcedureCall = 5,  // an argument the operation cannot take
  kOverflow = 6,              // a number outside the target integer range
  kSubscriptOutOfRange = 9,   // array index or list record piece missing
  kTypeMismatch = 13,         // a value that cannot be converted
  kInvalidUseOfNull = 94,     // a Null where a value was needed
  kUnknownName = 438,         // no such method or object identifier
  kArgumentCount = 450,       // wrong number of arguments for a method
  kDatabase = 3000,           // the database refused a command or connection
  kNotImplemented = 3001,     // a method whose behaviour is not built yet
};

class CallError : public std::runtime_error {
 public:
  CallError(ErrorCode code, const std::string& message)
      : std::runtime_error(message), code_(code) {}

  ErrorCode code() const { return code_; }

 private:
  ErrorCode code_;
};

}  // namespace tavolin

#endif  // TAVOLIN_ERROR_H_
