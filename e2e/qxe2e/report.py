"""PASS/FAIL bookkeeping: every check prints as it happens and again in the summary."""

import sys


class Report:
    def __init__(self):
        self.results = []  # (name, ok, detail)

    def check(self, name, ok, detail=""):
        ok = bool(ok)
        self.results.append((name, ok, detail))
        print(f"{'PASS' if ok else 'FAIL'}  {name}")
        if detail and not ok:
            for line in detail.rstrip("\n").split("\n"):
                print(f"      {line}")
        sys.stdout.flush()
        return ok

    def passed(self, name, detail=""):
        return self.check(name, True, detail)

    def failed(self, name, detail=""):
        return self.check(name, False, detail)

    def note(self, text):
        print(f"      {text}")
        sys.stdout.flush()

    @property
    def ok(self):
        return all(ok for _, ok, _ in self.results) and bool(self.results)

    def summary(self):
        failed = [r for r in self.results if not r[1]]
        print()
        print("=" * 72)
        print("SUMMARY")
        for name, ok, _ in self.results:
            print(f"  {'PASS' if ok else 'FAIL'}  {name}")
        print("-" * 72)
        print(f"  {len(self.results) - len(failed)} passed, {len(failed)} failed: "
              f"{'PASS' if self.ok else 'FAIL'}")
        print("=" * 72)
        return self.ok
