// Copyright Tavolin developers.
//
// bare_server [--body-bytes N]: the yardstick of the load benchmark. A plain
// Boost.Beast HTTP/1.1 keep-alive server on one thread per core, as tavolin
// serve, answering every request with the same page of N bytes and a poll
// answer's header fields. It listens on a free port of 127.0.0.1, names it on
// its first line ("bare_server: listening on http://127.0.0.1:PORT/") and
// stops on SIGINT or SIGTERM.

#include <signal.h>

// Boost 1.74's Asio uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(tcp::socket socket, const std::string& body)
      : stream_(std::move(socket)), body_(body) {}

  void Read() {
    request_ = {};
    stream_.expires_after(std::chrono::seconds(30));
    http::async_read(stream_, buffer_, request_,
                     [self = shared_from_this()](beast::error_code ec, std::size_t) {
                       if (!ec) self->Write();
                     });
  }

 private:
  void Write() {
    response_ = {};
    response_.version(request_.version());
    response_.result(http::status::ok);
    response_.set(http::field::server, "bare");
    response_.set(http::field::content_type, "text/html; charset=gb2312");
    response_.set(http::field::cache_control, "no-cache");
    response_.body() = body_;
    response_.keep_alive(request_.keep_alive());
    response_.prepare_payload();
    http::async_write(stream_, response_,
                      [self = shared_from_this()](beast::error_code ec, std::size_t) {
                        if (!ec && self->response_.keep_alive()) self->Read();
                      });
  }

  beast::tcp_stream stream_;
  const std::string& body_;
  beast::flat_buffer buffer_;
  http::request<http::string_body> request_;
  http::response<http::string_body> response_;
};

// Each connection gets a strand of its own on the pool (a strand made from
// the acceptor's strand would put every connection on that one strand).
void Accept(net::io_context& io, tcp::acceptor& acceptor, const std::string& body) {
  acceptor.async_accept(net::make_strand(io),
                        [&io, &acceptor, &body](beast::error_code ec, tcp::socket socket) {
                          if (ec == net::error::operation_aborted) return;
                          if (!ec) std::make_shared<Connection>(std::move(socket), body)->Read();
                          Accept(io, acceptor, body);
                        });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 1 && (argc != 3 || std::string_view(argv[1]) != "--body-bytes")) {
    std::cerr << "usage: bare_server [--body-bytes N]\n";
    return 2;
  }
  const std::string body(argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 256, 'x');

  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  net::io_context io(static_cast<int>(threads));
  tcp::acceptor acceptor(net::make_strand(io), {net::ip::make_address("127.0.0.1"), 0});
  Accept(io, acceptor, body);
  net::signal_set stop_signals(io, SIGINT, SIGTERM);
  stop_signals.async_wait([&io](beast::error_code, int) { io.stop(); });
  std::vector<std::thread> pool;
  for (unsigned i = 0; i < threads; ++i) pool.emplace_back([&io] { io.run(); });
  std::cout << "bare_server: listening on http://127.0.0.1:" << acceptor.local_endpoint().port()
            << "/" << std::endl;
  for (std::thread& thread : pool) thread.join();
  return 0;
}
