// The fingerprint of a trajectory, shared by the native trajectory test
// (tests/app/trajectory_fingerprint_test.cpp) and the page's test build
// (tests/web/page_probes.cpp).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace pendula {
namespace testing {

// FNV-1a over the bytes of the doubles: order-sensitive and bit-exact, signed zeros included,
// except that every NaN is hashed as the one quiet NaN. IEEE 754 leaves the sign and payload of
// a NaN result open, and which operand's NaN an x86 instruction passes on depends on the operand
// order the compiler picks, which differs between optimisation levels; chains that the
// frictionless settings drive to NaN would otherwise give each build its own fingerprint.
class Fingerprint {
 public:
  void Add(const double* values, int count) {
    for (int n = 0; n < count; ++n) {
      const double value =
          std::isnan(values[n]) ? std::numeric_limits<double>::quiet_NaN() : values[n];
      unsigned char bytes[sizeof(double)];
      std::memcpy(bytes, &value, sizeof bytes);
      for (unsigned char byte : bytes) hash_ = (hash_ ^ byte) * 0x100000001b3ull;
    }
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

}  // namespace testing
}  // namespace pendula
