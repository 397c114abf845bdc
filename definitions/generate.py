#!/usr/bin/env python3
"""Writes the remote definitions of the known cards, the user guide's tables of
them and of the cards whose remote cannot be read, and the remote tool's table
of those cards, from the driver facts in definitions/facts/.

    generate.py          write definitions/*.cfg, the guide's tables and the tool's table
    generate.py --check  write nothing; fail naming each file that differs
    generate.py --list   the driver groups not shipped, and why

The facts are tables taken from the Linux saa7134 driver; the choices made to
turn a driver group into a definition live in GROUPS below.
"""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FACTS = os.path.join(ROOT, "definitions", "facts")
OUT = os.path.join(ROOT, "definitions")
GUIDE = os.path.join(ROOT, "docs", "user-guide.md")
GUIDE_BEGIN = "<!-- known cards: written by definitions/generate.py, do not edit -->"
GUIDE_END = "<!-- end of known cards -->"
UNREAD_BEGIN = "<!-- unreadable cards: written by definitions/generate.py, do not edit -->"
UNREAD_END = "<!-- end of unreadable cards -->"
TOOL_TABLE = os.path.join(ROOT, "remote", "unread_cards.inc")

NOTE_AVERMEDIA_RELEASE = (
    "The Linux driver makes GPIO{pin} an output and drives it high when it starts; "
    "without that, no key-up arrives. The plug-in can drive a pin only with ResetAdr's "
    "pulse, which leaves the pin low, so ResetAdr stays -1 and ReleaseDetect is 0: "
    "a key ends after the release time-out. If keys seem to stick, nothing has "
    "driven GPIO{pin} high on this card.")

# Per shipped group: file name, the remote's name, ResetAdr, ReleaseDetect,
# boards left out of Cards= (with the reason) and the notes for the header.
GROUPS = {
    "ecs": dict(file="ECS-TVP3XP", name="Elitegroup ECS TVP3XP remote (GPIO)"),
    "avermedia": dict(
        file="AverMedia", name="AverMedia remote (GPIO)", release=0,
        leave_out={
            "KWORLD_VSTREAM_XPERT":
                "it has no PCI subsystem ID, and its driver switches video inputs on "
                "GPIO8-10, which are code pins here, so its codes may also carry the input setting",
            "AVERMEDIA_STUDIO_507UA":
                "the driver lists its remote with this group but never switches it on "
                "(the board is not marked as having a GPIO remote), so nothing confirms the "
                "wiring; copy this file by hand and try it with SAA713xRemote.exe watch",
        },
        notes=[NOTE_AVERMEDIA_RELEASE.format(pin=2)]),
    "avermedia-777": dict(file="AverMedia-777", name="AverMedia 777 / A16AR remote (GPIO)", release=0,
                          notes=[NOTE_AVERMEDIA_RELEASE.format(pin=8)]),
    "avermedia-a16d": dict(file="AverMedia-A16D", name="AverMedia A16D remote (GPIO)", release=0,
                           notes=[NOTE_AVERMEDIA_RELEASE.format(pin=8)]),
    "behold": dict(
        file="Behold", name="Behold remote (GPIO)",
        notes=["The driver names these keys with the keymap of another maker's remote "
               "(Manli), read with one code bit more (GPIO13) than on the Manli boards. "
               "Keys that keymap does not list reach the host as their code text; "
               "name them by adding lines to [Keys]."]),
    "behold-columbus": dict(file="Behold-Columbus", name="Behold Columbus remote (GPIO)"),
    "gotview-7135": dict(
        file="GoTView-7135", name="GoTView 7135 remote (GPIO)", reset=15, release=0,
        notes=["The driver strobes GPIO15 (high, then low) before every read and reads "
               "every 5 ms. ResetAdr=15 gives that strobe, though the plug-in reads 25 ms "
               "after it, and each read then takes 25 ms longer: very short presses may "
               "be missed. ReleaseDetect is 0 so that a press split by the slower reads "
               "stays one key; it ends after the release time-out. The Linux driver also "
               "makes GPIO15 an output at start, which the plug-in cannot do: the strobe "
               "works only if the card's driver already has that pin as an output."]),
    "videomate-pvr": dict(file="Compro-VideoMate-PVR", name="Compro VideoMate TV PVR remote (GPIO)"),
    "proteus-2309": dict(file="Proteus-2309", name="Proteus Pro 2309 remote (GPIO)"),
    "encore-enltv": dict(file="Encore-ENLTV", name="Encore ENLTV remote (GPIO)"),
    "10moons-tm300": dict(
        file="10MOONS-TM300", name="10MOONS TM300 remote (GPIO)",
        notes=["The driver names these keys with the keymap of the Encore ENLTV remote; "
               "keys it does not list reach the host as their code text."]),
    "winfast-dtv1000s": dict(file="Leadtek-DTV1000S", name="Leadtek WinFast DTV1000S remote (GPIO)"),
    "kworld-xpert": dict(
        file="KWorld-Xpert", name="KWorld Xpert / AVACS SmartTV remote (GPIO)",
        notes=["The driver's board entry for the KWorld Xpert notes that its remote does not "
               "start properly there; the AVACS SmartTV carries no such note."]),
    "kworld-terminator": dict(
        file="KWorld-Terminator", name="V-Stream Studio TV Terminator remote (GPIO)",
        notes=["The driver counts a key as down while both GPIO5 and GPIO6 read low; "
               "PressMask holds both, and PressFlag 0 means the same."]),
    "manli": dict(file="Manli-MuchTV", name="Manli MuchTV remote (GPIO)"),
    "sedna": dict(file="Sedna-PC-TV-Cardbus", name="Sedna PC TV Cardbus remote (GPIO)"),
    "genius-a11mce": dict(
        file="Genius-TVGO-A11MCE", name="Genius TVGO A11MCE remote (GPIO)",
        notes=["The driver counts a key as down while any of GPIO20-23 reads high; "
               "PressMask holds all four, and PressFlag 1 means the same."]),
    "real-angel-220": dict(file="Zogis-Real-Angel-220", name="Zogis Real Angel 220 remote (GPIO)"),
    "kworld-plus-analog": dict(
        file="KWorld-Plus-TV-Analog", name="KWorld Plus TV Analog remote (GPIO)",
        press=("keyup", 0x40),
        notes=["The driver has no press pin: a key ends when all seven code pins read 1. "
               "Every scancode of this remote's keymap is below 0x40, so GPIO6 reads low "
               "while a key is down and high when the pins are idle; GPIO6 stands in as the "
               "press pin and leaves the code, which the other six pins give. A key whose "
               "code had GPIO6 high would not be seen."]),
}

