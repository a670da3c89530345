#include "history/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace talo {
namespace {

std::string hashOf(std::string_view text) {
    return toHex(sha256(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(Sha256Test, MatchesTheStandardTestVectors) {
    EXPECT_EQ(hashOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hashOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hashOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hashOf("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklm"
                     "nopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
              "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
}

TEST(Sha256Test, MillionTimesAInUnevenPiecesMatchesTheLongVector) {
    const std::string chunk(997, 'a');  // pieces that straddle the 64-byte blocks
    Sha256 hash;
    std::size_t left = 1'000'000;
    while (left > 0) {
        const std::size_t take = std::min(left, chunk.size());
        hash.update(reinterpret_cast<const std::uint8_t*>(chunk.data()), take);
        left -= take;
    }
    EXPECT_EQ(toHex(hash.finish()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256Test, PaddingBoundaryLengthsDiffer) {
    // 55 bytes fit the length into the last block, 56 need one more block.
    EXPECT_EQ(hashOf(std::string(55, 'a')),
              "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(hashOf(std::string(56, 'a')),
              "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
}

}  // namespace
}  // namespace talo
