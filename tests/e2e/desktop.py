"""The real cvcfg driven from outside its process, as its users drive it.

A test here runs inside `dbus-run-session`. It starts an X server of its
own, the accessibility bus, and the built programs as separate processes,
and then works the program through AT-SPI, the interface screen readers use:
it finds a control by its role and accessible name, clicks it with a real
pointer event, types real keys and reads back what the controls say.

A step that fails says which step it was and which control it could not
find, and leaves a picture of the screen in the test's output folder.
"""

import contextlib
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SCREEN_SIZE = (1280, 1024)
# Long enough for a debug build under the sanitizers on two busy cores.
DEFAULT_WAIT = 20.0
POLL = 0.1


class StepFailed(Exception):
    """A step of a scenario that could not be done."""


def wait_for(what, condition, timeout=DEFAULT_WAIT):
    """Polls `condition` until it gives something true; fails naming `what`."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise StepFailed(f"{what} (waited {timeout:.0f} s)")
        time.sleep(POLL)


def xwd_rows(xwd):
    """The 24- or 32-bit TrueColor XWD picture `xwd` as its width, height
    and rows of red, green and blue bytes."""
    fields = struct.unpack(">25I", xwd[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    colours = fields[19]
    if bits_per_pixel not in (24, 32):
        raise ValueError(f"a frame buffer of {bits_per_pixel} bits a pixel")
    step = bits_per_pixel // 8
    pixels = xwd[header_size + 12 * colours:]
    # Least significant byte first: blue, green, red; else red last but two.
    red, green, blue = (2, 1, 0) if byte_order == 0 else (step - 3, step - 2, step - 1)
    rows = []
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        rgb = bytearray(width * 3)
        rgb[0::3] = line[red::step]
        rgb[1::3] = line[green::step]
        rgb[2::3] = line[blue::step]
        rows.append(bytes(rgb))
    return width, height, rows


def xwd_to_png(xwd, png_path):
    """Writes the XWD picture `xwd` as a PNG file."""
    width, height, rows = xwd_rows(xwd)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    with open(png_path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(b"".join(b"\0" + row for row in rows), 6)))
        out.write(chunk(b"IEND", b""))


class Screen:
    """An X server of the test's own on a free display, its frame buffer in a
    file so that the screen can be pictured at any moment."""

    def __init__(self, folder):
        self.folder = folder
        self.process = None
        self.log_path = os.path.join(folder, "Xvfb.log")
        for number in range(90, 190):
            lock = f"/tmp/.X{number}-lock"
            if os.path.exists(lock) or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            with open(self.log_path, "ab") as log:
                # -noreset: a server that resets as its last client leaves
                # (xdpyinfo's probe) refuses whoever connects meanwhile.
                process = subprocess.Popen(
                    ["Xvfb", f":{number}", "-ac", "-noreset", "-nolisten", "tcp", "-screen", "0",
                     f"{SCREEN_SIZE[0]}x{SCREEN_SIZE[1]}x24", "-fbdir", folder],
                    stdout=log, stderr=subprocess.STDOUT)
            display = f":{number}"
            if self._ours(display, lock, process):
                self.process, self.display = process, display
                return
            process.kill()
            process.wait()
        raise StepFailed("no free display for Xvfb")

    @staticmethod
    def _ours(display, lock, process):
        """Whether `process` serves `display`: it answers, and the display's
        lock names it (another server may have taken the number first)."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if process.poll() is not None:
                return False
            probe = subprocess.run(["xdpyinfo", "-display", display],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if probe.returncode == 0:
                with contextlib.suppress(OSError, ValueError):
                    with open(lock) as owner:
                        return int(owner.read().strip()) == process.pid
                return False
            time.sleep(POLL)
        return False

    def _frame(self):
        with open(os.path.join(self.folder, "Xvfb_screen0"), "rb") as frame:
            return frame.read()

    def picture(self, path):
        xwd_to_png(self._frame(), path)

    def rows(self):
        """What the screen shows now, as rows of red, green and blue bytes."""
        return xwd_rows(self._frame())[2]

    def close(self):
        if self.process:
            self.process.terminate()
            self.process.wait()


class Program:
    """One of the built programs, run as a separate process; what it writes
    goes to a log file in the test's output folder."""

    def __init__(self, argv, env, log_path):
        self.argv = argv
        self.log_path = log_path
        self._log = open(log_path, "wb")
        self.process = subprocess.Popen(argv, env=env, stdout=self._log,
                                        stderr=subprocess.STDOUT, start_new_session=True)

    @property
    def pid(self):
        return self.process.pid

    def output(self):
        with open(self.log_path, "rb") as log:
            return log.read().decode("latin-1")

    def running(self):
        return self.process.poll() is None

    def stop(self):
        """Ends the program (and whatever it started) as a desktop's logout
        does, and gives its exit status."""
        if self.running():
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        self._log.close()
        return self.process.returncode


class Desktop:
    """The world of one scenario: screen, accessibility bus, programs, and
    the operator's hands on them."""

    def __init__(self, scenario, build_dir, source_dir, out_dir):
        self.scenario = scenario
        self.build_dir = build_dir
        self.source_dir = source_dir
        self.out_dir = out_dir
        self.bin_dir = os.path.join(build_dir, "bin")
        self.step_number = 0
        self.step_text = "start"
        self.programs = []
        self.apps = []
        self.screen = None
        self.bus = None
        self.atspi = None
        os.makedirs(out_dir, exist_ok=True)
        self.work = tempfile.mkdtemp(prefix=f"cvcfg-e2e-{scenario}-")

    # ---- the world ----

    def __enter__(self):
        if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
            raise StepFailed("no session bus: run the test inside dbus-run-session")
        self.screen = Screen(self.work)
        self.bus = subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
            env=self.environment(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("the accessibility bus to start", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL).returncode == 0)
        os.environ["DISPLAY"] = self.screen.display
        import pyatspi  # only once the bus it talks to runs
        self.atspi = pyatspi
        return self

    def __exit__(self, kind, error, trace):
        if error is not None:
            picture = os.path.join(self.out_dir, f"{self.scenario}-failure.png")
            try:
                self.screen.picture(picture)
                where = f"the screen is in {picture}"
            except (OSError, ValueError) as failure:
                where = f"no picture of the screen: {failure}"
            print(f"FAILED at step {self.step_number} ({self.step_text}): {error}",
                  file=sys.stderr)
            for app in self.apps:
                with contextlib.suppress(Exception):
                    shown = [f"{window.getRoleName()} \"{window.name}\""
                             for window in self._windows(app)]
                    print("windows shown: " + ", ".join(shown), file=sys.stderr)
            print(where, file=sys.stderr)
            if self.screen:
                with contextlib.suppress(OSError), open(self.screen.log_path) as log:
                    if said := log.read():
                        print(f"--- Xvfb ---\n{said}", file=sys.stderr)
            for program in self.programs:
                print(f"--- output of {' '.join(program.argv)} ---\n{program.output()}",
                      file=sys.stderr)
        for program in self.programs:
            program.stop()
        if self.bus:
            self.bus.terminate()
            self.bus.wait()
        if self.screen:
            self.screen.close()
        shutil.rmtree(self.work, ignore_errors=True)
        return False

    def environment(self, **extra):
        env = dict(os.environ)
        if self.screen:
            env["DISPLAY"] = self.screen.display
        env.update({
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_QPA_PLATFORM": "xcb",
            "XDG_RUNTIME_DIR": self.work,
            "HOME": self.work,
            # The ports a run remembers stay with the run.
            "XDG_CONFIG_HOME": os.path.join(self.work, "config"),
            "LC_ALL": "C.UTF-8",
        })
        for name, value in extra.items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        return env

    def run(self, argv, log_name, **env):
        """Starts `argv` as a program of its own; its output goes to `log_name`."""
        program = Program(argv, self.environment(**env), os.path.join(self.out_dir, log_name))
        self.programs.append(program)
        return program

    def cvcfg(self, *args, **env):
        """Starts the desktop program as an operator does."""
        return self.run([os.path.join(self.bin_dir, "cvcfg"), *args], "cvcfg.log", **env)

    def command(self, *args, **env):
        """Runs a command of cvcfg's command line and gives what it printed."""
        done = subprocess.run([os.path.join(self.bin_dir, "cvcfg"), *args],
                              capture_output=True, text=True, env=self.environment(**env))
        if done.returncode != 0:
            raise StepFailed(f"cvcfg {' '.join(args)} ended with {done.returncode}: "
                             f"{done.stderr.strip()}")
        return done.stdout

    @contextlib.contextmanager
    def step(self, text):
        """One step of the scenario, as the failure report names it."""
        self.step_number += 1
        self.step_text = text
        print(f"step {self.step_number}: {text}", flush=True)
        yield

    # ---- finding controls ----

    def application(self, program, timeout=DEFAULT_WAIT):
        """The accessible application of `program`, once it has shown itself."""
        def found():
            if not program.running():
                raise StepFailed(f"the program ended with status {program.process.returncode} "
                                 "before it showed a window")
            desktop = self.atspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                app = desktop.getChildAtIndex(index)
                with contextlib.suppress(Exception):
                    if app is not None and app.get_process_id() == program.pid:
                        self.apps.append(app)
                        return app
            return None
        return wait_for(f"{os.path.basename(program.argv[0])} on the accessibility bus", found,
                        timeout)

    def _showing(self, accessible):
        return accessible.getState().contains(self.atspi.STATE_SHOWING)

    def _matches(self, accessible, role, name):
        if role is not None and accessible.getRoleName() != role:
            return False
        if name is None:
            return True
        # Spaces around a name are nothing a screen reader says.
        shown = (accessible.name or "").strip()
        if isinstance(name, re.Pattern):
            return bool(name.fullmatch(shown))
        return shown == name

    def all(self, within, role=None, name=None):
        """Every showing accessible under `within` of that role and name."""
        found = []

        def visit(accessible):
            try:
                count = accessible.childCount
            except Exception:  # it went away while we looked
                return
            for index in range(count):
                child = accessible.getChildAtIndex(index)
                if child is None:
                    continue
                try:
                    if not self._showing(child):
                        continue
                    if self._matches(child, role, name):
                        found.append(child)
                except Exception:
                    continue
                visit(child)

        visit(within)
        return found

    def find(self, within, role, name, timeout=DEFAULT_WAIT):
        """The showing control of that role and name under `within`."""
        label = name.pattern if isinstance(name, re.Pattern) else name
        return wait_for(f"could not find the {role} \"{label}\"",
                        lambda: next(iter(self.all(within, role, name)), None), timeout)

    def _windows(self, app, name=None):
        """The program's showing windows titled `name` (any, without one);
        a window may go while they are looked at."""
        for index in range(app.childCount):
            child = app.getChildAtIndex(index)
            try:
                titled = (child is not None and self._showing(child)
                          and self._matches(child, None, name))
            except Exception:
                continue
            if titled:
                yield child

    def _shown_window(self, app, name):
        return next(self._windows(app, name), None)

    def window(self, app, name, timeout=DEFAULT_WAIT):
        """The program's showing window (form, dialog or message box) titled `name`."""
        label = name.pattern if isinstance(name, re.Pattern) else name
        return wait_for(f"could not find the window \"{label}\"",
                        lambda: self._shown_window(app, name), timeout)

    def gone(self, app, name, timeout=DEFAULT_WAIT):
        """Waits until no showing window is titled `name`."""
        wait_for(f"the window \"{name}\" is still shown",
                 lambda: self._shown_window(app, name) is None, timeout)

    # ---- the operator's hands ----

    def xdotool(self, *args):
        """Real input to the X server (XTest), as a person's mouse and keys
        give it. AT-SPI's own event synthesis sometimes drops an event, so
        the hands are xdotool's."""
        subprocess.run(["xdotool", *args], env=self.environment(), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def extents(self, accessible):
        """Where the control is on the screen, once it has a place there."""
        def placed():
            box = accessible.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
            return box if box.width > 0 and box.height > 0 else None
        return wait_for(f"the {accessible.getRoleName()} \"{accessible.name}\" has no place "
                        "on the screen", placed)

    def click(self, accessible):
        """A real click of the first mouse button at the control's middle."""
        box = self.extents(accessible)
        self.xdotool("mousemove", "--sync", str(box.x + box.width // 2),
                     str(box.y + box.height // 2), "click", "1")

    def press(self, within, name, role="push button"):
        """Finds the button `name` and clicks it."""
        button = self.find(within, role, name)
        wait_for(f"the {role} \"{name}\" is not enabled",
                 lambda: button.getState().contains(self.atspi.STATE_ENABLED))
        self.click(button)
        return button

    def key(self, name, times=1):
        """Presses the key `name` (an X key name: Return, Home, Down, Escape)."""
        if times > 0:
            self.xdotool("key", "--delay", "30", *([name] * times))

    def type(self, text):
        self.xdotool("type", "--delay", "30", text)

    def choose(self, within, list_name, entry):
        """Opens the drop-down list `list_name` and picks `entry`, with the
        keys an operator uses: Home, Down as often as needed, Return."""
        box = self.find(within, "combo box", list_name)
        entries = self.entries(box)
        if entry not in entries:
            raise StepFailed(f"the list \"{list_name}\" has no entry \"{entry}\" "
                             f"(it has {', '.join(entries[:12])}...)")
        self.click(box)
        wait_for(f"the list \"{list_name}\" did not open", lambda: self._open_list(box))
        self.key("Home")
        self.key("Down", entries.index(entry))
        self.key("Return")
        wait_for(f"the list \"{list_name}\" shows \"{entry}\"",
                 lambda: self.value(box) == entry)

    def entries(self, box):
        """The entries of a drop-down list, as its accessible list gives them.
        A list that changes while it is read (a port plugged or pulled) loses
        an entry under the reader; it is read again once it has settled."""
        settled, entries = wait_for("the entries of a list that keeps changing",
                                    lambda: self._entries_once(box))
        return entries

    def _entries_once(self, box):
        """(True, entries), or None while an entry is missing."""
        for index in range(box.childCount):
            child = box.getChildAtIndex(index)
            if child is not None and child.getRoleName() == "list":
                items = [child.getChildAtIndex(i) for i in range(child.childCount)]
                if any(item is None for item in items):
                    return None
                return True, [item.name for item in items]
        return True, []

    def _open_list(self, box):
        for index in range(box.childCount):
            child = box.getChildAtIndex(index)
            if child is not None and child.getRoleName() == "list" and self._showing(child):
                return True
        return False

    def value(self, accessible):
        """What a control shows: a list its entry, a text box its text."""
        role = accessible.getRoleName()
        if role == "combo box":
            for index in range(accessible.childCount):
                child = accessible.getChildAtIndex(index)
                if child is not None and child.getRoleName() == "list":
                    for item in range(child.childCount):
                        entry = child.getChildAtIndex(item)
                        if entry.getState().contains(self.atspi.STATE_SELECTED):
                            return entry.name
            return None
        with contextlib.suppress(NotImplementedError):
            text = accessible.queryText()
            return text.getText(0, -1)
        return accessible.name

    def save_as(self, app, path):
        """Names `path` in the program's save-file dialog and saves."""
        dialog = self.window(app, re.compile(r"Save.*"))
        box = self.find(dialog, "text", re.compile(r"File name:?"))
        self.click(box)
        self.key("ctrl+a")
        self.type(path)
        self.key("Return")
        self.gone(app, dialog.name)

    def answer(self, app, title, button):
        """Answers the message box titled `title` with `button`; gives its text."""
        box = self.window(app, title)
        texts = [label.name for label in self.all(box, "label")]
        self.press(box, button)
        self.gone(app, title)
        return "\n".join(texts)
