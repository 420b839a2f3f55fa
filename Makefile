# The two commands of the README, plus benchmarks.
#   make run   installs what is missing, builds optimised, starts Lunebox
#   make test  installs what is missing, builds with sanitizers, runs every test
#   make bench builds optimised with the benchmarks and runs them

JOBS ?= $(shell nproc)
RUN_DIR := build/release
TEST_DIR := build/test
BENCH_DIR := build/bench
CMAKE_COMMON := -G Ninja -Wno-dev

.PHONY: run test bench deps build-run build-test clean

deps:
	@sh scripts/install-deps.sh

build-run: deps
	cmake -S . -B $(RUN_DIR) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DLUNEBOX_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)

run: build-run
	$(RUN_DIR)/bin/lunebox

build-test: deps
	cmake -S . -B $(TEST_DIR) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DLUNEBOX_SANITIZE=ON \
		-DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build $(TEST_DIR) -j $(JOBS)

test: build-test
	ctest --test-dir $(TEST_DIR) --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_DIR) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DLUNEBOX_TESTS=OFF -DLUNEBOX_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	sh bench/run.sh $(BENCH_DIR)

clean:
	rm -rf build
