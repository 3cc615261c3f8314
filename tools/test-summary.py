#!/usr/bin/env python3
"""Sums up a ./test run: every GoogleTest case of every architecture, plus every test
exe that ended without a report of its own (a crash or a time-out counts as one failure).

    test-summary.py RESULTS_DIR

RESULTS_DIR holds <arch>-ctest.xml (ctest's JUnit report) and <arch>/<exe>.xml
(GoogleTest's reports). Prints the failures and ends with "N passed, N failed, N skipped";
exits 1 when anything failed.
"""
import pathlib
import sys
import xml.etree.ElementTree as ET


def gtest_cases(report):
    for case in ET.parse(report).getroot().iter("testcase"):
        name = f"{case.get('classname')}.{case.get('name')}"
        if case.find("failure") is not None or case.find("error") is not None:
            yield name, "failed"
        elif case.get("result") == "skipped" or case.find("skipped") is not None:
            yield name, "skipped"
        elif case.get("status") == "notrun":
            continue
        else:
            yield name, "passed"


def main():
    results = pathlib.Path(sys.argv[1])
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    failures = []
    for ctest_report in sorted(results.glob("*-ctest.xml")):
        arch = ctest_report.name[: -len("-ctest.xml")]
        for test in ET.parse(ctest_report).getroot().iter("testcase"):
            exe = test.get("name")
            exe_failed = test.find("failure") is not None or test.find("error") is not None
            report = results / arch / f"{exe}.xml"
            exe_counted_failure = False
            if report.exists():
                for name, outcome in gtest_cases(report):
                    counts[outcome] += 1
                    if outcome == "failed":
                        failures.append(f"{arch} {exe}: {name}")
                        exe_counted_failure = True
            if exe_failed and not exe_counted_failure:
                counts["failed"] += 1
                failures.append(f"{arch} {exe}: ended without a passing report (crash or time-out)")
            elif not report.exists() and not exe_failed:
                counts["passed"] += 1  # a plain ctest test with no GoogleTest report
    if failures:
        print("\nFailed:")
        for line in failures:
            print("  " + line)
    print(f"\n{counts['passed']} passed, {counts['failed']} failed, {counts['skipped']} skipped")
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
