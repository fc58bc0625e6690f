#!/usr/bin/env python3
"""The help files that the Help menu opens, and the README.txt of the
Windows package: the names the window asks for exist under docs/, each
help file declares its character set early enough for a browser's
pre-scan and decodes in it, is well-formed plain HTML without script or
network, every local link and anchor resolves, and every text pair of the
program (messages, status lines, menus) appears word for word in the help
of its language, so a message added without help fails here. The command
line's synopsis in both help files and in both languages of README.txt is
the table of commands' (cli/command_table.cpp) line for line, each help
file has an entry for every command, and both name every item of the
Operate menu of their language (resources/main_dialog.rc). README.md's
synopsis is the table's too; each of the four documents names every
command of the table as "tavrin COMMAND" (or tavrin-cli) and no command the
table lacks, none calls the command line Linux-only, and the help counts
the jobs below the Operate menu's separator as the menu has them."""
import html
import html.parser
import os
import re
import subprocess
import sys

from source_tree import ROOT, top_folders

DOCS = os.path.join(ROOT, "docs")
# Top-level folders whose sources are no part of the program: their texts
# need no help. Every other folder is searched, so a new room with texts is
# held to the help without being named here.
NOT_PROGRAM = {"tests", "tools", "fuzz", "plugin"}
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


def program_folders():
    return sorted(top_folders() - NOT_PROGRAM)


def program_text_pairs():
    """Every English/Japanese pair written as {"english", "japanese"} in the
    program's sources (the jobs' and the window's text tables), and the text
    tables (*_texts.cpp, *_texts.h) that hold none, which would mean the
    pattern no longer reads them."""
    pairs, empty_tables = [], []
    for folder in program_folders():
        for dirpath, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp")):
                    continue
                if os.path.basename(dirpath) == "texts" and name[:-len("_texts.h")] not in CORE_TEXT_FILES:
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8") as f:
                    source = without_comments(f.read())
                found = 0
                for m in PAIR.finditer(source):
                    english, japanese = literal_value(m.group(1)), literal_value(m.group(2))
                    if not (english.isascii() and not japanese.isascii()):
                        continue
                    found += 1
                    # A text with places ({1}) is a pattern the job fills, not shown as written.
                    if not PLACE.search(english):
                        pairs.append((os.path.relpath(path, ROOT), english, japanese))
                # A room's result table names the catalogue's texts (texts::).
                if not found and re.search(r"_texts\.(h|cpp)$", name) and "texts::" not in source:
                    empty_tables.append(os.path.relpath(path, ROOT))
    return pairs, empty_tables


def as_shown(text):
    """A menu text as the user reads it: no '&' marker, no '(&X)' suffix."""
    return re.sub(r"\(&.\)", "", text).replace("&", "")


def pattern_for(text):
    """Whitespace-insensitive pattern; printf numbers match any number."""
    pieces = re.split(r"%[-+ #0-9.]*[a-zA-Z]", " ".join(text.split()))
    return re.compile(r"\d+(?:\.\d+)?".join(re.escape(p) for p in pieces))


# ---- the table of commands and the Operate menu ------------------------

# A row: name, function, summary, synopsis, help, then its options and operands.
COMMAND_ROW = re.compile(rf'\{{\s*"([a-z]+)"\s*,\s*Run\w+\s*,\s*({STRINGS})\s*,\s*({STRINGS})\s*,\s*({STRINGS})\s*[,}}]')


def command_table():
    """The commands' names and the program's synopsis, one line a list item,
    as cli/command_table.cpp holds them (None when it cannot be read)."""
    path = os.path.join(ROOT, "cli", "command_table.cpp")
    source = without_comments(open(path, encoding="utf-8").read())
    rows = [(m.group(1), literal_value(m.group(3))) for m in COMMAND_ROW.finditer(source)]
    help_line = re.search(rf"kHelpSynopsis\[\]\s*=\s*({STRINGS})\s*;", source)
    if len(rows) < 8 or help_line is None:
        fail(f"cli/command_table.cpp: {len(rows)} command rows and {'a' if help_line else 'no'} kHelpSynopsis "
             "found: is the pattern out of date?")
        return None, None
    synopsis = [line for _, text in rows for line in text.split("\n")] + [literal_value(help_line.group(1))]
    return [name for name, _ in rows], synopsis


