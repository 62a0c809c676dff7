# The two commands of the README:
#   make demo   installs what is missing, builds, and runs the pane's demo
#   make test   installs what is missing, builds, and runs every test
# Further targets: sanitize-test, tsan-test, check-packages, fuzz, bench,
# screenshot, clean. Each build is a preset of CMakePresets.json.

JOBS         ?= $(shell nproc)
FUZZ_SECONDS ?= 60
# Flags for every benchmark of `make bench`, e.g. --benchmark_repetitions=3.
BENCH_FLAGS  ?=

# Let every clone share one compiler cache: paths relative to the clone, and the
# working folder left out of the hash (debug info then names the build folder).
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
export CCACHE_DIR ?= $(HOME)/.cache/ccache
# The layers' precompiled headers (cmake/CorvanePrecompiledHeaders.cmake) are
# cached only when ccache may leave their macros and the time macros unchecked;
# no file of ours uses __DATE__, __TIME__ or __TIMESTAMP__.
export CCACHE_SLOPPINESS := pch_defines,time_macros

.PHONY: all deps bench-deps build demo test sanitize-test tsan-test check-packages fuzz bench screenshot clean

all: build

deps:
	@scripts/install-deps scripts/debian-packages.txt

bench-deps: deps
	@scripts/install-deps scripts/debian-packages-bench.txt

# A preset's build folder is configured once; later builds reuse it.
build/build.ninja: | deps
	cmake --preset default
build-%/build.ninja: | deps
	cmake --preset $*

build: build/build.ninja
	cmake --build --preset default -j $(JOBS)

# The demo needs the host, which depends on the pane and the service: no tests.
demo: build/build.ninja
	cmake --build --preset default -j $(JOBS) --target corvane-prefs
	scripts/demo build

test: build
	ctest --preset default -j $(JOBS)

sanitize-test: build-asan/build.ninja
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

tsan-test: build-tsan/build.ninja
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan

# Every package the configured builds found must come from the package lists.
check-packages:
	scripts/check-packages $(wildcard build build-asan build-tsan build-bench build-fuzz)

fuzz: build-fuzz/build.ninja
	cmake --build --preset fuzz -j $(JOBS)
	scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

build-bench/build.ninja: | bench-deps

bench: build-bench/build.ninja
	cmake --build --preset bench -j $(JOBS)
	scripts/run-benchmarks build-bench $(BENCH_FLAGS)

screenshot: build
	scripts/screenshot build
	scripts/screenshot-hotkeys build
	scripts/screenshot-excluded build
	scripts/screenshot-wayland build
	scripts/screenshot-launcher build

clean:
	rm -rf build build-asan build-tsan build-bench build-fuzz

# Installing. `make install` installs the default build (PREFIX=... for another
# prefix than the configured one, DESTDIR=... to stage it); `make package` builds
# the Debian packages in build-package (prefix /usr); `make docs` writes the
# library's API documentation to build/docs/api/html.
.PHONY: install package docs clean-package

install: build
	cmake --install build $(if $(PREFIX),--prefix "$(PREFIX)")

package: build-package/build.ninja
	cmake --build --preset package -j $(JOBS)
	cpack --preset package

docs: build/build.ninja
	cmake --build --preset default --target docs

clean-package:
	rm -rf build-package
clean: clean-package
