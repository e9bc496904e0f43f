# What a person types; CMake does the work.
.PHONY: all native win32 run test deps bench fuzz clean

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

clean:
	rm -rf build
