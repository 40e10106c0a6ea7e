# make run   installs what is missing, builds and starts the program
# make test  the same set-up, then every test through CTest
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

# QtWebEngine refuses its sandbox when run as root.
ROOT_ENV := $(if $(filter 0,$(shell id -u)),QTWEBENGINE_DISABLE_SANDBOX=1,)

.PHONY: all setup configure build run test bench clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE); fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(ROOT_ENV) $(BUILD)/bin/vandrel

# The tests need an X display for QtWebEngine: Xvfb when none is there.
test: build
	@if [ -n "$$DISPLAY" ]; then \
	  cd $(BUILD) && $(ROOT_ENV) ctest --output-on-failure -j $(JOBS); \
	else \
	  cd $(BUILD) && $(ROOT_ENV) xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j $(JOBS); \
	fi

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x $$b ] && $$b; done

clean:
	rm -rf $(BUILD)
