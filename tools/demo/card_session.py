#!/usr/bin/env python3
"""Makes the demo's folder for one known card: its definition from
definitions/, a settings file that selects it, and a remote session that the
simulated card plays with the card's IDs and a few of its remote's codes.

usage: card_session.py DEFINITIONS_DIR NAME OUT_DIR
NAME is a definition's file name (with or without .cfg), its Name=, or a part
of a card name in its header, in any letter case."""
import os
import re
import shutil
import sys

# Keys the session presses when the remote has them, in this order.
PREFERRED = ["Power", "1", "Volume +", "Channel +", "Mute"]


def read_definition(path):
    setup, keys, header, section = {}, [], [], None
    with open(path, "rb") as f:
        for raw in f.read().decode("latin-1").splitlines():
            line = raw.strip()
            if section is None and line.startswith(";"):
                header.append(line.lstrip("; "))
            if line.startswith("["):
                section = line.strip("[]").strip().lower()
            elif "=" in line and not line.startswith((";", "#")):
                key, value = (part.strip() for part in line.split("=", 1))
                if section == "setup":
                    setup[key.lower()] = value
                elif section == "keys":
                    keys.append((key, value))
    return setup, keys, header


CARD_LINE = re.compile(r"^([0-9A-Fa-f]{4}:[0-9A-Fa-f]{4}:[0-9A-Fa-f]{4})\s+(.+)$")


def cards_of(header):
    """(triple, card name) of each card the definition names. The generator
    lists under "Cards (chip:subvendor:subdevice):" in the header exactly the
    cards of Cards=, in its order; Cards= itself has one reader, the remote
    tool's card search."""
    cards = []
    for line in header:
        match = CARD_LINE.match(line)
        if match:
            cards.append((match.group(1).upper(), match.group(2)))
    return cards


def find(definitions, name):
    wanted = name.lower()
    if wanted.endswith(".cfg"):
        wanted = wanted[:-4]
    candidates = []
    for file in sorted(os.listdir(definitions)):
        if not file.lower().endswith(".cfg"):
            continue
        setup, keys, header = read_definition(os.path.join(definitions, file))
        cards = cards_of(header)
        named = wanted in (file[:-4].lower(), setup.get("name", "").lower())
        if named and not cards:
            sys.exit("%s names no card's IDs (its boards have none), so the simulated card cannot "
                     "take them" % file)
        if named:
            return file, setup, keys, cards[0]
        fitting = [card for card in cards if wanted in card[1].lower()]
        if fitting:
            candidates.append((file, setup, keys, fitting[0]))
    if len(candidates) == 1:
        return candidates[0]
    if candidates:
        sys.exit("%s fits several definitions: %s" % (name, ", ".join(c[0] for c in candidates)))
    sys.exit("no known card or definition is called %s; the definitions: %s" % (
        name, ", ".join(f for f in sorted(os.listdir(definitions)) if f.lower().endswith(".cfg"))))


def session(file, setup, keys, card):
    chip, sub_vendor, sub_device = card[0].split(":")
    press_mask = int(setup.get("pressmask", "0"), 16)
    press_flag = setup.get("pressflag", "0") != "0"
    by_name = {}
    for code, name in keys:
        by_name.setdefault(name, code)
    chosen = [(by_name[n], n) for n in PREFERRED if n in by_name] or [(c, n) for c, n in keys[:4]]
    lines = [
        "# %s on the simulated card: its IDs, its press pin and its codes." % file,
        "device 1131 %s %s %s 1" % (chip, sub_vendor, sub_device),
        "idle %08X" % (0 if press_flag else press_mask),
        "press %08X" % (press_mask if press_flag else 0),
    ]
    for i, (code, name) in enumerate(chosen):
        held = 1000 if name == "Volume +" else 200
        lines += ["pause 500", "key %s %d    # %s%s" % (code, held, name, ", held" if held > 200 else "")]
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    definitions, name, out = sys.argv[1:]
    file, setup, keys, card = find(definitions, name)
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    shutil.copyfile(os.path.join(definitions, file), os.path.join(out, file))
    for settings in ("SAA713x.ini", "libSAA713x.ini"):  # the Windows and the native plug-in's
        with open(os.path.join(out, settings), "w") as f:
            f.write("[Main]\nDefaultConfig=%s\n" % file)
    with open(os.path.join(out, "session.txt"), "w") as f:
        f.write(session(file, setup, keys, card))
    print("known card: %s %s, definition %s (%s)" % (card[0], card[1], file, setup.get("name", "")))


if __name__ == "__main__":
    main()
