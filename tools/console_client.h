// Copyright Tavolin developers.
//
// ConsoleClient: the operator's console of a running chat server, reached
// over HTTP as a browser would: the admin password (user admin), the
// console's anti-forgery token read from its home page, then each form
// posted to its page; the server does the change in its database and its
// live chat together and tells the outcome in a header.

#ifndef TAVOLIN_TOOLS_CONSOLE_CLIENT_H_
#define TAVOLIN_TOOLS_CONSOLE_CLIENT_H_

#include <map>
#include <string>
#include <string_view>

namespace tavolin::tools {

struct ConsoleReply {
  bool done = false;
  std::string message;  // the outcome in words
};

class ConsoleClient {
 public:
  // `server`: "http://HOST:PORT" or "HOST:PORT". Throws std::runtime_error
  // for anything else.
  ConsoleClient(std::string_view server, std::string password);

  // Posts `form` (UTF-8) to the console page `path`. Throws
  // std::runtime_error when the server cannot be reached or refuses the
  // password or the post itself.
  ConsoleReply Post(std::string_view path, const std::map<std::string, std::string>& form);

 private:
  struct Answer {
    int status = 0;
    std::string body, outcome;
  };
  Answer Send(std::string_view method, std::string_view target, const std::string& body);

  std::string host_, port_, authorization_, token_;
};

}  // namespace tavolin::tools

#endif  // TAVOLIN_TOOLS_CONSOLE_CLIENT_H_
