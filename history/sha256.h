#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace talo {

using Sha256Digest = std::array<std::uint8_t, 32>;

// Incremental SHA-256 (FIPS 180-4). Feed bytes with update(), then take the digest once.
class Sha256 {
  public:
    Sha256();
    void update(const std::uint8_t* data, std::size_t size);
    Sha256Digest finish();  // the object must not be used afterwards

  private:
    void compressBlock(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_{};
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t totalBytes_ = 0;
};

Sha256Digest sha256(const std::uint8_t* data, std::size_t size);

// Lower-case hexadecimal, two digits per byte.
std::string toHex(const Sha256Digest& digest);

}  // namespace talo