# Interrupt-driven groups are never shipped; nor are the remotes the driver
# does not read as a code on the pins. One line each, for the guide and the tool.
INTERRUPT_REASON = ("the driver reads its code once, on a {pin} edge, and nothing shows the code "
                    "staying on the pins while a key is held.")
READING_REASONS = {
    "raw": "the driver times the remote's raw infrared pulses on a GPIO18 edge and decodes them "
           "itself; no key code ever stands on the pins.",
    "i2c": "its remote's receiver is a chip on the card's I2C bus, not on the GPIO pins.",
}
NO_ID_NOTE = "no PCI ID: choose it by name"

RELEASE_DEFAULT_NOTE = ("ReleaseDetect is 1: the driver itself ends a key when the press pin "
                        "changes back, so the pins report the release.")
RELEASE_IDLE_NOTE = ("ReleaseDetect is 1: the driver itself ends a key when the pins read idle, "
                     "which turns the stand-in press pin back, so the pins report the release.")


class FactError(Exception):
    pass


def read_table(name, columns, sourced=True):
    """Rows of a facts table as dicts, and its '# source' lines."""
    path = os.path.join(FACTS, name)
    rows, sources = [], []
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.startswith("# source\t"):
                sources.append(line.split("\t")[1:])
                continue
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != len(columns):
                raise FactError(f"{path}:{number}: {len(fields)} fields, expected {len(columns)}")
            rows.append(dict(zip(columns, fields), line=number))
    if sourced and not sources:
        raise FactError(f"{path}: no '# source' line naming the file and commit")
    return rows, sources


def mask_bits(mask):
    return [bit for bit in range(32) if mask >> bit & 1]


def deposit(scancode, mask):
    """The scancode's bits placed into the mask's set bits, lowest first."""
    bits = mask_bits(mask)
    if scancode >> len(bits):
        raise FactError(f"scancode 0x{scancode:02X} has more bits than mask {mask:08X} holds")
    return sum(1 << pin for i, pin in enumerate(bits) if scancode >> i & 1)


