#include "closedlid/helper/HoldRecordFile.h"

#include "core/base/Files.h"

namespace corvane {

bool HoldRecordFile::save(const LidHoldRecord& record) const
{
    return writeFileAtomically(path_, record.encoded(), 0600).ok();
}

std::optional<LidHoldRecord> HoldRecordFile::load() const
{
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path_, error)))
        return std::nullopt;
    auto data = readFileCapped(path_, closedLidLineCap);
    if (!data)
        return LidHoldRecord{};
    return LidHoldRecord::decode(*data).value_or(LidHoldRecord{});
}

bool HoldRecordFile::remove() const
{
    std::error_code error;
    std::filesystem::remove(path_, error);
    return !error;
}

}  // namespace corvane
