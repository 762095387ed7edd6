#!/usr/bin/python3
"""Compares the sines that the model set-up takes natively (glibc) and in WebAssembly, call by
call, and writes the C++ header that lets the page give every call glibc's bits.

Each record is a sequence of (argument, result) pairs of doubles, in call order. The arguments
must agree bit for bit (the same code computes them); a result may differ, and then by one unit
in the last place, which the patch stores as the call number and the direction of the step:
entry = 2 * call + (1 if glibc's bit pattern is one above the page's, else 0).

usage: sine_patch.py NATIVE_RECORD WASM_RECORD OUTPUT_HEADER
"""
import sys
from array import array


def read_record(path):
    words = array("Q")
    with open(path, "rb") as f:
        words.frombytes(f.read())
    if sys.byteorder != "little":
        words.byteswap()
    return words


def main(native_path, wasm_path, header_path):
    native, wasm = read_record(native_path), read_record(wasm_path)
    if len(native) != len(wasm) or len(native) % 2 or not native:
        sys.exit(f"sine_patch: the records differ in length ({len(native)}, {len(wasm)} words)")
    calls = len(native) // 2
    entries = []
    for call in range(calls):
        if native[2 * call] != wasm[2 * call]:
            sys.exit(f"sine_patch: call {call} takes another argument in WebAssembly")
        glibc, page = native[2 * call + 1], wasm[2 * call + 1]
        if glibc == page:
            continue
        if (glibc >> 63) != (page >> 63) or abs(glibc - page) != 1:
            sys.exit(f"sine_patch: call {call} differs by more than one unit in the last place")
        entries.append(2 * call + (1 if glibc > page else 0))
    if entries and entries[-1] >= 2**32:
        sys.exit("sine_patch: too many calls for 32-bit entries")
    with open(header_path, "w") as out:
        out.write("// Written by web/sine_patch.py at build time; not to be edited.\n")
        out.write("#pragma once\n\n#include <cstdint>\n\n")
        out.write(f"constexpr std::uint32_t SinePatchCallCount = {calls};\n")
        out.write(f"constexpr int SinePatchSize = {len(entries)};\n")
        out.write("constexpr std::uint32_t SinePatch[SinePatchSize + 1] = {\n")
        for start in range(0, len(entries), 8):
            out.write("    " + ", ".join(str(e) for e in entries[start:start + 8]) + ",\n")
        out.write("    0xffffffffu};\n")
    print(f"sine_patch: {len(entries)} of {calls} sines differ by one unit")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