def synopsis_as_printed():
    """The synopsis tavrin help prints, when the built program is at hand
    (TAVRIN_CLI): the table as this test reads it must be the same."""
    cli = os.environ.get("TAVRIN_CLI")
    if not cli or not os.access(cli, os.X_OK):
        return None
    run = subprocess.run([cli, "help"], capture_output=True, text=True)
    if run.returncode != 0 or "usage: " not in run.stdout:
        fail(f"{cli} help: exit {run.returncode} without a synopsis")
        return None
    usage = run.stdout[run.stdout.find("usage: "):].splitlines()
    return [re.sub(r"^usage: ", "", line) for line in usage]


def normalised(lines):
    """Lines as words: indentation and runs of blanks do not count."""
    return [" ".join(line.split()) for line in lines if line.strip()]


def check_synopsis(where, lines, synopsis):
    got, want = normalised(lines), normalised(synopsis)
    if got == want:
        return
    missing = [line for line in want if line not in got]
    extra = [line for line in got if line not in want]
    fail(f"{where}: the synopsis is not the table of commands' (cli/command_table.cpp)" +
         "".join(f"\n  lacks:    {line}" for line in missing) +
         "".join(f"\n  not in the table: {line}" for line in extra) +
         ("" if missing or extra else "\n  (the same lines in another order)"))


def operate_menu_jobs():
    """How many items the Operate menu has below its separator (the jobs
    beside the page's own), in each language."""
    source = open(os.path.join(ROOT, "resources", "main_dialog.rc"), encoding="utf-8").read()
    counts = {}
    for language, menu in (("en", "IDM_FORM_MENUE"), ("ja", "IDM_FORM_MENU")):
        m = re.search(rf"^{menu} MENU\b(.*?)^(?:END|\}})", source, re.M | re.S)
        operate = next((p for p in re.split(r"\bPOPUP\b", m.group(1) if m else "") if "IDM_JOIN" in p), "")
        below = operate.split("MENUITEM SEPARATOR", 1)
        counts[language] = len(re.findall(r'MENUITEM\s+"', below[1])) if len(below) == 2 else 0
    return counts


def operate_menu_items():
    """The Operate menu's items as shown, English and Japanese, from the
    menus in resources/main_dialog.rc (the menu that holds IDM_JOIN)."""
    source = open(os.path.join(ROOT, "resources", "main_dialog.rc"), encoding="utf-8").read()
    items = {}
    for language, menu in (("en", "IDM_FORM_MENUE"), ("ja", "IDM_FORM_MENU")):
        m = re.search(rf"^{menu} MENU\b(.*?)^(?:END|\}})", source, re.M | re.S)
        popups = re.split(r"\bPOPUP\b", m.group(1)) if m else []
        operate = next((p for p in popups if "IDM_JOIN" in p), "")
        items[language] = [as_shown(text) for text in re.findall(r'MENUITEM\s+"([^"]+)"', operate)]
        if len(items[language]) < 5:
            fail(f"resources/main_dialog.rc: {menu}'s Operate menu has {len(items[language])} items: "
                 "is the pattern out of date?")
    return items


def check_command_line_section(name, page, commands, synopsis):
    """The help's command line section: the table's synopsis in its <pre>,
    a list entry beginning with each command, and the Windows program."""
    m = re.search(r'<h2 id="cli">.*?(?=<h2|\Z)', page.source, re.S)
    if m is None:
        fail(f"{name}: no command line section (<h2 id=\"cli\">)")
        return
    section = m.group(0)
    pre = re.search(r"<pre>(.*?)</pre>", section, re.S)
    if pre is None:
        fail(f"{name}: the command line section has no <pre> synopsis")
    else:
        check_synopsis(name, html.unescape(re.sub(r"<[^>]+>", "", pre.group(1))).splitlines(), synopsis)
    for command in commands:
        if not re.search(rf"<li>\s*<code>{command}\b", section):
            fail(f"{name}: the command line section has no entry (<li><code>{command}...) for {command}")
    if "tavrin-cli.exe" not in section:
        fail(f"{name}: the command line section does not name tavrin-cli.exe, the Windows program")


