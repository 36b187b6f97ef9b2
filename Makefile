# make test: install what is missing, build every preset, run every test.
# make run:  install what is missing, build the program, start it under Wine on this display.
# make bench / make soak: the benchmarks and the longer stress runs.

.PHONY: all deps build build-native build-asan build-win64 test test-native test-asan test-win64 run bench soak clean

all: build

deps:
	@cmake/install-deps.sh

build: build-native build-asan build-win64

build-native: deps
	cmake --preset native
	cmake --build --preset native

build-asan: deps
	cmake --preset native-asan
	cmake --build --preset native-asan

build-win64: deps
	cmake --preset win64
	cmake --build --preset win64

test: build
	ctest --preset native
	ctest --preset native-asan
	tests/fuzz/run-fuzz.sh
	cmake/with-xvfb.sh ctest --preset win64

bench: build-native build-win64
	bench/run-benchmarks.sh

soak: build-win64
	tests/soak/run-soak.sh

run: build-win64
	cmake/run-viewer.sh build/win64

# make dist: the release for Windows users, dist/ostrevane-VERSION-win64.zip and dist/SHA256SUMS,
# the same to the byte for the same commit.
.PHONY: dist
dist: deps
	cmake/make-dist.sh

clean:
	-WINEPREFIX=$(CURDIR)/build/win64/wineprefix wineserver -k 2>/dev/null
	rm -rf build
