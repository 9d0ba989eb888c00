# Two commands: `make run` and `make test`. Everything else is what they need.
PRESET ?= dev
PREFIX ?= /usr/local
BUILD  := build/$(PRESET)

.PHONY: run test test-windows deps configure build program demo bench fuzz fuzz-run asan tsan install package clean

# The display first: without one there is nothing to start, so nothing is
# built. Then the program and its archiver only (the demo needs fzarc-lha).
run:
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found. Start FZARC under a virtual one, for example:"; \
	  echo "  make program && bash scripts/make-demo.sh"; \
	  echo "  xvfb-run -s '-screen 0 1280x800x24' build/bin/fzarc"; \
	  exit 1; \
	fi
	@$(MAKE) --no-print-directory program
	@bash scripts/make-demo.sh
	build/bin/fzarc

test: demo
	ctest --preset $(PRESET) -j2

# The Qt-free core cross-compiled with MinGW-w64, its tests run under Wine.
# Wine now and then fails to start a process at all: a test that fails runs
# once more, and fails the run only when it fails again.
test-windows:
	@bash scripts/install-deps.sh --windows
	@cmake --preset windows-mingw >/dev/null
	@bash scripts/wine-run.sh --serve
	@status=0; cmake --build --preset windows-mingw -j2 && ctest --preset windows-mingw -j2 --repeat until-pass:2 || status=$$?; \
	  WINEPREFIX=$(CURDIR)/build/windows-mingw/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true; \
	  exit $$status

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	cmake --build --preset $(PRESET) -j2

# FZARC and fzarc-lha, without the test suite.
program: configure
	cmake --build --preset $(PRESET) -j2 --target fzarc fzarc-lha

demo: build
	@bash scripts/make-demo.sh

asan: deps
	cmake --preset asan-ubsan >/dev/null
	cmake --build --preset asan-ubsan -j2
	ctest --preset asan-ubsan -j2

tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j2
	ctest --preset tsan -j2

bench: deps
	@bash bench/run.sh

fuzz:
	@bash scripts/install-deps.sh --with-fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j2

# Each fuzz target for FUZZ_SECONDS (default 60) seconds.
fuzz-run: fuzz
	@bash scripts/fuzz-run.sh

# Installs the release build (prefix /usr/local unless PREFIX says otherwise).
install: deps
	@cmake --preset release >/dev/null
	cmake --build --preset release -j2
	cmake --install build/release --prefix $(PREFIX)

# The Debian package, in build/package/: apt install ./build/package/fzarc_*.deb
package: deps
	@cmake --preset release >/dev/null
	cmake --build --preset release -j2
	cd build/release && cpack -G DEB -B $(CURDIR)/build/package

clean:
	rm -rf build
