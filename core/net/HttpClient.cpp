#include "core/net/HttpClient.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <ostream>

#include <curl/curl.h>

namespace corvane {

namespace {

struct Body {
    std::string data;
    std::size_t cap = 0;
    bool overflowed = false;
};

std::size_t keep(char* bytes, std::size_t size, std::size_t count, void* user)
{
    auto* body = static_cast<Body*>(user);
    std::size_t length = size * count;
    if (body->data.size() + length > body->cap) {
        body->overflowed = true;
        return 0;  // makes curl stop with a write error
    }
    body->data.append(bytes, length);
    return length;
}

// Header lines are built from our own constants and a stored token; a line
// break in either would smuggle a header of its own.
bool isHeaderSafe(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

HttpError::Kind kindOf(CURLcode code)
{
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return HttpError::Kind::timedOut;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return HttpError::Kind::noNetwork;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return HttpError::Kind::tls;
    case CURLE_FILESIZE_EXCEEDED:
        return HttpError::Kind::tooLarge;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HttpError::Kind::refused;
    default:
        return HttpError::Kind::failed;
    }
}

void initialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

HttpClient::HttpClient(Options options) : options_(options) {}

HttpResult HttpClient::get(std::string_view url, const Headers& headers, double timeoutSeconds,
                           std::size_t maxBody) const
{
    bool secure = url.starts_with("https://");
    if (!secure && !(options_.allowPlainHttp && url.starts_with("http://")))
        return HttpError{HttpError::Kind::refused, 0, "only https addresses are requested"};
    initialiseOnce();
    std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle)
        return HttpError{HttpError::Kind::failed, 0, "curl_easy_init"};
    std::unique_ptr<curl_slist, ListDeleter> list;
    for (const auto& [name, value] : headers) {
        if (name.empty() || !isHeaderSafe(name) || !isHeaderSafe(value))
            return HttpError{HttpError::Kind::refused, 0, "header " + name};
        curl_slist* grown = curl_slist_append(list.get(), (name + ": " + value).c_str());
        if (grown == nullptr)
            return HttpError{HttpError::Kind::failed, 0, "curl_slist_append"};
        (void)list.release();
        list.reset(grown);
    }

    Body body{{}, maxBody, false};
    std::string address(url);
    auto millis = static_cast<long>(std::max(1.0, std::ceil(timeoutSeconds * 1000)));
    CURL* easy = handle.get();
    curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, options_.allowPlainHttp ? "http,https" : "https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, millis);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, millis);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBody));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, keep);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);

    CURLcode code = curl_easy_perform(easy);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (body.overflowed)
        return HttpError{HttpError::Kind::tooLarge, int(status), "more than " + std::to_string(maxBody) + " bytes"};
    if (code != CURLE_OK)
        return HttpError{kindOf(code), int(status), curl_easy_strerror(code)};
    if (status < 200 || status > 299)
        return HttpError{HttpError::Kind::httpStatus, int(status), "HTTP " + std::to_string(status)};
    return HttpResponse{int(status), std::move(body.data)};
}

std::string_view kindName(HttpError::Kind kind)
{
    switch (kind) {
    case HttpError::Kind::timedOut:
        return "timed out";
    case HttpError::Kind::noNetwork:
        return "no network";
    case HttpError::Kind::tls:
        return "TLS";
    case HttpError::Kind::httpStatus:
        return "HTTP status";
    case HttpError::Kind::tooLarge:
        return "too large";
    case HttpError::Kind::refused:
        return "refused";
    case HttpError::Kind::failed:
        break;
    }
    return "failed";
}

std::ostream& operator<<(std::ostream& out, const HttpError& error)
{
    out << kindName(error.kind);
    if (error.status != 0)
        out << " (HTTP " << error.status << ")";
    return out << ": " << error.detail;
}

}  // namespace corvane
