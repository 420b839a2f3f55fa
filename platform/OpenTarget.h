#pragma once
// Something the desktop may open with its default application: a web
// address or a file or folder on this machine. Targets come from alerts,
// URLs of other programs and files on disk, so one can only be made through
// the checks below; what reaches the opener's command line is never an
// option, a program, a launcher or a script.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/notch/InboundEar.h"

namespace corvane::platform {

class OpenTarget {
public:
    enum class Kind { web, file };

    static constexpr std::size_t maxAddressLength = 2048;

    // An absolute http or https address with a host, without white space or
    // control characters, shorter than maxAddressLength.
    static std::optional<OpenTarget> webAddress(std::string_view address);
    // An existing file or folder at an absolute path that opening cannot
    // run: `InboundEar::opensSafely` must accept both the path and where its
    // links lead.
    static std::optional<OpenTarget> file(std::string_view path,
                                          const InboundEar::ExecutableCheck& isExecutable = InboundEar::isExecutableFile);
    // An existing absolute path to show in the file manager; showing runs
    // nothing, so programs are fine.
    static std::optional<std::filesystem::path> revealable(std::string_view path);

    Kind kind() const { return kind_; }
    // The address, or the absolute path.
    const std::string& text() const { return text_; }

    bool operator==(const OpenTarget&) const = default;

private:
    OpenTarget(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

    Kind kind_;
    std::string text_;
};

}  // namespace corvane::platform
