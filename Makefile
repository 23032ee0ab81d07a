# Front door: `make demo` runs the programs on the bundled examples,
# `make test` runs the whole test suite.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps build demo test test-sanitize test-fuzz bench fonts clean release install package

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEIS_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	scripts/demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DSEIS_SANITIZE=ON -DSEIS_WERROR=ON
	cmake --build build-sanitize -j $(JOBS)
	ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)
	cmake -S . -B build-ubsan-clang -DCMAKE_BUILD_TYPE=Debug -DSEIS_UBSAN_FLOAT_CAST=ON -DSEIS_WERROR=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build build-ubsan-clang -j $(JOBS)
	ctest --test-dir build-ubsan-clang --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DSEIS_BENCHMARKS=ON -DSEIS_RENDERER=ON -DSEIS_TESTS=OFF
	cmake --build build-bench -j $(JOBS)
	scripts/bench.sh build-bench

fonts: build
	scripts/make-fonts.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-sanitize build-ubsan-clang build-bench build-fuzz build-release demo-out

test-fuzz: deps
	scripts/fuzz.sh

# The optimised build, tests included, warning-free at -O3.
release: deps
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSEIS_WERROR=ON
	cmake --build build-release -j $(JOBS)

# make install PREFIX=DIR (default /usr/local); the tree may be moved later.
# The prefix is configured, not only given at install time: under /usr the
# libraries go into the multiarch directory lib/<triplet>.
PREFIX ?= /usr/local
install: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEIS_WERROR=ON -DCMAKE_INSTALL_PREFIX=$(abspath $(PREFIX))
	cmake --build $(BUILD) -j $(JOBS)
	cmake --install $(BUILD)

# A Debian package of the tree installed under /usr, in
# $(BUILD)/seistools_*.deb, its debug information in seistools-dbgsym_*.ddeb.
package: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEIS_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && cpack -G DEB
