# The two set-up commands are `make run` and `make test`. Each installs what
# the machine lacks, configures and builds; both can be run again at any time.
# The builds are the CMake presets of CMakePresets.json; `cmake --workflow
# --preset NAME` configures, builds and tests one.

EXAMPLE := examples/triad.dat
export CMAKE_BUILD_PARALLEL_LEVEL ?= $(shell nproc 2>/dev/null || echo 2)
export CTEST_PARALLEL_LEVEL ?= $(CMAKE_BUILD_PARALLEL_LEVEL)

.PHONY: run test setup setup-tests check-default check-sanitize check-clang coverage memcheck \
        lint fuzz package windows web bench docs

setup:
	tools/setup.sh

# What the test builds need beyond the program's own packages.
setup-tests:
	tools/setup.sh tests

# Build the program alone, without the tests, and run it on the bundled example.
run: setup
	cmake --workflow --preset run
	build/run/app/kelvarin $(EXAMPLE)

# The whole test suite: the optimised build (with its end-to-end cases under
# valgrind's memcheck), the sanitizer and clang builds, coverage and static
# analysis.
test: check-default check-sanitize check-clang coverage lint

# Each a workflow preset: check-default runs the preset default, and so on;
# memcheck runs only the default build's memcheck tests.
check-default check-sanitize check-clang coverage memcheck: setup-tests
	cmake --workflow --preset $(@:check-%=%)

lint: setup
	tools/lint.sh

# A coverage-guided fuzz campaign: make fuzz SECONDS=1800
fuzz: setup
	tools/fuzz.sh $(SECONDS)

package: setup
	tools/package.sh

windows: setup
	tools/windows.sh

# The programs as WebAssembly under build/web/ (node programs in
# build/web/node/), tested under node against the native build's runners.
web: setup
	tools/web.sh

# The pictures that the README shows, drawn again by kelvarin-graph and
# Graphviz: the network of examples/triad.dat, and examples/group20.dat as a
# heat map and in focus.
docs: setup
	tools/setup.sh graphviz
	cmake --preset run
	cmake --build --preset run --target kelvarin-graph
	build/run/graph/kelvarin-graph $(EXAMPLE) >build/run/triad.gv
	dot -Tsvg -o docs/triad.svg build/run/triad.gv
	build/run/graph/kelvarin-graph --heatmap examples/group20.dat >build/run/group20-heatmap.gv
	dot -Tsvg -o docs/group20-heatmap.svg build/run/group20-heatmap.gv
	build/run/graph/kelvarin-graph --focus examples/group20.dat >build/run/group20-focus.gv
	dot -Tsvg -o docs/group20-focus.svg build/run/group20-focus.gv

# What one run costs against a bare read-solve-print program, and what
# kelvarin-table costs on 10,000 files against cat, a shell loop and numpy;
# measures only.
bench: setup
	tools/bench.sh
	tools/bench-table.sh
