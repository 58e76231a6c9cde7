"""What an operator does with cvcfg, each scenario a test of its own.

    dbus-run-session -- /usr/bin/python3 scenarios.py SCENARIO --build DIR --source DIR --out DIR

DIR of --build is a CMake build folder whose bin/ holds cvcfg and cvcfg-unit.
"""

import argparse
import collections
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import time
from typing import NamedTuple

from desktop import Desktop, StepFailed, wait_for

WELCOME = re.compile(r"Select Product Shown to configure\. - .+")
MAIN_MENU = "CVCFG - Windows 32-bit Parameter Configuration Program"
PRODUCTS = ["CV210 Models", "CV310 Models", "CV320 Models", "CV-PCI", "MODBUS-PC/104"]
SERIAL_NUMBER_QUESTION = "!CHECK CV210 Rev2 SERIAL NUMBER!"
MONITOR = "CV Monitor / Terminal Emulator"
STAYS_UP = 5.0
# scripts/start builds the dev preset first: on a fresh clone, all of it.
BUILD_SECONDS = 2400.0


def product_selection(d, program):
    """The program's first window, with its five product buttons."""
    app = d.application(program)
    welcome = d.window(app, WELCOME)
    for product in PRODUCTS:
        d.find(welcome, "push button", product)
    return app, welcome


def stays_up(d, app, program, window_name):
    time.sleep(STAYS_UP)
    if not program.running():
        raise StepFailed(f"the program ended with status {program.process.returncode}")
    d.window(app, window_name, timeout=1)


def exits_cleanly(d, program, window, button):
    d.press(window, button)
    try:
        status = program.process.wait(20)
    except subprocess.TimeoutExpired:
        raise StepFailed(f"the program is still running 20 s after \"{button}\"") from None
    if status != 0:
        raise StepFailed(f"the program ended with status {status}")


def demo_df1_main_menu(d):
    """The demonstration, from product selection to the main menu of a
    CV210-DF1 on COM1, where the simulated unit answers."""
    program = d.cvcfg("--demo")
    app, welcome = product_selection(d, program)
    with d.step("choose the CV210 and answer its link-speed question"):
        d.press(welcome, "CV210 Models")
        d.answer(app, SERIAL_NUMBER_QUESTION, "No")
    with d.step("choose the variant \"DF1 to DH+/DH-485 (1770-KF2/KF3)\""):
        variants = d.window(app, "CV210 Model Selection - Freestanding Units")
        d.press(variants, "DF1 to DH+/DH-485 (1770-KF2/KF3)")
    with d.step("choose COM1, where the simulated unit answers"):
        menu = d.window(app, MAIN_MENU)
        d.choose(menu, "COM PORT", "COM1 \u2014 simulated unit")
        wait_for("the main menu to name the simulated unit beside the port",
                 lambda: any("simulated unit" in label.name for label in d.all(menu, "label")))
    return program, app, menu


def log_line(program, pattern, what):
    """The line of the program's output (the simulated unit's log goes there)
    that matches `pattern`."""
    def found():
        return re.search(pattern, program.output(), re.MULTILINE)
    return wait_for(f"the unit's log has no {what}", found)


# ---- starting the program ----

def start_and_exit(d, *args):
    with d.step(f"start cvcfg {' '.join(args)}".rstrip()):
        program = d.cvcfg(*args)
    with d.step("product selection shows its five product buttons"):
        app, welcome = product_selection(d, program)
    if "--demo" in args:
        with d.step("the simulated unit is ready"):
            log_line(program, r"unit ready on ", "ready line")
    with d.step(f"it stays up {STAYS_UP:.0f} s"):
        stays_up(d, app, program, WELCOME)
    with d.step("Exit CVCFG ends it cleanly"):
        exits_cleanly(d, program, welcome, "Exit CVCFG")


def scenario_no_display(d):
    for display, missing in ((None, "DISPLAY is not set"),
                             (":1999", 'the display ":1999" cannot be opened')):
        with d.step(f"start cvcfg with DISPLAY {display or 'unset'}"):
            done = subprocess.run(
                [os.path.join(d.bin_dir, "cvcfg")], capture_output=True, text=True, timeout=60,
                env=d.environment(DISPLAY=display, QT_QPA_PLATFORM=None, WAYLAND_DISPLAY=None))
        with d.step("one clear line on standard error and status 1"):
            lines = done.stderr.splitlines()
            if done.returncode != 1 or len(lines) != 1:
                raise StepFailed(f"status {done.returncode}, standard error:\n{done.stderr}")
            for part in ("cvcfg: ", missing, "cvcfg --help"):
                if part not in lines[0]:
                    raise StepFailed(f"\"{part}\" is not in: {lines[0]}")


