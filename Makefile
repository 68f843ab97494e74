# The two commands of the README: `make run` and `make test`. Both install what is
# missing and build first. The rest serves developers.
BUILD_DIR ?= build
CLANG_DIR ?= build-clang
ASAN_DIR ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test build clang-build asan tsan deps-build deps-test

run: deps-build build
	./$(BUILD_DIR)/pelvaxon

# The suite runs on the g++ build; the clang build beside it only has to compile, warning-free.
test: deps-test
	$(MAKE) --no-print-directory -j 2 build clang-build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

build:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Every target (program, tests, benchmarks, fuzz targets) with clang, any warning an error.
# Unoptimised: this tree is built for the compiler's verdict, never run.
clang-build:
	CC=clang CXX=clang++ cmake -S . -B $(CLANG_DIR) -G Ninja -DCMAKE_BUILD_TYPE=None \
	  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON $(CMAKE_FLAGS)
	cmake --build $(CLANG_DIR) -j $(JOBS)

# The whole suite under AddressSanitizer and UBSan.
asan: deps-test
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELVAXON_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# The GIF painter tests, whose painters run threads, under ThreadSanitizer in build-tsan/
# (the other GIF tests bound their time, which the sanitizer's slowdown breaks; the
# cross-checks with outside tools fork, which it does not follow).
TSAN_DIR ?= build-tsan
tsan: deps-test
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELVAXON_TSAN=ON
	cmake --build $(TSAN_DIR) -j $(JOBS) --target \
	  $$(cd $(TSAN_DIR) && ninja -t targets all | sed -n 's/^\(test_gif_GIFPainter[A-Za-z0-9_]*\): phony$$/\1/p')
	cd $(TSAN_DIR) && TSAN_OPTIONS=halt_on_error=1 GTEST_FILTER='-*Producers*' \
	  ctest --output-on-failure -j $(JOBS) -R '^test_gif_GIFPainter'

deps-build:
	scripts/install-deps build

deps-test:
	scripts/install-deps test

# Every fuzz target for FUZZ_SECONDS each (clang's libFuzzer; not part of `make test`),
# FUZZ_JOBS of them at once (default JOBS: one per core).
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= $(JOBS)
.PHONY: fuzz
fuzz: deps-test
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELVAXON_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	FUZZ_JOBS=$(FUZZ_JOBS) scripts/run-fuzzers $(FUZZ_DIR)/fuzz $(FUZZ_SECONDS)
