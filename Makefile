# make test   installs what is missing, builds all three presets, runs every test
# make run    installs what is missing, builds, starts Vistero under Wine
# make package builds the installers and the portable zips
# make windows-kit builds the Windows test kits, the suite for a Windows
#             machine in one zip (build/windows-*/kit/Vistero-tests-*.zip)
# make fuzz   fuzzes the profile loader for FUZZ_SECONDS (default 600)
# make soak   runs the reliability tests with the long ones at full length
#             (1,000 killed saves; 10,000 timed changes, 1,000 dialogs and
#             1,000 menus in one process) and prints their figures
# make bench  measures and prints one table of figures against their goals;
#             IDLE_SECONDS (default 60) of idle time, BENCH_RUNS (default 15) runs

X64 := build/windows-x64
X86 := build/windows-x86
NATIVE := build/native
FUZZ := build/fuzz
FUZZ_SECONDS ?= 600
BENCH_NATIVE := build/bench-native
BENCH_X64 := build/bench-x64
BENCH_X86 := build/bench-x86
IDLE_SECONDS ?= 60
BENCH_RUNS ?= 15

.PHONY: all setup build build-x64 build-x86 build-native check-imports package windows-kit test run fuzz soak bench

all: build

setup:
	@scripts/setup

# Configure once; afterwards the build tool re-runs CMake when a list changes.
build/%/build.ninja: | setup
	cmake --preset $*

build-x64: $(X64)/build.ninja
	cmake --build --preset windows-x64

build-x86: $(X86)/build.ninja
	cmake --build --preset windows-x86

build-native: $(NATIVE)/build.ninja
	cmake --build --preset native

build: build-x64 build-x86 build-native

check-imports: build-x64 build-x86
	scripts/check-imports $(X64)/app/Vistero.exe $(X86)/app/Vistero.exe

# The installer and the portable zip of both architectures, in
# build/windows-*/package/.
package: setup $(X64)/build.ninja $(X86)/build.ninja
	cmake --build --preset windows-x64 --target package
	cmake --build --preset windows-x86 --target package

# The Windows test kit of both architectures, build/windows-*/kit/.
windows-kit: setup $(X64)/build.ninja $(X86)/build.ninja
	cmake --build --preset windows-x64 --target windows_kit
	cmake --build --preset windows-x86 --target windows_kit

test: setup build check-imports package windows-kit
	ctest --preset native
	scripts/in-wine $(X64) ctest --output-on-failure
	# The x86 tests run under Wine 10 where 32-bit code runs; elsewhere the
	# x86-64 ones run under that Wine instead, so that it and its set-up are
	# still tested. scripts/in-wine says which Wine runs what, and why.
	if scripts/runs-x86 $(X86); then scripts/in-wine $(X86) ctest --output-on-failure; \
	else VISTERO_WINE=10 scripts/in-wine $(X64) ctest --output-on-failure; fi

run: setup build-x64
	scripts/run $(X64)

fuzz: setup $(FUZZ)/build.ninja
	cmake --build --preset fuzz
	scripts/fuzz $(FUZZ) $(FUZZ_SECONDS)

soak: setup build-x64
	scripts/soak $(X64)

# Release builds of their own (the native one without sanitizers), so that
# the figures measure the program rather than the checks of the test builds.
bench: setup $(BENCH_NATIVE)/build.ninja $(BENCH_X64)/build.ninja $(BENCH_X86)/build.ninja
	cmake --build --preset bench-native
	cmake --build --preset bench-x64
	cmake --build --preset bench-x86
	bench/run $(BENCH_NATIVE) $(BENCH_X64) $(BENCH_X86) $(IDLE_SECONDS) $(BENCH_RUNS)
