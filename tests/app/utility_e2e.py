#!/usr/bin/env python3
"""The utility end to end, as a user runs it: the built ZorvanMenu.exe under Wine with COM1
on the switch box simulator's pty, driven with real X input (xdotool) on its window. Each
step checks the command the simulator parsed: its bytes, and its gaps against the nominal
pauses.

    utility_e2e.py --arch win64 --build-dir DIR --host-tools DIR --exe ZorvanMenu.exe
"""
import argparse
import os
import sys
import xml.etree.ElementTree as ET

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from utility_session import Failure, IsolatedSession, config_text, wait_for  # noqa: E402

TURN_ON_GAPS_MS = [500, 50, 50, 50]
ALL_OFF_GAPS_MS = [500, 50]
# Measured under Wine on these machines (tools/utility-benchmark): gaps land within 2 to 4 ms
# of nominal on both architectures. The box only needs the bytes spaced, so 40 ms either way
# means the write path is broken, not that the machine is busy.
TOLERANCE_MS = 40


def check_command(event, data, gaps_ms):
    if event["bytes"] != data:
        raise Failure(f"expected {data} on the line, got {event['bytes']} ({event['kind']})")
    for i, (measured, nominal) in enumerate(zip(event["gaps_ms"], gaps_ms)):
        if abs(measured - nominal) > TOLERANCE_MS:
            raise Failure(f"gap {i + 1} of {data}: {measured} ms, nominal {nominal} ms")


def expect_port_closed(s):
    """After a command the utility closes the port (its 300 ms pause follows the close)."""
    wait_for(lambda: not s.holders(), 3, "the utility to close the port")


def test_keys_and_clicks(args):
    with IsolatedSession(args.arch, args.build_dir, args.host_tools, args.exe, config_text()) as s:
        if s.holders():
            raise Failure("the port is open before any command")
        s.key("c")
        wait_for(s.holders, 3, "the utility to open the port")   # so the check below can see it
        check_command(s.next_event(), "7e 7e 77 43 78", TURN_ON_GAPS_MS)
        expect_port_closed(s)
        s.key("a")
        check_command(s.next_event(), "7e 7e 77 41 78", TURN_ON_GAPS_MS)
        expect_port_closed(s)
        s.key("A")   # the same command as "a"
        check_command(s.next_event(), "7e 7e 77 41 78", TURN_ON_GAPS_MS)
        s.key("z")   # no port Z: nothing
        s.key("u")
        check_command(s.next_event(), "7e 7e 77", ALL_OFF_GAPS_MS)
        expect_port_closed(s)
        # A click on the second button of the first column (client area from 10, 10).
        s.click(60, 70)
        check_command(s.next_event(), "7e 7e 77 42 78", TURN_ON_GAPS_MS)
        s.expect_quiet(1.0)
        s.exit()


def test_grave_accent(args):
    with IsolatedSession(args.arch, args.build_dir, args.host_tools, args.exe, config_text("Yes")) as s:
        s.key("a")
        check_command(s.next_event(), "60 60 77 41 78", TURN_ON_GAPS_MS)
        s.exit()


def test_missing_device(args):
    ini = config_text(comport="ZVNOPORT9")
    with IsolatedSession(args.arch, args.build_dir, args.host_tools, args.exe, ini) as s:
        s.key("a")
        # The serial component's own message, in the program's message box.
        box = wait_for(s.message_box, 10, "the error message")
        s.screenshot(os.path.join(args.build_dir, "artifacts", f"utility-e2e-missing-device-{args.arch}.png"))
        s.expect_quiet(1.0)
        s.key("Return", window=box)
        wait_for(lambda: not s.message_box(), 10, "the message to close")
        s.exit()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--arch", required=True)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--host-tools", required=True)
    parser.add_argument("--exe", required=True)
    args = parser.parse_args()
    # The simulator's pty link is handed to Wine, which resolves it from elsewhere.
    args.build_dir, args.exe = os.path.abspath(args.build_dir), os.path.abspath(args.exe)
    outcomes = []
    for test in (test_keys_and_clicks, test_grave_accent, test_missing_device):
        try:
            test(args)
            outcomes.append((test.__name__, None))
            print(f"[  PASSED  ] {test.__name__}")
        except Failure as failure:
            outcomes.append((test.__name__, str(failure)))
            print(f"[  FAILED  ] {test.__name__}: {failure}")
    if os.environ.get("ZV_TEST_RESULTS"):
        write_report(os.path.join(os.environ["ZV_TEST_RESULTS"], "utility_e2e.xml"), outcomes)
    return 1 if any(failure for _, failure in outcomes) else 0


def write_report(path, outcomes):
    """A report in GoogleTest's XML form, so the run's summary counts each case."""
    suite = ET.Element("testsuite", name="UtilityEndToEnd", tests=str(len(outcomes)))
    for name, failure in outcomes:
        case = ET.SubElement(suite, "testcase", classname="UtilityEndToEnd", name=name)
        if failure:
            ET.SubElement(case, "failure", message=failure)
    root = ET.Element("testsuites")
    root.append(suite)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    ET.ElementTree(root).write(path, encoding="utf-8", xml_declaration=True)


if __name__ == "__main__":
    sys.exit(main())