def scenario_start_script(d):
    with d.step("./scripts/start, the README's command"):
        program = d.run([os.path.join(d.source_dir, "scripts", "start")], "start.log",
                        CVCFG_COM1=None)
    with d.step("it builds and shows product selection"):
        # The script ends in `exec cvcfg`, so the program keeps its process.
        app = d.application(program, timeout=BUILD_SECONDS)
        welcome = d.window(app, WELCOME)
        for product in PRODUCTS:
            d.find(welcome, "push button", product)
    with d.step("the demonstration's unit answers on COM1"):
        log_line(program, r"unit ready on ", "ready line")
    with d.step(f"it stays up {STAYS_UP:.0f} s"):
        stays_up(d, app, program, WELCOME)


# ---- the installed package ----

# Share of the upper part of a product button that its picture must cover;
# without the picture the upper part holds nothing but the button's face.
PICTURE_SHARE = 0.10


def unpacked_package(d):
    """The Debian package of this build, made as scripts/package makes it,
    unpacked into a folder of the test's own: the files an installation puts
    in place. Gives that folder's bin/ and the package's Depends."""
    out = os.path.join(d.work, "package")
    made = subprocess.run(["cpack", "-G", "DEB", "-B", out], cwd=d.build_dir,
                          capture_output=True, text=True)
    debs = glob.glob(os.path.join(out, "*.deb"))
    if made.returncode != 0 or len(debs) != 1:
        raise StepFailed(f"cpack ended with {made.returncode}, made {debs}:\n{made.stdout}")
    root = os.path.join(d.work, "root")
    subprocess.run(["dpkg-deb", "-x", debs[0], root], check=True)
    depends = subprocess.run(["dpkg-deb", "-f", debs[0], "Depends"], check=True,
                             capture_output=True, text=True).stdout
    return os.path.join(root, "usr", "bin"), depends


