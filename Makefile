# Front door: `make demo` runs the programs on the bundled examples,
# `make test` runs the whole test suite.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps build demo test test-sanitize test-fuzz bench fonts clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	scripts/demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DSEIS_SANITIZE=ON
	cmake --build build-sanitize -j $(JOBS)
	ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)
	cmake -S . -B build-ubsan-clang -DCMAKE_BUILD_TYPE=Debug -DSEIS_UBSAN_FLOAT_CAST=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-Wno-error=char-subscripts
	cmake --build build-ubsan-clang -j $(JOBS)
	ctest --test-dir build-ubsan-clang --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DSEIS_BENCHMARKS=ON -DSEIS_RENDERER=ON -DSEIS_TESTS=OFF
	cmake --build build-bench -j $(JOBS)
	scripts/bench.sh build-bench

fonts: build
	scripts/make-fonts.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-sanitize build-ubsan-clang build-bench build-fuzz demo-out

test-fuzz: deps
	scripts/fuzz.sh
