# Front door. `make run` opens the viewer on an example map; `make test`
# builds both builds and runs every test (the Windows one under Wine).
# Every target first installs what is missing from Debian's archive.

FUZZ_SECONDS ?= 60
HOURS ?= 1

.PHONY: all deps native windows build test test-native test-windows fuzz-build fuzz fuzz-long lint run dist clean

all: build

deps:
	@scripts/install-deps

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native

windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows

build: native windows

test-native: native
	ctest --preset native

test-windows: windows
	scripts/with-wine ctest --preset windows

fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz

# Every fuzz target, FUZZ_SECONDS in all (a bounded part of make test).
fuzz: fuzz-build
	scripts/run-fuzzer $(FUZZ_SECONDS)

# Every fuzz target for HOURS in all; findings are kept as regression
# inputs (fuzz/regressions), which the normal builds replay.
fuzz-long: fuzz-build
	scripts/run-fuzzer $$(( $(HOURS) * 3600 )) build/fuzz --keep

test: test-native test-windows fuzz

# clang-tidy and cppcheck over the native build's sources.
lint: native
	scripts/lint build/native

run: windows
	scripts/run-viewer

dist: windows
	scripts/make-dist

clean:
	rm -rf build dist
