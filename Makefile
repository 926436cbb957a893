# Set-up, build and test in one command each. Missing Debian packages are
# installed first (apt-get, as root, without recommends).
SHELL := /bin/bash
.DEFAULT_GOAL := test

PACKAGES := cmake make g++ python3 googletest libbenchmark-dev libssl-dev \
	clang libclang-rt-14-dev valgrind locales \
	g++-mingw-w64-x86-64-posix wine64 wine xvfb xdotool xclip imagemagick \
	fonts-wqy-microhei fonts-wqy-zenhei fonts-wine
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)
WINE := tests/windows/with-wine.sh build/windows

.PHONY: deps build build-linux build-sanitize build-windows test test-linux test-sanitize test-windows test-fuzz test-valgrind streaming run bench fuzz clean

deps:
	@missing=; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $$missing; \
	fi

build-linux: deps
	cmake --preset linux >/dev/null && cmake --build --preset linux -j2

build-sanitize: deps
	cmake --preset linux-sanitize >/dev/null && cmake --build --preset linux-sanitize -j2

build-windows: deps
	cmake --preset windows >/dev/null && cmake --build --preset windows -j2

build: build-linux build-sanitize build-windows

test-linux: build-linux
	ctest --preset linux

test-sanitize: build-sanitize
	ctest --preset linux-sanitize

test-windows: build-windows
	$(WINE) ctest --preset windows

test-fuzz: deps
	bash tests/fuzz/run.sh build/fuzz regress

test-valgrind: build-linux
	bash tests/valgrind.sh build/linux

test: test-linux test-sanitize test-windows test-fuzz test-valgrind

# The full-size streaming and hostile-input check of linkconv (1 GB; slow).
streaming: build-linux
	python3 tests/cli/streaming_check.py build/linux/bin/linkconv

# Each fuzz target for ten minutes, with statistics.
fuzz: deps
	bash tests/fuzz/run.sh build/fuzz long 600

bench: deps build-windows
	cmake --preset bench >/dev/null && cmake --build --preset bench -j2
	bash bench/run.sh build/bench
	$(WINE) wine build/windows/bin/window_startup.exe 15
	@echo "LinkConverter.exe: $$(stat -c %s build/windows/bin/LinkConverter.exe) bytes"

# Opens the window; with no display, shows it on a virtual one, converts a
# sample address through it, prints the four rows and keeps a screenshot.
SHOT := build/windows/artifacts/window
run: build-windows
	@if [ -n "$${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then \
	  $(WINE) wine build/windows/bin/LinkConverter.exe; \
	else \
	  mkdir -p $(dir $(SHOT)) && \
	  $(WINE) wine build/windows/bin/window_demo.exe 'Z:$(CURDIR)/$(SHOT).bmp' | iconv -f gbk -t utf-8 && \
	  convert $(SHOT).bmp $(SHOT).png && echo "Screenshot: $(CURDIR)/$(SHOT).png"; \
	fi

clean:
	rm -rf build
