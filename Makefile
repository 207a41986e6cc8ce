# Set-up and everyday commands; each installs what it needs first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Each kind of build has a folder of its own, so that no command inherits another's cached
# choices (make test's warnings as errors in an optimised build stopped make package after it).
# The package and install build holds only what gets installed.
RELEASE_BUILD ?= build-release
RELEASE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF -DORVANE_BENCHMARKS=OFF -DORVANE_TOOLS=OFF
BENCH_BUILD ?= build-bench

.PHONY: run test bench package install build configure clean windows windows-test mutants references

configure:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Starts the show on the current display (the settings file is $(BUILD)/src/TheOrvane.ini).
# Builds the program alone, without the test and benchmark libraries (which make test and make
# bench install, and which the test preset turns on again).
run:
	tools/install-deps.sh run
	$(MAKE) configure CMAKE_FLAGS="$(CMAKE_FLAGS) -DORVANE_TESTS=OFF -DORVANE_BENCHMARKS=OFF"
	cmake --build $(BUILD) -j $(JOBS) --target theorvane
	$(BUILD)/src/theorvane /s

# Builds everything with warnings as errors and runs every test (no display needed), then
# builds the tests again under AddressSanitizer and UndefinedBehaviorSanitizer and runs them.
test:
	tools/install-deps.sh test
	cmake --preset default
	cmake --build build -j $(JOBS)
	ctest --preset default -j $(JOBS)
	$(MAKE) windows-test
	cmake --preset sanitize
	cmake --build build-sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# Plays the reference runs again and rewrites tests/reference (the tables of digests and the key
# PNGs), for the Linux build and the Windows build under Wine, then prints which moments
# changed. Only for a change meant to show, after looking at the new pictures (see README).
references:
	tools/install-deps.sh test
	cmake --preset default
	cmake --build build -j $(JOBS)
	$(MAKE) windows
	tools/references.sh build $(WINDOWS_BUILD)

# Mutation testing (not run by CI): one small change at a time to src/ (or to FILES), rebuilt in
# build-mutants, tried against the tests that can see it; the report goes to
# build-mutants/mutants/report.md. MUTANTS_SAMPLE=N MUTANTS_SEED=S try a random sample; an
# interrupted run resumes. See tools/mutants.py.
mutants:
	tools/install-deps.sh mutants
	cmake --preset default -B build-mutants -DORVANE_BENCHMARKS=OFF -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld
	nice -n 19 cmake --build build-mutants -j $(JOBS)
	python3 tools/mutants.py $(FILES)

# Runs the benchmarks and prints their figures.
bench:
	tools/install-deps.sh bench
	$(MAKE) windows
	$(MAKE) build BUILD=$(BENCH_BUILD) CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Release"
	tools/bench-report.sh $(BENCH_BUILD)

# The Debian package theorvane_<version>-1_<arch>.deb (installing to /usr), in $(RELEASE_BUILD).
package:
	tools/install-deps.sh package
	$(MAKE) build BUILD=$(RELEASE_BUILD) CMAKE_FLAGS="$(RELEASE_FLAGS)"
	cd $(RELEASE_BUILD) && cpack -G DEB

# Installs into PREFIX (default /usr/local): the program, its menu entry, the screen saver
# daemons' module, description and entry, the manual page, the licence and the AppStream metadata.
PREFIX ?= /usr/local
install:
	tools/install-deps.sh run
	$(MAKE) build BUILD=$(RELEASE_BUILD) CMAKE_FLAGS="$(RELEASE_FLAGS)"
	cmake --install $(RELEASE_BUILD) --prefix $(PREFIX)

# The Windows screen saver, cross-built with MinGW-w64: build-windows/TheOrvane.scr (Release).
WINDOWS_BUILD ?= build-windows
windows:
	tools/install-deps.sh windows
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DORVANE_WERROR=ON -DORVANE_X_PROBE=$(CURDIR)/build/tests/e2e/x_probe
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The Windows build's tests under Wine (the end-to-end one reads the screen with the Linux
# build's x_probe, so make test runs this after the Linux build).
windows-test: windows
	ctest --test-dir $(WINDOWS_BUILD) -j $(JOBS) --output-on-failure

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD) $(RELEASE_BUILD) $(BENCH_BUILD)
