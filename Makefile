# The two commands of the README, plus benchmarks.
#   make run   installs what is missing, builds optimised, starts Lunebox
#   make test  installs what is missing, builds with sanitizers, runs every test
#   make bench builds optimised with the benchmarks and runs them
#   make fuzz  installs clang when missing, builds the fuzz targets, fuzzes the
#              transcript parsers for FUZZ_SECONDS from the checked-in samples

JOBS ?= $(shell nproc)
RUN_DIR := build/release
TEST_DIR := build/test
BENCH_DIR := build/bench
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 300
CMAKE_COMMON := -G Ninja -Wno-dev

.PHONY: run test bench fuzz deps build-run build-test clean

deps:
	@sh scripts/install-deps.sh

build-run: deps
	cmake -S . -B $(RUN_DIR) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DLUNEBOX_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)

run: build-run
	$(RUN_DIR)/bin/lunebox

build-test: deps
	cmake -S . -B $(TEST_DIR) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DLUNEBOX_SANITIZE=ON \
		-DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
	cmake --build $(TEST_DIR) -j $(JOBS)

test: build-test
	ctest --test-dir $(TEST_DIR) --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_DIR) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DLUNEBOX_TESTS=OFF -DLUNEBOX_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	sh bench/run.sh $(BENCH_DIR)

fuzz: deps
	@n=$$(dpkg-query -W -f='$${Status}\n' clang-14 libclang-rt-14-dev 2>/dev/null | grep -c 'ok installed'); \
	if [ "$$n" != 2 ]; then [ "$$(id -u)" -eq 0 ] && s= || s=sudo; \
		$$s apt-get install -y -qq --no-install-recommends clang-14 libclang-rt-14-dev; fi
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DLUNEBOX_FUZZ=ON -DLUNEBOX_TESTS=OFF -DLUNEBOX_DESKTOP=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target transcript_fuzz
	mkdir -p $(FUZZ_DIR)/corpus
	$(FUZZ_DIR)/bin/transcript_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
		$(FUZZ_DIR)/corpus tests/data/transcripts

clean:
	rm -rf build
