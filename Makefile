# Vantorel top-level commands. `make demo` and `make test` install what is missing, configure,
# build and then play the demo or run every test.
BUILD   ?= build
ASAN    ?= build-asan
FUZZB   ?= build-fuzz
WIN64   ?= build-win64
WIN32B  ?= build-win32
WEB     ?= build-web
WEB_PORT ?= 8080
JOBS    ?= $(shell nproc)
WERROR  ?= 0
CMAKE_FLAGS = -DVANTOREL_WERROR=$(if $(filter 1,$(WERROR)),ON,OFF)

.PHONY: all deps deps-demo configure build demo test test-unit test-asan fuzz bench clean windows test-windows install uninstall package docs web web-serve test-web web-bench

all: build

deps:
	@scripts/install-deps.sh

# What the demo alone needs: a compiler, CMake, SDL2, OSMesa and libpng.
deps-demo:
	@scripts/install-deps.sh demo

# The demo's first configure leaves the tests out (their packages may not be installed yet);
# every other target configures with them.
$(BUILD)/CMakeCache.txt: | deps-demo
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DVANTOREL_TESTS=OFF -DVANTOREL_BENCH=OFF

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DVANTOREL_TESTS=ON -DVANTOREL_BENCH=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the two players, and CMake only on the first run (the build re-runs it when its files change).
demo: deps-demo $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target demo-programs
	@scripts/demo.sh $(BUILD)

# The 3D gallery: in a window with a display, otherwise a picture at $(BUILD)/gallery.png.
.PHONY: gallery
gallery: build
	@scripts/gallery.sh $(BUILD)

# Every test: the normal build's full suite, then the unit and end-to-end tests and the fuzz
# targets' replays of their seeds and regressions again under ASan and UBSan with leak detection on
# (only the off-screen renderer's own blocks are let go), then the Windows build's tests under wine,
# then the browser build's in headless Chromium.
test: test-unit test-asan test-windows test-web

# pytest's closing lines (one per run of the Python package's tests) follow CTest's summary.
test-unit: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@awk '/^[0-9]+\/[0-9]+ Testing: /{name=$$3} /^([0-9]+ [a-z]+(, )?)+ in [0-9.]+s/{print name ": " $$0}' \
	  $(BUILD)/Testing/Temporary/LastTest.log

test-asan: deps
	cmake -S . -B $(ASAN) $(CMAKE_FLAGS) -DVANTOREL_SANITIZE=ON -DVANTOREL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS="suppressions='$(CURDIR)/scripts/lsan-suppressions.txt':print_suppressions=0" \
	  ctest --output-on-failure -j $(JOBS) -L 'unit|e2e|fuzz'

# Windows programs cross-built with MinGW-w64: 64-bit in $(WIN64), 32-bit in $(WIN32B) (built only:
# this machine runs no 32-bit Windows programs), each with the players' download zip, the installer
# and the SDK zip (vantorel-sdk-win64.zip, vantorel-sdk-win32.zip).
WIN_FLAGS = $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DVANTOREL_BENCH=OFF -DCMAKE_CROSSCOMPILING_EMULATOR=wine
windows: deps
	cmake -S . -B $(WIN64) $(WIN_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
	cmake --build $(WIN64) -j $(JOBS) --target vantorel animtool bmp2png windows_zip windows_installer windows_sdk_zip
	cmake -S . -B $(WIN32B) $(WIN_FLAGS) -DVANTOREL_TESTS=OFF -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
	cmake --build $(WIN32B) -j $(JOBS) --target vantorel animtool bmp2png windows_zip windows_installer windows_sdk_zip

test-windows: windows build
	cmake -S . -B $(WIN64) -DVANTOREL_LINUX_BUILD=$(abspath $(BUILD))
	cmake --build $(WIN64) -j $(JOBS)
	scripts/windows-test.sh $(WIN64)

# Runs every fuzz target for FUZZ_SECONDS each (default 30).
FUZZ_SECONDS ?= 30
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZB) -DVANTOREL_FUZZ=ON -DVANTOREL_TESTS=OFF -DVANTOREL_BENCH=OFF
	cmake --build $(FUZZB) -j $(JOBS)
	@scripts/run-fuzzers.sh $(FUZZB) $(FUZZ_SECONDS)

# The library's API reference from the public headers and docs/library.md (doxygen), into
# $(BUILD)/docs/html; fails on an undocumented public name or a broken reference.
docs: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target docs

# The browser build in $(WEB): the player's and the gallery's pages with their WebAssembly, made
# with Debian's emscripten (whose JavaScript optimiser needs Debian's node modules in NODE_PATH).
export NODE_PATH := /usr/share/nodejs
web: deps
	emcmake cmake -S . -B $(WEB) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(WEB) -j $(JOBS)

# Serves the pages on this machine only: http://127.0.0.1:$(WEB_PORT)/vantorel.html
web-serve: web
	cd $(WEB) && python3 -m http.server --bind 127.0.0.1 $(WEB_PORT)

# The pages in headless Chromium against the native build's reference pictures.
test-web: web build
	cmake --build $(BUILD) -j $(JOBS) --target animtool vantorel-headless vantorel-gallery-headless gl_scenes_osmesa \
	  example-first_program-headless example-shapes3d-headless example-skybox-headless
	node --test tests/web/

# Frame rates of the web player in headless Chromium beside the native headless player's.
web-bench: web build
	cmake --build $(BUILD) -j $(JOBS) --target animtool vantorel-headless
	node bench/web_fps.mjs $(BUILD) $(WEB)

bench: build
	@for b in $(BUILD)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZB) $(WIN64) $(WIN32B) $(WEB)

# Installs the programs, desktop entry, icons, MIME type, thumbnailer, manual pages and demo, and
# the library (shared and static, headers, CMake package, pkg-config files, examples' sources)
# under $(DESTDIR)$(PREFIX); the list of the files, DESTDIR included, is kept for `make uninstall`.
# A live install (no DESTDIR) also refreshes the desktop caches.
PREFIX  ?= /usr/local
install: configure
	cmake --build $(BUILD) -j $(JOBS) --target installables
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"
	awk -v d="$(DESTDIR)" '{ print d $$0 }' $(BUILD)/install_manifest.txt >$(BUILD)/installed_files.txt
	@[ -n "$(DESTDIR)" ] || scripts/refresh-desktop-caches.sh "$(PREFIX)"

# Removes what the last `make install` from this build put in place.
uninstall:
	@scripts/uninstall.sh $(BUILD)/installed_files.txt

# The same files under /usr as four Debian packages in $(BUILD): vantorel_VERSION_ARCH.deb (the
# programs), libvantorel1_... (the shared library), libvantorel-dev_... (building against it) and
# python3-vantorel_VERSION_all.deb (the Python package).
package: configure
	cmake --build $(BUILD) -j $(JOBS) --target installables
	cd $(BUILD) && cpack -G DEB