def pins_text(mask):
    bits = mask_bits(mask)
    return "GPIO" + ",".join(str(b) for b in bits) if bits else "none"


def wrap(text, prefix="; ", width=78):
    lines, line = [], prefix
    for word in text.split():
        if len(line) + len(word) + 1 > width and line.strip(";").strip():
            lines.append(line.rstrip())
            line = prefix + "  " if prefix.startswith(";   ") else prefix
        line += word + " "
    lines.append(line.rstrip())
    return lines


def load():
    cards, card_sources = read_table("cards.tsv", ["chip", "subvendor", "subdevice", "board", "card", "group", "note"])
    groups, group_sources = read_table(
        "groups.tsv", ["group", "mode", "mask_keycode", "press", "press_mask", "polling_ms", "keymap", "special"])
    others, other_sources = read_table("other-remotes.tsv",
                                       ["chip", "subvendor", "subdevice", "board", "card", "reading"])
    for other in others:
        if other["reading"] not in READING_REASONS:
            raise FactError(f"other-remotes.tsv:{other['line']}: unknown reading {other['reading']}")
    names, _ = read_table("key-names.tsv", ["key", "name"], sourced=False)
    key_names = {row["key"]: row["name"] for row in names}
    by_group = {row["group"]: row for row in groups}
    for card in cards:
        if card["group"] not in by_group:
            raise FactError(f"cards.tsv:{card['line']}: unknown group {card['group']}")
    for group in GROUPS:
        if group not in by_group:
            raise FactError(f"generate.py: group {group} is not in groups.tsv")
    return cards, card_sources, by_group, group_sources, key_names, others, other_sources


def keymap(name):
    rows, sources = read_table(os.path.join("keymaps", name + ".tsv"), ["scancode", "key"])
    return [(int(row["scancode"], 16), row["key"], row["line"]) for row in rows], sources[0]


def triple(card):
    return f"{card['chip']}:{card['subvendor']}:{card['subdevice']}"


def driver_press(group):
    """The driver's own press rule, in words."""
    if group["press"] == "none":
        return "with no press pin"
    level = "high" if group["press"] == "keydown" else "low"
    return f"a key being down while {pins_text(int(group['press_mask'], 16))} reads {level}"


