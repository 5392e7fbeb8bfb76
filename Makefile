# Convenience wrapper around CMake. Build chatter goes to standard error, so
# `make run > report.txt` holds the report alone.
BUILD ?= build
CMAKE_FLAGS ?=
CTEST_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
MAKEFLAGS += --no-print-directory

.PHONY: help build run test web web-test web-screenshot plot plot-sweeps clean

help:
	@echo "make run         build tether-study alone (Release) and print the report"
	@echo "make test        build everything with the tests on and run them; skips said last"
	@echo "make build       build both programs (and the Python module where it can)"
	@echo "make web         build the web page with Emscripten into $(WEB_BUILD)/web"
	@echo "make web-test    the page and the tools of its browser tests (ctest -L web)"
	@echo "make web-screenshot  the page's screenshot, docs/web.png, from the built page"
	@echo "make plot        draw the ascent plot with gnuplot into $(BUILD)/ascent.svg"
	@echo "make plot-sweeps draw the sweep plots with gnuplot into $(BUILD)/"
	@echo "make clean       remove $(BUILD) and $(WEB_BUILD)"
	@echo "Variables: BUILD=folder (default build), CMAKE_FLAGS=..., JOBS=N (default: every processor),"
	@echo "           CTEST_FLAGS=... for make test, e.g. \"-L 'unit|hostile'\" (labels in tests/CMakeLists.txt)"

build:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >&2
	@cmake --build $(BUILD) --parallel $(JOBS) >&2

# The report needs only the program: nothing else is built.
run:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >&2
	@cmake --build $(BUILD) --parallel $(JOBS) --target tether-study >&2
	@$(BUILD)/tether-study

# Always the current tests: the folder is configured with testing on (also
# when it was first configured without), everything is rebuilt, and a run
# that finds no tests fails. What the tests could not be built without is
# said last. CTEST_FLAGS picks tests, e.g. by label.
test:
	@cmake -S . -B $(BUILD) -DBUILD_TESTING=ON $(CMAKE_FLAGS) >&2
	@cmake --build $(BUILD) --parallel $(JOBS) >&2
	@cd $(BUILD) && ctest --output-on-failure --no-tests=error --parallel $(JOBS) $(CTEST_FLAGS); \
	status=$$?; \
	$(CURDIR)/tests/skip_summary.sh .; \
	if [ -s missing.txt ]; then echo >&2; cat missing.txt >&2; exit 1; fi; \
	exit $$status

# The web page, compiled with Emscripten into build-web/web. Debian's
# Emscripten finds its JavaScript packages on Node's module path.
WEB_BUILD ?= build-web
web:
	@command -v emcmake >/dev/null || { echo "make web: Emscripten is missing (Debian: emscripten)" >&2; exit 1; }
	@command -v npm >/dev/null || { echo "make web: npm is missing (Debian: npm)" >&2; exit 1; }
	@export NODE_PATH=/usr/share/nodejs$${NODE_PATH:+:$$NODE_PATH}; \
	emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release >&2 && \
	cmake --build $(WEB_BUILD) --parallel $(JOBS) --target web >&2

# The page and the tools of its browser tests (puppeteer-core), which the
# page itself never loads.
web-test: web
	@cmake --build $(WEB_BUILD) --target web-test-deps >&2

# docs/web.png, the page's screenshot in the README and docs/web.md, taken
# from the page as built, in headless Chromium, by its browser test.
web-screenshot: web-test
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >&2
	@cmake --build $(BUILD) --parallel $(JOBS) --target tether-explore >&2
	@TETHER_WEB_SCREENSHOT=$(CURDIR)/docs/web.png node tests/web/browser_test.mjs \
		$(WEB_BUILD) $(BUILD)/tether-explore chromium

plot: build
	@cmake --build $(BUILD) --target plot >&2

plot-sweeps: build
	@cmake --build $(BUILD) --target plot-sweeps >&2

clean:
	rm -rf $(BUILD) $(WEB_BUILD)