def check_package_readme(synopsis, menu):
    """README.txt of the Windows zip: in each language the synopsis of
    tavrin-cli (tavrin's, under the Windows program's name) and every item
    of the Operate menu."""
    name = "package/README.txt"
    text = open(os.path.join(DOCS, "package", "README.txt"), encoding="utf-8").read()
    parts = re.split(r"^日本語\n-+\n", text, flags=re.M)
    if len(parts) != 2:
        fail(f"{name}: no Japanese part (a line 日本語 underlined with -)")
        return
    for language, part in zip(("en", "ja"), parts):
        lines = part.splitlines()
        first = next((i for i, line in enumerate(lines) if re.match(r"^\s+tavrin-cli info ", line)), None)
        last = next((i for i, line in enumerate(lines)
                     if first is not None and i >= first and "tavrin-cli COMMAND --help" in line), None)
        if last is None:
            fail(f"{name} ({language}): no synopsis from 'tavrin-cli info' to 'tavrin-cli COMMAND --help'")
        else:
            block = [line.replace("tavrin-cli ", "tavrin ") for line in lines[first:last + 1]]
            check_synopsis(f"{name} ({language})", block, synopsis)
        flat = " ".join(part.split())
        for item in menu.get(language, []):
            if item not in flat:
                fail(f"{name} ({language}): the Operate menu's {item!r} is not named")


# ---- the commands every document names ----------------------------------

# "tavrin COMMAND" or "tavrin-cli COMMAND" (not tavrin-cli.exe, a file name
# followed by prose).
COMMAND_NAMED = re.compile(r"(?<![\w/.-])tavrin(?:-cli)? +([a-z][a-z-]*)\b")
LINUX_ONLY = re.compile(r"Linux[- ]only|only (?:on|for|under) Linux|Linux\s*(?:専用|のみ|でのみ|だけ)", re.I)
# The help's words for the number of jobs below the Operate menu's separator.
COUNT_WORDS = {"en": ["", "One", "Two", "Three", "Four", "Five", "Six", "Seven", "Eight", "Nine"],
               "ja": ["", "一", "二", "三", "四", "五", "六", "七", "八", "九"]}
JOBS_SENTENCE = {"en": re.compile(r"\b([A-Z][a-z]+) more jobs sit in the <b>Operate</b> menu"),
                 "ja": re.compile(r"さらに(.)つの処理があります")}


def check_commands_named(name, text, commands):
    """text names every command of the table as tavrin COMMAND, and no
    command the table lacks (help is tavrin's own)."""
    named = set(COMMAND_NAMED.findall(text))
    for command in sorted(named - set(commands) - {"help"}):
        fail(f"{name}: names 'tavrin {command}', which is no command of cli/command_table.cpp")
    for command in commands:
        if command not in named:
            fail(f"{name}: never names 'tavrin {command}' (cli/command_table.cpp has it)")
    for m in LINUX_ONLY.finditer(text):
        fail(f"{name}: calls the command line {m.group(0)!r}; tavrin-cli.exe runs on Windows")


def exact_cut_json_fields():
    """The fields cut --exact adds to each range's JSON, as cli/cmd_cut.cpp
    writes them (its AddExactJson), sound's own included."""
    source = without_comments(open(os.path.join(ROOT, "cli", "cmd_cut.cpp"), encoding="utf-8").read())
    body = re.search(r"void AddExactJson\(.*?\n}\n", source, re.S)
    fields = sorted(set(re.findall(r'\.(?:Int|Fixed|Bool|String|Null|Array)\("([a-z_]+)"', body.group(0)))) if body else []
    if "sync_ms" not in fields:
        fail(f"cli/cmd_cut.cpp: AddExactJson's fields {fields} lack sync_ms: is the pattern out of date?")
    return fields


def check_json_fields(name, source, fields):
    """Every field is named in the page as <code>field</code>."""
    for field in fields:
        if f"<code>{field}</code>" not in source:
            fail(f"{name} does not name cut --exact's JSON field {field!r}")


