# The whole set-up on a fresh Debian 12 machine:
#   make run    build, start the development server and a client logged in to it
#   make test   build and run the whole test suite
# Options: SANITIZE=address,undefined   SERVER=host:port   BUILD=dir   USER_NICK=name

BUILD    ?= build
SANITIZE ?=
SERVER   ?=
USER_NICK ?=
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)

ifneq ($(SANITIZE),)
BUILD := $(BUILD)-san
endif

CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVALE_SANITIZE="$(SANITIZE)"

.PHONY: all deps configure build run test bench format clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@BUILD=$(BUILD) SERVER="$(SERVER)" USER_NICK="$(USER_NICK)" ./scripts/run-client.sh

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

bench: build
	@for b in $(BUILD)/bench/bench_*; do if [ -f "$$b" ] && [ -x "$$b" ]; then QT_QPA_PLATFORM=offscreen "$$b" || exit 1; fi; done

format:
	@find src tests tools bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD)-san
