// Copyright Tavolin developers.
//
// The load client's side of HTTP: keep-alive connections to one server on
// loopback, one request at a time each, dealt to a few threads that each run
// an io_context of their own, so a connection and its callbacks need no locks.

#ifndef TAVOLIN_BENCH_LOAD_HTTP_CLIENT_H_
#define TAVOLIN_BENCH_LOAD_HTTP_CLIENT_H_

// Boost 1.74's Asio uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavolin::load {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}
inline Clock::duration Seconds(double seconds) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

struct HttpAnswer {
  int status = 0;  // 0: no answer (connection refused, closed or timed out)
  std::string body;
  std::string set_cookie;  // the Set-Cookie field, "" when none
};

// A GET of `target` carrying `cookie` ("NAME=VALUE", or "" for none).
std::string GetRequest(std::string_view target, std::string_view cookie);
// A form POST; `fields` are UTF-8 names and values, sent as the browser
// sends them: GBK bytes, percent-encoded.
std::string FormPostRequest(std::string_view target, std::string_view cookie,
                            const std::vector<std::pair<std::string, std::string>>& fields);

class KeepAliveConnection {
 public:
  using Done = std::function<void(HttpAnswer)>;

  // Connects from `source` (any port), or as the system chooses when it is
  // unspecified.
  KeepAliveConnection(boost::asio::io_context& io, boost::asio::ip::tcp::endpoint server,
                      boost::asio::ip::address source = {});

  // Sends `request` (whole HTTP/1.1 bytes) and calls `done` on the
  // connection's thread with the answer, within a minute (a waiting poll may
  // be held for 30 s). REQUIRES: no request in flight.
  void Send(std::string request, Done done);

 private:
  void Write();  // then reads the answer
  void Finish(HttpAnswer answer);

  boost::beast::tcp_stream stream_;
  const boost::asio::ip::tcp::endpoint server_;
  const boost::asio::ip::address source_;
  bool connected_ = false;
  Clock::time_point last_use_;
  std::string request_;
  Done done_;
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::response_parser<boost::beast::http::string_body>> parser_;
};

class ConnectionPool {
 public:
  struct Shard {
    int index = 0;
    boost::asio::io_context io{1};
    std::vector<std::unique_ptr<KeepAliveConnection>> connections;
  };

  // `connections` are dealt round-robin to `threads` shards; none connects
  // before its first request. To a server on loopback, connection i comes
  // from 127.0.0.(1 + i / 25000): one source address has fewer ephemeral
  // ports than a large crowd needs.
  ConnectionPool(boost::asio::ip::tcp::endpoint server, int connections, int threads);

  int threads() const { return static_cast<int>(shards_.size()); }

  // Runs `start(shard)` on a thread of each shard, then that shard's
  // io_context until its work is done; returns when every thread has.
  void Run(const std::function<void(Shard&)>& start);

 private:
  std::vector<std::unique_ptr<Shard>> shards_;
};

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_HTTP_CLIENT_H_
