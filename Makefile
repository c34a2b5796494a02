# The two set-up commands are `make run` and `make test`. Each installs what
# the machine lacks, configures and builds; both can be run again at any time.
# The builds are the CMake presets of CMakePresets.json; `cmake --workflow
# --preset NAME` configures, builds and tests one.

EXAMPLE := examples/triad.dat
export CMAKE_BUILD_PARALLEL_LEVEL ?= $(shell nproc 2>/dev/null || echo 2)
export CTEST_PARALLEL_LEVEL ?= $(CMAKE_BUILD_PARALLEL_LEVEL)
# Runs a command and then says how long it took, as "make: TARGET took N s".
TIMED = @tools/timed.sh $@

.PHONY: run test setup setup-tests check-default check-sanitize check-clang coverage memcheck \
        lint fuzz package windows page web bench docs r python

# The packages, and libxlsxwriter built from Debian's source (see
# tools/xlsxwriter.sh), once.
setup:
	tools/setup.sh
	tools/xlsxwriter.sh linux

# What the test builds need beyond the program's own packages.
setup-tests:
	tools/setup.sh tests
	tools/xlsxwriter.sh linux

# Build the program alone, without the tests, and run it on the bundled example.
run: setup
	cmake --workflow --preset run
	build/run/app/kelvarin $(EXAMPLE)

# The whole test suite: the optimised build (with its end-to-end cases under
# valgrind's memcheck), the sanitizer and clang builds, coverage and static
# analysis (the preset lint).
test: check-default check-sanitize check-clang coverage lint

# Each a workflow preset: check-default runs the preset default, and so on;
# memcheck runs only the default build's memcheck tests. Each says how long
# it took.
check-default check-sanitize check-clang coverage memcheck: setup-tests
	$(TIMED) cmake --workflow --preset $(@:check-%=%)

# Static analysis, the workflow preset lint: clang-tidy and cppcheck run on
# every source as the build compiles it, and a finding of either fails the
# build; then the test clang_format checks every source's formatting.
lint: setup-tests
	tools/setup.sh clang-tidy cppcheck clang-format
	$(TIMED) cmake --workflow --preset lint

# The R package of r/, built from the programs' own sources by
# tools/r-package.sh, checked as CRAN checks packages (R CMD check, whose
# tests compare the package's figures with kelvarin-table's CSV and its
# report with kelvarin's) and installed into build/r/library.
r: setup
	tools/setup.sh r-base-dev r-cran-cpp11 r-cran-testthat
	cmake --preset run
	cmake --build --preset run --target kelvarin-table kelvarin-graph
	tools/r-package.sh build/run

# The Python module of python/, built from the programs' own sources by
# meson-python and installed with pip into build/python/venv (Debian's
# Python and packages, nothing downloaded), then tested with pytest: its
# figures against kelvarin-table's CSV, its reports against kelvarin's, its
# DOT against kelvarin-graph's, and a study spread over a Dask LocalCluster
# (tools/python-module.sh).
python: setup
	tools/setup.sh pybind11-dev python3-mesonpy meson ninja-build python3-venv python3-numpy \
	  python3-pandas python3-pytest python3-build python3-distributed
	cmake --preset run
	cmake --build --preset run --target kelvarin-table kelvarin-graph
	tools/python-module.sh build/run

# A coverage-guided fuzz campaign: make fuzz SECONDS=1800
fuzz: setup
	tools/fuzz.sh $(SECONDS)

# The Debian package, the workflow preset package: the programs built with
# Debian's hardened flags (packaging/debian-flags.cmake), then the tests with
# the label package: the fixture package_deb runs CPack and extracts the
# package, and the others check its files, its dependencies, the packaged
# programs, its manual pages and lintian's verdict. Nothing outside
# build/package is changed.
package: page
	tools/setup.sh mandoc groff-base dpkg-dev file lintian tests
	cmake --workflow --preset package

# The Windows programs and download, the workflow preset windows, after GSL,
# MPFR and libxlsxwriter for Windows (tools/gsl.sh windows, tools/mpfr.sh
# windows and tools/xlsxwriter.sh windows, built once) and the preset
# default's Linux programs and end-to-end runner, which the tests compare
# with and run the cases by: CPack packs the zip in a test fixture and the
# tests run the unpacked programs under wine.
windows: page
	tools/setup.sh g++-mingw-w64-x86-64 wine dpkg-dev mandoc libz-mingw-w64-dev
	tools/gsl.sh windows
	tools/mpfr.sh windows
	tools/xlsxwriter.sh windows
	cmake --preset default
	cmake --build --preset default --target kelvarin kelvarin-table kelvarin-graph e2e_test table_test
	cmake --workflow --preset windows

# The programs as WebAssembly under build/web/ (node programs in
# build/web/node/) and the page build/web/kelvarin.html, which both downloads
# carry; make web also tests them, under node against the native build's
# runners, and the page in headless chromium and firefox-esr.
page: setup-tests
	tools/setup.sh emscripten chromium firefox-esr dpkg-dev poppler-utils
	cd web && npm ci --no-audit --no-fund
	tools/gsl.sh web
	tools/mpfr.sh web
	tools/xlsxwriter.sh web
	NODE_PATH=/usr/share/nodejs cmake --preset web
	NODE_PATH=/usr/share/nodejs cmake --build --preset web

web: page
	cmake --preset default
	cmake --build --preset default --target e2e_test table_test kelvarin-table
	NODE_PATH=/usr/share/nodejs ctest --preset web

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

# What one run costs against a bare read-solve-print program, what
# kelvarin-table costs on 10,000 files against cat, a shell loop and numpy,
# and per file under node (the page's program, which make page builds), the
# Python module's analyse_files against kelvarin-table --jobs 2 (once make
# python has built it), and how long the page's thread is busy at once;
# measures only.
bench: setup page
	tools/bench.sh
	tools/bench-table.sh
	tools/bench-page.sh
