// SPDX-License-Identifier: BSD-3-Clause
#include "platform/Sha256.h"

#include <nettle/sha2.h>
#include <nettle/version.h>

namespace vantrel {

struct Sha256::Context {
    sha256_ctx state;
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    sha256_init(&context_->state);
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
    sha256_update(&context_->state, size, static_cast<const std::uint8_t*>(data));
}

std::string Sha256::FinishHex() {
    std::uint8_t digest[SHA256_DIGEST_SIZE];
#if NETTLE_VERSION_MAJOR >= 4
    sha256_digest(&context_->state, digest);  // Nettle 4 always gives the whole digest
#else
    sha256_digest(&context_->state, SHA256_DIGEST_SIZE, digest);
#endif
    constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text.push_back(kHex[byte >> 4]);
        text.push_back(kHex[byte & 15]);
    }
    return text;
}

}  // namespace vantrel
