# Everything from a fresh Debian machine: `make demo` runs the simulated instrument's demo,
# `make test` runs the whole test suite (AddressSanitizer + UndefinedBehaviorSanitizer build,
# then the threaded tests again under ThreadSanitizer).

PACKAGES := cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libcjson-dev unzip libpng-dev libjpeg-dev libfreetype-dev libhpdf-dev libcurl4-openssl-dev \
            libcpp-httplib-dev \
            fonts-dejavu-core fonts-dejavu-extra fonts-wqy-microhei poppler-utils libsdl2-dev webp \
            clang-format clang-tidy
# The fuzz targets' compiler and libFuzzer runtime (only `make fuzz` needs them).
FUZZ_PACKAGES := clang libclang-rt-14-dev
# The board build: Debian's armhf cross compiler and libraries, and qemu-arm to run its tests.
ARM_PACKAGES := crossbuild-essential-armhf qemu-user libcurl4-openssl-dev:armhf libjpeg-dev:armhf \
                libpng-dev:armhf libfreetype-dev:armhf libhpdf-dev:armhf libcjson-dev:armhf \
                libgtest-dev:armhf libgmock-dev:armhf libcpp-httplib-dev:armhf file
ARM_JOBS ?= 2
DEMO_ROOT := out/demo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps arm-deps arm demo run demo-video pairs arccal-sweep test test-asan test-tsan preempt-sweep lint renew-references build bench figures fuzz format clean

all: build

# Install what is missing (as root through apt-get; otherwise say what to install).
deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null || exit 1; \
	  else \
	    echo "Missing packages:$$missing"; echo "Run: sudo apt-get install$$missing"; exit 1; \
	  fi; \
	fi

# The armhf architecture and the packages of the board build (as root through apt-get).
arm-deps:
	@dpkg --print-foreign-architectures | grep -qx armhf || { \
	  [ "$$(id -u)" = 0 ] || { echo "Run: sudo dpkg --add-architecture armhf"; exit 1; }; \
	  dpkg --add-architecture armhf && apt-get update -qq; }
	@missing=""; for p in $(ARM_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null || exit 1; \
	  else \
	    echo "Missing packages:$$missing"; echo "Run: sudo apt-get install$$missing"; exit 1; \
	  fi; \
	fi

# The board's program and the unit tests cross-built into build/arm; the generators run from the
# host build (build/release/tools), the tests under qemu-arm (label no_qemu: see README).
arm: deps arm-deps
	cmake --preset release >/dev/null
	nice -n 15 cmake --build --preset release -j $(ARM_JOBS) --target host_tools
	cmake --preset arm >/dev/null
	nice -n 15 cmake --build --preset arm -j $(ARM_JOBS)
	file build/arm/splicer | grep -q 'ARM' && file build/arm/splicer
	nice -n 15 ctest --preset arm -j $(ARM_JOBS)

build: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

demo: build
	rm -rf $(DEMO_ROOT)
	build/release/splicer-sim --root $(DEMO_ROOT) --scenario scenarios/demo.json --assets build/release/asset_root
	@echo "Screens: $(DEMO_ROOT)/sim/screens/   Flash: $(DEMO_ROOT)/mnt/   EEPROM: $(DEMO_ROOT)/sim/eeprom.bin"
	@echo "Splice log: $$(ls $(DEMO_ROOT)/usb/*/*.txt 2>/dev/null | tr '\n' ' ')"

# The instrument in a window, operated by hand (keys and mouse: see the line it prints); the flash
# and stick stay in ~/.local/state/splicer-sim between sessions.
run: deps
	cmake --preset release -DSPLICER_WINDOW=ON >/dev/null
	cmake --build --preset release -j $(JOBS) --target splicer-sim assets
	build/release/splicer-sim

# The demo's second splice as a moving picture: every page the panel shows from its Run to the end of
# the heater's cycle (the sleeve shrunk during the result), held for its virtual time (capped), at
# half size, as an animated WebP. The window comes from the run's event log.
demo-video: build
	rm -rf out/demo-video
	mkdir -p out/demo-video
	build/release/splicer-sim --root out/demo-video --scenario scenarios/demo.json --frames out/demo-video/frames >out/demo-video/run.log
	eval "$$(tools/splice_window.sh out/demo-video/run.log)" && FROM_MS=$$FROM_MS TO_MS=$$TO_MS \
	  tools/frames_to_webp.sh out/demo-video/frames docs/demo.webp
	@ls -l docs/demo.webp

# N seeded random fibre pairs spliced one after the other, against the simulator's truth: the
# table and its summary on standard output; the run in out/pairs/ (its scenario, log, records,
# truth and screenshots).
SEED ?= 1
N ?= 20
pairs: build
	build/release/tools/pairs --seed $(SEED) --count $(N) --root out/pairs

# The arc calibration over its whole table of air and start values (the test suite runs a subset).
arccal-sweep: deps
	cmake --preset debug >/dev/null
	cmake --build --preset debug -j $(JOBS) --target test_integration
	ARCCAL_SWEEP=1 build/debug/tests/integration/test_integration --gtest_filter='ArcCalibrationRun.*'

test: test-asan test-tsan

test-asan: deps
	cmake --preset debug >/dev/null
	cmake --build --preset debug -j $(JOBS)
	ctest --preset debug -j $(JOBS)

# The threaded tests under ThreadSanitizer, then the clock's seeded pre-emption (seeds 1-3) over
# the lock tests; `make preempt-sweep` runs every threaded test and scenarios with more seeds.
test-tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)
	PREEMPT_TESTS='platform_threads|sim_threads|params_threads' PREEMPT_SCENARIOS= JOBS=$(JOBS) \
	  PREEMPT_NAMES='Scheduler[.]|SimSync[.]|StoreTest[.](Concurrent|StopRequest|ReaderWaiting)' \
	  sh tests/preempt_sweep.sh 1 3

