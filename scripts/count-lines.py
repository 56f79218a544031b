#!/usr/bin/env python3
"""Counts the non-blank, non-comment lines of the source, by folder: the
product, the tests (rig and test programs included), and the benchmarks,
scripts and build files apart.

    python3 scripts/count-lines.py [REVISION]

Without a revision it counts the files git tracks as they are in the working
tree; with one (a commit, a branch), the files of that commit. Python
docstrings count as comments; data, pictures and prose (.dat, .png, .md,
read-me texts, the icon sources) are not counted."""
import ast
import io
import os
import re
import subprocess
import sys
import tokenize
from pathlib import Path

PRODUCT = ("app", "ui", "util", "store", "hook", "framework", "trayapplet", "packaging")
GROUPS = (("product", PRODUCT), ("tests", ("tests",)), ("bench", ("bench",)), ("scripts", ("scripts", ".ci")),
          ("build", ("cmake", "CMakeLists.txt", "CMakePresets.json")))
C_LIKE = {".cpp", ".h", ".c", ".rc"}


def language(path):
    name, suffix = Path(path).name, Path(path).suffix
    if suffix in C_LIKE:
        return "c"
    if suffix == ".py":
        return "python"
    if suffix in (".sh", ".cmake") or name == "CMakeLists.txt" or path.startswith(("scripts/", ".ci/")) and not suffix:
        return "hash"
    if suffix in (".nsi", ".def"):
        return "semicolon"
    if suffix in (".manifest", ".json"):
        return "plain"
    return None  # data, pictures, prose


def c_code_lines(text, line_comments=("//",)):
    """Lines with code left once comments (line comments, /* */) are taken out."""
    count, in_block = 0, False
    for line in text.splitlines():
        code, i, quote = [], 0, None
        while i < len(line):
            if in_block:
                end = line.find("*/", i)
                if end < 0:
                    break
                in_block, i = False, end + 2
                continue
            c = line[i]
            if quote:
                code.append(c)
                if c == "\\":
                    code.append(line[i + 1:i + 2])
                    i += 1
                elif c == quote:
                    quote = None
            elif line.startswith("/*", i):
                in_block, i = True, i + 2
                continue
            elif any(line.startswith(mark, i) for mark in line_comments):
                break
            else:
                if c in "\"'" and not (c == "'" and i and line[i - 1].isalnum()):  # 1'000 is no quote
                    quote = c
                code.append(c)
            i += 1
        count += bool("".join(code).strip())
    return count


def python_code_lines(text):
    try:
        tree = ast.parse(text)
    except SyntaxError:
        return sum(1 for line in text.splitlines() if line.strip() and not line.strip().startswith("#"))
    docstrings = set()
    for node in ast.walk(tree):
        if isinstance(node, (ast.Module, ast.ClassDef, ast.FunctionDef, ast.AsyncFunctionDef)) and node.body:
            first = node.body[0]
            if isinstance(first, ast.Expr) and isinstance(first.value, ast.Constant) \
                    and isinstance(first.value.value, str):
                docstrings.update(range(first.lineno, first.end_lineno + 1))
    code = set()
    skip = {tokenize.COMMENT, tokenize.NL, tokenize.NEWLINE, tokenize.INDENT, tokenize.DEDENT,
            tokenize.ENCODING, tokenize.ENDMARKER}
    for token in tokenize.generate_tokens(io.StringIO(text).readline):
        if token.type not in skip:
            code.update(n for n in range(token.start[0], token.end[0] + 1) if n not in docstrings)
    return len(code)


def hash_code_lines(text, marks=("#",)):
    return sum(1 for line in text.splitlines() if line.strip() and not line.strip().startswith(marks))


def code_lines(path, text):
    kind = language(path)
    if kind == "c":
        return c_code_lines(text)
    if kind == "python":
        return python_code_lines(text)
    if kind == "hash":
        return hash_code_lines(text)
    if kind == "semicolon":  # NSIS also has /* */ blocks and # comments
        return c_code_lines(re.sub(r"(?m)^\s*[;#].*$", "", text), line_comments=())
    if kind == "plain":
        return hash_code_lines(text, marks=())
    return None


def files(revision):
    if revision:
        names = subprocess.run(["git", "ls-tree", "-r", "--name-only", revision], check=True,
                               stdout=subprocess.PIPE, text=True).stdout.split("\n")
        read = lambda name: subprocess.run(["git", "show", f"{revision}:{name}"], check=True,  # noqa: E731
                                           stdout=subprocess.PIPE).stdout
    else:
        names = subprocess.run(["git", "ls-files"], check=True, stdout=subprocess.PIPE, text=True).stdout.split("\n")
        read = lambda name: Path(name).read_bytes()  # noqa: E731
    for name in filter(None, names):
        if language(name) and (revision or Path(name).is_file()):
            yield name, read(name).decode("utf-8", errors="replace")


def folder_of(name):
    """The folder a file is reported under: the top folder, or for tests/ its subfolder."""
    parts = name.split("/")
    if parts[0] == "tests" and len(parts) > 2:
        return "/".join(parts[:2])
    return parts[0] if len(parts) > 1 else name


def main(argv):
    os.chdir(Path(__file__).resolve().parents[1])
    revision = argv[0] if argv else None
    by_folder = {}
    for name, text in files(revision):
        folder = folder_of(name)
        by_folder[folder] = by_folder.get(folder, 0) + code_lines(name, text)
    totals = {}
    print(f"non-blank, non-comment lines at {revision or 'the working tree'}")
    for group, tops in GROUPS:
        folders = sorted(f for f in by_folder if f.split("/")[0] in tops)
        totals[group] = sum(by_folder[f] for f in folders)
        print(f"{group:8} {totals[group]:6}")
        for folder in folders:
            print(f"  {folder:22} {by_folder[folder]:6}")
    print(f"tests / product: {totals['tests'] / totals['product']:.0%}")


if __name__ == "__main__":
    main(sys.argv[1:])
