#!/usr/bin/env python3
"""Writes the "Controls (defaults)" part of dist/INSTALL.txt from the key and
controller bindings of dist/TavrelConfig.ini, so that what the player reads
is what the shipped file binds. The rest of INSTALL.txt is left as it is.

Usage: scripts/install_text.py [--check] [INI INSTALL]
  (default: dist/TavrelConfig.ini dist/INSTALL.txt of this repository)
  --check  write nothing; exit 1 and show the difference when INSTALL.txt
           is not what the INI file gives
"""
import difflib
import os
import re
import sys

HEADING = "Controls (defaults)"

# Windows virtual-key codes by name, as a player finds them on the keyboard.
KEY_NAMES = {
    0x08: "Backspace", 0x09: "Tab", 0x0D: "Enter", 0x10: "Shift", 0x11: "Ctrl", 0x12: "Alt",
    0x13: "Pause", 0x14: "Caps Lock", 0x1B: "Esc", 0x20: "Space", 0x21: "Page Up", 0x22: "Page Down",
    0x23: "End", 0x24: "Home", 0x25: "Left", 0x26: "Up", 0x27: "Right", 0x28: "Down",
    0x2D: "Insert", 0x2E: "Delete", 0x6A: "Numpad *", 0x6B: "Numpad +", 0x6D: "Numpad -",
    0x6E: "Numpad .", 0x6F: "Numpad /", 0xA0: "Left Shift", 0xA1: "Right Shift", 0xA2: "Left Ctrl",
    0xA3: "Right Ctrl", 0xA4: "Left Alt", 0xA5: "Right Alt", 0xBA: ";", 0xBB: "=", 0xBC: ",",
    0xBD: "-", 0xBE: ".", 0xBF: "/", 0xC0: "`", 0xDB: "[", 0xDC: "\\", 0xDD: "]", 0xDE: "'",
}
KEY_NAMES.update({0x30 + d: str(d) for d in range(10)})
KEY_NAMES.update({0x41 + i: chr(ord("A") + i) for i in range(26)})
KEY_NAMES.update({0x60 + d: f"Numpad {d}" for d in range(10)})
KEY_NAMES.update({0x70 + f: f"F{f + 1}" for f in range(24)})

# The game's control identifiers (control group 2) on a pad.
CONTROL_NAMES = {
    172: "d-pad up", 173: "d-pad down", 174: "d-pad left", 175: "d-pad right",
    201: "A / cross", 202: "B / circle", 203: "X / square", 204: "Y / triangle",
    205: "LB / L1", 206: "RB / R1", 207: "LT / L2", 208: "RT / R2",
}

LOCK_DEFAULT, UNLOCK_DEFAULT, TOGGLE_DEFAULT = 0x4C, 0x55, 0x78


def read_ini(path):
    """Section -> key -> text, first match of each, names without letter case."""
    sections = {}
    section = None
    with open(path, encoding="latin-1", newline="") as f:
        for line in f.read().splitlines():
            line = line.strip()
            if line.startswith("[") and "]" in line:
                section = sections.setdefault(line[1:line.index("]")].strip().lower(), {})
            elif section is not None and "=" in line and not line.startswith(";"):
                key, value = line.split("=", 1)
                section.setdefault(key.strip().lower(), value.strip())
    return sections


def integer(sections, section, key):
    """The profile integer: the leading decimal number, -1 when absent."""
    text = sections.get(section.lower(), {}).get(key.lower())
    if text is None:
        return -1
    match = re.match(r"[+-]?\d+", text.strip('"'))
    return int(match.group()) if match else 0


def key_name(code):
    return KEY_NAMES.get(code, f"key code {code}") if 0 <= code < 255 else None


def low_byte(value):
    b = value & 0xFF
    return b - 256 if b >= 128 else b


