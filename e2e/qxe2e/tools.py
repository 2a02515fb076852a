"""Where the host tools live. Debian keeps wine64 out of PATH; the 64-bit reg.exe needs it."""

import os
import shutil

GCC = "i686-w64-mingw32-gcc"
OBJDUMP = "i686-w64-mingw32-objdump"
WINE = "wine"
WINESERVER = "wineserver"
WIXL = "wixl"
MSIINFO = "msiinfo"


def wine64():
    found = shutil.which("wine64")
    if found:
        return found
    return "/usr/lib/wine/wine64"


def missing():
    """Names of the tools this machine lacks."""
    names = [GCC, OBJDUMP, WINE, WINESERVER, WIXL, MSIINFO]
    lost = [n for n in names if not shutil.which(n)]
    if not os.access(wine64(), os.X_OK):
        lost.append("wine64")
    return lost
