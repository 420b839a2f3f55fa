#include "app/desktop/UrlDispatcher.h"

#include "core/base/Log.h"

namespace corvane::app {

namespace {

const Logger logger("url");

}  // namespace

void UrlDispatcher::setHandler(std::string host, Handler handler) { handlers_[std::move(host)] = std::move(handler); }

UrlDispatcher::Outcome UrlDispatcher::dispatch(std::string_view text) const
{
    auto url = AppURL::parse(text);
    if (!url) {
        // The text may be anything a caller passed: its length only.
        logger.info("ignored an argument that is no lunebox URL ({} bytes)", text.size());
        return Outcome::notOurs;
    }
    auto handler = handlers_.find(url->host);
    if (handler == handlers_.end()) {
        logger.info("ignored a URL for the unknown host \"{}\"", url->host);
        return Outcome::unknownHost;
    }
    handler->second(*url, text);
    return Outcome::handled;
}

}  // namespace corvane::app
