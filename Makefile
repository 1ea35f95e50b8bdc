# Thin wrapper over CMake and CTest. `make run` and `make test` do all the set-up.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps test-deps build run test clean

all: build

deps:
	./scripts/install-deps.sh run

test-deps:
	./scripts/install-deps.sh test

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: deps build
	$(BUILD)/src/orvane

test: test-deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
