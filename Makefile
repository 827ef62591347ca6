# Tessavo: the commands a user types.
#   make run        installs what is missing, builds the window and the batch tool, starts the window
#   make test       installs what is missing, builds everything, runs every test (and a sanitizer run)
#   make bench      builds and runs the benchmarks
#   make deps       installs the Debian packages the project needs
#   make install    installs the programs, lang.ini, the desktop entry and the Python module
#   make uninstall  removes what the last make install of this build installed

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all run test bench deps build asan clean install uninstall

all: build

deps:
	@scripts/deps.sh

$(BUILD)/Makefile:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: $(BUILD)/Makefile
	cmake --build $(BUILD) -j $(JOBS)

# Only what the window needs, and the batch tool beside it: no tests, no benchmarks.
run: deps $(BUILD)/Makefile
	cmake --build $(BUILD) -j $(JOBS) --target tessavo tessavo-batch
	@scripts/run-window.sh $(BUILD)/tessavo

test: deps build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) asan

asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTESSAVO_SANITIZE=ON -DTESSAVO_UNIT_TESTS_ONLY=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target tessavo_tests
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

bench: deps build
	$(BUILD)/tessavo-bench --benchmark_counters_tabular=true
	QT_QPA_PLATFORM=offscreen $(BUILD)/tessavo-window-bench --benchmark_counters_tabular=true

install: build
	cmake --install $(BUILD)

uninstall: $(BUILD)/Makefile
	cmake --build $(BUILD) --target uninstall

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
