#!/usr/bin/env python3
"""Every named namespace a platform file opens is its top folder's: a file in platform/src/gl/ (or a backend's
subfolder such as host/sdl/) declares its names in platform::gl (or a namespace inside it), so that a name
says where it lives. Anonymous namespaces are the file's own.

    namespaces.py SOURCE_DIR        SOURCE_DIR is platform/src; exit 1 and list each file that strays
"""
import pathlib
import re
import sys

TOKENS = re.compile(r"namespace\s+([A-Za-z_][\w:]*)?\s*\{|\{|\}")
COMMENTS_AND_STRINGS = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.DOTALL)


def namespaces(text):
    """The full name of every named namespace the text opens (nested ones joined with ::)."""
    stack = []  # per open brace: the namespace's name, "" for an anonymous one, None for any other brace
    for match in TOKENS.finditer(COMMENTS_AND_STRINGS.sub(" ", text)):
        if match.group(0) == "}":
            if stack:
                stack.pop()
        elif match.group(0).startswith("namespace"):
            stack.append(match.group(1) or "")
            if match.group(1) and "" not in stack and None not in stack:
                yield "::".join(stack)
        else:
            stack.append(None)


def strays(source):
    for path in sorted(source.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        folder = path.relative_to(source).parts[0]
        own = f"platform::{folder}"
        for name in namespaces(path.read_text(encoding="utf-8")):
            if name != own and not name.startswith(own + "::") and not own.startswith(name + "::"):
                yield f"{path.relative_to(source)}: namespace {name}, not {own}"


def main():
    found = list(strays(pathlib.Path(sys.argv[1])))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
