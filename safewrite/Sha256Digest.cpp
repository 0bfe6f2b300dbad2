#include "safewrite/Sha256Digest.h"

#include <new>
#include <openssl/evp.h>

namespace tavor {

Sha256Digest::Sha256Digest() : context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr || EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(context_);
        throw std::bad_alloc();
    }
}

Sha256Digest::~Sha256Digest() {
    EVP_MD_CTX_free(context_);
}

void Sha256Digest::add(const void* data, std::size_t size) {
    EVP_DigestUpdate(context_, data, size);
}

QByteArray Sha256Digest::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_, digest, &length);
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

} // namespace tavor
