#include "services/connection.h"

#include <array>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <cstdio>
#include <memory>
#include <optional>

#include "services/http_exchange.h"

namespace kestrum::services {
namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using boost::beast::error_code;
using tcp = asio::ip::tcp;

constexpr int kDrainSeconds = 2;
constexpr size_t kMaxDrainBytes = 256 * 1024;

// A request Beast refused to read, as opposed to a connection that ended or failed.
bool IsMalformed(const error_code& error) {
  return error.category() == make_error_code(http::error::end_of_stream).category() &&
         error != http::error::end_of_stream && error != http::error::partial_message &&
         error != http::error::need_more;
}

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(tcp::socket socket, const ConnectionContext& context)
      : socket_(std::move(socket)), timer_(socket_.get_executor()), context_(context) {
    error_code error;
    const auto remote = socket_.remote_endpoint(error);
    peer_ = error ? "?" : remote.address().to_string();
    const auto local = socket_.local_endpoint(error);
    if (!error) local_address_ = local.address().to_string();
  }

  void AwaitRequest() {
    request_ = {};
    if (served_ >= context_.limits.max_requests) return Close();
    if (buffer_.size() > 0) return ReadHead();  // the next request arrived with the last one
    Arm(context_.limits.idle_seconds);
    socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this()](const error_code& error) {
      self->Disarm();
      // A connection that sent nothing is owed no answer.
      if (error || self->timed_out_) return self->Close();
      self->ReadHead();
    });
  }

 private:
  // The step now starting must end within `seconds`; past that its operation is cancelled and
  // its handler finds `timed_out_` set.
  void Arm(int seconds) {
    const unsigned step = ++step_;
    timed_out_ = false;
    timer_.expires_after(std::chrono::seconds(seconds));
    timer_.async_wait([self = shared_from_this(), step](const error_code& error) {
      if (error || step != self->step_) return;
      self->timed_out_ = true;
      error_code ignored;
      self->socket_.cancel(ignored);
    });
  }

  void Disarm() {
    ++step_;
    timer_.cancel();
  }

  void ReadHead() {
    parser_.emplace();
    ApplyRequestLimits(*parser_);
    Arm(context_.limits.head_seconds);
    http::async_read_header(socket_, buffer_, *parser_,
                            [self = shared_from_this()](const error_code& error, size_t) { self->OnHead(error); });
  }

  void OnHead(const error_code& error) {
    Disarm();
    if (timed_out_) return Refuse(PlainAnswer(408, "Request timed out\r\n"));
    if (error) {
      return IsMalformed(error) ? Refuse(AnswerToReadError(error, *parser_)) : Close();
    }
    if (auto refusal = RefusalOfHead(*parser_)) return Refuse(std::move(*refusal));
    request_ = ToServiceRequest(parser_->get());
    if (!context_.hosts.Allows(request_.host, local_address_))
      return Refuse(PlainAnswer(421, "Misdirected request: this service does not answer for that host name\r\n"));
    if (parser_->is_done()) return Answer();
    const auto expect = parser_->get()[http::field::expect];
    if (expect.size() == 12 && boost::beast::iequals(expect, "100-continue")) {
      static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
      Arm(context_.limits.send_seconds);
      return asio::async_write(socket_, asio::buffer(kContinue.data(), kContinue.size()),
                               [self = shared_from_this()](const error_code& failed, size_t) {
                                 self->Disarm();
                                 if (failed || self->timed_out_) return self->Close();
                                 self->ReadBody();
                               });
    }
    ReadBody();
  }

  void ReadBody() {
    Arm(context_.limits.body_seconds);
    http::async_read(socket_, buffer_, *parser_, [self = shared_from_this()](const error_code& error, size_t) {
      self->Disarm();
      if (self->timed_out_) return self->Refuse(PlainAnswer(408, "Request timed out\r\n"));
      if (IsMalformed(error)) return self->Refuse(AnswerToReadError(error, *self->parser_));
      if (error) return self->Close();
      self->Answer();
    });
  }

  // A proxy fetch may take long, so it runs on a worker and its answer is sent from the loop
  // again; the lookups are answered from memory at once, on the loop.
  void Answer() {
    ++served_;
    const bool keep_alive = parser_->get().keep_alive() && served_ < context_.limits.max_requests;
    if (!RequestRouter::MayTakeLong(request_)) return Send(context_.router.Answer(request_), keep_alive);
    asio::post(context_.workers, [self = shared_from_this(), keep_alive] {
      ServiceAnswer answer = self->context_.router.Answer(self->request_);
      asio::post(self->socket_.get_executor(),
                 [self, keep_alive, answer = std::move(answer)] { self->Send(answer, keep_alive); });
    });
  }

  void Refuse(const ServiceAnswer& answer) { Send(answer, false); }

  void Send(const ServiceAnswer& answer, bool keep_alive) {
    if (context_.log) {
      const std::string what = request_.method.empty()
                                   ? std::string("(malformed request)")
                                   : PrintableForLog(request_.method) + " " + PrintableForLog(request_.target);
      context_.log(peer_ + " " + what + " -> " + std::to_string(answer.status));
    }
    out_ = SerializeAnswer(answer, request_.method != "HEAD", keep_alive);
    Arm(context_.limits.send_seconds);
    asio::async_write(socket_, asio::buffer(out_),
                      [self = shared_from_this(), keep_alive](const error_code& error, size_t) {
                        self->Disarm();
                        self->out_.clear();
                        if (error || self->timed_out_) return self->Close();
                        if (!keep_alive) return self->CloseGracefully();
                        self->AwaitRequest();
                      });
  }

  // Closing with unread bytes pending makes the kernel reset the connection, and the client may
  // lose the answer just sent; so stop sending, take what is still arriving for a moment, then close.
  void CloseGracefully() {
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    Arm(kDrainSeconds);
    Drain();
  }

  void Drain() {
    socket_.async_read_some(asio::buffer(sink_), [self = shared_from_this()](const error_code& error, size_t got) {
      self->drained_ += got;
      if (error || self->timed_out_ || self->drained_ > kMaxDrainBytes) {
        self->Disarm();
        return self->Close();
      }
      self->Drain();
    });
  }

  void Close() {
    error_code ignored;
    socket_.close(ignored);
  }

  tcp::socket socket_;
  asio::steady_timer timer_;
  const ConnectionContext& context_;
  std::string peer_;
  std::string local_address_;
  boost::beast::flat_buffer buffer_;
  std::optional<RequestParser> parser_;
  ServiceRequest request_;
  std::string out_;
  unsigned step_ = 0;
  bool timed_out_ = false;
  int served_ = 0;
  size_t drained_ = 0;
  std::array<char, 4096> sink_{};
};

}  // namespace

void StartConnection(tcp::socket socket, const ConnectionContext& context) {
  std::make_shared<Connection>(std::move(socket), context)->AwaitRequest();
}

std::string PrintableForLog(std::string_view text) {
  constexpr size_t kLimit = 300;
  std::string out;
  for (const char c : text.substr(0, kLimit)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '\\') {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  if (text.size() > kLimit) out += "...";
  return out;
}

}  // namespace kestrum::services
