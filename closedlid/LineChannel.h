#pragma once
// One JSON document per line over a stream socket, each line capped before
// it is handed on, with a deadline on every wait.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Result.h"

namespace corvane {

// Collects bytes as they arrive and cuts them into lines.
class LineBuffer {
public:
    explicit LineBuffer(std::size_t cap) : cap_(cap) {}

    void append(std::string_view bytes) { pending_.append(bytes); }
    // The next complete line without its line feed; none while incomplete.
    std::optional<std::string> nextLine();
    // More than a line's cap is waiting without a line feed: the peer is not
    // speaking the protocol.
    bool overflowed() const;

private:
    std::size_t cap_;
    std::string pending_;
};

// Writes the whole line and its line feed; gives up after `timeoutSeconds`.
Result<void> writeLine(int fd, std::string_view line, double timeoutSeconds);
// Reads until `buffer` holds a line; gives up after `timeoutSeconds`, at the
// end of the stream, or when the line grows past its cap.
Result<std::string> readLine(int fd, LineBuffer& buffer, double timeoutSeconds);

}  // namespace corvane
