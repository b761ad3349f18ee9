#!/usr/bin/env python3
"""Writes a program's manual page (roff, section 1) from a page template and the program itself.

usage: help_to_man.py PROGRAM TEMPLATE OUTPUT [--commands] [--date YYYY-MM-DD]

The template (packaging/man/NAME.1.in) is the page as written for it: NAME, SYNOPSIS, DESCRIPTION,
the option groups, EXIT STATUS, FILES, ENVIRONMENT, SEE ALSO. @VERSION@ and @DATE@ are filled in.
With --commands the program is a command-line client with sub-commands: @COMMANDS@ becomes one
subsection per command its --help lists, made from `PROGRAM COMMAND --help` (usage, summary and
details as filled text, so man wraps them to the terminal), and @COMMON@ the paragraphs that many
commands share, said once. Every option the program's --help names must appear in the page, so
the page never leaves out what the program offers. An indented line that is kept as it is
(an example of the output) must fit an 80-column terminal.
"""
import gzip
import re
import subprocess
import sys

# A paragraph that this many commands share is said once, in the section the template names.
COMMON_AT = 6
# Lines kept as they are sit 11 columns in (the section and subsection indents and .RS 4).
LONGEST_KEPT_LINE = 80 - 11


def run(argv):
    # The program sees its bare name as argv[0], so no build path shows in its usage line.
    name = argv[0].rsplit("/", 1)[-1]
    done = subprocess.run([name] + argv[1:], executable=argv[0], capture_output=True, text=True, timeout=60)
    if done.returncode != 0:
        sys.exit(f"{' '.join(argv)} exited with {done.returncode}: {done.stderr.strip()}")
    return done.stdout


