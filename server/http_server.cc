// Copyright Tavolin developers.

#include "server/http_server.h"

#include <array>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <iostream>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "server/beast_request.h"
#include "server/error_log.h"
#include "tavolin/thread_annotations.h"

namespace tavolin::server {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

// How long the listener pauses when the system has no descriptor or memory
// for a new connection: trying again at once would only spin.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

// The network's failures come in bursts of one kind; each kind is logged at
// most once a second.
void LogRepeated(const std::string& line) {
  static RepeatedLineLimiter limiter(std::cerr);
  limiter.Write("tavolin: " + line);
}

// Logs a failure that ends one connection; the server goes on.
void fail(beast::error_code ec, const char* what) {
  if (ec == net::error::operation_aborted || ec == beast::error::timeout || ec == net::error::eof ||
      ec == net::error::connection_reset) {
    return;  // ordinary ends of a connection
  }
  LogRepeated(std::string(what) + ": " + ec.message());
}

// Whether accepting failed for want of descriptors or memory, which lasts
// until connections close.
bool IsResourceShortage(beast::error_code ec) {
  return ec == boost::system::errc::too_many_files_open ||
         ec == boost::system::errc::too_many_files_open_in_system ||
         ec == boost::system::errc::no_buffer_space || ec == boost::system::errc::not_enough_memory;
}

// The status for a request that could not be read.
int StatusForReadError(beast::error_code ec) {
  if (ec == http::error::body_limit) return 413;
  if (ec == http::error::header_limit) return 431;
  return 400;
}

}  // namespace

// What the listener and every connection share.
struct SharedState {
  HttpServer::Options options;
  AsyncHttpHandler handler;
  std::atomic<bool> stopping{false};
  std::atomic<size_t> live_connections{0};
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(tcp::socket&& socket, std::shared_ptr<SharedState> shared)
      : stream_(std::move(socket)), shared_(std::move(shared)) {
    beast::error_code ec;
    const auto peer = stream_.socket().remote_endpoint(ec);
    if (!ec) peer_address_ = peer.address().to_string();
    ++shared_->live_connections;
  }
  ~Connection() { --shared_->live_connections; }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Run() {
    net::dispatch(stream_.get_executor(),
                  beast::bind_front_handler(&Connection::Read, shared_from_this()));
  }

  // Closes the connection if it waits for a request; one that is answering
  // closes itself after the answer. Runs on the connection's strand.
  void StopWhenIdle() {
    net::post(stream_.get_executor(), [self = shared_from_this()] {
      if (self->reading_) self->Close();
    });
  }