def picture_share(d, button):
    """How much of the button's upper part, where its picture stands, differs
    from the colour most of it has."""
    box = d.extents(button)
    rows = d.screen.rows()[box.y + 3:box.y + box.height * 2 // 5]
    pixels = [tuple(row[x * 3:x * 3 + 3]) for row in rows
              for x in range(box.x + 3, box.x + box.width - 3)]
    face = collections.Counter(pixels).most_common(1)[0][0]
    drawn = sum(1 for pixel in pixels if sum(abs(a - b) for a, b in zip(pixel, face)) > 60)
    return drawn / len(pixels)


def loaded_plugins(ld_debug):
    """The Qt plugins a program's LD_DEBUG=files output says it loaded."""
    return sorted(set(re.findall(r"file=(\S+/qt6/plugins/\S+\.so) ", ld_debug)))


def scenario_installed_package(d):
    with d.step("make this build's Debian package and unpack it"):
        bin_dir, depends = unpacked_package(d)
        cvcfg = os.path.join(bin_dir, "cvcfg")
    with d.step("start the installed cvcfg"):
        program = d.run([cvcfg], "cvcfg.log", LD_DEBUG="files")
    with d.step("product selection draws each product's picture"):
        app, welcome = product_selection(d, program)
        for product in PRODUCTS:
            button = d.find(welcome, "push button", product)
            wait_for(f"the button \"{product}\" shows no picture",
                     lambda button=button: picture_share(d, button) >= PICTURE_SHARE)
        d.screen.picture(os.path.join(d.out_dir, "Welcome.png"))
    with d.step("Exit CVCFG ends it cleanly"):
        exits_cleanly(d, program, welcome, "Exit CVCFG")
    with d.step("cvcfg snapshot shows every form"):
        shown = subprocess.run([cvcfg, "snapshot", os.path.join(d.out_dir, "forms")],
                               capture_output=True, text=True,
                               env=d.environment(LD_DEBUG="files"))
        if shown.returncode != 0:
            raise StepFailed(f"cvcfg snapshot ended with {shown.returncode}")
    with d.step("the package depends on the package of every plugin loaded"):
        plugins = loaded_plugins(program.output() + shown.stderr)
        if not any("/imageformats/libqsvg.so" in plugin for plugin in plugins):
            raise StepFailed(f"the SVG picture plugin was not loaded; loaded: {plugins}")
        needed = set(re.findall(r"(?:^|[,|]\s*)([a-z0-9][a-z0-9+.-]+)", depends))
        for plugin in plugins:
            owner = subprocess.run(["dpkg", "-S", plugin], capture_output=True, text=True)
            package = owner.stdout.split(":")[0]
            if owner.returncode != 0 or package not in needed:
                raise StepFailed(f"{plugin} comes from \"{package or owner.stderr.strip()}\", "
                                 f"which is not in Depends: {depends.strip()}")


# ---- the commissioning round ----

def scenario_commissioning(d):
    program, app, menu = demo_df1_main_menu(d)
    with d.step("Configure/Open File opens the CV210 editor"):
        d.press(menu, "Configure/Open File")
        editor = d.window(app, "Configuration of [CV210-DF1] - MAIN MENU")
    with d.step("change the network address to 17 (octal)"):
        d.choose(editor, "Network Address", "17")
        decimal = d.find(editor, "text", "Network Address (decimal)")
        wait_for("the decimal box to show 15", lambda: d.value(decimal) == "15")
    with d.step("DOWNLOAD to CV, pressing the unit's Configure pushbutton when asked"):
        d.press(editor, "DOWNLOAD to CV")
        prompt = d.answer(app, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!", "OK")
        if "Press the Configure pushbutton on the CV210 NOW!" not in prompt:
            raise StepFailed(f"the prompt says: {prompt}")
        d.answer(app, "Press Reset Button", "OK")
    with d.step("the unit received the image with station 15 (0F) at offset 31"):
        line = log_line(program, r"download rx 51: ((?:[0-9A-F]{2} ?){51})", "download of 51 bytes")
        image = bytes.fromhex(line.group(1))
        if image[:4] != b"NEE\x2a" or image[31] != 0x0F:
            raise StepFailed(f"the image the unit got is {image.hex(' ')}")
        d.find(editor, "label", "A-OK! Transmission received by Corvane")
    with d.step("back to the main menu, Upload TO File"):
        d.press(editor, "RETURN to Main Menu")
        menu = d.window(app, MAIN_MENU)
        d.press(menu, "Upload TO File")
        upload = d.window(app, "Upload TO File")
        d.press(upload, "UPLOAD")
        d.answer(app, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!", "OK")
    saved = os.path.join(d.work, "uploaded.CVF")
    with d.step("save the uploaded configuration as a new file"):
        d.save_as(app, saved)
        wait_for("the upload to say it is done", lambda: d.all(
            upload, "label", "A-OK! Success - Upload complete from CV210."))
    with d.step("cvcfg show --json of the file holds station 15"):
        shown = json.loads(d.command("show", "--variant", "CV210-DF1", saved, "--json"))
        if shown.get("StationNo") != 15:
            raise StepFailed(f"the file holds StationNo {shown.get('StationNo')}")
    with d.step("Return to Main Menu and exit"):
        d.press(upload, "Return to Main Menu")
        exits_cleanly(d, program, d.window(app, MAIN_MENU), "Exit CVCFG")


# ---- each other product to its editor and one dialog of its own ----

class ProductRound(NamedTuple):
    button: str
    editor: str
    dialog_button: str
    dialog: str
    back: str
    questions: tuple = ()  # (title, answer) of each message on the way
    variant: tuple = ()  # (variant menu, variant button)
    option: str = ""  # an option button the dialog needs chosen first


PRODUCT_ROUNDS = {
    "CV310": ProductRound(
        "CV310 Models", "Configuration of [CV310-DAS] - MAIN MENU",
        "Setup PLC/SLC Destination File Address", "Setup the DataTable Address",
        "Accept Parameters", variant=("Model Selection - Freestanding Units", "CV310-DAS")),
    "CV320": ProductRound(
        "CV320 Models", "Configuration of [CV320-ME] - MAIN MENU",
        "SET/CHANGE MODBUS OPERATING PARAMETERS", "MODBUS PROTOCOL PARAMETER CONFIGURATION",
        "Accept Current Parameters"),
    "CVPCI": ProductRound(
        "CV-PCI", "Online Operating Parameters for the CVPCI", "ENABLE BLOCK TRANSFERS",
        "KFR - Block Transfer Enable Selection", "CANCEL",
        questions=(("!!!WARNING!!!- Check CV-PCI Serial Number for Compatibility", "OK"),),
        option="A-B RIO ADAPTER"),
    "PC104": ProductRound(
        "MODBUS-PC/104", "Configuration of [CV-PC/104-MODBUS] - MAIN MENU",
        "SET/CHANGE MODBUS PARAMETERS", "MODBUS PROTOCOL PARAMETER CONFIGURATION",
        "Accept Current Parameters", questions=(("NOTE - Check CV-PC/104's Model", "OK"),)),
}


def product_round(d, which):
    """A product to its editor, a dialog of its own and back to the main menu."""
    round_ = PRODUCT_ROUNDS[which]
    program = d.cvcfg("--demo")
    app, welcome = product_selection(d, program)
    with d.step(f"choose \"{round_.button}\""):
        d.press(welcome, round_.button)
        for title, answer in round_.questions:
            d.answer(app, title, answer)
    if round_.variant:
        menu_title, variant = round_.variant
        with d.step(f"choose the variant \"{variant}\""):
            d.press(d.window(app, menu_title), variant)
    with d.step("Configure/Open File opens the editor"):
        d.press(d.window(app, MAIN_MENU), "Configure/Open File")
        editor = d.window(app, round_.editor)
    if round_.option:
        with d.step(f"choose \"{round_.option}\""):
            d.press(editor, round_.option, role="radio button")
    with d.step(f"\"{round_.dialog_button}\" opens its dialog"):
        d.press(editor, round_.dialog_button)
        dialog = d.window(app, round_.dialog)
    with d.step(f"\"{round_.back}\" leaves the dialog"):
        d.press(dialog, round_.back)
        d.gone(app, round_.dialog)
    with d.step("RETURN to Main Menu"):
        d.press(editor, "RETURN to Main Menu")
        menu = d.window(app, MAIN_MENU)
    with d.step(f"the program is still up after {STAYS_UP:.0f} s and exits cleanly"):
        stays_up(d, app, program, MAIN_MENU)
        exits_cleanly(d, program, menu, "Exit CVCFG")


# ---- the off-line manager ----

def scenario_monitor(d):
    program, app, menu = demo_df1_main_menu(d)
    with d.step("CV Off-line Manager opens the terminal on COM1"):
        d.press(menu, "CV Off-line Manager")
        d.answer(app, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!", "OK")
        monitor = d.window(app, MONITOR)
        terminal = d.find(monitor, "text", "Terminal")
    with d.step("the key the terminal sends at its start calls up the unit's menu"):
        wait_for("the unit's menu in the terminal",
                 lambda: "Corvane Off-Line Manager" in (d.value(terminal) or ""))
        log_line(program, r"key +rx 1: 4D -> menu", "menu key")
    with d.step("the operator's key 2 asks the unit for its mode"):
        d.click(terminal)
        d.type("2")
        log_line(program, r"key +rx 1: 32 -> mode shown", "mode key")
    with d.step("Return To Main Menu closes the terminal"):
        d.press(monitor, "Return To Main Menu")
        d.gone(app, MONITOR)
        menu = d.window(app, MAIN_MENU)
    with d.step("the program exits cleanly"):
        exits_cleanly(d, program, menu, "Exit CVCFG")


# ---- ports as users have them ----

class FakeMachine:
    """A dev/ and sys/ as Linux lays them out, for the program to look for
    serial devices in (CVCFG_DEVICE_ROOT). The adapter's node leads to a
    pseudo-terminal of the test's, so that the port really opens."""

    HUB = "sys/devices/pci0000:00/0000:00:14.0/usb1"

    def __init__(self, root):
        self.root = root
        os.makedirs(self.path("dev"))
        os.makedirs(self.path("sys/class/tty"))
        self.master, self.slave = os.openpty()

    def path(self, relative):
        return os.path.join(self.root, relative)

    def write(self, relative, text):
        os.makedirs(os.path.dirname(self.path(relative)), exist_ok=True)
        with open(self.path(relative), "w") as file:
            file.write(text + "\n")

    def plug_ftdi(self):
        usb = f"{self.HUB}/1-1"
        for name, text in (("idVendor", "0403"), ("idProduct", "6001"),
                           ("product", "FT232R USB UART"), ("manufacturer", "FTDI"),
                           ("serial", "A10K3XYZ")):
            self.write(f"{usb}/{name}", text)
        tty = f"{usb}/1-1:1.0/ttyUSB0/tty/ttyUSB0"
        os.makedirs(self.path(tty))
        os.symlink("../../../ttyUSB0", self.path(f"{tty}/device"))
        os.symlink("../../" + tty[len("sys/"):], self.path("sys/class/tty/ttyUSB0"))
        os.symlink(os.ttyname(self.slave), self.path("dev/ttyUSB0"))
        os.makedirs(self.path("dev/serial/by-id"), exist_ok=True)
        os.symlink("../../ttyUSB0", self.path(f"dev/serial/by-id/{FTDI_BY_ID}"))

    def unplug_ftdi(self):
        os.remove(self.path("dev/ttyUSB0"))
        os.remove(self.path(f"dev/serial/by-id/{FTDI_BY_ID}"))
        os.remove(self.path("sys/class/tty/ttyUSB0"))
        shutil.rmtree(self.path(f"{self.HUB}/1-1"))


FTDI_BY_ID = "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0"


def df1_main_menu(d, program):
    app, welcome = product_selection(d, program)
    d.press(welcome, "CV210 Models")
    d.answer(app, SERIAL_NUMBER_QUESTION, "No")
    variants = d.window(app, "CV210 Model Selection - Freestanding Units")
    d.press(variants, "DF1 to DH+/DH-485 (1770-KF2/KF3)")
    return app, d.window(app, MAIN_MENU)


def names_adapter(d, menu):
    """Whether the main menu names the adapter's stable link beside the list,
    as it does for the port the transfers use."""
    return any(FTDI_BY_ID in label.name for label in d.all(menu, "label"))


def scenario_ports(d):
    machine = FakeMachine(os.path.join(d.work, "machine"))
    machine.plug_ftdi()
    adapter = f"COM1 \u2014 FT232R USB UART (FTDI), {machine.path('dev/ttyUSB0')}"
    with d.step("start cvcfg with a USB adapter plugged in, and no option"):
        program = d.cvcfg(CVCFG_DEVICE_ROOT=machine.root)
        app, menu = df1_main_menu(d, program)
    with d.step("the port list offers the adapter by name, and it opens"):
        box = d.find(menu, "combo box", "COM PORT")
        if names_adapter(d, menu):
            raise StepFailed("a first start is on a port already")
        d.choose(menu, "COM PORT", adapter)
        wait_for("the main menu to name the adapter's stable link beside the port",
                 lambda: names_adapter(d, menu))
    with d.step("pulling the adapter out takes it off the list within a second"):
        d.choose(menu, "COM PORT", "NONE")
        machine.unplug_ftdi()
        wait_for("the adapter to leave the list",
                 lambda: d.entries(box) == ["NONE"], timeout=1.5)
    with d.step("plugging it in again brings it back under the same number"):
        machine.plug_ftdi()
        wait_for("the adapter to come back as COM1",
                 lambda: adapter in d.entries(box), timeout=1.5)
        d.choose(menu, "COM PORT", adapter)
    with d.step("cvcfg ports names it the same way"):
        listed = d.command("ports", CVCFG_DEVICE_ROOT=machine.root)
        if not listed.startswith(adapter.replace(" \u2014 ", "   ")):
            raise StepFailed(f"cvcfg ports says:\n{listed}")
    with d.step("Exit CVCFG"):
        exits_cleanly(d, program, menu, "Exit CVCFG")
    with d.step("a new start offers the adapter again and starts on it"):
        program = d.cvcfg(CVCFG_DEVICE_ROOT=machine.root)
        app, menu = df1_main_menu(d, program)
        wait_for("the main menu to start on the adapter", lambda: names_adapter(d, menu))
        box = d.find(menu, "combo box", "COM PORT")
        if adapter not in d.entries(box):
            raise StepFailed(f"the list offers {d.entries(box)}")
    with d.step("Exit CVCFG"):
        exits_cleanly(d, program, menu, "Exit CVCFG")


SCENARIOS = {
    "start": start_and_exit,
    "demo_start": lambda d: start_and_exit(d, "--demo"),
    "no_display": scenario_no_display,
    "start_script": scenario_start_script,
    "commissioning": scenario_commissioning,
    "monitor": scenario_monitor,
    "installed_package": scenario_installed_package,
    "ports": scenario_ports,
    **{f"product_{name}": (lambda d, name=name: product_round(d, name)) for name in PRODUCT_ROUNDS},
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    try:
        with Desktop(args.scenario, os.path.abspath(args.build), os.path.abspath(args.source),
                     os.path.abspath(args.out)) as d:
            SCENARIOS[args.scenario](d)
    except StepFailed:
        return 1
    print(f"{args.scenario}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
