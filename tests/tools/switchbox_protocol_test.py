"""The simulator's command parser, driven with exact byte times."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from switchbox.protocol import QUIET_AFTER_SELECT, SwitchBox  # noqa: E402

TURN_ON_GAPS = (0.5, 0.05, 0.05, 0.05)


def send(box, data, start=0.0, gaps=None):
    """Feeds the bytes at the command's own spacing (or `gaps`); returns events and end time."""
    gaps = list(gaps if gaps is not None else TURN_ON_GAPS)
    events, now = [], start
    for i, byte in enumerate(data):
        events += box.feed(byte, now)
        if i < len(data) - 1:
            now += gaps[i] if i < len(gaps) else 0.05
    return events, now


def kinds(events):
    return [(e.kind, e.port) for e in events]


class TurnOn(unittest.TestCase):
    def test_each_attention_byte_turns_the_port_on_with_its_gaps(self):
        for attention in (b"~", b"`"):
            with self.subTest(attention=attention):
                box = SwitchBox()
                events, _ = send(box, attention * 2 + b"wCx")
                self.assertEqual(kinds(events), [("on", "C")])
                self.assertTrue(box.is_on("C"))
                self.assertEqual(events[0].data, attention * 2 + b"wCx")
                for measured, nominal in zip(events[0].gaps, TURN_ON_GAPS):
                    self.assertAlmostEqual(measured, nominal)

    def test_repeated_commands_keep_the_port_on(self):
        box = SwitchBox()
        events, end = send(box, b"~~wAx")
        more, _ = send(box, b"~~wAx", start=end + 1)
        self.assertEqual(kinds(events + more), [("on", "A"), ("on", "A")])
        self.assertEqual(sum(box.ports), 1)

    def test_a_third_attention_byte_keeps_the_command_armed(self):
        box = SwitchBox()
        events, _ = send(box, b"~~~wTx")
        self.assertEqual(kinds(events), [("on", "T")])


class AllOff(unittest.TestCase):
    def test_select_followed_by_silence_turns_every_port_off(self):
        box = SwitchBox()
        _, end = send(box, b"~~wAx")
        _, end = send(box, b"~~wBx", start=end + 1)
        events, end = send(box, b"~~w", start=end + 1)
        self.assertEqual(events, [])
        self.assertEqual(box.poll(end + QUIET_AFTER_SELECT / 2), [])
        self.assertEqual(kinds(box.poll(end + QUIET_AFTER_SELECT)), [("all-off", None)])
        self.assertFalse(any(box.ports))

    def test_the_next_command_completes_a_pending_all_off(self):
        box = SwitchBox()
        _, end = send(box, b"~~wAx")
        events, end = send(box, b"~~w", start=end + 1)
        more, _ = send(box, b"~~wCx", start=end + 0.1)
        self.assertEqual(kinds(events + more), [("all-off", None), ("on", "C")])
        self.assertEqual([chr(65 + i) for i, on in enumerate(box.ports) if on], ["C"])


class Interrupted(unittest.TestCase):
    def test_dropped_commands_change_nothing(self):
        cases = [
            ("unknown letter", b"~~wZx", [("interrupted", None), ("ignored", None)]),
            ("no terminator", b"~~wAq", [("interrupted", None)]),
            ("letter without select", b"~~A", [("interrupted", None)]),
            ("mixed attention bytes", b"~`wAx", [("interrupted", None), ("interrupted", None), ("ignored", None), ("ignored", None)]),
            ("stray byte", b"q", [("ignored", None)]),
        ]
        for label, data, expected in cases:
            with self.subTest(label):
                box = SwitchBox()
                events, _ = send(box, data)
                self.assertEqual(kinds(events), expected)
                self.assertFalse(any(box.ports))

    def test_an_attention_byte_restarts_an_interrupted_turn_on(self):
        box = SwitchBox()
        events, _ = send(box, b"~~wA~~wBx", gaps=[0.5, 0.05, 0.05, 0.05, 0.5, 0.05, 0.05, 0.05])
        self.assertEqual(kinds(events), [("interrupted", None), ("on", "B")])
        self.assertFalse(box.is_on("A"))
        self.assertTrue(box.is_on("B"))


if __name__ == "__main__":
    unittest.main()
