"""Reads and prepares the settings hive from outside the program, with SQLite, as a user's tool
would: the file, schema and byte layouts are the program's published storage format."""

import datetime
import os
import re
import sqlite3
import struct

REG_SZ, REG_BINARY, REG_DWORD = 1, 3, 4
KEY = "Software\\Korvenda\\Pelwick"

SCHEMA = """
CREATE TABLE reg_key (path TEXT PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID;
CREATE TABLE reg_value (key TEXT NOT NULL COLLATE NOCASE REFERENCES reg_key(path),
                        name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL,
                        data BLOB NOT NULL, PRIMARY KEY (key, name)) WITHOUT ROWID;
PRAGMA user_version = 1;
"""

EPOCH = datetime.datetime(1899, 12, 30)


def path(config_home):
    return os.path.join(config_home, "pelwick", "hkcu.sqlite3")


def date_time(moment):
    """The date-time value (days since 30 December 1899) of a naive local datetime."""
    return (moment - EPOCH) / datetime.timedelta(days=1)


def single(value):
    """The double that holds the single-precision number nearest to value."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def sz(text):
    return REG_SZ, (text + "\0").encode("utf-16-le")


def dword(number):
    return REG_DWORD, struct.pack("<i", number)


def binary_double(number):
    return REG_BINARY, struct.pack("<d", number)


def figures(per_day=20, price=6.5, per_pack=20, stop=None, complete=True, name="Alex",
            dob="1980"):
    stop = stop if stop is not None else datetime.datetime.now() - datetime.timedelta(days=30)
    return {
        "UserName": sz(name),
        "UserDOB": sz(dob),
        "CigConsQty": dword(per_day),
        "CigBoxPrice": binary_double(single(price)),
        "CigBoxQty": dword(per_pack),
        "UserStopTime": binary_double(date_time(stop)),
        "SetupCompl": dword(1 if complete else 0),
    }


def attempt(start, end, cigarettes, money):
    """A quit attempt kept under Verlauf: REG_BINARY of two date-time doubles and two
    single-precision floats, little-endian."""
    return REG_BINARY, struct.pack("<ddff", date_time(start), date_time(end), cigarettes, money)


def milestones_told(stop, count):
    """What the milestone notices keep under Meilensteine: the count told for this stop."""
    return {"Rauchstopp": binary_double(date_time(stop)), "Gemeldet": dword(count)}


def write(config_home, values, history=None, told=None):
    """The key with `values`, with `history` ({name: (type, bytes)}) under Verlauf and `told`
    under Meilensteine."""
    os.makedirs(os.path.dirname(path(config_home)), mode=0o700, exist_ok=True)
    db = sqlite3.connect(path(config_home))
    try:
        db.executescript(SCHEMA)
        levels = KEY.split("\\")
        for i in range(1, len(levels) + 1):
            db.execute("INSERT INTO reg_key VALUES (?)", ("\\".join(levels[:i]),))
        for name, (kind, data) in values.items():
            db.execute("INSERT INTO reg_value VALUES (?, ?, ?, ?)", (KEY, name, kind, data))
        for subkey, held in (("Verlauf", history), ("Meilensteine", told)):
            if held is None:
                continue
            db.execute("INSERT INTO reg_key VALUES (?)", (KEY + "\\" + subkey,))
            for name, (kind, data) in held.items():
                db.execute("INSERT INTO reg_value VALUES (?, ?, ?, ?)",
                           (KEY + "\\" + subkey, name, kind, data))
        db.commit()
    finally:
        db.close()
    os.chmod(path(config_home), 0o600)


def update(config_home, values):
    """Replaces stored values of the key, as another program would while Pelwick runs."""
    db = sqlite3.connect(path(config_home))
    try:
        for name, (kind, data) in values.items():
            db.execute("UPDATE reg_value SET type = ?, data = ? WHERE key = ? AND name = ?",
                       (kind, data, KEY, name))
        db.commit()
    finally:
        db.close()


def read(config_home, key=KEY):
    """{name: (type, bytes)} of the program's key (or another), read without writing anything."""
    db = sqlite3.connect(f"file:{path(config_home)}?mode=ro", uri=True)
    try:
        rows = db.execute("SELECT name, type, data FROM reg_value WHERE key = ?", (key,))
        return {name: (kind, bytes(data)) for name, kind, data in rows}
    finally:
        db.close()


def write_reg_file(file_name, values, history=None, told=None):
    """The same values as a .reg file for `reg import` into a Windows registry (Wine's): each
    value as its type number and its exact bytes."""
    lines = ["Windows Registry Editor Version 5.00", "", f"[HKEY_CURRENT_USER\\{KEY}]"]
    for name, (kind, data) in values.items():
        lines.append(f'"{name}"=hex({kind:x}):' + ",".join(f"{b:02x}" for b in data))
    for subkey, held in (("Verlauf", history), ("Meilensteine", told)):
        if held is None:
            continue
        lines += ["", f"[HKEY_CURRENT_USER\\{KEY}\\{subkey}]"]
        for name, (kind, data) in held.items():
            lines.append(f'"{name}"=hex({kind:x}):' + ",".join(f"{b:02x}" for b in data))
    with open(file_name, "w", encoding="utf-16", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def shows_totals(text, per_day, price, per_pack, stop):
    """Whether a ticker's text shows the totals of these figures for the present moment, within
    a minute's worth, since the moment moves on while a test runs."""
    match = re.fullmatch(r" *(\d+) +(\d+),(\d\d)\u20ac", text or "")
    if not match:
        return False
    minutes = (datetime.datetime.now() - stop) / datetime.timedelta(minutes=1)
    count = per_day * minutes / 1440
    money = int(match.group(2)) + int(match.group(3)) / 100
    return (abs(int(match.group(1)) - count) <= 1 + per_day / 1440
            and abs(money - price / per_pack * count) <= 0.02 + price * per_day / 1440)


def quit_attempt(data):
    """(start, end, cigarettes, money) of a record under Verlauf, as `attempt` packs it."""
    return struct.unpack("<ddff", data)


def sample_history(now):
    """Three earlier attempts, for the pictures of the progress window."""
    days = datetime.timedelta(days=1)
    return {"00": attempt(now - 200 * days, now - 140 * days, 1200, 390),
            "01": attempt(now - 120 * days, now - 111.2 * days, 176, 57.2),
            "02": attempt(now - 90 * days, now - 30.2 * days, 1196, 388.7)}
