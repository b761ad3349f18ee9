#!/usr/bin/env python3
"""Writes a program's manual page (roff, section 1) from its own --help and --version texts.

usage: help_to_man.py PROGRAM OUTPUT [--commands]

With --commands the program is a command-line client with sub-commands: the page also gets a
COMMANDS section holding `PROGRAM COMMAND --help` of every command its --help lists. The help
texts are kept as they are printed (preformatted), so the page never disagrees with the program.
"""
import gzip
import re
import subprocess
import sys

SUMMARIES = {
    "nrtune": "tune karaoke and home-theatre DSP audio processors",
    "nrctl": "command-line client of the DSP audio processors: presets, parameters, EQ, many rooms",
    "nremu": "emulator of the DSP audio processor for demos and tests",
}


def run(argv):
    # The program sees its bare name as argv[0], so no build path shows in its usage line.
    name = argv[0].rsplit("/", 1)[-1]
    done = subprocess.run([name] + argv[1:], executable=argv[0], capture_output=True, text=True, timeout=60)
    if done.returncode != 0:
        sys.exit(f"{' '.join(argv)} exited with {done.returncode}: {done.stderr.strip()}")
    return done.stdout


def roff_text(text):
    """Preformatted lines, escaped so roff prints them literally."""
    lines = []
    for line in text.rstrip("\n").split("\n"):
        line = line.replace("\\", "\\e")
        if line.startswith((".", "'")):
            line = "\\&" + line
        lines.append(line)
    return ".nf\n" + "\n".join(lines) + "\n.fi\n"


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


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    program, output = sys.argv[1], sys.argv[2]
    name = program.rsplit("/", 1)[-1]
    version = run([program, "--version"]).strip().split()[-1]
    help_text = run([program, "--help"])

    page = [
        f'.TH {name.upper()} 1 "" "{name} {version}" "User Commands"',
        ".SH NAME",
        f"{name} \\- {SUMMARIES.get(name, name)}",
        ".SH DESCRIPTION",
        roff_text(help_text).rstrip("\n"),
    ]
    if "--commands" in sys.argv[3:]:
        page.append(".SH COMMANDS")
        for command in commands_of(help_text):
            page.append(f".SS {command}")
            page.append(roff_text(run([program, command, "--help"])).rstrip("\n"))
    page.append(".SH SEE ALSO")
    page.append(", ".join(f"\\fB{other}\\fR(1)" for other in SUMMARIES if other != name))
    data = ("\n".join(page) + "\n").encode("utf-8")
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
