"""Prints where the module belongs under an install prefix, relative to the prefix: the folder
the interpreter that runs this looks in for that prefix.

    python3 module_dir.py PREFIX

The scheme whose root is the prefix gives it: the user's own (site.getuserbase(), ~/.local:
the user site, lib/python3.X/site-packages), and on Debian's interpreter Debian's for /usr
(lib/python3/dist-packages, where Debian's packages put modules) and the local one for
/usr/local (lib/python3.X/dist-packages). Any other prefix gets the interpreter's own layout
for an installation there, lib/python3.X/site-packages, which a virtual environment made at
that prefix sees, and PYTHONPATH can name.
"""
import os
import sys
import sysconfig


def module_dir(prefix):
    """The folder, relative to prefix, that this interpreter's scheme for prefix names."""
    prefix = os.path.normpath(prefix)
    # Checked in this order; deb_system and posix_local exist in Debian's interpreter only.
    for scheme in ("posix_user", "deb_system", "posix_local"):
        if scheme in sysconfig.get_scheme_names():
            if os.path.normpath(sysconfig.get_path("data", scheme)) == prefix:
                return os.path.relpath(sysconfig.get_path("platlib", scheme), prefix)
    own = sysconfig.get_path("platlib", "posix_prefix", vars={"base": prefix, "platbase": prefix})
    return os.path.relpath(own, prefix)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: module_dir.py PREFIX")
    print(module_dir(sys.argv[1]))
