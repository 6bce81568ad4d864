# Top-level commands. `make run` and `make test` do all set-up on a fresh Debian 12 machine.
BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 60
SAMPLE      ?= $(firstword $(sort $(wildcard samples/*.txt)))
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-sanitize fuzz bench sheet gallery clean

all: build

deps:
	@bash tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: deps build
	$(BUILD)/tarnwell-reader $(SAMPLE)

test: deps build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The data layer's tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DTARNWELL_SANITIZE=ON -DTARNWELL_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j$(JOBS) --target data_tests
	cd $(BUILD_ASAN) && ctest --output-on-failure -j$(JOBS) -L data

# The loader's fuzz target (libFuzzer, clang), seeded with the bundled samples.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWELL_FUZZ=ON -DTARNWELL_TESTS=OFF -DTARNWELL_BENCH=OFF
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target fuzz_loader
	mkdir -p $(BUILD_FUZZ)/corpus && cp samples/*.txt $(BUILD_FUZZ)/corpus/
	$(BUILD_FUZZ)/fuzz_loader -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -rss_limit_mb=4096 $(BUILD_FUZZ)/corpus

bench: deps build
	bash bench/run.sh $(BUILD)

sheet: deps build
	mkdir -p out && $(BUILD)/qv-sheet out/sheet.png && echo "wrote out/sheet.png"

gallery: deps build
	mkdir -p out && $(BUILD)/qv-gallery out/gallery.png && echo "wrote out/gallery.png"

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) out
