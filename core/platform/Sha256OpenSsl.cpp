// SPDX-License-Identifier: BSD-3-Clause
#include "platform/Sha256.h"

#include <new>

#include <openssl/evp.h>

namespace vantrel {

struct Sha256::Context {
    EVP_MD_CTX* md = nullptr;
    ~Context() { EVP_MD_CTX_free(md); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    context_->md = EVP_MD_CTX_new();
    if (context_->md == nullptr || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1) {
        throw std::bad_alloc();
    }
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
    EVP_DigestUpdate(context_->md, data, size);
}

std::string Sha256::FinishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->md, digest, &length);
    constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text.push_back(kHex[digest[i] >> 4]);
        text.push_back(kHex[digest[i] & 15]);
    }
    return text;
}

}  // namespace vantrel
