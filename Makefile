# Two commands for a new machine:
#   make run    installs what is missing, builds, and starts the program
#               against the installation emulator
#   make test   installs what is missing, builds, and runs every test

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run bench fuzz clean

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

run: build
	./scripts/run-with-emulator.sh $(BUILD)

bench: build
	$(BUILD)/bench/qev-bench

fuzz:
	QEV_FUZZ_DEPS=1 ./scripts/install-deps.sh
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEV_FUZZ=ON -DQEV_BUILD_TESTS=OFF
	cmake --build build-fuzz -j$(JOBS) --target qev-fuzz-frame qev-fuzz-spc qev-fuzz-sp qev-fuzz-daf qev-fuzz-pwd qev-fuzz-jpeg

clean:
	rm -rf $(BUILD) build-fuzz
