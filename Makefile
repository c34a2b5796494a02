# The two set-up commands: `make run` and `make test`. Each installs what the
# machine lacks, configures and builds; both can be run again at any time.

EXAMPLE := examples/triad.dat
JOBS    := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test setup build package

setup:
	tools/setup.sh

build: setup
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

run: build
	build/default/app/kelvarin $(EXAMPLE)

test: setup
	cmake --preset default
	cmake --build --preset default -j $(JOBS)
	ctest --preset default -j $(JOBS)
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

package:
	tools/package.sh
