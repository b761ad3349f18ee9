#!/usr/bin/env python3
"""Checks the two language tables in resources/lang.

Both files are UTF-8 text that the build converts to GBK. This script verifies what the loader and
the dialogs rely on: the "[String]" header on the first line, CR LF line ends, one "key=value" per
line with nothing between the key and "=", no key twice, every character available in GBK, and
exactly the keys each dialog expects (the list below), per language.

Usage: tools/check_lang.py [zh.ini en.ini]
Exit status 0 when both tables pass, 1 otherwise.
"""
import os
import re
import sys

# Keys per dialog: "title" for the caption, then control identifiers; "a-b" is an inclusive range.
DIALOG_KEYS = {
    313: "1068 1069 1070 1124 1132 1142 1145 1146 1153 1155 1157 1159 1161 1163 1165 1167 "
         "1182-1197 1199-1202 1204-1208 1215 1281 1282",
    333: "1069-1079 1123-1126 1131 1132 1135 1136 1190-1205 1293-1300",
    334: "1002 1005 1006 1007 1011 1012 1013 1017 1018 1019 1022 1023 1069-1079 1139 1216 1229 "
         "1231-1236 1238-1241",
    335: "title 2 1002 1005 1006 1012 1013 1022 1023 1039-1049 1068 1069 1070 1073 1131 1143 1144 "
         "1148 1183-1187 1190-1195 1197-1202 1238 1239 1241",
    346: "1002 1005 1006 1007 1045 1069-1079 1220",
    372: "title 1 3 1007",
    373: "title 1 3 4 1599-1624",
    385: "1002 1005 1006 1007 1045 1047-1082 1123-1126 1132 1190 1191 1199-1202 1204-1208 1215 1293",
    410: "title 1005 1045 1123",
    421: "1126 1132 1134 1199-1202 1204-1208",
    423: "title 1 2 1123-1126 1178 1179",
    424: "title 1005 1045 1123",
    479: "title 1005 1007 1074 1077-1080",
    480: "title 2 1005 1007",
    481: "1075 1076",
    482: "1045 1068-1078 1081 1226 1228 1229 1235 1236 1238-1242",
    484: "1005 1007 1070 1071 1237 1238 1239",
    485: "1005 1007",
    512: "title",
    513: "2",
    515: "title 1002 1003 1005 1007 1013 1018 1021 1040 1041 1042 1044 1045 1131-1145 1237",
    516: "1228 1229 1232-1235",
    521: "title 1 2 1005",
    522: "1002 1005 1006 1007 1069-1079 1081 1123-1126 1132 1199-1202 1204-1208",
    542: "title 1069-1072 1076-1079 1199-1202 1204-1208 1215 1216 1284",
    543: "title",
}

# Keys that exist in one table only. In English the compressor page's last three channel buttons
# keep their template texts; the output page has one control labelled in English only.
ONLY_IN = {
    "zh": {"IDD346_1077", "IDD346_1078", "IDD346_1079"},
    "en": {"IDD385_1132"},
}

# Keys whose value is deliberately empty (the control keeps its template text).
EMPTY_KEYS = {"IDD373_1624", "IDD484_1239"}

# Values that deliberately begin with blanks (indented warning text), per language.
LEADING_BLANKS = {"zh": {"IDD484_1238"}, "en": set()}

KEY_RE = re.compile(r"^IDD(\d+)_(title|\d+)$")
GROUP_RE = re.compile(r"^//.*\((\d+)\)\s*$")


def expand(spec):
    out = []
    for item in spec.split():
        if item == "title" or item.isdigit():
            out.append(item)
        else:
            lo, hi = item.split("-")
            out.extend(str(n) for n in range(int(lo), int(hi) + 1))
    return out


def expected_keys(lang):
    keys = set()
    for dialog, spec in DIALOG_KEYS.items():
        for suffix in expand(spec):
            keys.add(f"IDD{dialog}_{suffix}")
    other = "en" if lang == "zh" else "zh"
    return (keys - ONLY_IN[other]) | ONLY_IN[lang]


