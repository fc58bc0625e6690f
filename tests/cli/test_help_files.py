#!/usr/bin/env python3
"""The help files that the Help menu opens: the names the window asks for
exist under docs/, each declares its character set early enough for a
browser's pre-scan and decodes in it, is well-formed plain HTML without
script or network, every local link and anchor resolves, and every text
pair of the program (messages, status lines, menus) appears word for word
in the help of its language, so a message added without help fails here."""
import html.parser
import os
import re
import sys

ROOT = os.environ.get("TAVRIN_SOURCE_DIR") or os.path.normpath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
DOCS = os.path.join(ROOT, "docs")
TEXT_FOLDERS = ("app", "ui", "texts")
# The core's catalogue files whose texts are the jobs' results and messages
# (the AVI format's and the scan's details are not in the help).
CORE_TEXT_FILES = ("common", "split", "merge", "chain", "pieces", "repair", "cut", "streams", "dub")
PLACE = re.compile(r"\{[1-9]\}")
failures = []


def fail(text):
    failures.append(text)


# ---- the program's texts -------------------------------------------------

STRING = r'"(?:[^"\\\n]|\\.)*"'
STRINGS = rf'{STRING}(?:\s*{STRING})*'
PAIR = re.compile(rf'\{{\s*({STRINGS})\s*,\s*({STRINGS})\s*\}}')
COMMENT_OR_STRING = re.compile(rf'//[^\n]*|/\*.*?\*/|{STRING}', re.S)
ESCAPES = {"n": "\n", "t": "\t", "\\": "\\", '"': '"', "'": "'"}


def without_comments(source):
    return COMMENT_OR_STRING.sub(lambda m: m.group(0) if m.group(0).startswith('"') else " ", source)


def literal_value(literals):
    """The text of adjacent C string literals (UTF-8 source)."""
    parts = re.findall(STRING, literals)
    text = "".join(p[1:-1] for p in parts)
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(1)), text)


def program_text_pairs():
    """Every English/Japanese pair written as {"english", "japanese"} in the
    program's sources: the jobs' and the window's text tables."""
    pairs = []
    for folder in TEXT_FOLDERS:
        for dirpath, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp")):
                    continue
                if os.path.basename(dirpath) == "texts" and name[:-len("_texts.h")] not in CORE_TEXT_FILES:
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8") as f:
                    source = without_comments(f.read())
                for m in PAIR.finditer(source):
                    english, japanese = literal_value(m.group(1)), literal_value(m.group(2))
                    # A text with places ({1}) is a pattern the job fills, not shown as written.
                    if english.isascii() and not japanese.isascii() and not PLACE.search(english):
                        pairs.append((os.path.relpath(path, ROOT), english, japanese))
    return pairs


def as_shown(text):
    """A menu text as the user reads it: no '&' marker, no '(&X)' suffix."""
    return re.sub(r"\(&.\)", "", text).replace("&", "")


def pattern_for(text):
    """Whitespace-insensitive pattern; printf numbers match any number."""
    pieces = re.split(r"%[-+ #0-9.]*[a-zA-Z]", " ".join(text.split()))
    return re.compile(r"\d+(?:\.\d+)?".join(re.escape(p) for p in pieces))


# ---- the help files ------------------------------------------------------

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "wbr"}
FORBIDDEN = {"script", "iframe", "object", "embed", "applet", "frame", "frameset", "form"}


