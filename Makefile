# What a person types; CMake does the work.
.PHONY: all native win32 run test deps bench fuzz asan clean

all: native win32

native:
	cmake --preset native >/dev/null
	cmake --build --preset native

win32:
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

run: native
	@./build/native/fwpeek

deps:
	@./tools/install-deps

test: deps all
	ctest --test-dir build/native --output-on-failure
	@$(MAKE) --no-print-directory asan
	@$(MAKE) --no-print-directory fuzz

# The unit tests under AddressSanitizer and UBSan. The program takes SIGSEGV and SIGFPE itself
# and some tests fault on purpose (ReadNull, WriteNull, DivideByZero in probe_test.cc): the
# sanitizers leave those signals alone, and the checks that would stop before the faulting
# instruction are suppressed in exactly those functions. A failure object being reported lives
# until the process ends; the fake's ExitProcess returns to the test instead, so those stay.
ASAN_RUN = ASAN_OPTIONS=handle_segv=0:handle_sigfpe=0:allow_user_segv_handler=1 \
  LSAN_OPTIONS=suppressions=build/asan/lsan.supp \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:suppressions=build/asan/ubsan.supp

asan:
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	@printf '%s\n' 'null:*ReadNull*' 'null:*WriteNull*' 'integer-divide-by-zero:*DivideByZero*' \
	  > build/asan/ubsan.supp
	@printf '%s\n' 'leak:RaiseInOutError' 'leak:MakeExternalFailure' > build/asan/lsan.supp
	$(ASAN_RUN) GTEST_BRIEF=1 build/asan/tests/fwpeek_tests

# Builds the fuzz target and runs it for FUZZ_TIME seconds (30 by default).
fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	./tests/fuzz/run

# Not part of test: figures, not checks.
bench: native
	@$(MAKE) --no-print-directory win32 >/dev/null 2>&1 || \
	  echo "bench: the win32 build fails; the Wine rows use what build/win32 holds" >&2
	./bench/bench.py

clean:
	rm -rf build