 private:
  void Read() {
    if (shared_->stopping) return Close();
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(shared_->options.header_limit));
    parser_->body_limit(shared_->options.body_limit);
    stream_.expires_after(shared_->options.read_timeout);
    reading_ = true;
    http::async_read(stream_, buffer_, *parser_,
                     beast::bind_front_handler(&Connection::OnRead, shared_from_this()));
  }

  void OnRead(beast::error_code ec, std::size_t) {
    reading_ = false;
    if (ec == http::error::end_of_stream) return Close();
    if (ec == beast::error::timeout || ec == net::error::operation_aborted) return Close();
    if (ec) {
      // The stream's state is unknown after a bad request: answer and close.
      HttpResponse refusal;
      refusal.status = StatusForReadError(ec);
      refusal.content_type = "text/plain";
      refusal.body = std::string(http::obsolete_reason(static_cast<http::status>(refusal.status)));
      return Write(std::move(refusal), /*keep_alive=*/false, /*version=*/11);
    }
    const http::request<http::string_body>& request = parser_->get();
    const HttpRequest in = ToHttpRequest(request, peer_address_);
    auto reply = std::make_shared<Reply>(shared_from_this(), request.keep_alive(),
                                         request.version(), request.method() == http::verb::head);
    // The request lives on in `in`: a kept answer holds no parser.
    parser_.reset();
    Responder responder(reply);
    try {
      shared_->handler(in, responder);
      if (responder) throw std::logic_error("the handler kept no answer");
      // A kept answer may wait long: the connection keeps no more than it must meanwhile.
      if (!reply->answered()) buffer_.shrink_to_fit();
    } catch (const std::exception& e) {
      // The detail goes to the log only: it may hold SQL or other inner text.
      if (!responder) return;  // answered, or kept for later
      HttpResponse failed;
      failed.status = 500;
      failed.content_type = "text/plain";
      failed.body =
          "Internal Server Error (reference " + LogRequestError(in.target, e.what()) + ")";
      responder.Answer(std::move(failed));
    }
  }

  // The answer of one request, given on the connection's strand whenever
  // the handler gives it.
  class Reply : public Responder::Target {
   public:
    Reply(std::shared_ptr<Connection> connection, bool keep_alive, unsigned version, bool head)
        : connection_(std::move(connection)),
          keep_alive_(keep_alive),
          head_(head),
          version_(version) {}
    void Answer(HttpResponse response) override {
      answered_ = true;
      net::dispatch(connection_->stream_.get_executor(),
                    [c = connection_, out = std::move(response), keep_alive = keep_alive_,
                     version = version_, head = head_]() mutable {
                      c->Write(std::move(out), keep_alive && !c->shared_->stopping, version, head);
                    });
    }
    net::any_io_executor executor() const override { return connection_->stream_.get_executor(); }
    bool answered() const { return answered_; }

   private:
    std::shared_ptr<Connection> connection_;
    bool keep_alive_;
    bool head_;
    unsigned version_;
    std::atomic<bool> answered_{false};
  };

  // A HEAD answer carries the headers of the GET answer, its length
  // included, and no body: a keep-alive client would read a body as the
  // next answer.
  void Write(HttpResponse&& out, bool keep_alive, unsigned version, bool head = false) {
    response_ = {};
    response_.version(version);
    response_.result(static_cast<unsigned>(out.status));
    response_.set(http::field::server, "Tavolin");
    response_.set(http::field::content_type, out.content_type);
    for (const auto& [name, value] : out.headers) response_.insert(name, value);
    response_.body() = std::move(out.body);
    response_.keep_alive(keep_alive);
    response_.prepare_payload();
    if (head) {
      const std::size_t length = response_.body().size();
      response_.body().clear();
      response_.content_length(length);
    }
    stream_.expires_after(shared_->options.read_timeout);
    http::async_write(
        stream_, response_,
        beast::bind_front_handler(&Connection::OnWrite, shared_from_this(), keep_alive));
  }

  void OnWrite(bool keep_alive, beast::error_code ec, std::size_t) {
    response_ = {};  // an idle or waiting connection keeps no old answer
    if (ec) return fail(ec, "write");
    if (!keep_alive) return CloseAfterDraining();
    Read();
  }

  // Ends our side, then reads and drops what the client still sends until it
  // closes too (or a short time passes). Closing with unread bytes would
  // reset the connection and could destroy the answer before the client
  // reads it, such as the refusal of an oversized body.
  void CloseAfterDraining() {
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
    drained_ = 0;
    stream_.expires_after(std::chrono::seconds(2));
    Drain({}, 0);
  }

  void Drain(beast::error_code ec, std::size_t bytes) {
    drained_ += bytes;
    if (ec || drained_ > kDrainLimit) return stream_.close();
    if (!drain_buffer_) drain_buffer_ = std::make_unique<std::array<char, 4096>>();
    stream_.async_read_some(net::buffer(*drain_buffer_),
                            beast::bind_front_handler(&Connection::Drain, shared_from_this()));
  }

  void Close() {
    beast::error_code ec;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
    stream_.close();
  }

  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  http::response<http::string_body> response_;
  std::shared_ptr<SharedState> shared_;
  std::string peer_address_;
  bool reading_ = false;  // touched only on the strand
  static constexpr std::size_t kDrainLimit = 1 << 20;
  std::unique_ptr<std::array<char, 4096>> drain_buffer_;  // only while closing
  std::size_t drained_ = 0;
};

class HttpServer::Impl {
 public:
  Impl(Options options, AsyncHttpHandler handler)
      : threads_(options.threads > 0 ? options.threads
                                     : std::max(1u, std::thread::hardware_concurrency())),
        ioc_(threads_),
        acceptor_(net::make_strand(ioc_)),
        accept_pause_(acceptor_.get_executor()),
        shared_(std::make_shared<SharedState>()) {
    shared_->options = std::move(options);
    shared_->handler = std::move(handler);
  }

