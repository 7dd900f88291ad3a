#!/usr/bin/env python3
"""Makes the fuzzers' seed corpus from the end-to-end cases.

tests/fuzz/corpus/source/       every input file of every case (Windows-1251)
tests/fuzz/corpus/command_line/ ARGS \\0 MAIN \\0 INCLUDE for every run of a case

Run from the repository's root; the output is committed."""
import hashlib
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parents[2]
CASES = ROOT / "tests" / "e2e" / "cases"
OUT = ROOT / "tests" / "fuzz" / "corpus"


def convert(text):
    out = bytearray()
    pos = 0
    for m in re.finditer(r"\\x([0-9A-Fa-f]{2})", text):
        out += text[pos:m.start()].encode("cp1251", "replace")
        out.append(int(m.group(1), 16))
        pos = m.end()
    out += text[pos:].encode("cp1251", "replace")
    return bytes(out)


def sections(path):
    result = []
    for line in path.read_text(encoding="utf-8").split("\n"):
        if line.startswith("==="):
            result.append((line[3:].split(), []))
        elif result:
            result[-1][1].append(line)
    return result


def store(folder, data):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)


def main():
    for folder in ("source", "command_line"):
        for old in (OUT / folder).glob("*"):
            old.unlink()
    for case in sorted(CASES.rglob("*.case")):
        # Files before the first run are shared by all runs.
        shared, runs = [], []
        for header, lines in sections(case):
            if not header:
                continue
            if header[0] == "run":
                runs.append((convert(" ".join(header[2:])), []))
            elif header[0] == "file" and len(header) >= 2:
                while lines and lines[-1] == "":
                    lines.pop()
                text = "\n".join(lines) + "\n"
                data = text.encode("utf-8") if "utf8" in header[2:] else convert(text)
                if len(data) <= 4096:
                    (runs[-1][1] if runs else shared).append(data)
        for args, files in runs or [(b"", [])]:
            files = files + shared
            for data in files:
                store(OUT / "source", data)
            main_source = files[0] if files else b""
            include = files[1] if len(files) > 1 else b""
            store(OUT / "command_line", args + b"\0" + main_source + b"\0" + include)
    for example in sorted((ROOT / "examples").glob("*.qdl")):
        store(OUT / "source", example.read_bytes())


if __name__ == "__main__":
    main()
