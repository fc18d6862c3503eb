# Entry point. `make run` and `make test` each install what is missing, build, and then run.
BUILD  ?= build
HOST   := $(BUILD)/host
WIN    := $(BUILD)/win
FUZZ   := $(BUILD)/fuzz
RUNDIR := $(BUILD)/run
# Compilers at once in each build tree.
BUILD_JOBS ?= $(shell nproc)
# Tests at once in each test runner: pytest-xdist workers and CTest programs. JOBS=1 runs the runners
# one after another and each one test at a time, for debugging. The default is measured, not guessed:
# the tests mostly wait (for Wine, a window, a frame), and on two cores four at a time was fastest (README).
JOBS ?= 4
PYTHON := /usr/bin/python3
WINENV := tools/wine-env.sh
export ROBINA_BUILD := $(abspath $(BUILD))
FUZZ_SECONDS ?= 60
# FUZZ_RUNS=N runs each fuzzer for N executions instead of FUZZ_SECONDS.
FUZZ_RUNS ?=
FUZZ_LIMIT = $(if $(FUZZ_RUNS),-runs=$(FUZZ_RUNS),-max_total_time=$(FUZZ_SECONDS))
# A person hears the program through the machine's sound card; without one, DirectSound still needs a
# device, so the samples go to a sink that keeps nothing.
RUN_AUDIO ?= $(if $(wildcard /dev/snd),system,/dev/null)
# A build that has nothing to do prints nothing: no directory lines from the make that CMake runs, no
# progress lines (compiler warnings and errors still show).
MAKEFLAGS += --no-print-directory
SHELL := /bin/bash
CMAKE_QUIET := -Wno-dev --log-level=WARNING -DCMAKE_RULE_MESSAGES=OFF -DCMAKE_TARGET_MESSAGES=OFF
# The tour keeps a Wine prefix of its own, so that its visit never touches the player's records.
TOUR := env -u DISPLAY ROBINA_PREFIX=$(abspath $(BUILD))/tour-prefix $(WINENV) --exec $(PYTHON) tools/tour.py \
        --folder $(RUNDIR)

.PHONY: all deps host-tree rvpx host win stage run tour shots dist test test-native test-win test-e2e test-ranking \
        test-dist test-alone test-win-shared test-e2e-shared test-win-alone test-e2e-alone test-repeat fuzz bench \
        soak clean

all: win

deps:
	@bash tools/install-deps.sh

# The two trees build side by side under `make -j` (make test): the Windows tree needs only the host's
# packing tool, for the art and the game files.
host-tree: deps
	@echo "make: building in $(BUILD)/ (BUILD_JOBS=$(BUILD_JOBS))"
	@cmake -S . -B $(HOST) $(CMAKE_QUIET) -DCMAKE_BUILD_TYPE=Release >/dev/null

rvpx: host-tree
	@cmake --build $(HOST) -j $(BUILD_JOBS) --target rvpx

host: rvpx
	@cmake --build $(HOST) -j $(BUILD_JOBS)

win: rvpx
	@cmake -S . -B $(WIN) $(CMAKE_QUIET) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DRVPX=$(abspath $(HOST))/rvpx >/dev/null
	@cmake --build $(WIN) -j $(BUILD_JOBS)

