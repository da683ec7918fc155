# Trawlix: the two commands of the README, and a few for developers.
#   make run    install what is needed, build, install the data folder, start the program
#   make demo   the same against the bundled site simulator, signed in to a demo account
#   make test   install what is needed, build with sanitizers, run the whole test suite
#   make fuzz   build the fuzzers with clang and run each for FUZZ_SECONDS
#   make stress-clients   20 clients on one account database server for STRESS_SECONDS
#   make stress           kill a process that saves searches and settings STRESS_KILLS times

JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Seconds each fuzzer runs in `make fuzz` (and so in `make test`); FUZZ_JOBS run at a time.
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= $(JOBS)

.PHONY: all deps test-deps stress build install-data run demo test check-source test-asan test-tsan bench format format-check \
  clean fuzz stress-clients

all: build

# What building and running need; the test suite needs more (test-deps).
deps:
	tools/install-deps

test-deps:
	tools/install-deps --test

# The program only: the tests and their libraries are built by test-asan and test-tsan.
build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF $(CMAKE_FLAGS)
	cmake --build build -j$(JOBS)

install-data: build
	tools/install-data build

# Without a display the windows cannot open: say so in one line before anything is installed
# or built (make's own error line is this line).
ifneq ($(filter run,$(MAKECMDGOALS)),)
  ifeq ($(strip $(DISPLAY)$(WAYLAND_DISPLAY)),)
    $(error No display here (DISPLAY and WAYLAND_DISPLAY are unset), so the windows cannot open; \
      the command-line tool needs none: make build, then build/app/trawlix-cli --help)
  endif
endif
run: install-data
	tools/run-program build

demo: build
	tools/run-demo build

test: test-deps check-source test-asan test-tsan fuzz

# The folders include one another only downwards, and every source is clang-formatted.
SOURCES = $(shell find core refdata search store account notify session ui app tools tests bench fuzz \
  \( -name '*.cpp' -o -name '*.h' \) -not -path 'tests/fixtures/*' 2>/dev/null)
check-source:
	tools/check-layers --graph
	@clang-format --dry-run --Werror $(SOURCES) && echo "clang-format: $(words $(SOURCES)) files formatted"

# Everything under AddressSanitizer and UndefinedBehaviorSanitizer, warnings as errors.
test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTRAWLIX_WERROR=ON \
	  -DTRAWLIX_SANITIZE="address;undefined" $(CMAKE_FLAGS)
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$(JOBS)

# The threaded tests (label "threads") again under ThreadSanitizer.
test-tsan:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTRAWLIX_WERROR=ON -DTRAWLIX_SANITIZE=thread \
	  -DTRAWLIX_BUILD_GUI=OFF $(CMAKE_FLAGS)
	# The GUI-free libraries and the command-line tool build on their own.
	cmake --build build-tsan -j$(JOBS) --target trawlix_session trawlix-cli
	cmake --build build-tsan -j$(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --output-on-failure -j$(JOBS) -L threads

# The fuzzers of fuzz/ (libFuzzer, clang) under AddressSanitizer and UndefinedBehaviorSanitizer:
# first their seeds and kept crash inputs once each, then each fuzzer for FUZZ_SECONDS.
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
	  -DCMAKE_CXX_COMPILER=clang++ -DTRAWLIX_FUZZ=ON -DTRAWLIX_BUILD_GUI=OFF -DTRAWLIX_WERROR=ON \
	  -DTRAWLIX_SANITIZE="address;undefined" $(CMAKE_FLAGS)
	cmake --build build-fuzz -j$(JOBS) --target fuzz_targets
	cd build-fuzz && ctest --output-on-failure -j$(JOBS) -L fuzz
	FUZZ_JOBS=$(FUZZ_JOBS) fuzz/run-fuzzers build-fuzz $(FUZZ_SECONDS)

# Many copies of the program on one Firebird server (the test suite runs a 10 s version):
# STRESS_CLIENTS processes save, update and delete searches for STRESS_SECONDS, then the
# database is compared with what each last saved.
STRESS_CLIENTS ?= 20
STRESS_SECONDS ?= 60
stress-clients: test-deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTRAWLIX_WERROR=ON \
	  -DTRAWLIX_SANITIZE="address;undefined" $(CMAKE_FLAGS)
	cmake --build build-asan -j$(JOBS) --target StressClients_test trawlix-stress-client
	cd build-asan && TRAWLIX_STRESS_CLIENTS=$(STRESS_CLIENTS) TRAWLIX_STRESS_SECONDS=$(STRESS_SECONDS) \
	  ctest --output-on-failure -V -R '^StressClients_test$$'

# Crash during a write: the store writer killed STRESS_KILLS times at random moments (outside
# CI; the test suite runs a short version of the same test).
STRESS_KILLS ?= 200
stress: test-deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTRAWLIX_WERROR=ON \
	  -DTRAWLIX_SANITIZE="address;undefined" $(CMAKE_FLAGS)
	cmake --build build-asan -j$(JOBS) --target CrashDuringWrite_test trawlix-store-writer
	cd build-asan && TRAWLIX_STRESS_KILLS=$(STRESS_KILLS) ctest --output-on-failure -V --timeout 7200 -R '^CrashDuringWrite_test$$'

bench: test-deps build
	@for b in build/bench/*_bench; do echo "== $$b"; "$$b"; done

format:
	@clang-format -i $(SOURCES)

format-check:
	@clang-format --dry-run --Werror $(SOURCES) && echo "clang-format: $(words $(SOURCES)) files formatted"

clean:
	rm -rf build build-asan build-tsan build-fuzz
