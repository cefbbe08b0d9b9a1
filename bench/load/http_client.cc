// Copyright Tavolin developers.

#include "bench/load/http_client.h"

#include <netinet/in.h>

#include <thread>

#include "server/url_codec.h"
#include "text/gbk.h"

namespace tavolin::load {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;

namespace {

// The server drops a keep-alive connection idle for 30 seconds; one idle for
// this long is opened afresh, so no request races the server's close.
constexpr auto kIdleReconnect = std::chrono::seconds(10);
// A connect, a write or a whole answer taking longer fails the request;
// a waiting poll is held for up to 30 s before its answer.
constexpr auto kTimeout = std::chrono::seconds(60);
// Connections per loopback source address, below the ~28,000 ephemeral
// ports of one (source, destination) pair.
constexpr int kConnectionsPerSource = 25'000;

std::string Request(std::string_view head, std::string_view cookie, std::string_view body_headers,
                    std::string_view body) {
  std::string request(head);
  request += " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  if (!cookie.empty()) request.append("Cookie: ").append(cookie).append("\r\n");
  request.append(body_headers).append("\r\n").append(body);
  return request;
}

}  // namespace

std::string GetRequest(std::string_view target, std::string_view cookie) {
  return Request("GET " + std::string(target), cookie, "", "");
}

std::string FormPostRequest(std::string_view target, std::string_view cookie,
                            const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string body;
  for (const auto& [name, value] : fields) {
    if (!body.empty()) body += '&';
    body += server::PercentEncode(text::Utf8ToGbk(name)) + "=" +
            server::PercentEncode(text::Utf8ToGbk(value));
  }
  return Request("POST " + std::string(target), cookie,
                 "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                     std::to_string(body.size()) + "\r\n",
                 body);
}

KeepAliveConnection::KeepAliveConnection(net::io_context& io, net::ip::tcp::endpoint server,
                                         net::ip::address source)
    : stream_(io), server_(server), source_(source) {}

void KeepAliveConnection::Send(std::string request, Done done) {
  request_ = std::move(request);
  done_ = std::move(done);
  if (connected_ && Clock::now() - last_use_ < kIdleReconnect) return Write();
  beast::error_code ignored;
  stream_.socket().close(ignored);
  connected_ = false;
  buffer_.clear();
  if (!source_.is_unspecified()) {
    // The port is picked at connect time, per destination, not at bind.
    using BindAddressNoPort =
        net::detail::socket_option::boolean<IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT>;
    beast::error_code ec;
    stream_.socket().open(server_.protocol(), ec);
    if (!ec) stream_.socket().set_option(BindAddressNoPort(true), ec);
    if (!ec) stream_.socket().bind({source_, 0}, ec);
    if (ec) return Finish({});
  }
  stream_.expires_after(kTimeout);
  stream_.async_connect(server_, [this](beast::error_code ec) {
    if (ec) return Finish({});
    connected_ = true;
    Write();
  });
}

void KeepAliveConnection::Write() {
  stream_.expires_after(kTimeout);
  net::async_write(stream_, net::buffer(request_), [this](beast::error_code ec, std::size_t) {
    if (ec) return Finish({});
    parser_.emplace();
    parser_->body_limit(64 * 1024 * 1024);
    http::async_read(stream_, buffer_, *parser_, [this](beast::error_code ec, std::size_t) {
      if (ec) return Finish({});
      http::response<http::string_body> response = parser_->release();
      if (!response.keep_alive()) connected_ = false;
      Finish({static_cast<int>(response.result_int()), std::move(response.body()),
              std::string(response[http::field::set_cookie])});
    });
  });
}

void KeepAliveConnection::Finish(HttpAnswer answer) {
  if (answer.status == 0) connected_ = false;
  last_use_ = Clock::now();
  // The callback may send the next request on this connection at once.
  Done done = std::move(done_);
  done(std::move(answer));
}

ConnectionPool::ConnectionPool(net::ip::tcp::endpoint server, int connections, int threads) {
  for (int i = 0; i < threads; ++i) shards_.emplace_back(std::make_unique<Shard>())->index = i;
  const bool loopback = server.address().is_loopback() && server.address().is_v4();
  for (int i = 0; i < connections; ++i) {
    Shard& shard = *shards_[i % threads];
    const net::ip::address source =
        loopback ? net::ip::address(net::ip::address_v4(0x7f000001 + i / kConnectionsPerSource))
                 : net::ip::address();
    shard.connections.push_back(std::make_unique<KeepAliveConnection>(shard.io, server, source));
  }
}

void ConnectionPool::Run(const std::function<void(Shard&)>& start) {
  std::vector<std::thread> threads;
  for (auto& shard : shards_) {
    threads.emplace_back([&start, &shard] {
      shard->io.restart();
      start(*shard);
      shard->io.run();
    });
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace tavolin::load
