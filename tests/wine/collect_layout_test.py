#!/usr/bin/env python3
"""Runs velt.exe collect under Wine over tests/wine/layout/ and compares the
bundle's summary.txt and comments.txt with the layout stored beside this
script (summary-layout.txt), with what belongs to the machine masked: the
time, the system, the user, the bundle's path, the files' folder, sizes.
When the Linux build's velt is there, its run over the same configurations
is compared with the stored layout too, so that a difference says which side
moved away.

usage: collect_layout_test.py [--linux-velt VELT] [--write] -- EMULATOR... VELT_EXE

--write stores the masked layout of the Linux run (or, without one, of the
Wine run) as the new expected layout.
"""
import argparse
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
INSTALL = os.path.join(HERE, "layout")
EXPECTED = os.path.join(HERE, "summary-layout.txt")
COMMENT = "Layout check of the Windows build"

# Lines of the main information whose value is the machine's.
MACHINE_LABELS = ("Time:", "OS:", "User Name:", "Bundle on client computer:")
# A size in the "File Size" column: "12 bytes", "2.31K", "1.20M".
SIZE = re.compile(r"(?<=  )\d+(\.\d+)?( bytes|K|M|G)(?= *$)")
# The command a note names is each system's own (sh -c, cmd.exe).
COMMAND = re.compile(r"(rather than data: ).*")


def windows_path(path):
    """The path as a Windows program under Wine names it (drive Z: is /)."""
    return "Z:" + path.replace("/", "\\")


def mask(text, files_folders):
    """summary.txt's text with the machine's facts replaced by <...>. A line
    that had something replaced loses its trailing blanks, which pad a value
    of the machine's own length."""
    lines = []
    for line in text.split("\r\n"):
        masked = line
        for label in MACHINE_LABELS:
            if line.startswith(label + " "):
                masked = label.ljust(30) + "<" + label.rstrip(":").upper() + ">"
        for folder in files_folders:
            masked = masked.replace(folder, "<FILES>")
        masked = re.sub(r"<FILES>[\\/]", "<FILES>/", masked)
        masked = SIZE.sub("<SIZE>", masked)
        masked = COMMAND.sub(r"\1<COMMAND>", masked)
        lines.append(masked.rstrip(" ") if masked != line else line)
    return "\r\n".join(lines)


def collect(command, out, files, env_files):
    """Runs one collect; returns (summary, comments) of its bundle or fails."""
    env = dict(os.environ, VELT_LAYOUT_FILES=env_files)
    run = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         stdin=subprocess.DEVNULL, check=False)
    bundles = [name for name in os.listdir(out) if name.endswith(".zip")]
    if run.returncode != 0 or len(bundles) != 1:
        sys.exit("FAIL: %s exited with %d, bundles %s:\n%s" %
                 (" ".join(command), run.returncode, bundles, run.stdout.decode("utf-8", "replace")))
    with zipfile.ZipFile(os.path.join(out, bundles[0])) as bundle:
        names = sorted(bundle.namelist())
        summary = bundle.read("summary.txt").decode("utf-8")
        comments = bundle.read("comments.txt").decode("utf-8")
    return names, summary, comments


def layout(names, summary, comments, files):
    """The text the stored layout holds: the bundle's entries, comments.txt
    and the masked summary.txt."""
    folders = [files, windows_path(files)]
    entries = "\r\n".join(n for n in names if n != "manifest.json")
    return ("== entries\r\n" + entries + "\r\n== comments.txt\r\n" + comments +
            "\r\n== summary.txt\r\n" + mask(summary, folders))


def compare(what, actual, expected):
    if actual == expected:
        return True
    print("FAIL: the layout of %s differs from %s:" % (what, EXPECTED))
    for line in difflib.unified_diff(expected.split("\r\n"), actual.split("\r\n"),
                                     "expected", what, lineterm="", n=2):
        print(line)
    return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linux-velt")
    parser.add_argument("--write", action="store_true")
    parser.add_argument("wine", nargs="+", help="the emulator's words, then velt.exe")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="vl")
    try:
        files = os.path.join(work, "f")
        os.mkdir(files)
        for name, text in (("first.log", "one\n"), ("second.log", "two\n")):
            with open(os.path.join(files, name), "w") as f:
                f.write(text)
        runs = {}
        if args.linux_velt and os.path.exists(args.linux_velt):
            out = os.path.join(work, "linux")
            os.mkdir(out)
            runs["the Linux run"] = layout(*collect(
                [args.linux_velt, "collect", "-q", "-o", out + "/", "--install-dir", INSTALL,
                 "--comment", COMMENT], out, files, files), files)
        out = os.path.join(work, "wine")
        os.mkdir(out)
        runs["the Wine run"] = layout(*collect(
            args.wine + ["collect", "-q", "-o", windows_path(out) + "\\", "--install-dir",
                         windows_path(INSTALL), "--comment", COMMENT],
            out, files, windows_path(files)), files)
        if args.write:
            text = runs.get("the Linux run", runs["the Wine run"])
            with open(EXPECTED, "w", newline="") as f:
                f.write(text)
            print("wrote", EXPECTED)
            return 0
        with open(EXPECTED, newline="") as f:
            expected = f.read()
        ok = True
        for what, text in runs.items():
            ok = compare(what, text, expected) and ok
        if ok:
            print("summary.txt layout of %s matches" % " and ".join(runs))
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