# The program runs from a folder of its own so that its log and game files stay out of the tree.
stage: win
	@mkdir -p $(RUNDIR)
	@cp $(WIN)/Robina.exe $(RUNDIR)/
	@touch $(RUNDIR)/debughqx.bin
	@-cp $(WIN)/games/*.[vV][yY][gG] $(RUNDIR)/ 2>/dev/null || true

# With a display the program opens its window there; without one a scripted visit drives it on a
# virtual display and records it (see tools/tour.py). Wine's ALSA driver opens the MIDI sequencer when
# it loads; where there is no /dev/snd/seq (no sound card, a container) alsa-lib prints a line about it
# that says nothing about the program, so it is left out. (Not in wine-env.sh: a filter there holds
# the test runner's output open as long as Wine's own processes live.)
# The same line is left out of the test and bench output; the runner's own exit status stands.
NO_SEQ_LINE := 2>&1 | { grep --line-buffered -v '/dev/snd/seq' || true; }

run: stage
	@if [ -n "$$DISPLAY" ]; then \
	  echo "Robina.exe is starting on $$DISPLAY; its log is $(RUNDIR)/debug.log. Esc in the menu (or Ctrl+C here) stops it."; \
	  cd $(RUNDIR) && { ROBINA_AUDIO_FILE=$(RUN_AUDIO) $(CURDIR)/$(WINENV) Robina.exe $(ARGS) 2>&1 1>&3 | \
	    grep -v '/dev/snd/seq' >&2; } 3>&1; \
	else \
	  echo "No display here: Robina.exe runs on a virtual display, driven by a scripted tour."; \
	  $(TOUR); \
	fi

tour: stage
	@$(TOUR)

# The README's pictures: the tour's contact sheet and a few of its stops, into docs/.
shots: stage
	@$(TOUR) --readme docs

# The release files, into dist/ (tools/dist/dist.py): the installer, the portable zip, the SDK zip
# and the Debian package. `make dist SIGN_CERT=cert.pem SIGN_KEY=key.pem` signs the Windows programs.
dist: win
	@SIGN_CERT="$(SIGN_CERT)" SIGN_KEY="$(SIGN_KEY)" $(PYTHON) tools/dist/dist.py --build $(BUILD) --out dist

# The runners run side by side: the ranking page's from the start (it needs no build), the others once
# the trees are built. make prints each runner's output whole when that runner ends (-O), then its time.
# The tests that must have the machine to themselves (soaks that bound memory) run afterwards, alone.
# Every runner runs even when another one failed, so one run shows every failure.
RUNNERS := $(if $(filter 1,$(JOBS)),1,8)
test: deps
	@status=0; \
	$(MAKE) -k -O -j$(RUNNERS) test-native test-win-shared test-e2e-shared test-ranking test-dist || status=1; \
	$(MAKE) -k test-alone || status=1; \
	exit $$status

# A runner's time, after its own summary line; its exit status stands.
TIMED = TIMEFORMAT="$@: %0R s"; time

test-native: host
	@$(TIMED) { cd $(HOST) && ctest --output-on-failure -j $(JOBS); }

# CTest programs run on one virtual display and one Wine prefix; those that need the registry or the
# temporary folder to themselves have a prefix of their own (cmake/windows.cmake).
# A machine that runs no 32-bit program cannot start Wine: the runner says so and runs nothing.
CTEST_WIN = set -o pipefail; if ! $(WINENV) --can-run; then echo "$@: not run"; else \
	$(WINENV) --exec sh -c 'cd $(WIN) && ctest --output-on-failure $(1)' $(NO_SEQ_LINE); fi
test-win: test-win-shared test-win-alone
test-win-shared: win
	@$(TIMED) { $(call CTEST_WIN,-j $(JOBS) -LE alone); }
test-win-alone: win
	@$(TIMED) { $(call CTEST_WIN,-L alone); }

# Each pytest-xdist worker has a desktop of its own (tests/e2e/desktop.py); tests of one xdist_group
# run on one worker, in their order. JOBS=1 runs without workers.
PYTEST = $(PYTHON) -m pytest -q -p no:cacheprovider
WORKERS = $(if $(filter 1,$(JOBS)),-p no:xdist,-n $(JOBS) --dist loadgroup)
test-e2e: test-e2e-shared test-e2e-alone
test-e2e-shared: win
	@$(TIMED) $(PYTEST) $(WORKERS) -m "not alone" tests/e2e
test-e2e-alone: win
	@$(TIMED) $(PYTEST) -p no:xdist -m alone tests/e2e

test-alone: test-win-alone test-e2e-alone

# The ranking page alone, on SQLite and on a PostgreSQL server the tests start: no Wine, no build.
test-ranking: deps
	@$(TIMED) $(PYTEST) $(WORKERS) tests/ranking

# The whole suite N times in a clean clone with the machine kept busy; failures counted per test.
N ?= 5
test-repeat:
	@bash tools/test-repeat.sh $(N)

# The release files as a player, an administrator and an author meet them (each in a Wine prefix
# or a home folder of its own).
test-dist: dist
	@$(TIMED) $(PYTEST) $(WORKERS) tests/dist

fuzz: deps
	@cmake -S . -B $(FUZZ) -DROBINA_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ) -j $(BUILD_JOBS)
	@for f in $(FUZZ)/fuzz_*; do \
	  [ -f "$$f" ] && [ -x "$$f" ] || continue; \
	  name=$$(basename $$f); mkdir -p $(FUZZ)/corpus/$$name; \
	  echo "== $$name, $(FUZZ_LIMIT)"; \
	  if ! "$$f" $(FUZZ_LIMIT) -print_final_stats=1 $(FUZZ)/corpus/$$name \
	       >$(FUZZ)/$$name.log 2>&1; then \
	    tail -40 $(FUZZ)/$$name.log; echo "$$name: FAILED"; exit 1; \
	  fi; \
	  grep -E 'stat::number_of_executed_units|stat::peak_rss' $(FUZZ)/$$name.log; \
	done

# The present's bench needs a screen that holds a 3x window and a 4K full screen: a display and a
# prefix of its own.
bench: win
	@$(WINENV) --exec sh -c 'cd $(WIN) && for b in bench/bench_*.exe; do [ "$$b" != bench/bench_present.exe ] && \
	  [ -f "$$b" ] && $(CURDIR)/$(WINENV) "$$b"; done; true' $(NO_SEQ_LINE)
	@cd $(WIN) && env -u DISPLAY ROBINA_SCREEN_SIZE=3840x2160 ROBINA_PREFIX=$(abspath $(BUILD))/bench-prefix \
	  $(CURDIR)/$(WINENV) bench/bench_present.exe $(NO_SEQ_LINE)
	@$(PYTHON) tests/ranking/bench_ranking.py

# The long soak and kill runs (minutes each); `make test` runs short versions of the same tests.
soak: win
	@$(WINENV) --exec sh -c 'cd $(WIN)/tests/test_soak.run && time $(CURDIR)/$(WINENV) ../soak/test_soak.exe --long --gtest_color=no'
	@ROBINA_SOAK=long $(WINENV) --exec sh -c 'time $(PYTHON) -m pytest -q -s -p no:cacheprovider tests/e2e/test_soak.py'

clean:
	rm -rf $(BUILD)
