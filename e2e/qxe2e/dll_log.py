"""qxeca.log, the DLL's own log in C:\\windows\\temp of the prefix.

Each entry is "MM/DD/YY HH:MM:SS: " + component right-aligned in 8 + ":" + label
right-aligned in 8 + ": " + text + "\\n", written in text mode, so every "\\n" lands as CRLF.
A text that itself ends in "\\n" (the exit line) is therefore followed by an empty line."""

import datetime
import os
import re

LOG_WINDOWS_PATH = ("windows", "temp", "qxeca.log")
ROTATE_AT = 500 * 1024  # the DLL starts a new log past this size

# Whole-line layout, applied to each line as split on "\n" (so the "\r" is still there).
LAYOUT = re.compile(r"^\d\d/\d\d/\d\d \d\d:\d\d:\d\d: {0,8}[^:]{0,8}:[ A-Z]{8}: .*\r$")
STAMP = re.compile(r"^(\d\d)/(\d\d)/(\d\d) (\d\d):(\d\d):(\d\d): ")
# The banner that closes a call: "normal exit rc=N" on success; with a failed installer call
# it is "exception, but returning ..." instead. Both texts end in "\n" (an empty line follows).
EXIT_LINE = re.compile(r": ----->> QXLogConfig (?!Starting <<)\S.* <<-----\r$")
MASK = "MM/DD/YY HH:MM:SS: "

START_TEXT = "----->> QXLogConfig Starting <<-----"
EXIT_TEXT = "----->> QXLogConfig normal exit rc=0 <<-----\n"


def path(prefix):
    return prefix.host_path(*LOG_WINDOWS_PATH)


def read_lines(prefix):
    """Lines of the log split on "\\n" (each keeps its "\\r"), or None if there is no log.
    A last piece without "\\n" is kept as a line, so a cut-off write shows up as torn."""
    try:
        with open(path(prefix), "rb") as log:
            data = log.read().decode("latin-1")
    except FileNotFoundError:
        return None
    lines = data.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def expected(text, component="qxeca", label="INFO"):
    """The masked file lines one entry produces."""
    body = f"{MASK}{component:>8}:{label:>8}: {text}\n"
    return body.replace("\n", "\r\n").split("\n")[:-1]


def mask(line):
    return STAMP.sub(MASK, line, count=1)


def is_exit(line):
    return bool(LAYOUT.match(line) and EXIT_LINE.search(line))


def torn_lines(lines):
    """(index, line) of every line that is neither a whole entry nor the empty line that
    follows an exit banner."""
    bad = []
    for i, line in enumerate(lines):
        if LAYOUT.match(line):
            continue
        if line == "\r" and i > 0 and is_exit(lines[i - 1]):
            continue
        bad.append((i, line))
    return bad


def stamps_outside(lines, begin, end):
    """(index, line) of entries whose time stamp is not a local time within [begin, end]
    (datetimes, whole seconds): catches a wrong date, a 12-hour clock or UTC."""
    bad = []
    for i, line in enumerate(lines):
        match = STAMP.match(line)
        if not match:
            continue
        month, day, year, hour, minute, second = (int(g) for g in match.groups())
        try:
            when = datetime.datetime(2000 + year, month, day, hour, minute, second)
        except ValueError:
            bad.append((i, line))
            continue
        if not begin <= when <= end:
            bad.append((i, line))
    return bad


def rotated_files(prefix):
    """Files in the log's folder that look like a rotated qxeca log."""
    folder = os.path.dirname(path(prefix))
    return sorted(f for f in os.listdir(folder)
                  if f.lower().startswith("qxeca") and f.lower() != "qxeca.log")
