# make test: every test, plain and under the sanitizers (see scripts/run-tests).
# make demo: builds and runs the demo host.
# make bench: builds and runs the benchmarks (not part of make test).
.PHONY: test demo bench packages

packages:
	@scripts/ensure-packages

test: packages
	@scripts/run-tests

demo: packages
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build --target demo
	@scripts/run-demo build

bench: packages
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build --target benchmarks
	@for b in build/bench/bench_*; do echo "== $$b"; xvfb-run -a -s "-screen 0 1024x768x24" "$$b" || exit 1; done