# The threaded tests and a few whole-program scenarios under ThreadSanitizer with the clock's
# seeded pre-emption, seeds 1..SEEDS (tests/preempt_sweep.sh; a failing seed reruns alone with
# SPLICER_PREEMPT_SEED=N). PREEMPT_TESTS narrows the ctest labels, PREEMPT_SCENARIOS the runs.
SEEDS ?= 20
preempt-sweep: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS)
	JOBS=$(JOBS) sh tests/preempt_sweep.sh 1 $(SEEDS)

# clang-format over the tree (but the files in .ci/format-exempt.txt) and clang-tidy (.clang-tidy,
# warnings as errors) over the lock and store folders and the files changed since main.
lint: deps
	sh .ci/format_check.sh
	cmake --preset debug >/dev/null
	JOBS=$(JOBS) sh .ci/tidy_check.sh build/debug

# Rewrites the screens' reference pictures (tests/references/*.png) from what the panel shows now:
# only on purpose, after a change that is meant to alter a screen; review the pictures before committing.
renew-references: deps
	cmake --preset debug >/dev/null
	cmake --build --preset debug -j $(JOBS)
	SPLICER_RENEW_REFERENCES=1 ctest --preset debug -R Screens

bench: build
	build/release/bench/splicer_bench

# The alignment's figures table: PAIRS seeded random pairs of every fibre kind in each screen
# orientation, from Run through the gap, the core and the cladding alignment (long: minutes a pair).
PAIRS ?= 10
figures: deps
	cmake --preset debug >/dev/null
	cmake --build --preset debug -j $(JOBS) --target test_splice
	SPLICER_FIGURES_PAIRS=$(PAIRS) build/debug/tests/test_splice --gtest_filter='Figures.*' | grep '^fig:'

# Every parser's libFuzzer target, FUZZ_S seconds each (FUZZ_S=600 for the long run), one after
# another from the corpus in tests/fuzz/corpus; findings are minimised into that corpus.
FUZZ_S ?= 60
FUZZ_NAMES := $(patsubst tests/fuzz/targets/%_fuzz.cpp,%,$(wildcard tests/fuzz/targets/*_fuzz.cpp))
fuzz:
	$(MAKE) deps PACKAGES="$(PACKAGES) $(FUZZ_PACKAGES)"
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS) $(addprefix --target ,$(addsuffix _fuzz,$(FUZZ_NAMES)))
	FUZZ_S=$(FUZZ_S) sh tests/fuzz/run_fuzz.sh $(FUZZ_NAMES)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build out
