# Two commands do everything on a fresh Debian 12 machine: `make run` and `make test`.
.PHONY: all setup build run test clean
VIDEO ?=

all: build

setup:
	@scripts/setup.sh

build: setup
	@scripts/build.sh

run: build
	@scripts/run.sh "$(VIDEO)"

test: build
	@scripts/test.sh

clean:
	rm -rf build
