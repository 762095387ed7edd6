# Environment for running pendula's tests in a build made with -DPENDULA_SANITIZE=ON; source it.
# Leak detection is on; the only leaks let through are the GL driver's own (tests/lsan.supp).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The GL driver is loaded with dlopen and unloaded at exit before LeakSanitizer looks, which
# would leave its leaks without a library name to match; preloading keeps it in place. The
# sanitizer runtime then no longer comes first among the libraries, which is harmless here.
PENDULA_KEEP_LOADED=""
for library in /usr/lib/x86_64-linux-gnu/libGLX_mesa.so.0 /usr/lib/x86_64-linux-gnu/dri/swrast_dri.so; do
  [ -e "$library" ] && PENDULA_KEEP_LOADED="$PENDULA_KEEP_LOADED $library"
done
export PENDULA_KEEP_LOADED
export ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0:abort_on_error=0
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The soak test does not judge resident memory: the sanitizers' quarantine and shadow grow it.
export PENDULA_E2E_SANITIZED=1
