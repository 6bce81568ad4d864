# Top-level commands. `make run` and `make test` do all set-up on a fresh Debian 12 machine.
BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 60
FUZZ_SEED   ?= 1
SAMPLE      ?= $(firstword $(sort $(wildcard samples/*.txt)))
CMAKE_FLAGS ?=
PREFIX      ?= /usr/local

.PHONY: all deps configure build run test install package test-sanitize test-leaks fuzz bench sheet gallery clean

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

# The program, its desktop entry and its icon under $(PREFIX) (DESTDIR is honoured).
install: deps build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the program in $(BUILD) (tarnwell-reader_<version>_<arch>.deb).
package: deps build
	cd $(BUILD) && cpack -G DEB

# Every test program (data, chart, window, command line) again under AddressSanitizer and
# UndefinedBehaviorSanitizer; any report fails the test. The header check is left to `make test`:
# it only compiles. SANITIZE_TARGETS and SANITIZE_CTEST narrow it
# (the data tests alone: `SANITIZE_TARGETS=data_tests SANITIZE_CTEST="-L data"`).
SANITIZE_TARGETS ?= all_tests
SANITIZE_CTEST ?= -LE headers
test-sanitize: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DTARNWELL_SANITIZE=ON -DTARNWELL_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j$(JOBS) --target $(SANITIZE_TARGETS)
	cd $(BUILD_ASAN) && ctest --output-on-failure -j$(JOBS) $(SANITIZE_CTEST)

# LeakSanitizer on the window's close test: closing with several files loaded frees every file,
# step, vector and series. Only that test runs; the others leave leak checking off.
LEAK_TEST ?= WindowTest.ClosingFreesEveryFileStepVectorAndSeries
test-leaks: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DTARNWELL_SANITIZE=ON -DTARNWELL_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j$(JOBS) --target app_test_window
	QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts/truetype ASAN_OPTIONS=detect_leaks=1 \
	  $(BUILD_ASAN)/tests/app_test_window --gtest_filter='$(LEAK_TEST)'

# The fuzz targets (libFuzzer, clang), each for its share of FUZZ_SECONDS, with its seed corpus
# (tools/fuzz/corpus/<target>/, copied to the build dir so that the repository is not changed)
# and its dictionary (tools/fuzz/<target>.dict) where there are. A target whose source does not
# exist is skipped. Leak detection stays on for every target; tools/fuzz/lsan.supp only excuses
# what fontconfig and FreeType keep from Qt's font look-ups. Crashing inputs are written to
# $(BUILD_FUZZ)/artifacts/ and, gzipped in base64, to the output (a CI log is all there is of a CI
# run). The random seed is fixed (FUZZ_SEED; 0 picks one anew), Qt's hash seed is 0 and the
# number of inputs is fixed, so that runs of one commit take nearly the same path; not exactly:
# the targets' own state (threads, caches) differs a little from run to run.
FUZZ_TARGETS ?= fuzz_loader fuzz_convert fuzz_records fuzz_caption
# Inputs per target, about 20 s each on a 2-core machine; the time share caps a slower machine.
FUZZ_RUNS_fuzz_loader  ?= 50000
FUZZ_RUNS_fuzz_convert ?= 2000000
FUZZ_RUNS_fuzz_records ?= 6000
FUZZ_RUNS_fuzz_caption ?= 40000
FUZZ_PRESENT = $(foreach t,$(FUZZ_TARGETS),$(if $(wildcard tools/fuzz/$(t).cpp),$(t)))
FUZZ_PLAN = $(foreach t,$(FUZZ_PRESENT),$(t):$(or $(FUZZ_RUNS_$(t)),-1))
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWELL_FUZZ=ON -DTARNWELL_TESTS=OFF -DTARNWELL_BENCH=OFF
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target $(FUZZ_PRESENT)
	@n=$(words $(FUZZ_PRESENT)); share=$$(( $(FUZZ_SECONDS) / (n > 0 ? n : 1) )); [ $$share -ge 1 ] || share=1; \
	for plan in $(FUZZ_PLAN); do \
	  t=$${plan%%:*}; runs=$${plan##*:}; \
	  corpus=$(BUILD_FUZZ)/corpus/$$t; rm -rf $$corpus; mkdir -p $$corpus; \
	  if [ -d tools/fuzz/corpus/$$t ]; then cp -r tools/fuzz/corpus/$$t/. $$corpus/; fi; \
	  if [ $$t = fuzz_loader ]; then cp samples/*.txt $$corpus/; fi; \
	  dict=; if [ -f tools/fuzz/$$t.dict ]; then dict=-dict=tools/fuzz/$$t.dict; fi; \
	  echo "=== $$t: $$runs inputs, at most $$share s"; \
	  mkdir -p $(BUILD_FUZZ)/artifacts; touch $(BUILD_FUZZ)/artifacts/.start; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/fuzz/lsan.supp:print_suppressions=0 QT_HASH_SEED=0 \
	  $(BUILD_FUZZ)/$$t -seed=$(FUZZ_SEED) -runs=$$runs -max_total_time=$$share -max_len=65536 -rss_limit_mb=4096 \
	    -artifact_prefix=$(BUILD_FUZZ)/artifacts/$$t- $$dict $$corpus || { \
	    for a in $$(find $(BUILD_FUZZ)/artifacts -name "$$t-*" -newer $(BUILD_FUZZ)/artifacts/.start); do \
	      echo "=== $$a, gzip | base64 (decode with: base64 -d | gunzip):"; gzip -9c "$$a" | base64 -w0; echo; \
	    done; exit 1; }; \
	done

bench: deps build
	bash bench/run.sh $(BUILD)

sheet: deps build
	mkdir -p out && $(BUILD)/qv-sheet out/sheet.png && echo "wrote out/sheet.png"

gallery: deps build
	mkdir -p out && $(BUILD)/qv-gallery out/gallery.png && echo "wrote out/gallery.png"

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) out
