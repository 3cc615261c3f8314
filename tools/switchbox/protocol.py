"""The switch box's side of the serial protocol, as this simulator understands it.

The box takes two commands, each a run of single bytes:

    turn port L on:   A A 'w' L 'x'     (A: the attention byte, '~' or '`'; L: 'A' to 'T')
    turn all off:     A A 'w'           (then the line stays quiet)

Our choices where the real box is not described:
- Either attention byte starts a command, but both attention bytes of one command must be
  the same.
- A third attention byte in a row keeps the command armed (A A A 'w' ... still works).
- All-off is taken when 'w' is followed by a quiet line (QUIET_AFTER_SELECT seconds) or by
  the attention byte of the next command.
- A letter outside 'A' to 'T', any other unexpected byte, or an attention byte in the
  middle of a turn-on, drops the command so far ("interrupted"); an attention byte then
  starts the next command at once.
- Repeating a command repeats its effect (turning on a port that is on keeps it on).

The parser is fed bytes with their arrival times and asked to `poll` the clock; it never
reads the clock itself, so tests drive it with exact times.
"""

ATTENTION_BYTES = (0x7E, 0x60)   # '~', '`'
SELECT = 0x77                    # 'w'
TERMINATOR = 0x78                # 'x'
FIRST_PORT, LAST_PORT = 0x41, 0x54   # 'A' .. 'T'
PORT_COUNT = LAST_PORT - FIRST_PORT + 1
# A turn-on sends its letter 50 ms after 'w'; after this much silence 'w' was all-off.
QUIET_AFTER_SELECT = 0.2

IDLE, ARMING, ARMED, SELECTED, LETTER = "idle", "arming", "armed", "selected", "letter"


class Event:
    """What the box did: kind is "on", "all-off", "interrupted" (a command dropped part
    way) or "ignored" (a stray byte between commands)."""

    def __init__(self, kind, port=None, data=b"", times=()):
        self.kind = kind
        self.port = port          # 'A'..'T' for "on"
        self.data = bytes(data)   # the bytes of the command
        self.times = list(times)  # arrival time of each byte

    @property
    def gaps(self):
        """Seconds between consecutive bytes of the command."""
        return [b - a for a, b in zip(self.times, self.times[1:])]

    def __repr__(self):
        return f"Event({self.kind!r}, {self.port!r}, {self.data.hex(' ')})"


class SwitchBox:
    """The 20 ports and the command parser."""

    def __init__(self):
        self.ports = [False] * PORT_COUNT
        self.state = IDLE
        self._attention = None
        self._data = bytearray()
        self._times = []
        self._letter = None

    def is_on(self, letter):
        return self.ports[ord(letter) - FIRST_PORT]

    def feed(self, byte, now):
        """One byte from the line at time `now`; returns the events it completed."""
        events = self.poll(now)
        if byte in ATTENTION_BYTES:
            events += self._attention_byte(byte, now)
        elif self.state == ARMED and byte == SELECT:
            self._take(byte, now, SELECTED)
        elif self.state == SELECTED and FIRST_PORT <= byte <= LAST_PORT:
            self._letter = chr(byte)
            self._take(byte, now, LETTER)
        elif self.state == LETTER and byte == TERMINATOR:
            self._take(byte, now, IDLE)
            self.ports[ord(self._letter) - FIRST_PORT] = True
            events.append(self._finish("on", self._letter))
        else:
            kind = "ignored" if self.state == IDLE else "interrupted"
            self._take(byte, now, self.state)
            events.append(self._finish(kind))
        return events

    def poll(self, now):
        """Events that silence up to `now` completes (a 'w' left alone is all-off)."""
        if self.state == SELECTED and now - self._times[-1] >= QUIET_AFTER_SELECT:
            return [self._all_off()]
        return []

    def _attention_byte(self, byte, now):
        events = []
        if self.state == SELECTED:
            events.append(self._all_off())
        elif self.state in (ARMING, ARMED) and byte != self._attention:
            events.append(self._finish("interrupted"))
        elif self.state == LETTER:
            events.append(self._finish("interrupted"))
        if self.state == IDLE:
            self._attention = byte
            self._take(byte, now, ARMING)
        else:
            self._take(byte, now, ARMED)
        return events

    def _all_off(self):
        self.ports = [False] * PORT_COUNT
        return self._finish("all-off")

    def _take(self, byte, now, state):
        self._data.append(byte)
        self._times.append(now)
        self.state = state

    def _finish(self, kind, port=None):
        event = Event(kind, port, self._data, self._times)
        self._data = bytearray()
        self._times = []
        self._letter = None
        self._attention = None
        self.state = IDLE
        return event
