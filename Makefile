# The two commands of the README: `make run` and `make test`. Each does the whole set-up first.
BUILD_DIR ?= build/release
ASAN_DIR ?= build/asan
TSAN_DIR ?= build/tsan
# The tests run under ThreadSanitizer: those of generation runs, the program's only second thread. The
# compile-step tests start processes, after which the sanitizer loses track of the threads' ordering and
# reports races that are none; they run in the ordinary and AddressSanitizer runs.
TSAN_TESTS ?= Generation*:-GenerationCompileStep*
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-asan test-tsan soak fuzz bench check-layering format check-format clean

all: build

deps:
	./scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/src/quorvane $(ARGS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Only the model's tests are built. Qt itself is not instrumented: the hand-overs inside Qt's own objects
# that the sanitizer cannot see are listed in scripts/tsan.supp.
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_TSAN=ON -DQV_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN_DIR) -j $(JOBS) --target tst_model
	QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
		$(TSAN_DIR)/tests/tst_model --gtest_filter='$(TSAN_TESTS)'

# The libFuzzer targets, built with clang in build/fuzz, each run for FUZZ_SECONDS on its corpus.
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) ./scripts/run-fuzzers.sh

# The random edit sequences of the tests, 10,000 of them instead of a few hundred, and the random input
# on the window, MONKEY_SEQUENCES sequences of MONKEY_STEPS steps on each document instead of one short one.
MONKEY_SEQUENCES ?= 10
MONKEY_STEPS ?= 1000
soak: build
	QT_QPA_PLATFORM=offscreen QV_SOAK=1 $(BUILD_DIR)/tests/tst_schemes --gtest_filter='PlainTextRandomEdits.*'
	QT_QPA_PLATFORM=offscreen QV_MONKEY_SEQUENCES=$(MONKEY_SEQUENCES) QV_MONKEY_STEPS=$(MONKEY_STEPS) \
		$(BUILD_DIR)/tests/tst_app --gtest_filter='Documents/Monkey.*'

# The benchmarks need no display: Qt's offscreen platform unless another one is chosen.
bench: build
	@for b in $(BUILD_DIR)/bench/*_bench; do echo "== $$b"; \
		QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} $$b || exit 1; done

check-layering:
	./scripts/check-layering.sh

# Our sources; test data (golden files) are left as they are.
FORMAT_FILES = find src tests bench tools -path '*/data' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0

format:
	$(FORMAT_FILES) | xargs -0 clang-format -i

check-format:
	$(FORMAT_FILES) | xargs -0 clang-format --dry-run -Werror

clean:
	rm -rf build
