# The two set-up commands are `make run` and `make test`. Each installs what
# the machine lacks, configures and builds; both can be run again at any time.

EXAMPLE := examples/triad.dat
JOBS    := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test setup build check-default check-sanitize check-clang coverage lint memcheck \
        fuzz package windows bench docs

setup:
	tools/setup.sh

build: setup
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# Build and run the program on the bundled example.
run: build
	build/default/app/kelvarin $(EXAMPLE)

# The whole test suite: plain, sanitizer and clang builds, coverage, static
# analysis and memory checks.
test: check-default check-sanitize check-clang coverage lint memcheck

check-default: build
	ctest --preset default -j $(JOBS)

check-sanitize: setup
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# The same tests built with clang, whose warnings differ from g++'s.
check-clang: setup
	tools/setup.sh clang
	cmake --preset clang
	cmake --build --preset clang -j $(JOBS)
	ctest --preset clang -j $(JOBS)

# Line and branch coverage of app/ and routines/ by the test suite.
coverage: setup
	tools/setup.sh gcovr
	cmake --preset coverage
	cmake --build --preset coverage -j $(JOBS)
	find build/coverage -name '*.gcda' -delete
	ctest --preset coverage -j $(JOBS)
	gcovr --root . --filter 'app/' --filter 'routines/' --exclude-throw-branches \
	  --exclude-unreachable-branches --print-summary --fail-under-line 95 \
	  --fail-under-branch 90 build/coverage

lint: setup
	tools/lint.sh

memcheck: build
	tools/memcheck.sh

# A coverage-guided fuzz campaign: make fuzz SECONDS=1800
fuzz: setup
	tools/fuzz.sh $(SECONDS)

package: setup
	tools/package.sh

windows: setup
	tools/windows.sh

# The picture of examples/triad.dat that the README shows, drawn again by
# kelvarin-graph and Graphviz.
docs: setup
	tools/setup.sh graphviz
	cmake -S . -B build/docs -DKELVARIN_TESTS=OFF
	cmake --build build/docs --target kelvarin-graph
	build/docs/graph/kelvarin-graph $(EXAMPLE) >build/docs/triad.gv
	dot -Tsvg -o docs/triad.svg build/docs/triad.gv

# What one run costs against a bare read-solve-print program, and what
# kelvarin-table costs on 10,000 files against cat, a shell loop and numpy;
# measures only.
bench: setup
	tools/bench.sh
	tools/bench-table.sh
