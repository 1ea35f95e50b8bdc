# Thin wrapper over CMake and CTest. `make run` and `make test` do all the set-up;
# on a machine without make, `./setup run` and `./setup test` install it first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Extra CMake settings for the first configure, e.g. -DCMAKE_COMPILE_WARNING_AS_ERROR=ON.
CMAKE_FLAGS ?=

.PHONY: all deps test-deps build run test bench clean

all: build

deps:
	./scripts/install-deps.sh run

test-deps:
	./scripts/install-deps.sh test

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Only the program: the tests are built by `make test`.
run: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target orvane
	$(BUILD)/src/orvane

test: test-deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Release timings in a build folder of their own; not part of `make test`.
bench:
	./scripts/install-deps.sh bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORVANE_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build build-bench -j $(JOBS) --target orvane_bench
	QT_QPA_PLATFORM=offscreen build-bench/bench/orvane_bench

clean:
	rm -rf $(BUILD)
