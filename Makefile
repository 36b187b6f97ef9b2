# make test:     install what is missing, build every preset, run every test.
# make run:      install what the viewer needs, build it natively, start it on this display.
# make run-wine: install what the Windows exe needs, build it, start it under Wine.
# make bench / make soak: the benchmarks and the longer stress runs.
# make web / make run-web: the WebAssembly build's site; served at http://localhost:8000/ (PORT=).
# make dist: the Windows release zip, the .debs (amd64, arm64) and the web zip, the same to the
#   byte for the same commit.
# make test-install: the .deb installed, run and purged in a fresh Debian 12 chroot (root);
#   ARCH=arm64 the arm64 .deb in an arm64 one, through qemu.

# The host's core and its sanitizers; the fuzzer; the viewer for 64-bit ARM under qemu; the core
# as WebAssembly under Node; the program with every Windows toolchain, each under Wine.
PRESETS := native native-asan fuzz aarch64 web win64 win64-clang clang-cl
WINDOWS_PRESETS := win64 win64-clang clang-cl

.PHONY: all deps build test run run-wine web run-web bench soak clean $(PRESETS:%=build-%) \
  $(PRESETS:%=test-%)

all: build

deps:
	@cmake/install-deps.sh

build: $(PRESETS:%=build-%)

# clang-cl's end-to-end test takes its screen checker from the MinGW build.
build-clang-cl: build-win64

$(PRESETS:%=build-%): build-%: deps
	cmake --preset $*
	cmake --build --preset $*

# Last, the same fingerprints of the picture and the orbits from every compiler and CPU.
test: $(PRESETS:%=test-%)
	tests/same-arithmetic.sh build/native build/aarch64 build/web build/win64 build/win64-clang \
	  build/clang-cl

# The native builds' window tests open windows: on an X server of their own; arm64's under qemu.
test-native test-native-asan test-aarch64: test-%: build-%
	cmake/with-xvfb.sh ctest --preset $*

# The page's tests are judged by the native build's checker and meet its viewer, on X.
test-web: build-web build-native
	cmake/with-xvfb.sh ctest --preset web

test-fuzz: build-fuzz
	tests/fuzz/run-fuzz.sh

$(WINDOWS_PRESETS:%=test-%): test-%: build-%
	cmake/with-xvfb.sh ctest --preset $*

# On any other CPU (64-bit ARM: NEON against the scalar reference) the core's kernels alone: the
# Windows and web builds' frames need an x86-64 Wine.
ifeq ($(shell uname -m),x86_64)
bench: build-native build-win64 build-web
	bench/run-benchmarks.sh
else
bench:
	@cmake/install-deps.sh bench
	cmake --preset native
	cmake --build --preset native --target core_bench
	bench/run-benchmarks.sh
endif

soak: build-win64 build-native-asan
	tests/soak/run-soak.sh

# Only what each needs: a compiler, CMake and SDL2 for the viewer; MinGW-w64 and Wine for the exe.
run:
	@cmake/install-deps.sh viewer
	cmake --preset native
	cmake --build --preset native --target ostrevane
	cmake/run-viewer.sh build/native/ostrevane

# The site alone: build/web/site, which any static server serves as it is.
web:
	@cmake/install-deps.sh web
	cmake --preset web
	cmake --build --preset web --target site

PORT ?= 8000
run-web: web
	cmake/serve-site.sh build/web/site $(PORT)

run-wine:
	@cmake/install-deps.sh windows
	cmake --preset win64
	cmake --build --preset win64 --target ostrevane
	cmake/run-wine.sh build/win64

# make dist: the releases, dist/ostrevane-VERSION-win64.zip for Windows users,
# dist/ostrevane_DEBVERSION_amd64.deb and _arm64.deb for Debian's (and Raspberry Pi OS's), and
# dist/SHA256SUMS, the same to the byte for the same commit.
.PHONY: dist
dist: deps
	cmake/make-dist.sh

# make test-install: the .deb installed, started and purged in a fresh Debian 12 made by
# debootstrap, as a user would; needs root, the network and a few minutes. Not in make test.
# ARCH=arm64: the arm64 .deb in an arm64 Debian 12, its programs run by qemu-user-static.
ARCH ?= $(shell dpkg --print-architecture)
.PHONY: test-install
test-install: deps
	cmake --preset native
	cmake --build --preset native --target e2e_screen_checker
	cmake/make-deb.sh build/deb-$(ARCH) build/deb-$(ARCH)/dist $(ARCH)
	cmake/with-xvfb.sh sh tests/dist/install_check.sh build/deb-$(ARCH)/dist/ostrevane_*.deb \
	  build/native/tests/e2e/e2e_screen_checker build/install-check-$(ARCH)

clean:
	-for p in build/*/wineprefix build/*/desktop-wineprefix; do WINEPREFIX=$(CURDIR)/$$p wineserver -k 2>/dev/null; done
	rm -rf build dist
