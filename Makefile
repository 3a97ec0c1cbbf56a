# Two commands for a new machine:
#   make run    installs what is missing, builds, and starts the program
#               against the installation emulator
#   make test   installs what is missing, builds, and runs every test
# and what CI runs besides (.ci/run):
#   make sanitize   every test again, built with AddressSanitizer and
#                   UndefinedBehaviorSanitizer, in build-asan/
#   make fuzz-run   every fuzz target for FUZZ_SECONDS on its seeds
#   make tsan       the protocol, link and window tests built with
#                   ThreadSanitizer, in build-tsan/
#   make package-check   builds the Debian package and checks it (lintian,
#               the service unit, the unpacked programs, the file list)
# and the package itself:
#   make deb    qev_<version>_<arch>.deb here, for "sudo apt install ./qev_*.deb"

BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
SANITIZE_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 15

.PHONY: all deps configure build test run bench sanitize tsan fuzz fuzz-run deb package-check clean

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

deb: build
	rm -f $(BUILD)/qev_*.deb
	cd $(BUILD) && cpack -G DEB
	cp $(BUILD)/qev_*.deb .

package-check: build
	./scripts/package-check.sh $(BUILD)

# A finding stops the test at once and names its place.
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEV_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$(JOBS)

# The link thread and the window's thread share the device model, the logs
# and the wait windows' bars: a race between them stops the test at once.
# Qt itself is not built with the sanitizer; scripts/tsan.supp names the few
# places inside Qt and the system whose synchronisation it cannot see.
# Each suite runs as one process rather than a process a test: the first
# exchange of a freshly started instrumented process can outlast the line's
# time-out and be asked again, which the tests that count the requests on
# the line would take for a fault that is not there.
TSAN_TESTS = qev_protocol_tests qev_link_tests qev_link_ui_tests qev_ui_tests
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEV_TSAN=ON
	cmake --build $(TSAN_BUILD) -j$(JOBS) --target $(TSAN_TESTS)
	cd $(TSAN_BUILD) && for suite in protocol/qev_protocol_tests link/qev_link_tests link/qev_link_ui_tests \
		ui/qev_ui_tests; do \
		QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
		tests/$$suite || exit 1; done

# Every target that fuzz/CMakeLists.txt adds with qev_add_fuzzer.
fuzz:
	QEV_FUZZ_DEPS=1 ./scripts/install-deps.sh
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEV_FUZZ=ON -DQEV_BUILD_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target qev-fuzzers

fuzz-run: fuzz
	./scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
