# Set-up and everyday commands; each installs what it needs first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: run test bench build configure clean

configure:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Starts the show on the current display (the settings file is $(BUILD)/src/TheOrvane.ini).
run:
	tools/install-deps.sh run
	$(MAKE) build
	$(BUILD)/src/theorvane /s

# Builds everything with warnings as errors and runs every test (no display needed).
test:
	tools/install-deps.sh test
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DORVANE_WERROR=ON"
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Runs the benchmarks and prints their figures.
bench:
	tools/install-deps.sh bench
	$(MAKE) build CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Release"
	tools/bench-report.sh $(BUILD)

clean:
	rm -rf $(BUILD)
