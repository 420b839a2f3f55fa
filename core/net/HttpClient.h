#pragma once
// One HTTPS GET at a time, for the few web services the program reads. TLS
// is always verified, redirects are not followed, no cookies are kept, and
// the answer's body is capped while it arrives, so a server cannot make us
// hold more than we asked for. Plain http:// is refused unless the client
// was made for a test against a local server.
//
// Kept out of the core library: the entry and the statusline tap link the
// core and must not load libcurl at start.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace corvane {

struct HttpResponse {
    int status = 0;
    std::string body;
};

struct HttpError {
    enum class Kind {
        timedOut,    // no complete answer within the time-out
        noNetwork,   // the name did not resolve or nothing accepted the connection
        tls,         // the certificate or the handshake failed
        httpStatus,  // the server answered outside 2xx
        tooLarge,    // the body passed the cap
        refused,     // the address is not one this client requests
        failed,      // anything else on the way
    };
    Kind kind = Kind::failed;
    int status = 0;  // the HTTP status, whenever the server answered
    std::string detail;
};

class HttpResult {
public:
    HttpResult(HttpResponse response) : state_(std::move(response)) {}
    HttpResult(HttpError error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    const HttpResponse& response() const { return std::get<0>(state_); }
    const HttpError& error() const { return std::get<1>(state_); }

private:
    std::variant<HttpResponse, HttpError> state_;
};

class HttpClient {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    struct Options {
        // Tests only: lets the client talk to a plain local server.
        bool allowPlainHttp = false;
    };

    HttpClient() : HttpClient(Options{}) {}
    explicit HttpClient(Options options);

    // Blocks the calling thread for at most `timeoutSeconds`.
    HttpResult get(std::string_view url, const Headers& headers, double timeoutSeconds, std::size_t maxBody) const;

private:
    Options options_;
};

std::string_view kindName(HttpError::Kind kind);
std::ostream& operator<<(std::ostream& out, const HttpError& error);

}  // namespace corvane
