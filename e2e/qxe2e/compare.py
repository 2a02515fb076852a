"""Readable differences between expected and actual log lines (repr'd: CR and spaces show)."""

import difflib


def diff(expected, actual, limit=40):
    lines = list(difflib.unified_diff([repr(x) for x in expected], [repr(x) for x in actual],
                                      "expected", "actual", lineterm="", n=1))
    if len(lines) > limit:
        lines = lines[:limit] + [f"... {len(lines) - limit} more diff lines"]
    return "\n".join(lines)
