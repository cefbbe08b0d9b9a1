// Copyright Tavolin developers.
//
// HttpServer: HTTP/1.1 with keep-alive on a fixed pool of threads. Each
// connection runs on its own strand with at most one write in flight; every
// read has a timeout and a limit on header and body size, and a request that
// breaks them gets a 4xx answer while the server goes on serving others.
//
// Thread safety: Start and Stop are called by the owning thread; the handler
// runs on the pool's threads, several at once.

#ifndef TAVOLIN_SERVER_HTTP_SERVER_H_
#define TAVOLIN_SERVER_HTTP_SERVER_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "server/http_message.h"
#include "server/responder.h"

namespace tavolin::server {

class HttpServer {
 public:
  struct Options {
    std::string host = "127.0.0.1";
    uint16_t port = 8080;  // 0 lets the system choose; see port()
    size_t header_limit = 8 * 1024;
    size_t body_limit = 64 * 1024;
    std::chrono::seconds read_timeout{30};  // also the keep-alive idle limit
    int threads = 0;                        // 0: one per core
    size_t max_connections = 0;             // live at once; 0: no cap
  };

  HttpServer(Options options, HttpHandler handler);
  // A server whose handler may keep a request's answer for later.
  HttpServer(Options options, AsyncHttpHandler handler);
  ~HttpServer();  // stops the server if it runs
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds, listens and starts the threads; when it returns, connections are
  // accepted. Throws std::runtime_error when the address cannot be bound.
  void Start();
  // The port listened on (the chosen one when Options::port was 0).
  // REQUIRES: Start() returned.
  uint16_t port() const;
  // Stops accepting, lets the requests in flight finish and be answered,
  // closes idle connections and joins the threads. Idempotent.
  void Stop();
  // Runs `hook` in Stop once accepting has stopped, before the threads are
  // joined: where the answers a handler keeps are given. Call before Start.
  void OnStop(std::function<void()> hook);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_HTTP_SERVER_H_
