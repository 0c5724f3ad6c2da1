# The two front-door commands: `make run` and `make check`; `make package` for the Debian package,
# `make release` for every artefact of one version in dist/.
BUILD ?= build
ASAN_BUILD ?= build-asan
PACKAGE_BUILD ?= build-release
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
# The version every artefact carries: the CMake project's.
VERSION := $(shell sed -n 's/^project.Virelle VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DIST ?= dist
# Our own builds treat warnings as errors (a plain cmake build does not).
CMAKE_FLAGS ?=
OUR_FLAGS = -DVIRELLE_WERROR=ON $(CMAKE_FLAGS)

.PHONY: run check deps build build-asan test test-asan bench bench-capture package fuzz fuzz-deps format format-check clean \
	web web-deps serve-web check-web windows windows-deps check-windows \
	release release-deb release-windows release-web release-source

run: build
	cmake --build $(BUILD) --target content
	cd $(BUILD)/content && ../virelle $(ARGS)

check: build format-check
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	$(MAKE) test-asan

deps:
	@scripts/install-deps

# Configured again when this file changes, so its flags reach existing build folders.
$(BUILD)/build.ninja: Makefile | deps
	cmake -S . -B $(BUILD) -G Ninja $(OUR_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS)

$(ASAN_BUILD)/build.ninja: Makefile | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIRELLE_SANITIZE=ON -DVIRELLE_BENCH=OFF $(OUR_FLAGS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j$(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	cmake --build $(BUILD) --target content
	cd $(BUILD)/content && $(CURDIR)/scripts/run-bench ../bench/virelle-bench $(ARGS)

# The whole show captured to video at 640x480, at 1920x1080 scaled from 640x480 and at 1920x1080
# drawn natively, each with its time and memory line.
bench-capture: build
	cmake --build $(BUILD) --target content
	cd $(BUILD)/content && ../virelle-tools capture --out /tmp/virelle-bench-640.mp4 --quiet --stats
	cd $(BUILD)/content && ../virelle-tools capture --out /tmp/virelle-bench-1080.mp4 --size 1920x1080 --quiet --stats
	cd $(BUILD)/content && ../virelle-tools capture --out /tmp/virelle-bench-1080n.mp4 --resolution 1920x1080 --quiet --stats
	rm -f /tmp/virelle-bench-640.mp4 /tmp/virelle-bench-1080.mp4 /tmp/virelle-bench-1080n.mp4

# Every fuzz target for FUZZ_SECONDS each, built by clang with libFuzzer, ASan and UBSan in its own
# folder; the seed corpus takes the content made by the normal build. Findings go to fuzz/regress/.
fuzz-deps:
	@scripts/install-deps --fuzz

$(FUZZ_BUILD)/build.ninja: Makefile | fuzz-deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DVIRELLE_FUZZ=ON -DVIRELLE_TESTS=OFF -DVIRELLE_BENCH=OFF $(OUR_FLAGS)

fuzz: deps fuzz-deps $(BUILD)/build.ninja $(FUZZ_BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS) --target content
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz-targets
	scripts/run-fuzz $(FUZZ_BUILD) $(BUILD)/content $(FUZZ_SECONDS)

# virelle_VERSION_amd64.deb in this folder, from a Release build of the programs and the content;
# lintian's errors fail it (its warnings are shown), and the metainfo and desktop entry are validated.
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIRELLE_TESTS=OFF -DVIRELLE_BENCH=OFF $(OUR_FLAGS)
	cmake --build $(PACKAGE_BUILD) -j$(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB
	rm -f virelle_*_amd64.deb && mv $(PACKAGE_BUILD)/virelle_$(VERSION)_amd64.deb .
	appstreamcli validate --no-net --no-color $(PACKAGE_BUILD)/packaging/*.metainfo.xml
	desktop-file-validate packaging/virelle.desktop
	lintian --fail-on error virelle_$(VERSION)_amd64.deb

# The show in a browser: build-web/ holds virelle.html, .js, .wasm and .data, a static folder for
# any web server. Emscripten and the libraries it links are needed here only, never by run or check.
WEB_BUILD ?= build-web
WEB_PORT ?= 8000
WEB_LAUNCHER = $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

web-deps:
	@scripts/install-deps --web

# The content comes from the native content maker; the wasm libraries from Debian's sources.
web: deps web-deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS) --target content screenshot
	nice scripts/web-deps $(WEB_BUILD)
	emcmake cmake -S . -B $(WEB_BUILD) -G Ninja -DVIRELLE_WEB=ON -DCMAKE_BUILD_TYPE=Release \
	  -DVIRELLE_CONTENT_DIR=$(abspath $(BUILD))/content $(WEB_LAUNCHER) $(OUR_FLAGS) >/dev/null
	NODE_PATH=/usr/share/nodejs nice cmake --build $(WEB_BUILD) -j$(JOBS)

serve-web:
	@test -f $(WEB_BUILD)/virelle.wasm || { echo "serve-web: no web build; run make web first" >&2; exit 1; }
	@echo "serve-web: the show is at http://127.0.0.1:$(WEB_PORT)/virelle.html (Ctrl+C stops the server)"
	cd $(WEB_BUILD) && python3 -m http.server $(WEB_PORT) --bind 127.0.0.1

# The browser test: headless chromium against build-web, compared with the native frames of build.
check-web: web
	cd web && VIRELLE_WEB_BUILD=$(abspath $(WEB_BUILD)) VIRELLE_NATIVE_BUILD=$(abspath $(BUILD)) \
	  node --test test/show.test.mjs

# The show for Windows: build-windows/ cross-built with MinGW-w64 over the system's Direct3D 9,
# and virelle-VERSION-win64.zip here. Its tests run under Wine (WINEPREFIX is private to the build
# folder, and set up first, alone: two programs starting in a new one race), then the whole show is
# compared frame by frame with the native renderer's (scripts/compare-windows), all under one Xvfb:
# no Wine program meets a display that is going.
WINDOWS_BUILD ?= build-windows
WINDOWS_ENV = WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

windows-deps:
	@scripts/install-deps --windows

windows: deps windows-deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS) --target content
	nice scripts/windows-deps $(WINDOWS_BUILD)
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=windows/mingw-w64.cmake -DVIRELLE_WINDOWS=ON \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIRELLE_CONTENT_DIR=$(abspath $(BUILD))/content $(OUR_FLAGS) >/dev/null
	nice cmake --build $(WINDOWS_BUILD) -j$(JOBS)

check-windows: windows
	$(WINDOWS_ENV) xvfb-run -a -s "-screen 0 1024x768x24" sh -c \
	  'wineboot --init >/dev/null 2>&1; wineserver -w; \
	   (cd $(WINDOWS_BUILD) && ctest --output-on-failure -j$(JOBS)); status=$$?; wineserver -w; \
	   [ $$status -eq 0 ] && scripts/compare-windows $(abspath $(BUILD)) $(abspath $(WINDOWS_BUILD))'

# Every artefact of this version in dist/: the .deb, the Windows zip, the web folder as a tarball, the
# source as `git archive` makes it from HEAD (commit first: what is not committed is not in it), and
# their SHA-256 sums. Each part also runs alone (make release-web ...), adding to dist/.
WEB_FILES = virelle.html virelle-page.js virelle-page.css virelle.js virelle.wasm virelle.data screenshot.png LICENSES
release:
	rm -rf $(DIST)
	$(MAKE) release-deb
	$(MAKE) release-windows
	$(MAKE) release-web
	$(MAKE) release-source
	cd $(DIST) && sha256sum virelle_$(VERSION)_amd64.deb virelle-$(VERSION)-win64.zip virelle-$(VERSION)-web.tar.gz \
	  virelle-$(VERSION).tar.gz >SHA256SUMS
	@echo "release: $(DIST)/ holds Virelle $(VERSION):" && cd $(DIST) && ls -l

release-deb: package
	mkdir -p $(DIST) && cp virelle_$(VERSION)_amd64.deb $(DIST)/

release-windows:
	$(MAKE) windows
	mkdir -p $(DIST) && cp virelle-$(VERSION)-win64.zip $(DIST)/

# The served files only, under a folder named for the version, in a tarball whose bytes depend on
# nothing but the files.
release-web: web
	mkdir -p $(DIST)
	tar -C $(WEB_BUILD) --transform 's,^,virelle-$(VERSION)-web/,' --sort=name --owner=0 --group=0 --numeric-owner \
	  --mtime=@$$(git log -1 --format=%ct) -cf - $(WEB_FILES) | gzip -9 -n >$(DIST)/virelle-$(VERSION)-web.tar.gz

release-source:
	@test -z "$$(git status --porcelain)" || echo "release-source: uncommitted changes are not in the source tarball" >&2
	mkdir -p $(DIST)
	git archive --format=tar.gz --prefix=virelle-$(VERSION)/ -o $(DIST)/virelle-$(VERSION).tar.gz HEAD

SOURCE_DIRS = app audio composition content fuzz gfx io math platform scene timing tools tests bench
format:
	find $(SOURCE_DIRS) -name '*.cpp' -o -name '*.h' | xargs clang-format -i

# Fails on any file clang-format (Debian's 14, with .clang-format) would change; `make format` mends it.
format-check: deps
	@find $(SOURCE_DIRS) -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run -Werror \
	  || { echo "format-check: files differ from clang-format's output; run make format" >&2; exit 1; }

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PACKAGE_BUILD) $(FUZZ_BUILD) $(WEB_BUILD) $(WINDOWS_BUILD) $(DIST) virelle_*.deb virelle-*-win64.zip