def hotkey(sections, key, second_key, default):
    """What the lock or unlock hotkey is: a key, two keys held together, or none."""
    code = low_byte(integer(sections, "Keys", key))
    if code == -1:
        return key_name(default)
    if code <= 0:  # 128 ... 254 read as negative, and 0: never reported
        return None
    second = integer(sections, "Keys", second_key)
    name = key_name(code)
    return f"{key_name(second)} + {name}" if second != -1 and key_name(second) else name


def toggle(sections):
    first = integer(sections, "Keys", "menu_toggle_switch")
    second = integer(sections, "Keys", "menu_toggle_switch_2")
    if first in (-1, 0):
        return key_name(TOGGLE_DEFAULT)
    if key_name(first) is None:
        return None
    if second == -1:
        return key_name(first)
    return f"hold {key_name(first)}, press {key_name(second)}" if key_name(second) else None


def controls(sections):
    rows = [
        (hotkey(sections, "lock", "lock_2_optional", LOCK_DEFAULT), "lock your car"),
        (hotkey(sections, "unlock", "unlock_2_optional", UNLOCK_DEFAULT), "unlock your car"),
        (toggle(sections), "open or close the settings menu"),
    ]
    menu = [
        ("menu_up", "move up"), ("menu_down", "move down"), ("menu_left", "change a value (less)"),
        ("menu_right", "change a value (more)"), ("menu_select", "select"), ("menu_back", "go back"),
        ("menu_back2", "go back"),
    ]
    def row(indent, name, what):  # the name in a column of 16, or longer and two spaces
        return f"{indent}{name:<{16 - len(indent) + 2}} {what}" if len(name) < 16 - len(indent) + 2 \
            else f"{indent}{name}  {what}"
    lines = [row("  ", name or "(no key)", what) for name, what in rows]
    lines.append("  In the menu:")
    for key, what in menu:
        name = key_name(integer(sections, "Keys", key))
        if name:
            lines.append(row("    ", name, what))
    if low_byte(integer(sections, "Controller", "activate_controller")) != 0:
        def pad(key):
            code = integer(sections, "Controller", key)
            return CONTROL_NAMES.get(code, f"control {code}")
        lines.append("  With a controller:")
        for first, second, what in [
            ("controller_lock_1_of_2", "controller_lock_2_of_2", "lock your car"),
            ("controller_unlock_1_of_2", "controller_unlock_2_of_2", "unlock your car"),
            ("controller_menu_toggle_switch_1_of_2", "controller_menu_toggle_switch_2_of_2",
             "open or close the settings menu"),
        ]:
            lines.append(f"    hold {pad(first)}, press {pad(second)}: {what}")
    return lines


def rewrite(install_text, lines):
    """INSTALL.txt with the part under the heading (to the next blank line) replaced."""
    old = install_text.split("\n")
    try:
        at = old.index(HEADING)
    except ValueError:
        sys.exit(f"install_text: no line '{HEADING}' in INSTALL.txt")
    start = at + 2  # after the heading's underline
    end = start
    while end < len(old) and old[end].strip():
        end += 1
    return "\n".join(old[:start] + lines + old[end:])


def main(argv):
    check = "--check" in argv
    paths = [a for a in argv if a != "--check"]
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ini, install = paths if len(paths) == 2 else (os.path.join(root, "dist", "TavrelConfig.ini"),
                                                  os.path.join(root, "dist", "INSTALL.txt"))
    with open(install, encoding="utf-8", newline="") as f:
        current = f.read()
    wanted = rewrite(current, controls(read_ini(ini)))
    if current == wanted:
        return 0
    if check:
        sys.stdout.writelines(difflib.unified_diff(current.splitlines(True), wanted.splitlines(True),
                                                   install, f"{install} as {ini} gives"))
        print(f"install_text: {install} lists other keys than {ini} binds; "
              "scripts/install_text.py (or ./run dist) writes them")
        return 1
    with open(install, "w", encoding="utf-8", newline="") as f:
        f.write(wanted)
    print(f"install_text: wrote the keys of {ini} into {install}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
