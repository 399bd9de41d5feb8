# The whole set-up on a fresh Debian 12 machine:
#   make run    build the client and the development server, start the server and a client logged in to it
#   make test   build and run the whole test suite
#   make fuzz   build the fuzz targets with clang and run each for FUZZ_SECONDS (docs/fuzzing.md)
# Options: SANITIZE=address,undefined   SERVER=host:port   BUILD=dir   USER_NICK=name
#          FUZZ_SECONDS=60   FUZZ_TARGETS="name ..."   FUZZ_BUILD=build-fuzz

BUILD    ?= build
SANITIZE ?=
SERVER   ?=
USER_NICK ?=
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=

ifneq ($(SANITIZE),)
BUILD := $(BUILD)-san
endif

CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVALE_SANITIZE="$(SANITIZE)"

.PHONY: all deps configure build run test bench fuzz fuzz-build format clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Only what it runs: the tests and benchmarks wait for `make test` and `make bench`.
run: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target norvale norvale-devserver
	@BUILD=$(BUILD) SERVER="$(SERVER)" USER_NICK="$(USER_NICK)" ./scripts/run-client.sh

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

bench: build
	@for b in $(BUILD)/bench/bench_*; do if [ -f "$$b" ] && [ -x "$$b" ]; then QT_QPA_PLATFORM=offscreen "$$b" || exit 1; fi; done

$(FUZZ_BUILD)/build.ninja:
	@./scripts/install-deps.sh --fuzz
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVALE_FUZZ=ON \
	    -DCMAKE_CXX_COMPILER=clang++

fuzz-build: $(FUZZ_BUILD)/build.ninja
	@./scripts/install-deps.sh --fuzz
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

fuzz: fuzz-build
	@FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_TARGETS="$(FUZZ_TARGETS)" ./scripts/run-fuzz.sh

format:
	@find src tests tools bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD)-san $(FUZZ_BUILD)
