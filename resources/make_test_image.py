#!/usr/bin/env python3
"""Writes the deterministic test firmware image: 61,616 bytes spread evenly over all 256 values.

It is not firmware. It lets builds, tests and demos run without the maker's image; set the
CMake option TALO_FIRMWARE_IMAGE to the real image for a release.
"""
import sys

SIZE = 61616


def main() -> None:
    out = bytearray()
    # A byte permutation per 256-byte round, stepped by an odd stride: every value occurs
    # equally often in each full round, and neighbouring bytes are not correlated.
    state = 0x2545F491
    while len(out) < SIZE:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        offset = state & 0xFF
        stride = (state >> 8) & 0xFE | 1
        out.extend(((offset + stride * i) & 0xFF) for i in range(256))
    with open(sys.argv[1], "wb") as f:
        f.write(bytes(out[:SIZE]))


if __name__ == "__main__":
    main()
