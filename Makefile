# Entry point. `make run` and `make test` each install what is missing, build, and then run.
BUILD  ?= build
HOST   := $(BUILD)/host
WIN    := $(BUILD)/win
FUZZ   := $(BUILD)/fuzz
JOBS   ?= $(shell nproc)
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

.PHONY: all deps host win run test test-native test-win test-e2e fuzz bench shots soak clean

all: win

deps:
	@bash tools/install-deps.sh

host: deps
	@cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(HOST) -j $(JOBS)

win: host
	@cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DRVPX=$(abspath $(HOST))/rvpx >/dev/null
	@cmake --build $(WIN) -j $(JOBS)

# The program runs from a folder of its own so that its log and game files stay out of the tree.
run: win
	@mkdir -p $(BUILD)/run
	@cp $(WIN)/Robina.exe $(BUILD)/run/
	@touch $(BUILD)/run/debughqx.bin
	@-cp $(WIN)/games/*.[vV][yY][gG] $(BUILD)/run/ 2>/dev/null || true
	@cd $(BUILD)/run && ROBINA_AUDIO_FILE=$(RUN_AUDIO) $(CURDIR)/$(WINENV) Robina.exe $(ARGS)

test: win
	@$(MAKE) --no-print-directory test-native test-win test-e2e

test-native:
	@cd $(HOST) && ctest --output-on-failure -j $(JOBS)

test-win:
	@$(WINENV) --exec sh -c 'cd $(WIN) && ctest --output-on-failure -j $(JOBS)'

test-e2e:
	@$(WINENV) --exec $(PYTHON) -m pytest -q -p no:cacheprovider tests/e2e

fuzz: deps
	@cmake -S . -B $(FUZZ) -DROBINA_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ) -j $(JOBS)
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

bench: win
	@$(WINENV) --exec sh -c 'cd $(WIN) && for b in bench/bench_*.exe; do [ -f "$$b" ] && $(CURDIR)/$(WINENV) "$$b"; done; true'

# README pictures, taken from the real program on a visit (tools/tour.py); commit docs/*.png after.
shots: win
	@$(WINENV) --exec $(PYTHON) tools/tour.py --out docs

# The long soak and kill runs (minutes each); `make test` runs short versions of the same tests.
soak: win
	@$(WINENV) --exec sh -c 'cd $(WIN)/tests/test_soak.run && time $(CURDIR)/$(WINENV) ../soak/test_soak.exe --long --gtest_color=no'
	@ROBINA_SOAK=long $(WINENV) --exec sh -c 'time $(PYTHON) -m pytest -q -s -p no:cacheprovider tests/e2e/test_soak.py'

clean:
	rm -rf $(BUILD)