def definition(group_id, choice, group, cards, card_sources, group_sources, key_names):
    # A choice may name a press rule where the driver's cannot be said with a press mask.
    press, press_mask = choice.get("press", (group["press"], int(group["press_mask"], 16)))
    if group["mode"] != "polled" or press not in ("keydown", "keyup"):
        raise FactError(f"group {group_id} cannot be shipped: {group['mode']}, press {press}")
    key_mask = int(group["mask_keycode"], 16)
    press_flag = 1 if press == "keydown" else 0
    if press_flag and press_mask & key_mask:
        raise FactError(f"group {group_id}: a press pin that reads high is among the code pins")
    # A press pin among the code pins reads low in every code: KeyMask leaves it out.
    code_mask = key_mask & ~press_mask
    release = choice.get("release", 1)
    reset = choice.get("reset", -1)
    leave_out = choice.get("leave_out", {})
    members = [c for c in cards if c["group"] == group_id]
    listed = [c for c in members if c["chip"] != "-" and c["board"] not in leave_out]
    entries, map_source = keymap(group["keymap"])

    keys, notes, seen = [], [], {}
    for scancode, key, line in entries:
        if key not in key_names:
            raise FactError(f"key-names.tsv: no name for {key} (keymap {group['keymap']}, line {line})")
        code = deposit(scancode, key_mask)
        if code & press_mask:  # a press pin among the code pins must read low in a code
            raise FactError(f"{group['keymap']}, line {line}: code {code:08X} would not read as pressed")
        if code in seen:
            notes.append(f"Scancode 0x{scancode:02X} ({key}) repeats 0x{seen[code]:02X}; the first one is kept.")
            continue
        seen[code] = scancode
        keys.append((code, key_names[key]))

    out = [f"; {choice['name']}: remote definition for the SAA713x plug-in.",
           "; Derived from public driver tables; not tried on every card.",
           "; Written by definitions/generate.py from definitions/facts/: change those",
           "; and run it again rather than editing this file.",
           ";",
           "; Source: the Linux kernel's saa7134 driver and remote keymaps (torvalds/linux):"]
    for path, commit, *_ in group_sources + card_sources + [map_source]:
        out.append(f";   {path} at {commit}")
    if listed:
        out += [";", "; Cards (chip:subvendor:subdevice):"]
        out += [f";   {triple(c)}  {c['card']}" for c in listed]
    else:
        out += [";", "; No board of this group has a PCI subsystem ID, so no card is found by its IDs:",
                "; choose this file by name under Model: in the setup dialog. The boards:"]
        out += [f";   {c['card']}" for c in members]
    others = [c for c in members if c not in listed] if listed else []
    if others:
        out += [";", "; Boards of the same driver group that Cards= does not list:"]
        for c in others:
            why = leave_out.get(c["board"], "it has no PCI subsystem ID")
            out += wrap(f"{c['card']}: {why}.", ";   ")
    level = 'high' if press_flag else 'low'
    if "press" in choice:
        # The press rule is this definition's, not the driver's: say both.
        out += [";", f"; The driver reads code pins {pins_text(key_mask)} every {group['polling_ms']} ms, "
                + driver_press(group) + ".",
                f"; This definition reads a key as down while {pins_text(press_mask)} reads {level}",
                f"; (PressMask, PressFlag) and its code from {pins_text(code_mask)} (KeyMask)."]
    else:
        out += [";", f"; The driver reads code pins {pins_text(code_mask)} (KeyMask) every {group['polling_ms']} ms;",
                f"; a key is down while {pins_text(press_mask)} reads {level} (PressMask, PressFlag)."]
    out += ["; Each code is the keymap's scancode with its bits placed into KeyMask's pins,",
            "; lowest first."]
    release_note = RELEASE_IDLE_NOTE if group["press"] == "none" else RELEASE_DEFAULT_NOTE
    for note in choice.get("notes", []) + ([release_note] if release else []) + notes:
        out.append(";")
        out += wrap(note)
    out += ["", "[Setup]", f"Name={choice['name']}", f"PressMask={press_mask:08X}", f"PressFlag={press_flag}",
            f"KeyMask={code_mask:08X}", f"ReleaseDetect={release}", f"ResetAdr={reset}"]
    if listed:
        out.append("Cards=" + ",".join(triple(c) for c in listed))
    out += ["", "[Keys]"]
    out += [f"{code:08X}={name}" for code, name in sorted(keys)]
    return "\n".join(out) + "\n", (listed if listed else members)


def guide_table(shipped):
    rows = ["| Card | Chip | Subsystem IDs | Definition |", "|---|---|---|---|"]
    for file, boards in shipped:
        for c in boards:
            ids = NO_ID_NOTE if c["chip"] == "-" else f"{c['subvendor']}:{c['subdevice']}"
            rows.append(f"| {c['card']} | {c['chip']} | {ids} | `{file}.cfg` |")
    return "\n".join(rows)


def unread_cards(cards, groups, others):
    """(chip, subvendor, subdevice, card, reason, row) of every board whose remote
    the plug-in cannot read, in the facts' order; row groups the boards of one
    line of the guide's table (a driver group, or a card's name)."""
    rows = []
    for c in cards:
        group = groups[c["group"]]
        if group["mode"] == "interrupt":
            rows.append((c["chip"], c["subvendor"], c["subdevice"], c["card"],
                         INTERRUPT_REASON.format(pin=pins_text(int(group["press_mask"], 16))), c["group"]))
    for c in others:
        rows.append((c["chip"], c["subvendor"], c["subdevice"], c["card"], READING_REASONS[c["reading"]],
                     c["card"]))
    return rows


def unread_table(rows):
    lines = {}
    for chip, subvendor, subdevice, card, reason, row in rows:
        cards, ids, _ = lines.setdefault(row, ([], [], reason))
        if card not in cards:
            cards.append(card)
        ids.append("no PCI ID" if chip == "-" else f"{chip}:{subvendor}:{subdevice}")
    out = ["| Cards | IDs (chip:subvendor:subdevice) | Why |", "|---|---|---|"]
    for cards, ids, reason in lines.values():
        out.append(f"| {' / '.join(cards)} | {', '.join(ids)} | {reason[0].upper() + reason[1:]} |")
    return "\n".join(out)


