# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
KIV_HOME ?= $(HOME)/KivReader
JOBS ?= $(shell nproc)

.PHONY: run test test-asan build setup install demo fuzz bench bench-follow clean

run: install
	cd "$(KIV_HOME)" && exec ./kivreader

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIV_SANITIZE=ON -DKIV_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

setup:
	@bash scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)

# The launcher entry of the desktop's application menu, pointing at the installed program.
APPLICATIONS ?= $(or $(XDG_DATA_HOME),$(HOME)/.local/share)/applications

install: build
	cmake --install $(BUILD) --prefix "$(KIV_HOME)"
	mkdir -p "$(APPLICATIONS)"
	sed 's|@HOME@|$(abspath $(KIV_HOME))|g' share/kivreader.desktop.in > "$(APPLICATIONS)/kivreader.desktop"

# libFuzzer builds of the fuzz targets (clang), each run for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= fuzz_calc fuzz_logtext fuzz_infocommand fuzz_alarms fuzz_reader fuzz_splitcsv fuzz_itemimports fuzz_userfiles fuzz_rosterimports fuzz_commands
fuzz: setup
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_FUZZ=ON -DKIV_SANITIZE=ON -DKIV_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	for f in $(FUZZ_TARGETS); do \
	  ./$(FUZZ_BUILD)/fuzz/$$f -max_total_time=$(FUZZ_SECONDS) -max_len=4096 || exit 1; done

bench: build
	./$(BUILD)/bench_intake
	./$(BUILD)/bench_follow
	./$(BUILD)/bench_roster
	./$(BUILD)/bench_items
	./$(BUILD)/bench_imports
	./$(BUILD)/bench_makeup

# CPU per 1,000 followed records with the main window shown and hidden, and the follow
# latency against tail -f.
bench-follow: build
	./$(BUILD)/bench_follow

demo: build
	bash scripts/demo.sh "$(BUILD)"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
