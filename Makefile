# Front for the CMake build. `make` builds build/tarrock and build/tarrock-bench,
# `make run` starts the engine, `make test` runs every test in a release build
# and again under AddressSanitizer + UndefinedBehaviorSanitizer, then plays two
# quick games through a headless xboard (skipped when xboard is not installed).
# `make install` puts the engine, its book, manual page and xboard plugin file
# under PREFIX (staged under DESTDIR for packagers); `make uninstall` (with the
# same DESTDIR) removes exactly the files the last `make install` wrote.
# The fuzz targets' corpora replay in both test builds. `make fuzz` fuzzes
# every reader for FUZZ_SECONDS each (needs clang); `make soak` plays
# SOAK_GAMES fast games through xboard in both protocols.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
DESTDIR ?=
FUZZ_SECONDS ?= 60
SOAK_GAMES ?= 200

.PHONY: all run test test-release test-sanitize test-games games uci-games ponder-games clean \
	install uninstall native fuzz soak

all:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

# For this machine only: the engine and bench in build/native, compiled for
# the processor they are built on (hardware bit counts among others). Not for
# distribution; the default build runs on any x86-64.
native:
	cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DTARROCK_TESTS=OFF -DCMAKE_CXX_FLAGS=-march=native
	cmake --build build/native -j $(JOBS) --target tarrock tarrock-bench

# Started in build/, where the default opening book is.
run: all
	cd build && ./tarrock

test: test-release test-sanitize test-games

test-release: all
	cd build && ctest --output-on-failure --no-tests=error -j $(JOBS)

test-sanitize:
	cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DTARROCK_SANITIZE=ON
	cmake --build build/sanitize -j $(JOBS)
	cd build/sanitize && ctest --output-on-failure --no-tests=error -j $(JOBS)

test-games: all
	tools/xboard-games.sh 2 0:30 40 0

# The longer match: 20 games, half at 40 moves in 1 minute, half at 1 minute
# plus 1 second a move.
games: all
	tools/xboard-games.sh 10 1 40 0
	tools/xboard-games.sh 10 1 0 1

# Tarrock's UCI front end behind polyglot against a UCI engine, 1 minute plus
# 1 second a move; and xboard games with both engines pondering.
uci-games: all
	TARROCK_UCI=1 OPPONENT_UCI=1 tools/xboard-games.sh 20 1 0 1 /usr/games/glaurung

ponder-games: all
	PONDER=1 tools/xboard-games.sh 6 1 0 1

# libFuzzer over every reader, clang with ASan + UBSan, in build/fuzz.
fuzz:
	cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DTARROCK_FUZZ=ON -DTARROCK_TESTS=OFF
	cmake --build build/fuzz -j $(JOBS)
	tools/fuzz.sh $(FUZZ_SECONDS)

# Many very fast games against a Debian engine, xboard and UCI (not in make test).
soak: all
	tools/soak.sh $(SOAK_GAMES)

# The prefix is set before the build: the plugin file and the manual page name
# the installed paths.
install:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$(PREFIX)"
	cmake --build build -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install build

uninstall:
	@tools/uninstall.sh build/install_manifest.txt "$(DESTDIR)"

clean:
	rm -rf build
