#!/usr/bin/env python3
"""Turns the README's packaging walkthrough into files and a shell script, so a test runs it as printed.

usage: walkthrough.py README FOLDER

Reads the part of README between the walkthrough's two marks. A code block whose first line is
"; NAME" (a file name) is written into FOLDER as that file, each further "; NAME" line starting the next
file; every other code block is appended to FOLDER/walkthrough.sh exactly as printed, without its
indentation. Exits with 1 when the marks or the commands are missing.
"""
import pathlib
import re
import sys

BEGIN = "<!-- The commands between these two marks run as printed in scripts/product-test"
END = "<!-- End of the commands that scripts/product-test runs. -->"
LIST_ITEM = re.compile(r"^( *)(\d+\.|[-*]) +")
FILE_HEADER = re.compile(r"^; ([\w.-]+\.\w+)$")


def indent(line):
    return len(line) - len(line.lstrip(" "))


def code_blocks(lines):
    """Indented code blocks: lines at least four columns right of the text they belong to."""
    blocks, block, content = [], None, 0
    for line in lines:
        if not line.strip():
            if block is not None:
                block.append("")
            continue
        if line.lstrip().startswith("```"):
            raise SystemExit("walkthrough: fenced code blocks are not read; indent the commands")
        if indent(line) >= content + 4:
            if block is None:
                block = []
                blocks.append(block)
            block.append(line[content + 4:])
            continue
        block = None
        item = LIST_ITEM.match(line)
        if item:
            content = len(item.group(0))
        elif indent(line) < content:
            content = indent(line)
    return [b[: len(b) - next(i for i, l in enumerate(reversed(b)) if l)] for b in blocks]


def main():
    readme, folder = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    text = readme.read_text(encoding="utf-8").splitlines()
    starts = [i for i, l in enumerate(text) if l.startswith(BEGIN)]
    ends = [i for i, l in enumerate(text) if l == END]
    if len(starts) != 1 or len(ends) != 1 or ends[0] < starts[0]:
        raise SystemExit("walkthrough: the README has not exactly one pair of walkthrough marks")
    script = []
    for block in code_blocks(text[starts[0] + 1 : ends[0]]):
        if FILE_HEADER.match(block[0]):
            name = None
            files = {}
            for line in block:
                header = FILE_HEADER.match(line)
                if header:
                    name = header.group(1)
                    files[name] = []
                else:
                    files[name].append(line)
            for name, content in files.items():
                while content and not content[-1]:
                    content.pop()
                (folder / name).write_text("\n".join(content) + "\n", encoding="utf-8")
        else:
            script.extend(block)
    if not script:
        raise SystemExit("walkthrough: no commands between the marks")
    (folder / "walkthrough.sh").write_text("\n".join(script) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
