// Copyright Tavolin developers.
//
// A small blocking HTTP client for tests against a real server on loopback.
// It keeps the cookies the server sets, as a browser would.

#ifndef TAVOLIN_TESTING_HTTP_TEST_CLIENT_H_
#define TAVOLIN_TESTING_HTTP_TEST_CLIENT_H_

#include <cstdint>
#include <map>
#include <string>

namespace tavolin::testing {

struct HttpTestResponse {
  int status = 0;
  std::map<std::string, std::string> headers;  // lower-case names
  std::string body;                            // bytes as sent (GBK for pages)
  std::string Utf8Body() const;                // the body converted from GBK
};

class HttpTestClient {
 public:
  explicit HttpTestClient(uint16_t port) : port_(port) {}

  // Each call opens a connection, sends one request and reads the answer.
  HttpTestResponse Get(const std::string& target);
  // Posts `form` (name=value pairs, values UTF-8; sent GBK percent-encoded).
  HttpTestResponse Post(const std::string& target, const std::map<std::string, std::string>& form);
  // Sends `raw` bytes as they are and returns what comes back ("" when the
  // server closes without an answer).
  std::string SendRaw(const std::string& raw);

  std::map<std::string, std::string>& cookies() { return cookies_; }

 private:
  HttpTestResponse Send(const std::string& method, const std::string& target,
                        const std::string& body, const std::string& content_type);

  uint16_t port_;
  std::map<std::string, std::string> cookies_;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_HTTP_TEST_CLIENT_H_
