# The two commands of the README: `make run` plays the demo game, `make test` runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: deps build run test bench clean docs install package

deps:
	bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/utsushi demo

test: build
	cd $(BUILD) && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure --no-tests=error -j $(JOBS)

# docs/commands.md from the engine's command tables and docs/command_notes.txt.
docs: build
	cmake --build $(BUILD) --target docs

# The programs, manual pages, .desktop file and icon below PREFIX (DESTDIR is honoured).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package (build/utsushi_VERSION_ARCH.deb) that installs below /usr.
package: build
	cd $(BUILD) && cpack -G DEB

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DUTSUSHI_BENCH=ON -DUTSUSHI_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)
	bash bench/run.sh $(BUILD)-bench

clean:
	rm -rf $(BUILD) $(BUILD)-bench
