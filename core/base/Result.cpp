#include "core/base/Result.h"

#include <cstring>

namespace corvane {

Error Error::make(Code code, std::string operation, std::string context)
{
    return Error{code, std::move(operation), std::move(context), 0};
}

Error Error::fromErrno(std::string operation, std::string context, int err)
{
    Code code = Code::Io;
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        code = Code::NotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        code = Code::PermissionDenied;
        break;
    case EFBIG:
    case E2BIG:
        code = Code::TooLarge;
        break;
    case ETIMEDOUT:
        code = Code::TimedOut;
        break;
    case ECANCELED:
        code = Code::Cancelled;
        break;
    case EINVAL:
        code = Code::Invalid;
        break;
    default:
        break;
    }
    return Error{code, std::move(operation), std::move(context), err};
}

const char* codeName(Error::Code code)
{
    switch (code) {
    case Error::Code::Io: return "input/output error";
    case Error::Code::NotFound: return "not found";
    case Error::Code::PermissionDenied: return "permission denied";
    case Error::Code::Malformed: return "malformed";
    case Error::Code::TooLarge: return "too large";
    case Error::Code::TimedOut: return "timed out";
    case Error::Code::Cancelled: return "cancelled";
    case Error::Code::Unavailable: return "unavailable";
    case Error::Code::Invalid: return "invalid";
    }
    return "error";
}

std::string Error::message() const
{
    std::string text = operation;
    if (!context.empty()) {
        text += ' ';
        text += context;
    }
    text += ": ";
    text += systemError != 0 ? std::strerror(systemError) : codeName(code);
    return text;
}

}  // namespace corvane
