// Records every sine that the model set-up takes: argument and result, bit for bit and in call
// order, to the file named on the command line. Built twice, natively against glibc and to
// WebAssembly against the page's own libc; web/sine_patch.py compares the two records.
// Linked with --wrap=sin, so that each call of sin reaches __wrap_sin.
#include <cstdio>
#include <cstring>

#include "app/world.h"
#include "pendula/dynamics.h"

extern "C" double __real_sin(double x);

namespace {

std::FILE* record = nullptr;

}  // namespace

extern "C" double __wrap_sin(double x) {
  const double y = __real_sin(x);
  if (record != nullptr) {
    unsigned char bytes[2 * sizeof(double)];
    std::memcpy(bytes, &x, sizeof x);
    std::memcpy(bytes + sizeof x, &y, sizeof y);
    std::fwrite(bytes, sizeof bytes, 1, record);
  }
  return y;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s RECORD_FILE\n", argv[0]);
    return 2;
  }
  record = std::fopen(argv[1], "wb");
  if (record == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  pendula::setUpModel(pendula::StepSize);
  const bool written = std::ferror(record) == 0;
  return std::fclose(record) == 0 && written ? 0 : 1;
}