def check_table(path, lang):
    problems = []

    def bad(lineno, msg):
        problems.append(f"{path}:{lineno}: {msg}" if lineno else f"{path}: {msg}")

    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xef\xbb\xbf"):
        bad(1, "starts with a byte-order mark")
        data = data[3:]
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        bad(0, f"not valid UTF-8 at byte {e.start}")
        return problems, {}
    lines = text.split("\n")
    if lines[-1] == "":
        lines.pop()  # the file ends with a line end
    bare_lf = []
    values = {}
    group = None
    for lineno, line in enumerate(lines, start=1):
        if line.endswith("\r"):
            line = line[:-1]
        elif lineno == len(lines) and not text.endswith("\n"):
            bad(lineno, "last line has no line end")
        else:
            bare_lf.append(lineno)
        if "\r" in line:
            bad(lineno, "carriage return inside the line")
            line = line.replace("\r", "")
        try:
            line.encode("gbk")
        except UnicodeEncodeError as e:
            bad(lineno, f"character {line[e.start]!r} (U+{ord(line[e.start]):04X}) has no GBK code")
        if lineno == 1:
            if line != "[String]":
                bad(1, f'first line is {line!r}, expected "[String]"')
            continue
        if line == "":
            continue
        if line.startswith("//"):
            m = GROUP_RE.match(line)
            group = int(m.group(1)) if m else None
            continue
        if line[0] in " \t":
            bad(lineno, "line starts with a blank")
            continue
        if line.startswith("["):
            bad(lineno, f"unexpected section header {line!r}")
            continue
        key, sep, value = line.partition("=")
        if not sep:
            bad(lineno, f"not a key=value line: {line!r}")
            continue
        if key != key.rstrip(" \t"):
            bad(lineno, f"blank before '=' in {key.strip()!r}")
            key = key.rstrip(" \t")
        if value[:1] in (" ", "\t") and key not in LEADING_BLANKS[lang]:
            bad(lineno, f"blank after '=' in {key!r}")
        m = KEY_RE.match(key)
        if not m:
            bad(lineno, f"malformed key {key!r}")
            continue
        if group is not None and int(m.group(1)) != group:
            bad(lineno, f"{key} stands in the group of dialog {group}")
        if key in values:
            bad(lineno, f"duplicate key {key}")
            continue
        values[key] = value
        if key in EMPTY_KEYS:
            if value != "":
                bad(lineno, f"{key} must be empty")
        elif value.strip() == "":
            bad(lineno, f"{key} has no text")

    if bare_lf:
        shown = ", ".join(str(n) for n in bare_lf[:5]) + (", ..." if len(bare_lf) > 5 else "")
        bad(0, f"{len(bare_lf)} line(s) end with LF instead of CR LF (lines {shown})")

    want = expected_keys(lang)
    have = set(values)
    for key in sorted(want - have, key=sort_key):
        bad(0, f"missing key {key}")
    for key in sorted(have - want, key=sort_key):
        bad(0, f"unexpected key {key}")
    return problems, values


def sort_key(key):
    m = KEY_RE.match(key)
    if not m:
        return (10**9, -1, key)
    suffix = m.group(2)
    return (int(m.group(1)), -1 if suffix == "title" else int(suffix), key)


def main(argv):
    if len(argv) == 3:
        paths = {"zh": argv[1], "en": argv[2]}
    elif len(argv) == 1:
        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "resources", "lang")
        paths = {lang: os.path.normpath(os.path.join(root, f"{lang}.ini")) for lang in ("zh", "en")}
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2

    failed = False
    for lang, path in paths.items():
        try:
            problems, values = check_table(path, lang)
        except OSError as e:
            print(f"{path}: {e.strerror}", file=sys.stderr)
            failed = True
            continue
        for p in problems:
            print(p, file=sys.stderr)
        failed |= bool(problems)
        print(f"{lang}: {len(values)} keys (expected {len(expected_keys(lang))})"
              f"{'' if not problems else f', {len(problems)} problem(s)'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
