# A new user's commands: `make demo` and `make test`. Both install what is
# missing, configure and build; everything lands in build/.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo gallery bench package asan fuzz fuzz-configure fuzz-build fuzz-check format clean

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 $(CTEST_FLAGS)

demo: build
	@./tools/demo/run-demo $(BUILD)

# The controls drawn as the window shows them, as pictures in $(BUILD)/screenshots/.
gallery: build
	@$(BUILD)/tools/gallery/tavor-gallery $(BUILD)/screenshots

bench: build
	@./tools/bench/run-bench $(BUILD)

# The Debian package build/tavor-backup_<version>_<arch>.deb, from the normal build.
package: build
	@cd $(BUILD) && cpack -G DEB

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	@$(MAKE) test BUILD=build-asan CMAKE_FLAGS="$(CMAKE_FLAGS) -DTAVOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

# Every fuzz target (each library's fuzz/ folder) built with clang and libFuzzer, fuzzed for
# FUZZ_SECONDS each from its seed corpus; findings land in build-fuzz/findings/.
FUZZ_SECONDS ?= 60

fuzz-configure: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DTAVOR_FUZZ=ON $(CMAKE_FLAGS) > /dev/null

# The whole project built with clang and the fuzzing instrumentation.
fuzz-build: fuzz-configure
	@cmake --build build-fuzz

fuzz: fuzz-build
	@./tests/fuzz/run-fuzz build-fuzz $(FUZZ_SECONDS)

# Each fuzz target once over its committed corpus and regression inputs.
fuzz-check: fuzz-configure
	@cmake --build build-fuzz --target tavor_fuzz_targets
	@./tests/fuzz/run-fuzz build-fuzz 0

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-fuzz
