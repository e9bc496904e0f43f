# What a person types; CMake does the work.
.PHONY: all native win32 win64 run test deps bench fuzz asan dist install uninstall clean

PREFIX ?= /usr/local

all: native win32 win64

native:
	cmake --preset native >/dev/null
	cmake --build --preset native

win32:
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

win64:
	cmake --preset win64 >/dev/null
	cmake --build --preset win64

run: native
	@./build/native/fwpeek

deps:
	@./tools/install-deps

test: deps all
	ctest --test-dir build/native --output-on-failure
	@$(MAKE) --no-print-directory asan
	@$(MAKE) --no-print-directory fuzz

# The unit tests under AddressSanitizer and UBSan. The program takes SIGSEGV and SIGFPE itself
# and some tests fault on purpose: the sanitizers leave those signals alone, and
# tests/sanitizers/ names what they must let through.
ASAN_RUN = ASAN_OPTIONS=handle_segv=0:handle_sigfpe=0:allow_user_segv_handler=1 \
  LSAN_OPTIONS=suppressions=tests/sanitizers/lsan.supp \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:suppressions=tests/sanitizers/ubsan.supp

asan:
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	$(ASAN_RUN) GTEST_BRIEF=1 build/asan/tests/fwpeek_tests

# Builds the fuzz target and runs it for FUZZ_TIME seconds (30 by default).
fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	./tests/fuzz/run

# Not part of test: figures, not checks.
bench: native
	@for t in win32 win64; do $(MAKE) --no-print-directory $$t >/dev/null 2>&1 || \
	  echo "bench: the $$t build fails; its Wine rows use what build/$$t holds" >&2; done
	./bench/bench.py

# build/dist: the Windows zip (both programs), the Linux tarball and SHA256SUMS, byte for byte
# the same from any clone of the same commit.
dist: native win32 win64
	./tools/dist.py --version "$$(sed -n 's/^#define FWPEEK_VERSION "\(.*\)"$$/\1/p' \
	  build/native/gen/version.h)" --x86 build/win32/fwpeek.exe --x64 build/win64/fwpeek.exe \
	  --linux build/native/fwpeek build/dist

install: native
	install -d '$(DESTDIR)$(PREFIX)/bin'
	install -m 755 build/native/fwpeek '$(DESTDIR)$(PREFIX)/bin/fwpeek'

uninstall:
	rm -f '$(DESTDIR)$(PREFIX)/bin/fwpeek'

clean:
	rm -rf build
