#!/usr/bin/env python3
"""Tells a test that Wine did not start from a test that failed.

Reads ctest's JUnit report (--output-junit) and prints the failed tests, one
per line. Exits 0 when each of them printed nothing of its own: the test
program never reached its main, because Wine failed to start it (under load
Wine now and then loses a new program's connection to its server). Exits 1
when no test failed or when a failed test printed anything besides Wine's
own lines: that is a failure of the test itself.
"""
import re
import sys
import xml.etree.ElementTree as ElementTree

# What Wine itself prints about a program it could not start.
WINE_LINE = re.compile(r"^(wine( client error)?:|[0-9a-f]{4}:(err|fixme|warn):)")


def main(report):
    failed, printed = [], False
    for case in ElementTree.parse(report).getroot().iter("testcase"):
        if case.get("status") != "fail":
            continue
        failed.append(case.get("name"))
        output = case.findtext("system-out") or ""
        printed = printed or any(line.strip() and not WINE_LINE.match(line)
                                 for line in output.splitlines())
    print("\n".join(failed))
    return 0 if failed and not printed else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
