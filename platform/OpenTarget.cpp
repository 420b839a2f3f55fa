#include "platform/OpenTarget.h"

#include <algorithm>

#include <QUrl>

#include "core/base/Ascii.h"

namespace corvane::platform {

namespace fs = std::filesystem;

namespace {

// Printable ASCII only: anything else in an address must come percent-encoded.
bool isAddressCharacter(char c) { return c > ' ' && c < 0x7F && c != '"' && c != '<' && c != '>' && c != '\\'; }

bool isAbsolutePath(std::string_view path)
{
    return !path.empty() && path.front() == '/' && path.size() <= InboundEar::maxOpenPath
        && path.find('\0') == std::string_view::npos;
}

}  // namespace

std::optional<OpenTarget> OpenTarget::webAddress(std::string_view address)
{
    if (address.size() >= maxAddressLength || !std::all_of(address.begin(), address.end(), isAddressCharacter))
        return std::nullopt;
    std::string lowered = asciiLowercased(address.substr(0, 8));
    if (!lowered.starts_with("http://") && !lowered.starts_with("https://"))
        return std::nullopt;
    QUrl url(QString::fromLatin1(address.data(), qsizetype(address.size())), QUrl::StrictMode);
    // Credentials in an address only serve to disguise its real host.
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return std::nullopt;
    return OpenTarget(Kind::web, url.toString(QUrl::FullyEncoded).toStdString());
}

std::optional<OpenTarget> OpenTarget::file(std::string_view path, const InboundEar::ExecutableCheck& isExecutable)
{
    if (!isAbsolutePath(path) || !InboundEar::opensSafely(path, isExecutable))
        return std::nullopt;
    std::error_code error;
    fs::file_status status = fs::status(fs::path(path), error);
    if (error || (!fs::is_regular_file(status) && !fs::is_directory(status)))
        return std::nullopt;
    // "notes.txt" may be a link to a script: where it leads must pass too.
    fs::path resolved = fs::canonical(fs::path(path), error);
    if (error || !InboundEar::opensSafely(resolved.string(), isExecutable))
        return std::nullopt;
    return OpenTarget(Kind::file, std::string(path));
}

std::optional<fs::path> OpenTarget::revealable(std::string_view path)
{
    if (!isAbsolutePath(path))
        return std::nullopt;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(fs::path(path), error)))
        return std::nullopt;
    return fs::path(path).lexically_normal();
}

}  // namespace corvane::platform
