"""Runs the built utility under Wine with COM1 on the switch box simulator (or on a named
serial device) and drives its window with real X input (xdotool).

Used by the end-to-end test, the benchmark and ./run's scripted session. Needs a display
(DISPLAY, or the virtual one tools/wine-env.sh starts) and xdotool.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
CAPTION = "Zorvan Menu Utility"
APPLICATION_TITLE = "Zorvan Menu"


class Failure(Exception):
    pass


class EndedEarly(Failure):
    """The utility ended before its main window appeared."""


def xdotool(*args, check=True):
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise Failure(f"xdotool {' '.join(args)}: {result.stderr.strip()}")
    return result.stdout.strip()


def wait_for(predicate, timeout, what):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise Failure(f"timed out waiting for {what}")


def find_windows(caption):
    return xdotool("search", "--onlyvisible", "--name", f"^{caption}$", check=False).splitlines()


class Session:
    """One run of the utility. With `device`, COM1 is that device and there is no simulator;
    otherwise the simulator's pty is made in `workdir` and its events are read back.
    `log` takes Wine's output (None: inherited)."""

    def __init__(self, arch, build_dir, host_tools, exe, workdir, device=None, log=None):
        self.build_dir = os.path.abspath(build_dir)
        self.exe = os.path.abspath(exe)
        self.workdir = os.path.abspath(workdir)
        self.events_path = os.path.join(self.workdir, "switchbox-events.jsonl")
        self.seen = 0
        self.sim = None
        self.app = None
        self.window = None
        self.taskbar_entries = set()
        os.environ.setdefault("DISPLAY", ":" + os.environ.get("ZV_XVFB_DISPLAY", "99"))
        if device is None:
            self.line = os.path.join(self.workdir, "switchbox-line")
            if os.path.exists(self.events_path):
                os.unlink(self.events_path)
            self.sim = subprocess.Popen([os.path.join(ROOT, "tools", "switchbox-sim"), "--pty", self.line,
                                         "--events", self.events_path],
                                        stdout=subprocess.PIPE, text=True)
            if self.sim.stdout.readline().strip() != "ready":
                raise Failure("the simulator did not start")
        else:
            self.line = os.path.abspath(device)
        env = dict(os.environ, ZV_SERIAL_MAP=f"COM1={self.line}")
        env.pop("ZV_TEST_RESULTS", None)   # the utility writes no test report
        self.app = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run"), "--arch", arch,
                                     "--build-dir", self.build_dir, "--host-tools", host_tools, self.exe],
                                    env=env, stdout=log, stderr=log)

    def check_started(self):
        """Raises EndedEarly when the utility has already ended (call before its first window)."""
        if self.app.poll() is not None:
            raise EndedEarly(f"the utility ended (exit code {self.app.returncode}) before its window appeared")

    def wait_for_window(self, timeout=60):
        def window():
            self.check_started()
            return next(iter(find_windows(CAPTION)), None)
        self.window = wait_for(window, timeout, "the main window")
        self.taskbar_entries = set(find_windows(APPLICATION_TITLE))
        return self.window

    def message_box(self):
        """A message box has the application's title, like the task-bar entry (a window of
        no size, there while the main window is)."""
        return next(iter(set(find_windows(APPLICATION_TITLE)) - self.taskbar_entries), None)

    def key(self, name, window=None):
        xdotool("key", "--window", window or self.window, name)

    def click(self, x, y):
        """A click at a point of the main window (outer coordinates)."""
        xdotool("mousemove", "--window", self.window, str(x), str(y), "click", "1")

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], check=False)

    # --- the line ---

    def events(self):
        """What the simulator parsed so far, one dict per command (see tools/switchbox-sim)."""
        if not os.path.exists(self.events_path):
            return []
        with open(self.events_path) as f:
            return [json.loads(line) for line in f if line.strip()]

    def next_event(self, timeout=5):
        event = wait_for(lambda: self.events()[self.seen:self.seen + 1], timeout, "a command on the line")[0]
        self.seen += 1
        return event

    def expect_quiet(self, seconds):
        time.sleep(seconds)
        extra = self.events()[self.seen:]
        if extra:
            raise Failure(f"unexpected bytes on the line: {extra}")

    def holders(self):
        """Processes other than the simulator that have the line's terminal open."""
        terminal = os.path.realpath(self.line)
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            if self.sim and int(pid) == self.sim.pid:
                continue
            try:
                fds = os.listdir(f"/proc/{pid}/fd")
                if any(os.path.realpath(f"/proc/{pid}/fd/{fd}") == terminal for fd in fds):
                    found.append(int(pid))
            except OSError:
                pass   # gone, or not ours to look at
        return found

    # --- the end ---

    def wait_for_exit(self, timeout=30):
        wait_for(lambda: self.app.poll() is not None, timeout, "the utility to end")
        return self.app.returncode

    def close(self):
        if self.app and self.app.poll() is None:
            self.app.terminate()   # wine-run passes it on to the Windows process
            try:
                self.app.wait(10)
            except subprocess.TimeoutExpired:
                self.app.kill()
        if self.sim:
            self.sim.terminate()
            self.sim.wait(10)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()


def start_twice_if_ended_early(start):
    """Calls start(), which starts the utility and waits for its first window, and calls it
    once more when it raised EndedEarly: under the 32-bit CPU emulation a process now and
    then crashes in its start-up (see the platform facts), and one more start tells that
    apart from a utility that cannot start. start() cleans up after itself when it raises."""
    try:
        return start()
    except EndedEarly as early:
        print(f"note: {early}; starting it once more", file=sys.stderr)
    return start()


class IsolatedSession(Session):
    """The utility copied into a fresh folder under `build_dir` with the given configuration
    file, its main window found; the folder goes with the session."""

    def __init__(self, arch, build_dir, host_tools, exe, ini_text, log=None):
        self.dir = tempfile.mkdtemp(prefix="zv-session-", dir=os.path.abspath(build_dir))
        copy = os.path.join(self.dir, "ZorvanMenu.exe")
        shutil.copy(exe, copy)
        with open(os.path.join(self.dir, "ZorvanMenu.ini"), "wb") as f:
            f.write(ini_text.encode("latin-1"))

        def start():
            Session.__init__(self, arch, build_dir, host_tools, copy, self.dir, log=log)
            try:
                self.wait_for_window()
            except EndedEarly:
                Session.close(self)
                raise
        try:
            start_twice_if_ended_early(start)
        except Failure:
            self.close()
            raise

    def exit(self):
        """Ends the utility as a user does, with x."""
        self.key("x")
        code = self.wait_for_exit()
        if code != 0:
            raise Failure(f"the utility ended with exit code {code}")

    def close(self):
        super().close()
        shutil.rmtree(self.dir, ignore_errors=True)


def config_text(attention="No", comport="COM1", switches=14):
    """A configuration file like the default one: ports A onwards named "Turn on switch N"."""
    lines = ["[Serial]", f"Comport={comport}", f"AltChar={attention}", "", "[SwitchNames]"]
    lines += [f"{chr(65 + k)} = Turn on switch {k + 1:2d}" for k in range(switches)]
    return "".join(line + "\r\n" for line in lines)
