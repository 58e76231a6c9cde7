#!/usr/bin/env python3
"""The Windows program, run under Wine, against the simulated unit.

cvcfg-unit (a Linux program) serves a pseudo-terminal at line speed; the
test maps that terminal as COM5 of the build's Wine prefix and drives
cvcfg.exe from outside as a script on Windows would: download, upload and
verify at 9600 and 19200 baud, a unit that never answers, Ctrl-C in the
middle of a transfer, and a unit behind a serial device server (ser2net).

Usage: transfers.py SCENARIO --exe cvcfg.exe --unit cvcfg-unit --wine-run
       wine-run --prefix PREFIX --data tests/data --work FOLDER
"""

import argparse
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

COM = "COM5"


class Failed(Exception):
    """What the scenario found wrong."""


def check(condition, what):
    if not condition:
        raise Failed(what)


def windows_path(path):
    """The path a Windows program under Wine opens for a Linux path (Z: is /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Unit:
    """cvcfg-unit on a pseudo-terminal, its log collected as it comes."""

    def __init__(self, binary, *options):
        self.process = subprocess.Popen(
            [binary, "--variant", "any", "--baud", "line", "--baud-timing", *options],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.device = self.process.stdout.readline().strip()
        check(self.device.startswith("/dev/"), f"the unit did not start: {self.device!r}")
        self.lines = []
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line.rstrip("\n"))

    def await_line(self, pattern, timeout=3.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for line in self.lines:
                found = re.search(pattern, line)
                if found:
                    return found
            time.sleep(0.02)
        raise Failed(f"the unit never logged /{pattern}/; it logged:\n" + "\n".join(self.lines))

    def stop(self):
        self.process.terminate()
        self.process.wait(5)


class Scenario:
    def __init__(self, args):
        self.args = args
        self.work = args.work
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.stopping = []
        # The prefix exists before a COM port is mapped in it.
        subprocess.run([args.wine_run, args.prefix], check=True)

    def data(self, name):
        return windows_path(os.path.join(self.args.data, name))

    def file(self, name):
        return os.path.join(self.work, name)

    def unit(self, *options):
        unit = Unit(self.args.unit, *options)
        self.stopping.append(unit.stop)
        link = os.path.join(self.args.prefix, "dosdevices", COM.lower())
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(unit.device, link)
        return unit

    def cvcfg(self, *arguments, timeout=60):
        """Runs cvcfg.exe to its end: status, output, errors, seconds."""
        start = time.monotonic()
        done = subprocess.run([self.args.wine_run, self.args.prefix, self.args.exe, *arguments],
                              capture_output=True, text=True, timeout=timeout, cwd=self.work)
        return done.returncode, done.stdout, done.stderr, time.monotonic() - start

    def close(self):
        for stop in reversed(self.stopping):
            stop()


def exchanges(unit, baud, since=0):
    """The exchanges the unit reported from its `since`-th on: (time taken,
    line time) in ms, each checked to run at the speed the program set."""
    found = []
    deadline = time.monotonic() + 3
    while not found and time.monotonic() < deadline:
        found = [line for line in unit.lines if "exchange rx" in line][since:]
        time.sleep(0.05)
    check(found, "the unit reported no exchange")
    times = []
    for line in found:
        parsed = re.search(r"within ([\d.]+) ms; at (\d+) baud the line carries them in ([\d.]+) ms",
                           line)
        check(parsed, f"an exchange the unit reported oddly: {line}")
        check(int(parsed.group(2)) == baud,
              f"the unit ran at {parsed.group(2)} baud, not the {baud} the program set")
        times.append((float(parsed.group(1)), float(parsed.group(3))))
    return times


def transfers_at(s, baud):
    unit = s.unit()
    golden = s.data("cv210-df1.CVF")
    status, out, err, _ = s.cvcfg("download", "--variant", "CV210-DF1", "--port", COM, "--baud",
                                  str(baud), "--yes", golden)
    check(status == 0, f"download at {baud} baud failed ({status}):\n{err}")
    check("A-OK! Transmission received by Corvane" in err, f"download said:\n{err}")
    # The image and its acknowledgement take no longer than the line needs.
    download = exchanges(unit, baud)
    check(len(download) == 1, f"the download took {len(download)} exchanges")
    for took, line in download:
        check(took <= line + 100, f"the download took {took} ms where the line needs {line} ms")

    uploaded = s.file("uploaded.CVF")
    status, out, err, _ = s.cvcfg("upload", "--variant", "CV210-DF1", "--port", COM, "--baud",
                                  str(baud), "--yes", "-o", windows_path(uploaded))
    check(status == 0, f"upload at {baud} baud failed ({status}):\n{err}")
    exchanges(unit, baud, since=1)
    images = [s.cvcfg("image", "--variant", "CV210-DF1", path)[1]
              for path in (golden, windows_path(uploaded))]
    check(images[0] and images[0] == images[1],
          "the uploaded file does not hold what was downloaded:\n" + "\n".join(images))

    status, out, err, _ = s.cvcfg("verify", "--variant", "CV210-DF1", "--port", COM, "--baud",
                                  str(baud), "--yes", golden)
    check(status == 0 and "The unit holds this configuration." in out,
          f"verify at {baud} baud ({status}):\n{out}{err}")


def scenario_transfers_9600(s):
    transfers_at(s, 9600)


def scenario_transfers_19200(s):
    transfers_at(s, 19200)


def scenario_silent_unit(s):
    """A unit that never answers: the download gives up after its 6 s and
    says so; the file it came from is as it was."""
    s.unit("--fault", "silent")
    kept = s.file("kept.CVF")
    shutil.copy(os.path.join(s.args.data, "cv210-df1.CVF"), kept)
    before = open(kept, "rb").read()
    status, _, err, seconds = s.cvcfg("download", "--variant", "CV210-DF1", "--port", COM, "--yes",
                                      windows_path(kept))
    check(status == 1, f"a silent unit's download ended with status {status}:\n{err}")
    check("Unable to communicate with Corvane" in err, f"the download said:\n{err}")
    # 6 s of waiting, plus Wine's start.
    check(6.0 <= seconds <= 10.0, f"the download gave up after {seconds:.1f} s")
    check(open(kept, "rb").read() == before, "the file downloaded from changed")


def scenario_ctrl_c(s):
    """Ctrl-C while the upload waits: it stops at once, names the cause and
    leaves the file it would have replaced as it was."""
    unit = s.unit("--fault", "silent")
    kept = s.file("kept.CVF")
    shutil.copy(os.path.join(s.args.data, "cv210-df1.CVF"), kept)
    before = open(kept, "rb").read()
    program = subprocess.Popen(
        [s.args.wine_run, s.args.prefix, s.args.exe, "upload", "--variant", "CV210-DF1", "--port",
         COM, "--yes", "-o", windows_path(kept)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, cwd=s.work)
    unit.await_line("rx", timeout=10)
    time.sleep(0.3)
    pressed = time.monotonic()
    program.send_signal(signal.SIGINT)
    try:
        out, err = program.communicate(timeout=5)
    except subprocess.TimeoutExpired:
        program.kill()
        raise Failed("Ctrl-C did not end the upload within 5 s")
    seconds = time.monotonic() - pressed
    check(program.returncode == 130, f"the upload ended with status {program.returncode}:\n{err}")
    check("upload interrupted by Ctrl-C" in err, f"the upload said:\n{err}")
    # A Wine process takes a second or so to end by itself.
    check(seconds < 3.0, f"the upload took {seconds:.2f} s to stop")
    check(open(kept, "rb").read() == before, "the file the upload would replace changed")


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def scenario_device_server(s):
    """The same program through a device server: ser2net serves the unit's
    terminal over RFC 2217, and the link speed reaches the unit."""
    unit = s.unit()
    port = free_port()
    config = s.file("ser2net.yaml")
    with open(config, "w") as out:
        out.write(f"connection: &unit\n  accepter: telnet(rfc2217),tcp,127.0.0.1,{port}\n"
                  f"  connector: serialdev,{unit.device},9600n81,local\n")
    server = subprocess.Popen([shutil.which("ser2net") or "/usr/sbin/ser2net", "-n", "-d", "-c",
                               config], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s.stopping.append(lambda: (server.terminate(), server.wait(5)))
    deadline = time.monotonic() + 5
    while True:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            break
        except OSError:
            check(time.monotonic() < deadline, "ser2net did not start")
            time.sleep(0.05)
    url = f"rfc2217://127.0.0.1:{port}"
    status, out, err, _ = s.cvcfg("download", "--variant", "CV210-DF1", "--port", url, "--baud",
                                  "19200", "--yes", "--verify", s.data("cv210-df1.CVF"))
    check(status == 0, f"download through {url} failed ({status}):\n{err}")
    exchanges(unit, 19200)


def scenario_ports(s):
    """cvcfg ports lists the ports Windows has, with a COM port of the prefix."""
    s.unit()
    status, out, err, _ = s.cvcfg("ports")
    check(status == 0, f"cvcfg ports failed ({status}):\n{err}")
    check(re.search(r"^COM\d+ +serial port \\Device\\", out, re.M),
          f"cvcfg ports lists no port of the system:\n{out}")


SCENARIOS = {name[len("scenario_"):]: function for name, function in globals().items()
             if name.startswith("scenario_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    for option in ("--exe", "--unit", "--wine-run", "--prefix", "--data", "--work"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    scenario = Scenario(args)
    try:
        SCENARIOS[args.scenario](scenario)
    except Failed as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    finally:
        scenario.close()
    print(f"{args.scenario}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