def check_jobs_count(name, source, language, jobs):
    m = JOBS_SENTENCE[language].search(source)
    if m is None:
        fail(f"{name}: no sentence counting the Operate menu's jobs ({JOBS_SENTENCE[language].pattern})")
    elif jobs >= len(COUNT_WORDS[language]) or m.group(1) != COUNT_WORDS[language][jobs]:
        fail(f"{name}: says {m.group(1)!r} jobs below the Operate menu's own item; the menu has {jobs}")


def readme_synopsis_block(text):
    """README.md's synopsis: the indented lines from 'tavrin info' to
    'tavrin COMMAND --help' in the section for Linux users."""
    m = re.search(r"^## For Linux users.*?(?=^## |\Z)", text, re.M | re.S)
    lines = (m.group(0) if m else "").splitlines()
    first = next((i for i, line in enumerate(lines) if re.match(r"^ {4}tavrin info ", line)), None)
    last = next((i for i, line in enumerate(lines)
                 if first is not None and i >= first and "tavrin COMMAND --help" in line), None)
    return None if last is None else lines[first:last + 1]


def check_documents_name_commands(commands, synopsis):
    readme = open(os.path.join(ROOT, "README.md"), encoding="utf-8").read()
    block = readme_synopsis_block(readme)
    if block is None:
        fail("README.md: no synopsis from '    tavrin info' to 'tavrin COMMAND --help' under 'For Linux users'")
    elif synopsis:
        check_synopsis("README.md", block, synopsis)
    documents = {"README.md": readme,
                 "package/README.txt": open(os.path.join(DOCS, "package", "README.txt"), encoding="utf-8").read()}
    for help_file in ("HelpE.htm", "Help.htm"):
        documents[help_file] = html.unescape(open(os.path.join(DOCS, help_file), encoding="utf-8-sig").read())
    for name, text in documents.items():
        # In the help a command is named inside <code>, so the markup stays:
        # "<code>tavrin</code> on Linux" names none.
        check_commands_named(name, text, commands)


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
    page.source = text
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

    pairs, empty_tables = program_text_pairs()
    found = {e for _, e, _ in pairs}
    # A floor, so that a reshaped text table cannot make this test pass on nothing.
    for known in ("Help File Not Found", "[Overlap] bad value", "Can't Merge (Structure is different)"):
        if known not in found:
            fail(f"text pair {known!r} not found in the sources: is the pattern out of date?")
    if len(pairs) < 40:
        fail(f"only {len(pairs)} text pairs found in the sources")
    for table in empty_tables:
        fail(f"{table}: no text pair found in this text table: is the pattern out of date?")

    commands, synopsis = command_table()
    printed = synopsis_as_printed()
    if synopsis and printed is not None and normalised(printed) != normalised(synopsis):
        fail("the synopsis read from cli/command_table.cpp is not the one tavrin help prints: "
             "is the pattern out of date?")
    menu = operate_menu_items()
    if synopsis:
        check_package_readme(synopsis, menu)
    if commands:
        check_documents_name_commands(commands, synopsis)
    jobs = operate_menu_jobs()
    exact_fields = exact_cut_json_fields()

    for page, index, language, lang in ((english, 1, "English", "en"), (japanese, 2, "Japanese", "ja")):
        if page is None:
            continue
        shown = page.shown_text()
        for pair in pairs:
            text = as_shown(pair[index])
            if not pattern_for(text).search(shown):
                fail(f"{language} help lacks {text!r} ({pair[0]})")
        if synopsis:
            check_command_line_section(f"{language} help", page, commands, synopsis)
        for item in menu.get(lang, []):
            if item not in shown:
                fail(f"{language} help does not name the Operate menu's {item!r}")
        check_jobs_count(f"{language} help", page.source, lang, jobs.get(lang, 0))
        check_json_fields(f"{language} help", page.source, exact_fields)

    if failures:
        print("\n".join(failures))
        return 1
    print(f"ok: {len(pairs)} text pairs ({len(program_folders())} folders searched) found in both help files; "
          f"the synopsis of {len(commands or [])} commands and the Operate menu's "
          f"{len(menu.get('en', []))} items in both help files and both parts of README.txt; "
          f"README.md's synopsis and the {len(commands or [])} commands named in all four documents")
    return 0


if __name__ == "__main__":
    sys.exit(main())
