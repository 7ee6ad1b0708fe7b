// SPDX-License-Identifier: BSD-3-Clause
#include "platform/Sha256.h"

#include <new>

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

namespace vantrel {

struct Sha256::Context {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~Context() {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
        }
        if (algorithm != nullptr) {
            BCryptCloseAlgorithmProvider(algorithm, 0);
        }
    }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&context_->algorithm, BCRYPT_SHA256_ALGORITHM,
                                                    nullptr, 0)) ||
        !BCRYPT_SUCCESS(
            BCryptCreateHash(context_->algorithm, &context_->hash, nullptr, 0, nullptr, 0, 0))) {
        throw std::bad_alloc();
    }
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
    // BCryptHashData takes a ULONG count; a larger buffer goes in pieces.
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ULONG piece = size > (1u << 30) ? (1u << 30) : static_cast<ULONG>(size);
        BCryptHashData(context_->hash, const_cast<PUCHAR>(bytes), piece, 0);
        bytes += piece;
        size -= piece;
    }
}

std::string Sha256::FinishHex() {
    unsigned char digest[32] = {};
    BCryptFinishHash(context_->hash, digest, sizeof digest, 0);
    constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text.push_back(kHex[byte >> 4]);
        text.push_back(kHex[byte & 15]);
    }
    return text;
}

}  // namespace vantrel
