#pragma once

#include <QByteArray>
#include <cstddef>

struct evp_md_ctx_st;

namespace tavor {

// A running SHA-256, by libcrypto (which uses the processor's SHA instructions where
// it has them: reading back a cabinet must not wait on the digest).
class Sha256Digest {
public:
    Sha256Digest();
    ~Sha256Digest();
    Sha256Digest(const Sha256Digest&) = delete;
    Sha256Digest& operator=(const Sha256Digest&) = delete;

    void add(const void* data, std::size_t size);
    // The digest of everything added, lower-case hex; nothing may be added after.
    QByteArray hex();

private:
    evp_md_ctx_st* context_;
};

} // namespace tavor
