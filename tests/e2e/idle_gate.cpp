// Preloaded into the program by the end-to-end tests that hand it keys before its first idle
// pass. The idle handler that the program installs is held back: the World stays at its start-up
// state while the program handles keys and window events, until the process gets SIGUSR1; from
// then on every idle pass runs the program's handler as usual. Without it, how many passes come
// before the keys would depend on the machine's speed.
#include <GL/freeglut.h>
#include <dlfcn.h>
#include <time.h>

#include <csignal>

namespace {

volatile std::sig_atomic_t released = 0;
void (*programIdleHandler)() = nullptr;

void Release(int) {
  released = 1;
}

void GatedIdleHandler() {
  if (released != 0) {
    programIdleHandler();
    return;
  }
  // The toolkit calls an idle handler whenever no event is pending; a short sleep keeps the wait
  // from taking a whole core from the test.
  const timespec pause{0, 1000000};
  nanosleep(&pause, nullptr);
}

// Before main, so that the signal can never find the process without its handler.
__attribute__((constructor)) void InstallRelease() {
  std::signal(SIGUSR1, Release);
}

}  // namespace

extern "C" void glutIdleFunc(void (*callback)()) {
  using IdleFunc = void (*)(void (*)());
  static const auto toolkitIdleFunc = reinterpret_cast<IdleFunc>(dlsym(RTLD_NEXT, "glutIdleFunc"));
  programIdleHandler = callback;
  toolkitIdleFunc(callback != nullptr ? GatedIdleHandler : nullptr);
}
