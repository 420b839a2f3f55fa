#pragma once
// SHA-256 of a file as 64 lowercase hex digits: how the helper knows the
// app and the app knows the helper.

#include <filesystem>
#include <string>

#include "core/base/Result.h"

namespace corvane {

Result<std::string> fileSHA256(const std::filesystem::path& path);

}  // namespace corvane
