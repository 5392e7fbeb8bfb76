# Convenience wrapper around CMake. Build chatter goes to standard error, so
# `make run > report.txt` holds the report alone.
BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
MAKEFLAGS += --no-print-directory

.PHONY: build run test plot plot-sweeps clean

build:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >&2
	@cmake --build $(BUILD) --parallel $(JOBS) >&2

run: build
	@$(BUILD)/tether-study

test: build
	@cd $(BUILD) && ctest --output-on-failure --parallel $(JOBS)

plot: build
	@cmake --build $(BUILD) --target plot >&2

plot-sweeps: build
	@cmake --build $(BUILD) --target plot-sweeps >&2

clean:
	rm -rf $(BUILD)
