# Front for the CMake build. `make` builds build/tarrock and build/tarrock-bench,
# `make run` starts the engine, `make test` runs every test in a release build
# and again under AddressSanitizer + UndefinedBehaviorSanitizer.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all run test test-release test-sanitize clean

all:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

run: all
	./build/tarrock

test: test-release test-sanitize

test-release: all
	cd build && ctest --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DTARROCK_SANITIZE=ON
	cmake --build build/sanitize -j $(JOBS)
	cd build/sanitize && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf build
