#!/usr/bin/env python3
"""Line coverage of the compiler's own code over the test suite, in a
coverage build:

    cmake -S . -B build-cov -DQDL_COVERAGE=ON && cmake --build build-cov -j2
    python3 tests/coverage.py build-cov --run [--uncovered]

With --run the old counts are removed and the whole test suite runs
first (ctest); without it the counts of the tests run so far are read.
Prints each source file's executed and executable lines and the total;
the generated parser and the tests are left out.  With --uncovered, the
lines never executed are listed too.  Exits 1 when the total is under
95% or a test failed."""
import gzip
import json
import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[1]
THRESHOLD = 95.0


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    build = pathlib.Path(sys.argv[1]).resolve()
    show_uncovered = "--uncovered" in sys.argv[2:]
    tests_passed = True
    if "--run" in sys.argv[2:]:
        for old in build.rglob("*.gcda"):
            old.unlink()
        tests_passed = subprocess.run(["ctest", "--test-dir", str(build), "-j2"],
                                      stdout=subprocess.DEVNULL).returncode == 0
        if not tests_passed:
            print("some tests failed (ctest --test-dir %s --rerun-failed)" % build)
    objects = build / "CMakeFiles" / "qdl_core.dir"
    data = sorted(objects.rglob("*.gcda"))
    if not data:
        print("no coverage data under %s: build with -DQDL_COVERAGE=ON and run ctest first" % objects)
        return 2
    lines = {}  # source path -> {line number: count}
    with tempfile.TemporaryDirectory() as scratch:
        subprocess.run(["gcov", "--json-format", "--preserve-paths"] + [str(d) for d in data],
                       cwd=scratch, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for report in pathlib.Path(scratch).glob("*.gcov.json.gz"):
            with gzip.open(report, "rt") as f:
                content = json.load(f)
            for entry in content["files"]:
                path = pathlib.Path(entry["file"])
                if not path.is_absolute():
                    path = (pathlib.Path(content.get("current_working_directory", ".")) / path)
                path = path.resolve()
                try:
                    relative = path.relative_to(ROOT).as_posix()
                except ValueError:
                    continue  # system headers
                if relative.startswith(("parser/generated/", "tests/", "build")):
                    continue
                counts = lines.setdefault(relative, {})
                for line in entry["lines"]:
                    number = line["line_number"]
                    counts[number] = counts.get(number, 0) + line["count"]
    lines = {name: counts for name, counts in lines.items() if counts}
    total_run = total_lines = 0
    width = max(len(name) for name in lines)
    for name in sorted(lines):
        counts = lines[name]
        run = sum(1 for c in counts.values() if c > 0)
        total_run += run
        total_lines += len(counts)
        print("%-*s %5d / %5d  %6.2f%%" % (width, name, run, len(counts), 100.0 * run / max(len(counts), 1)))
        if show_uncovered:
            source = (ROOT / name).read_text(encoding="utf-8", errors="replace").split("\n")
            for number in sorted(n for n, c in counts.items() if c == 0):
                print("    %5d: %s" % (number, source[number - 1].strip() if number <= len(source) else ""))
    percent = 100.0 * total_run / max(total_lines, 1)
    print("%-*s %5d / %5d  %6.2f%%" % (width, "TOTAL", total_run, total_lines, percent))
    return 0 if percent >= THRESHOLD and tests_passed else 1


if __name__ == "__main__":
    sys.exit(main())
