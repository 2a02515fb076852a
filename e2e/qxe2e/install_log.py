"""The msiexec /l*v log (ANSI text, "\\n" line ends) as Wine 8 writes it.

Observed: Wine renders an INFO record that has no field-0 template as "1: " + field 1 +
" " (a "1: " prefix, the text verbatim, one trailing space) and then the log's own "\\n".
The DLL's echoed text ends in "\\n", so its exit line shows as

    1: QXECA: ----->> QXLogConfig normal exit rc=0 <<-----\\n
     \\n                    <- the trailing space on a line of its own

(a text without the "\\n" would show as "1: QXECA: ... <<----- \\n" instead)."""

import re

ECHO_FIELD = "QXECA: ----->> QXLogConfig normal exit rc=0 <<-----\n"


def render_info(field1):
    """How a one-field INFO record appears in the log."""
    return f"1: {field1} \n"


def read(path):
    with open(path, "rb") as log:
        return log.read().decode("latin-1")


def action_blocks(text, action):
    """[(body, return value)] for every run of `action`, from its "Action start" line to its
    "Action ended ... Return value N." line."""
    name = re.escape(action)
    pattern = re.compile(rf"^Action start \d{{1,2}}:\d\d:\d\d: {name}\.\n(.*?)"
                         rf"^Action ended \d{{1,2}}:\d\d:\d\d: {name}\. Return value (\d+)\.\n",
                         re.M | re.S)
    return [(m.group(1), int(m.group(2))) for m in pattern.finditer(text)]


def property_dump(text):
    """{name: value} of the dump that closes the log ("Property(S): NAME = value" lines)."""
    return dict(re.findall(r"^Property\(S\): (\S+) = (.*)$", text, re.M))


def context(text, needle, lines=2):
    """The log lines around each occurrence of needle, repr'd so spaces and line ends show."""
    out = []
    all_lines = text.split("\n")
    for i, line in enumerate(all_lines):
        if needle in line:
            chunk = all_lines[max(0, i - 1):i + lines]
            out.append(" | ".join(repr(c) for c in chunk))
    return out
