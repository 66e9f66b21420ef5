# Dormex: everything needed to build and test, from a fresh Debian 12 machine (as root).
BUILD := build

.PHONY: all setup build test demo dist clean

all: build

setup:
	sh tools/setup.sh

# One tree per width: $(BUILD)/win32 (i686) and $(BUILD)/win64 (x86_64).
build: setup
	@for pair in 32:i686 64:x86_64; do \
	    w=$${pair%%:*}; arch=$${pair#*:}; \
	    cmake -S . -B $(BUILD)/win$$w -DCMAKE_BUILD_TYPE=Release \
	        -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$$arch.cmake >/dev/null || exit 1; \
	    cmake --build $(BUILD)/win$$w -j2 || exit 1; \
	done

# The tests include the installer of dist/.
test: build dist
	tools/run-tests.sh

# The whole system at work in a Wine prefix of its own (tools/demo.sh); FORCED=1: a forced
# shutdown, JA=1: the Japanese user interface.
demo: build
	BUILD=$(BUILD) tools/demo.sh $(if $(filter 1,$(FORCED)),--forced) $(if $(filter 1,$(JA)),--japanese)

# dist/: Dormex-<version>-win.zip (programs of both widths, README.txt) and Dormex-<version>-Setup.exe.
dist: build
	tools/make-dist.sh

clean:
	rm -rf $(BUILD) dist
