// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// SHA-256 of a stream of bytes: by Nettle, or on Windows by its own cryptography (CNG).

#include <cstdint>
#include <memory>
#include <string>

namespace vantrel {

class Sha256 {
  public:
    Sha256();  // throws std::bad_alloc where the system's cryptography cannot set one up
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, std::size_t size);
    // The digest of everything given so far, as 64 lowercase hexadecimal digits. The object
    // takes no more bytes afterwards.
    std::string FinishHex();

  private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace vantrel