  void Start() {
    const auto& options = shared_->options;
    beast::error_code ec;
    const auto address = net::ip::make_address(options.host, ec);
    if (ec) throw std::runtime_error("bad listen address " + options.host);
    const tcp::endpoint endpoint(address, options.port);
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    if (!ec) acceptor_.listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
      throw std::runtime_error("cannot listen on " + options.host + ":" +
                               std::to_string(options.port) + ": " + ec.message());
    }
    port_ = acceptor_.local_endpoint().port();
    Accept();
    for (int i = 0; i < threads_; ++i) pool_.emplace_back([this] { ioc_.run(); });
  }

  uint16_t port() const { return port_; }
  void OnStop(std::function<void()> hook) { on_stop_ = std::move(hook); }

  void Stop() {
    if (pool_.empty()) return;
    shared_->stopping = true;
    net::post(acceptor_.get_executor(), [this] {
      beast::error_code ec;
      acceptor_.close(ec);
      accept_pause_.cancel();
    });
    {
      std::lock_guard<std::mutex> lock(connections_mutex_);
      for (auto& weak : connections_) {
        if (auto connection = weak.lock()) connection->StopWhenIdle();
      }
    }
    if (on_stop_) on_stop_();
    for (std::thread& thread : pool_) thread.join();
    pool_.clear();
  }

 private:
  void Accept() {
    acceptor_.async_accept(net::make_strand(ioc_),
                           beast::bind_front_handler(&Impl::OnAccept, this));
  }

  void OnAccept(beast::error_code ec, tcp::socket socket) {
    if (ec == net::error::operation_aborted || shared_->stopping) return;
    const size_t cap = shared_->options.max_connections;
    if (IsResourceShortage(ec)) {
      fail(ec, "accept");
      accept_pause_.expires_after(kAcceptPause);
      accept_pause_.async_wait([this](beast::error_code wait_error) {
        if (!wait_error && !shared_->stopping) Accept();
      });
      return;
    }
    if (ec) {
      fail(ec, "accept");
    } else if (cap > 0 && shared_->live_connections >= cap) {
      // Closed at once, so the client learns now rather than by a timeout.
      LogRepeated("accept: " + std::to_string(cap) + " connections open, closing new ones");
      socket.close(ec);
    } else {
      auto connection = std::make_shared<Connection>(std::move(socket), shared_);
      Remember(connection);
      connection->Run();
    }
    Accept();
  }

  // Keeps a weak reference so that Stop can reach idle connections; drops
  // the expired ones now and then so the list stays as long as the live set.
  void Remember(const std::shared_ptr<Connection>& connection) {
    std::lock_guard<std::mutex> lock(connections_mutex_);
    if (connections_.size() >= 2 * live_estimate_ + 64) {
      std::erase_if(connections_, [](const auto& weak) { return weak.expired(); });
      live_estimate_ = connections_.size();
    }
    connections_.push_back(connection);
  }

  const int threads_;
  net::io_context ioc_;
  tcp::acceptor acceptor_;
  net::steady_timer accept_pause_;
  std::shared_ptr<SharedState> shared_;
  uint16_t port_ = 0;
  std::vector<std::thread> pool_;
  std::function<void()> on_stop_;
  std::mutex connections_mutex_;
  std::vector<std::weak_ptr<Connection>> connections_ GUARDED_BY(connections_mutex_);
  size_t live_estimate_ GUARDED_BY(connections_mutex_) = 0;
};

HttpServer::HttpServer(Options options, AsyncHttpHandler handler)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(handler))) {}

HttpServer::HttpServer(Options options, HttpHandler handler)
    : HttpServer(std::move(options),
                 [handler = std::move(handler)](const HttpRequest& request, Responder& responder) {
                   responder.Answer(handler(request));
                 }) {}

HttpServer::~HttpServer() { Stop(); }

void HttpServer::Start() { impl_->Start(); }

uint16_t HttpServer::port() const { return impl_->port(); }

void HttpServer::Stop() { impl_->Stop(); }

void HttpServer::OnStop(std::function<void()> hook) { impl_->OnStop(std::move(hook)); }

}  // namespace tavolin::server