class HelpPage(html.parser.HTMLParser):
    """Collects the text (as a browser shows it), ids, links and structure errors."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors, self.ids, self.links, self.text = [], [], set(), [], []
        self.doctype = False
        self.lang = None

    def handle_decl(self, decl):
        self.doctype = self.doctype or decl.lower() == "doctype html"

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag in FORBIDDEN:
            self.errors.append(f"<{tag}> is not allowed")
        for name in attrs:
            if name.startswith("on"):
                self.errors.append(f"<{tag} {name}> is script")
        if "id" in attrs:
            if attrs["id"] in self.ids:
                self.errors.append(f"id {attrs['id']!r} twice")
            self.ids.add(attrs["id"])
        for name in ("href", "src"):
            if name in attrs:
                self.links.append((tag, attrs[name]))
        if tag == "html":
            self.lang = attrs.get("lang")
        if tag == "br":
            self.text.append("\n")
        if tag not in VOID:
            self.stack.append((tag, self.getpos()))

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID:
            self.stack.pop()

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1][0] != tag:
            where = self.stack[-1] if self.stack else ("nothing", self.getpos())
            self.errors.append(f"</{tag}> at line {self.getpos()[0]} closes <{where[0]}> of line {where[1][0]}")
            return
        self.stack.pop()
        if tag in ("p", "li", "td", "th", "pre", "h1", "h2", "h3", "tr"):
            self.text.append("\n")

    def handle_data(self, data):
        self.text.append(data)

    def shown_text(self):
        return " ".join("".join(self.text).split())


def charset_declared(raw):
    """The charset of the first <meta charset> in the first 1024 bytes, which
    is as far as a browser's pre-scan looks."""
    m = re.search(rb'<meta\s+charset="?([A-Za-z0-9_-]+)"?\s*/?>', raw[:1024], re.I)
    return m.group(1).decode("ascii").lower() if m else None


def load_page(name, want_lang):
    path = os.path.join(DOCS, name)
    if not os.path.isfile(path):
        fail(f"{name}: missing under docs/")
        return None
    raw = open(path, "rb").read()
    charset = charset_declared(raw)
    if charset is None:
        fail(f"{name}: no <meta charset> in its first 1024 bytes")
        return None
    try:
        text = raw.decode({"utf-8": "utf-8-sig"}.get(charset, charset))
    except (LookupError, UnicodeDecodeError) as e:
        fail(f"{name}: does not decode as its declared {charset}: {e}")
        return None
    page = HelpPage()
    page.feed(text)
    page.close()
    for error in page.errors:
        fail(f"{name}: {error}")
    if page.stack:
        fail(f"{name}: unclosed " + ", ".join(f"<{t}> of line {p[0]}" for t, p in page.stack))
    if not page.doctype:
        fail(f"{name}: no <!DOCTYPE html>")
    if page.lang != want_lang:
        fail(f"{name}: <html lang={page.lang!r}>, want {want_lang!r}")
    check_links(name, page)
    return page


def check_links(name, page):
    for tag, target in page.links:
        if re.match(r"^[a-z][a-z0-9+.-]*:|^//", target, re.I):
            fail(f"{name}: <{tag}> reaches outside the package: {target}")
            continue
        local, _, fragment = target.partition("#")
        if local and not os.path.isfile(os.path.join(DOCS, local)):
            fail(f"{name}: <{tag}> names a missing file: {local}")
        if not local and fragment not in page.ids:
            fail(f"{name}: link to a missing anchor #{fragment}")


def help_names_in_window():
    """The file names the Help command asks the shell to open."""
    names = set()
    for dirpath, _, files in os.walk(os.path.join(ROOT, "ui")):
        for f in files:
            if f.endswith((".cpp", ".h")):
                names.update(re.findall(r'"(?:\\\\)?(\w+\.htm)"', open(os.path.join(dirpath, f),
                                                                      encoding="utf-8").read()))
    return names


def main():
    names = help_names_in_window()
    if names != {"HelpE.htm", "Help.htm"}:
        fail(f"the window opens {sorted(names)}, the help files are HelpE.htm and Help.htm")
    english = load_page("HelpE.htm", "en")
    japanese = load_page("Help.htm", "ja")

    pairs = program_text_pairs()
    found = {e for _, e, _ in pairs}
    # A floor, so that a reshaped text table cannot make this test pass on nothing.
    for known in ("Help File Not Found", "[Overlap] bad value", "Can't Merge (Structure is different)"):
        if known not in found:
            fail(f"text pair {known!r} not found in the sources: is the pattern out of date?")
    if len(pairs) < 40:
        fail(f"only {len(pairs)} text pairs found in the sources")

    for page, index, language in ((english, 1, "English"), (japanese, 2, "Japanese")):
        if page is None:
            continue
        shown = page.shown_text()
        for pair in pairs:
            text = as_shown(pair[index])
            if not pattern_for(text).search(shown):
                fail(f"{language} help lacks {text!r} ({pair[0]})")

    if failures:
        print("\n".join(failures))
        return 1
    print(f"ok: {len(pairs)} text pairs found in both help files")
    return 0


if __name__ == "__main__":
    sys.exit(main())
