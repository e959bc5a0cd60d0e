# Tinteye: build, test and run on Debian 12 (x86_64). `make run`, `make test`.
# BUILD=dir puts both build trees under dir (default: build).

BUILD ?= build
WIN := $(BUILD)/win
NATIVE := $(BUILD)/native
NATIVE_RELEASE := $(BUILD)/native-release
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
WINE_RUN := cmake/wine-run

# Wine's X11 driver libraries are only "recommended" by Debian's wine; naming
# them here keeps the install small (no recommends) but complete.
PACKAGES := cmake ninja-build g++ g++-mingw-w64-x86-64-posix googletest \
    wine wine64 xvfb xauth fonts-ipafont-gothic fonts-wine \
    libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1

# What `make run` needs beyond building: the screenshot command it prints for a private display.
RUN_PACKAGES := imagemagick

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps deps-run configure build build-win build-native test test-win test-native run gallery bench soak msvc-syntax clean

all: build

deps deps-run:
	@missing=$$(for p in $(PACKAGES) $(if $(filter deps-run,$@),$(RUN_PACKAGES)); do \
	    dpkg-query -W -f='$${Status}\n' "$$p" 2>/dev/null | grep -q '^install ok installed$$' || echo "$$p"; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing </dev/null; \
	fi

$(WIN)/build.ninja:
	cmake --preset mingw-cross -B $(WIN)

$(NATIVE)/build.ninja:
	cmake --preset native-asan -B $(NATIVE)

$(NATIVE_RELEASE)/build.ninja:
	cmake --preset native-release -B $(NATIVE_RELEASE)

configure: deps $(WIN)/build.ninja $(NATIVE)/build.ninja

build-win: deps $(WIN)/build.ninja
	cmake --build $(WIN) -j $(JOBS)

build-native: deps $(NATIVE)/build.ninja
	cmake --build $(NATIVE) -j $(JOBS)

build: build-win build-native

test-native: build-native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

# Windows programs share one display and wineserver: they run one at a time.
test-win: build-win
	cd $(WIN) && ctest --output-on-failure

# Both trees run even when the first fails; the exit status tells either failure.
test: build
	@status=0; \
	$(MAKE) --no-print-directory test-native || status=1; \
	$(MAKE) --no-print-directory test-win || status=1; \
	if [ $$status = 0 ]; then echo "make test: all tests passed"; else echo "make test: FAILED"; fi; \
	exit $$status

# Only the two programs it starts: a first run need not wait for the tests and benchmarks.
run: deps-run $(WIN)/build.ninja
	cmake --build $(WIN) -j $(JOBS) --target Tinteye SampleView
	@for exe in $(WIN)/app/Tinteye.exe $(WIN)/tools/SampleView.exe; do \
	    [ -f "$$exe" ] || { echo "make run: $$exe has not been built (is it defined in the CMake files yet?)" >&2; exit 1; }; \
	done
	$(WINE_RUN) --dir $(WIN)/wine-desktop --desktop --background $(WIN)/tools/SampleView.exe $(WIN)/app/Tinteye.exe

# The toolbar gallery, the framework's visual reference, shown like make run.
gallery: deps-run $(WIN)/build.ninja
	cmake --build $(WIN) -j $(JOBS) --target Gallery
	$(WINE_RUN) --dir $(WIN)/wine-desktop --desktop $(WIN)/tools/Gallery.exe

# Native benchmarks from an optimised build (sanitizers would distort them);
# Windows ones under Wine in a private display.
bench: deps build-win $(NATIVE_RELEASE)/build.ninja
	cmake --build $(NATIVE_RELEASE) -j $(JOBS)
	@status=0; found=0; \
	for b in $(NATIVE_RELEASE)/bench/bench_*; do \
	    [ -x "$$b" ] && [ -f "$$b" ] || continue; found=1; \
	    echo "== $$b"; "$$b" || status=1; \
	done; \
	for b in $(WIN)/bench/bench_*.exe; do \
	    [ -f "$$b" ] || continue; found=1; \
	    echo "== $$b (Wine)"; $(WINE_RUN) --dir $(WIN)/wine "$$b" || status=1; \
	done; \
	[ $$found = 1 ] || echo "make bench: no benchmarks built yet"; \
	exit $$status

# The main window under load for a few minutes under Wine (not part of make test): prints GDI
# objects, USER objects and private bytes as it goes and fails if they grow.
soak: deps $(WIN)/build.ninja
	cmake --build $(WIN) -j $(JOBS) --target soak
	$(WINE_RUN) --dir $(WIN)/wine $(WIN)/tests/soak.exe

# Every source of the Windows build parsed by clang in Microsoft compatibility mode (no MSVC
# here): catches constructs only GCC takes. Needs clang (apt-get install clang).
msvc-syntax: deps $(WIN)/build.ninja
	cmake -DBUILD_DIR=$(WIN) -P cmake/msvc-syntax.cmake

clean:
	rm -rf $(WIN) $(NATIVE) $(NATIVE_RELEASE)
