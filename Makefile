# The two front-door commands: `make run` and `make check`.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run check deps build build-asan test test-asan bench format clean

run: build
	cmake --build $(BUILD) --target content
	cd $(BUILD)/content && ../virelle $(ARGS)

check: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	$(MAKE) test-asan

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS)

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIRELLE_SANITIZE=ON -DVIRELLE_BENCH=OFF $(CMAKE_FLAGS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j$(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	cmake --build $(BUILD) --target content
	cd $(BUILD)/content && ../bench/virelle-bench $(ARGS)

format:
	find app audio composition content gfx io math platform scene tools tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
