# The whole set-up: `make test` builds everything and runs every test,
# `make run` builds and starts the viewer. Both install missing packages first.
.PHONY: test run bench bench-reframe deps clean

test: deps
	sh tools/run-tests.sh

run: deps
	sh tools/run-viewer.sh

bench: deps
	sh tools/run-bench.sh

bench-reframe: deps
	bash tools/reframe-bench.sh

deps:
	sh tools/install-deps.sh

clean:
	rm -rf build
