// A stream buffer that remembers what it held each time its stream was flushed, so a test can
// tell a line that was flushed at once from one that merely sits in the buffer.
#pragma once

#include <sstream>
#include <string>

namespace pendula::testing {

class FlushRecordingBuffer : public std::stringbuf {
 public:
  static constexpr int kRecordedFlushes = 4;
  std::string heldAtFlush[kRecordedFlushes];
  int flushes = 0;

 protected:
  int sync() override {
    if (flushes < kRecordedFlushes) heldAtFlush[flushes] = str();
    flushes += 1;
    return std::stringbuf::sync();
  }
};

}  // namespace pendula::testing
