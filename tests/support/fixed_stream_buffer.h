// A stream buffer over a fixed array, so that writing through it allocates nothing of its own:
// tests that count allocations hand the code under test a stream over it.
#pragma once

#include <streambuf>

namespace pendula::testing {

class FixedStreamBuffer : public std::streambuf {
 public:
  FixedStreamBuffer() { setp(storage_, storage_ + sizeof storage_); }

 protected:
  int_type overflow(int_type) override {
    setp(storage_, storage_ + sizeof storage_);  // wrap around: only the absence of growth matters
    return 0;
  }

 private:
  char storage_[4096];
};

}  // namespace pendula::testing