def escape(text):
    """Text that roff prints as it is: backslashes, option dashes, a leading control character."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def commands_of(help_text):
    """The command names of a 'Commands:' block: the first word of each indented line."""
    names, inside = [], False
    for line in help_text.split("\n"):
        if line.strip() == "Commands:":
            inside = True
            continue
        if inside:
            match = re.match(r"^  (\S+)\s", line)
            if not match:
                if line.strip() == "":
                    break
                continue
            names.append(match.group(1))
    return names


def parse_command_help(text):
    """(synopsis, summary, blocks) of `PROGRAM COMMAND --help`. Blocks are ("para", text),
    ("item", term, description) and ("kept", [lines])."""
    lines = text.rstrip("\n").split("\n")
    if not lines or not lines[0].startswith("usage: "):
        raise ValueError("no usage line")
    synopsis = lines[0][len("usage: "):]
    i = 1
    while i < len(lines) and lines[i].startswith(" ") and lines[i].strip():
        synopsis += " " + lines[i].strip()
        i += 1
    while i < len(lines) and not lines[i].strip():
        i += 1
    summary = lines[i].strip() if i < len(lines) else ""
    blocks = parse_blocks(lines[i + 1:])
    return synopsis, summary, blocks


def parse_blocks(lines):
    blocks = []
    item_indent = None  # indent of the item that continuation lines extend
    for line in lines:
        if not line.strip():
            blocks.append(("break",))
            item_indent = None
            continue
        indent = len(line) - len(line.lstrip())
        body = line.strip()
        if indent == 0:
            item_indent = None
            if blocks and blocks[-1][0] == "para":
                blocks[-1] = ("para", blocks[-1][1] + " " + body)
            else:
                blocks.append(("para", body))
            continue
        if item_indent is not None and indent > item_indent:
            kind, term, description = blocks[-1]
            blocks[-1] = (kind, term, description + " " + body)
            continue
        match = re.match(r"^(\S(?:.*?\S)?)\s{2,}(\S.*)$", body)
        term_limit = 48 if body.startswith("-") else 28
        if match and len(match.group(1)) <= term_limit and "  " not in match.group(2):
            blocks.append(("item", match.group(1), match.group(2)))
            item_indent = indent
            continue
        item_indent = None
        if len(line) - 2 > LONGEST_KEPT_LINE:  # help texts indent such lines by two
            raise ValueError(f"this line is kept as it is and is too long for the manual page: {line!r}")
        if blocks and blocks[-1][0] == "kept":
            blocks[-1][1].append(line)
        else:
            blocks.append(("kept", [line]))
    return [b for b in blocks if b[0] != "break"]


def roff_blocks(blocks):
    out = []
    for block in blocks:
        if block[0] == "para":
            out += [".PP", escape(block[1])]
        elif block[0] == "item":
            term = escape(block[1])
            out += [".TP", f"\\fB{term}\\fR" if block[1].startswith("-") else term, escape(block[2])]
        else:
            indent = min(len(l) - len(l.lstrip()) for l in block[1])
            out += [".PP", ".RS 4", ".nf"] + [escape(l[indent:]) for l in block[1]] + [".fi", ".RE"]
    return out


def commands_section(program, name, help_text):
    """The COMMANDS subsections and the paragraphs they share."""
    parsed = {}
    for command in commands_of(help_text):
        try:
            parsed[command] = parse_command_help(run([program, command, "--help"]))
        except ValueError as problem:
            sys.exit(f"{name} {command} --help: {problem}")
    counts = {}
    for _, _, blocks in parsed.values():
        for text in {b[1] for b in blocks if b[0] == "para"}:
            counts[text] = counts.get(text, 0) + 1
    # In the order the commands give them (the link's paragraph before the mode files').
    common = [text for text, n in counts.items() if n >= COMMON_AT]
    before = {text: 0 for text in common}
    for _, _, blocks in parsed.values():
        shared = [b[1] for b in blocks if b[0] == "para" and b[1] in before]
        for i, text in enumerate(shared):
            before[text] += len(shared) - 1 - i
    common.sort(key=lambda text: -before[text])
    section = []
    for command, (synopsis, summary, blocks) in parsed.items():
        words = synopsis.split(" ", 2)
        section += [f".SS {command}", f"\\fB{escape(' '.join(words[:2]))}\\fR " +
                    escape(words[2] if len(words) > 2 else "")]
        if summary:
            section += [".PP", escape(summary[0].upper() + summary[1:]) + ("" if summary.endswith(".") else ".")]
        own = [b for b in blocks if not (b[0] == "para" and b[1] in common)]
        section += roff_blocks(own)
        if len(own) != len(blocks):
            section += [".PP", "Connecting, mode files and exit statuses: see \\fBCONNECTING\\fR."]
    return section, [line for text in common for line in (".PP", escape(text))]


def main():
    args = sys.argv[1:]
    if len(args) < 3:
        sys.exit(__doc__)
    program, template, output = args[:3]
    date = args[args.index("--date") + 1] if "--date" in args else ""
    name = program.rsplit("/", 1)[-1]
    version = run([program, "--version"]).strip().split()[-1]
    help_text = run([program, "--help"])

    with open(template, encoding="utf-8") as f:
        page = f.read().replace("@VERSION@", version).replace("@DATE@", date)
    if "--commands" in args[3:]:
        section, common = commands_section(program, name, help_text)
        page = page.replace("@COMMANDS@\n", "\n".join(section) + "\n").replace("@COMMON@\n", "\n".join(common) + "\n")
    missing = sorted({o for o in re.findall(r"(?<![\w-])--[a-z][a-z0-9-]*", help_text)
                      if escape(o) not in page})
    if missing:
        sys.exit(f"{template} does not describe {', '.join(missing)} of {name}")
    if "@" in re.sub(r"\S+@\S+\.\w+", "", page):
        sys.exit(f"{template} holds an unfilled @PLACEHOLDER@")

    data = page.encode("utf-8")
    if output.endswith(".gz"):
        with open(output, "wb") as f:
            # mtime 0: the same program gives the same bytes, whenever it is built.
            with gzip.GzipFile(filename="", mode="wb", fileobj=f, compresslevel=9, mtime=0) as z:
                z.write(data)
    else:
        with open(output, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
