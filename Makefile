# Convenience wrapper around CMake. `make run` and `make test` install what is
# missing first, so both work on a fresh machine.

BUILD      ?= build
SAN_BUILD  ?= build-san
BENCH_BUILD?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 300
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS?=
PREFIX     ?= /usr/local

.PHONY: all deps build run test test-plain test-san bench install package clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@./scripts/make-demo.sh $(BUILD)/demo.bin
	@$(BUILD)/vexa $(BUILD)/demo.bin

test: deps test-plain test-san test-fuzz

test-plain: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-san: deps
	@cmake -S . -B $(SAN_BUILD) -DVEXA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	@cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (clang): `make fuzz` runs each for FUZZ_SECONDS,
# `make test` for 20 seconds each.
fuzz-build: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DVEXA_FUZZ=ON -DVEXA_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target config_fuzz options_fuzz number_fuzz

fuzz: fuzz-build
	@./scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

test-fuzz: fuzz-build
	@./scripts/run-fuzz.sh $(FUZZ_BUILD) 20

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVEXA_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS) --target benchmarks
	@./bench/run.sh $(BENCH_BUILD)

# Installs under PREFIX; DESTDIR, when set, is put in front of every path
# (cmake --install reads it from the environment).
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package (.deb) in $(BUILD), with its files under /usr.
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
