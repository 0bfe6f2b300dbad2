# A new user's commands: `make demo` and `make test`. Both install what is
# missing, configure and build; everything lands in build/.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo bench package asan format clean

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

bench: build
	@./tools/bench/run-bench $(BUILD)

# The Debian package build/tavor-backup_<version>_<arch>.deb, from the normal build.
package: build
	@cd $(BUILD) && cpack -G DEB

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	@$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DTAVOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan
