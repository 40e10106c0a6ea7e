# make run        installs what is missing, builds and starts the program
# make test       the same set-up, then every check CI runs: unit-test,
#                 sanitize and lint below
# make unit-test  every test of the normal build through CTest
# make sanitize   the tests without QtWebEngine built with AddressSanitizer and
#                 UndefinedBehaviorSanitizer (clang), plus every fuzz target
#                 replaying its seed corpus and regressions (no random search)
# make fuzz       open-ended fuzzing: each fuzz target in turn for FUZZ_SECONDS
#                 (600 unless told: make fuzz FUZZ_SECONDS=60); not part of test
# make lint       the layer order, clang-format (.clang-format), clang-tidy
#                 (.clang-tidy) and cppcheck over our code; clang-tidy on some
#                 sources only: make lint LINT_ONLY=panes/
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 600

# QtWebEngine refuses its sandbox when run as root.
ROOT_ENV := $(if $(filter 0,$(shell id -u)),QTWEBENGINE_DISABLE_SANDBOX=1,)

.PHONY: all setup configure build run test unit-test sanitize-configure sanitize fuzz lint bench clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then \
	  cmake --preset default -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE); fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(ROOT_ENV) $(BUILD)/bin/vandrel

test: unit-test sanitize lint

# The tests need an X display for QtWebEngine: Xvfb when none is there.
unit-test: build
	@if [ -n "$$DISPLAY" ]; then \
	  cd $(BUILD) && $(ROOT_ENV) ctest --output-on-failure -j $(JOBS); \
	else \
	  cd $(BUILD) && $(ROOT_ENV) xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j $(JOBS); \
	fi

# The builds are the presets of CMakePresets.json: default here, sanitize
# (clang, -O1 Debug, the fuzz targets) below.
sanitize-configure: setup
	@if [ ! -f $(SANITIZE_BUILD)/CMakeCache.txt ]; then \
	  cmake --preset sanitize -B $(SANITIZE_BUILD); fi

sanitize: sanitize-configure
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target sanitized
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS) -L '^(sanitize|fuzz)$$'

# Every target runs, one after another; a finding in one fails the whole but
# lets the others run. Findings stay in $(SANITIZE_BUILD)/fuzz/work/<target>/.
fuzz: sanitize-configure
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target sanitized
	@failed=; for script in $(SANITIZE_BUILD)/fuzz/open-ended/*.sh; do \
	  target=$$(basename $$script .sh); echo "fuzz: $$target for $(FUZZ_SECONDS) s"; \
	  $$script $(FUZZ_SECONDS) || failed="$$failed $$target"; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz: findings in$$failed" >&2; exit 1; fi; \
	echo "fuzz: no findings"

lint: build
	scripts/lint.sh $(BUILD)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x $$b ] && $$b; done

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
