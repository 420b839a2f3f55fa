#include "closedlid/Sha256.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include <openssl/evp.h>

#include "core/base/FileDescriptor.h"

namespace corvane {

namespace {

struct DigestDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Digest = std::unique_ptr<EVP_MD_CTX, DigestDeleter>;

Digest newDigest()
{
    Digest digest(EVP_MD_CTX_new());
    if (digest && EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1)
        digest.reset();
    return digest;
}

std::string finish(EVP_MD_CTX* digest)
{
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(digest, value, &length);
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        out.push_back(hex[value[i] >> 4]);
        out.push_back(hex[value[i] & 0xf]);
    }
    return out;
}

}  // namespace

Result<std::string> fileSHA256(const std::filesystem::path& path)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return fail(Error::fromErrno("open", path.string()));
    Digest digest = newDigest();
    if (!digest)
        return fail(Error::make(Error::Code::Unavailable, "sha256", path.string()));
    char chunk[64 * 1024];
    for (;;) {
        ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(Error::fromErrno("read", path.string()));
        }
        if (n == 0)
            break;
        EVP_DigestUpdate(digest.get(), chunk, static_cast<std::size_t>(n));
    }
    return finish(digest.get());
}

}  // namespace corvane
