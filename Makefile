# The two commands of the README: `make run` plays the demo game, `make test` runs every test.
# The checking builds (sanitizers, stress, fuzzing, soak) are CI's and the developer's, each
# in a build folder of its own so that they never disturb `build/`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
XVFB = xvfb-run -a -s "-screen 0 1024x768x24"
CTEST = ctest --output-on-failure --no-tests=error -j $(JOBS)

# Checking builds keep assertions (no NDEBUG) and a line table for reports, optimised
# lightly: they are compiled cold in CI, so compile time counts more than run time.
CHECK_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" $(CMAKE_FLAGS)
# The tests that run code on more than one thread: the mixer's callback and the stream
# workers (sound unit tests and games), the picture cross-fade's workers, the system
# report's worker (start-up, cli). Not the GL start-up: under the interceptors Mesa's
# driver-config reader pairs Oniguruma's regcomp with glibc's regexec and hangs, and with
# libc preloaded as the ASan run does, llvmpipe's own threads report races. The mixer tests
# measure levels a device buffer after a change; slowed ten times on a busy machine that
# buffer can be late, so a test may run three times, but any race report fails the run.
TSAN_TESTS ?= Sound|LoopComment|MemoryFile|Crossfade|game\.sound|cli
FUZZ_SECONDS ?= 60
SOAK_MINUTES ?= 60

PREFIX ?= /usr/local

.PHONY: deps build run test bench-build bench bench-table clean docs install package test-asan test-tsan test-stress fuzz soak

deps:
	bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	bash scripts/check-build-folder.sh $(BUILD)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/utsushi demo

test: build
	cd $(BUILD) && $(XVFB) $(CTEST)

# The whole suite with AddressSanitizer and UndefinedBehaviorSanitizer; the first report
# ends the test that made it.
test-asan: deps
	cmake -S . -B build-asan $(CHECK_FLAGS) -DUTSUSHI_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && $(XVFB) $(CTEST)

# ThreadSanitizer over the tests that run threads.
test-tsan: deps
	cmake -S . -B build-tsan $(CHECK_FLAGS) -DUTSUSHI_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS) --target utsushi utsushi-pack utsushi_unit_tests
	rm -f build-tsan/tsan-report.*
	cd build-tsan && $(XVFB) $(CTEST) --repeat until-pass:3 -R '$(TSAN_TESTS)'
	@if ls build-tsan/tsan-report.* >/dev/null 2>&1; then cat build-tsan/tsan-report.*; \
	  echo "ThreadSanitizer reported (above)"; exit 1; fi

# The whole suite with the engine's internal limits shrunk (UTSUSHI_STRESS).
test-stress: deps
	cmake -S . -B build-stress $(CHECK_FLAGS) -DUTSUSHI_STRESS=ON
	cmake --build build-stress -j $(JOBS)
	cd build-stress && $(XVFB) $(CTEST)

# Every fuzz target for FUZZ_SECONDS, one after another, starting from its corpus in
# fuzz/corpus/; new inputs collect in build-fuzz/corpus/ (merge the useful ones by hand).
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUTSUSHI_FUZZ=ON -DUTSUSHI_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS)
	bash fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# The long run with random input (not part of CI); SOAK_MINUTES per game.
soak: build
	$(XVFB) python3 tests/soak/soak.py --engine $(BUILD)/utsushi --minutes $(SOAK_MINUTES)

# docs/commands.md from the engine's command tables and docs/command_notes.txt.
docs: build
	cmake --build $(BUILD) --target docs

# The programs, manual pages, .desktop file and icon below PREFIX (DESTDIR is honoured).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package (build/utsushi_VERSION_ARCH.deb) that installs below /usr.
package: build
	cd $(BUILD) && cpack -G DEB

bench-build: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DUTSUSHI_BENCH=ON -DUTSUSHI_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)

bench: bench-build
	bash bench/run.sh $(BUILD)-bench

# Every figure with a speed goal in one table, median of repeated runs, CPU time where the
# machine may be shared; BENCH_BASE names another bench build (an older main) to measure
# side by side in the same run.
BENCH_BASE ?=
bench-table: bench-build
	python3 bench/speed_table.py $(BUILD)-bench $(BENCH_BASE)

clean:
	rm -rf $(BUILD) $(BUILD)-bench build-asan build-tsan build-stress build-fuzz
