#include "core/base/JsonStore.h"

namespace corvane {

JsonStoreFile::JsonStoreFile(std::filesystem::path path, std::size_t maxBytes)
    : path_(std::move(path))
    , maxBytes_(maxBytes)
{
}

JsonStoreFile::Loaded JsonStoreFile::load(WallTime now, const Calendar& calendar) const
{
    Loaded out;
    auto bytes = readFileCapped(path_, maxBytes_);
    if (!bytes) {
        switch (bytes.error().code) {
        case Error::Code::NotFound:
            out.state = State::Absent;
            return out;
        case Error::Code::TooLarge:
            break;  // treated as a file that does not decode
        default:
            out.state = State::Unreadable;
            out.error = bytes.error();
            return out;
        }
    } else if (isBlank(*bytes)) {
        out.state = State::Blank;
        return out;
    } else {
        out.document = Json::parse(*bytes, nullptr, false);
        if (!out.document.is_discarded()) {
            out.state = State::Parsed;
            return out;
        }
        out.document = Json();
    }
    out.state = State::Corrupt;
    if (auto moved = quarantine(now, calendar))
        out.quarantinedTo = *moved;
    else
        out.error = moved.error();
    return out;
}

Result<std::filesystem::path> JsonStoreFile::quarantine(WallTime now, const Calendar& calendar) const
{
    return quarantineFile(path_, now, calendar);
}

Result<void> JsonStoreFile::save(const Json& document) const
{
    std::string bytes = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    return writeFileAtomically(path_, bytes, 0600);
}

Json toJson(WallTime time) { return time.referenceSeconds(); }

std::optional<WallTime> wallTimeFromJson(const Json& value)
{
    if (!value.is_number())
        return std::nullopt;
    return WallTime::fromReferenceSeconds(value.get<double>());
}

}  // namespace corvane
