#!/usr/bin/env python3
"""Writes the page (platform/web/index.html) as it is served: the markers INLINE-SCRIPT-HASHES and
INLINE-STYLE-HASHES of its Content-Security-Policy become the SHA-256 hashes of its inline <script> and
<style> elements, as the browser hashes them (the bytes between the tags, UTF-8), so that the policy lets
through exactly the page's own inline code and nothing else inline. Refuses a page that the policy would
break without saying so: a marker missing, or an event-handler or style attribute (which no hash allows).

    seal_page.py IN OUT
"""
import base64
import hashlib
import re
import sys

MARKERS = {"script": "INLINE-SCRIPT-HASHES", "style": "INLINE-STYLE-HASHES"}


def hashes(page, tag):
    """The policy's source expressions for each inline element `tag`, in order."""
    found = []
    for match in re.finditer(rf"<{tag}(\s[^>]*)?>(.*?)</{tag}>", page, re.DOTALL | re.IGNORECASE):
        if match.group(1) and re.search(r"\bsrc\s*=", match.group(1)):
            continue  # a script from a file: 'self' covers it
        digest = hashlib.sha256(match.group(2).encode("utf-8")).digest()
        found.append("'sha256-" + base64.b64encode(digest).decode() + "'")
    return found


def seal(page):
    for tag, marker in MARKERS.items():
        if page.count(marker) != 1:
            raise ValueError(f"the page's policy has {page.count(marker)} {marker} markers, not one")
        page = page.replace(marker, " ".join(hashes(page, tag)) or "'none'")
    inline = re.search(r"<[a-z][^>]*\s(on[a-z]+|style)\s*=", page, re.IGNORECASE)
    if inline:
        raise ValueError(f"the page has an inline {inline.group(1)} attribute, which its policy refuses")
    return page


def main():
    if len(sys.argv) != 3:
        print(f"usage: {sys.argv[0]} IN OUT", file=sys.stderr)
        return 2
    with open(sys.argv[1], encoding="utf-8") as f:
        page = f.read()
    try:
        sealed = seal(page)
    except ValueError as e:
        print(f"{sys.argv[1]}: {e}", file=sys.stderr)
        return 1
    with open(sys.argv[2], "w", encoding="utf-8", newline="") as f:
        f.write(sealed)
    return 0


if __name__ == "__main__":
    sys.exit(main())
