// Copyright Tavolin developers.
//
// Responder: the answer to one request, which its handler may give at once or
// keep and give later, from any thread. A kept responder costs no thread; the
// connection waits for it, and an answer for a connection that has gone is
// dropped.

#ifndef TAVOLIN_SERVER_RESPONDER_H_
#define TAVOLIN_SERVER_RESPONDER_H_

#include <boost/asio/any_io_executor.hpp>
#include <functional>
#include <memory>
#include <utility>

#include "server/http_message.h"

namespace tavolin::server {

class Responder {
 public:
  // What the server puts behind a responder: its connection.
  class Target {
   public:
    virtual ~Target() = default;
    // Writes `response` on the connection's own executor.
    virtual void Answer(HttpResponse response) = 0;
    // The connection's strand: work run there is in order with its answer.
    virtual boost::asio::any_io_executor executor() const = 0;
  };

  Responder() = default;
  explicit Responder(std::shared_ptr<Target> target) : target_(std::move(target)) {}
  Responder(Responder&&) = default;
  Responder& operator=(Responder&&) = default;

  // Whether the answer is still to be given.
  explicit operator bool() const { return target_ != nullptr; }
  // Gives the answer; the responder is empty afterwards. REQUIRES: not empty.
  void Answer(HttpResponse response) {
    std::exchange(target_, nullptr)->Answer(std::move(response));
  }
  // REQUIRES: not empty.
  boost::asio::any_io_executor executor() const { return target_->executor(); }

 private:
  std::shared_ptr<Target> target_;
};

// Answers one request through `responder`, at once or later. Called on the
// connection's strand; must be thread-safe. A handler that neither answers
// nor takes the responder (by moving it) gets a 500 answer.
using AsyncHttpHandler = std::function<void(const HttpRequest& request, Responder& responder)>;

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_RESPONDER_H_
