// The page's standard output: a fixed buffer that the program's lines are written into and that
// the page drains after every call. Nothing allocates; what does not fit is dropped, and a
// drained buffer takes lines again.
#pragma once

#include <cstddef>
#include <cstring>
#include <streambuf>

namespace pendula {

class PageOutput : public std::streambuf {
 public:
  PageOutput() { setp(text_, text_ + Capacity); }

  // The text written since the last Take, NUL-terminated; the buffer is empty afterwards.
  const char* Take() {
    *pptr() = '\0';
    std::memcpy(taken_, text_, static_cast<std::size_t>(pptr() - text_) + 1);
    setp(text_, text_ + Capacity);
    return taken_;
  }

 private:
  static constexpr int Capacity = 1 << 15;
  char text_[Capacity + 1];
  char taken_[Capacity + 1];
};

}  // namespace pendula