def c_string(text):
    if any(ch in text for ch in '"\\') or not text.isascii():
        raise FactError(f"cannot write {text!r} as a C string")
    return '"' + text + '"'


def tool_table(rows, sources):
    out = ["// Written by definitions/generate.py from definitions/facts/; do not edit.",
           "// The cards whose remote the driver does not read as a code on the GPIO pins:",
           "// chip, subvendor, subdevice, the card's name, the reason."]
    for source in dict.fromkeys(f"// Source: {path} at {commit}" for path, commit, *_ in sources):
        out.append(source)
    for chip, subvendor, subdevice, card, reason, _ in rows:
        if chip == "-":
            continue
        out.append(f"{{{{0x{chip}, 0x{subvendor}, 0x{subdevice}}}, {c_string(card)}, {c_string(reason)}}},")
    return "\n".join(out) + "\n"


def replace_between(text, begin_marker, end_marker, body):
    begin, end = text.find(begin_marker), text.find(end_marker)
    if begin < 0 or end < begin:
        raise FactError(f"{GUIDE}: the marker comments {begin_marker!r} are missing")
    return text[:begin + len(begin_marker)] + "\n" + body + "\n" + text[end:]


def guide_text(table, unread):
    with open(GUIDE, encoding="ascii") as f:
        text = f.read()
    text = replace_between(text, GUIDE_BEGIN, GUIDE_END, table)
    return replace_between(text, UNREAD_BEGIN, UNREAD_END, unread)


def outputs():
    cards, card_sources, groups, group_sources, key_names, others, other_sources = load()
    files, shipped = {}, []
    for group_id, choice in GROUPS.items():
        text, boards = definition(group_id, choice, groups[group_id], cards, card_sources, group_sources,
                                  key_names)
        files[os.path.join(OUT, choice["file"] + ".cfg")] = text
        shipped.append((choice["file"], boards))
    unread = unread_cards(cards, groups, others)
    shipped_ids = {triple(c) for _, boards in shipped for c in boards if c["chip"] != "-"}
    for chip, subvendor, subdevice, card, _, _ in unread:
        if f"{chip}:{subvendor}:{subdevice}" in shipped_ids:
            raise FactError(f"{card}: {chip}:{subvendor}:{subdevice} is both shipped and unreadable")
    files[GUIDE] = guide_text(guide_table(shipped), unread_table(unread))
    files[TOOL_TABLE] = tool_table(unread, group_sources + card_sources + other_sources)
    return files


def left_out():
    """Each group not shipped, with the reason; for --list."""
    cards, _, groups, _, _, _, _ = load()
    for group_id, group in groups.items():
        if group_id in GROUPS:
            continue
        if group["mode"] == "interrupt":
            reason = INTERRUPT_REASON.format(pin=pins_text(int(group["press_mask"], 16)))
        else:
            reason = "not decided yet"
        yield group_id, reason


def main(argv):
    check = argv[1:] == ["--check"]
    if argv[1:] and not check and argv[1:] != ["--list"]:
        print("usage: generate.py [--check | --list]", file=sys.stderr)
        return 2
    try:
        if argv[1:] == ["--list"]:
            for group_id, reason in left_out():
                print(f"{group_id}: {reason}")
            return 0
        files = outputs()
    except (FactError, OSError, ValueError) as error:
        print(f"generate.py: {error}", file=sys.stderr)
        return 1
    expected = set(files)
    present = {os.path.join(OUT, n) for n in os.listdir(OUT) if n.endswith(".cfg")}
    stale = []
    for path, text in sorted(files.items()):
        current = None
        if os.path.exists(path):
            with open(path, encoding="ascii", newline="") as f:
                current = f.read()
        if current == text:
            continue
        if check:
            stale.append(path)
        else:
            with open(path + ".tmp", "w", encoding="ascii", newline="") as f:
                f.write(text)
            os.replace(path + ".tmp", path)
            print(f"wrote {os.path.relpath(path, ROOT)}")
    for path in sorted(present - expected):
        stale.append(path)
    if stale:
        for path in stale:
            what = "not written by the generator" if path not in expected else "differs from what the facts give"
            print(f"stale: {os.path.relpath(path, ROOT)} {what}; run definitions/generate.py",
                  file=sys.stderr)
        return 1
    if check:
        print(f"definitions: {len(files) - 2} definitions, the guide's tables and the tool's table "
              "match the facts")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
