#!/usr/bin/env python3
"""Writes the third-party notices of the Windows packages (UTF-8 text): every component shipped
beside zxquote.exe, its version and its licence, taken from the Qt build's own attribution
records (scripts/windows-deps keeps those of the code that went into the build) and from the
copyright files of the Debian packages the MinGW runtime DLLs come from.

  notices.py --output FILE --program "NAME VERSION" --qt-kept PREFIX/share/zxquote
             --qt-modules Core;Gui;... --qt-files Qt6Core.dll;plugins/...;...
             --runtime HOST_PATH;... --source-archive NAME.tar

Attribution records differ a little between Qt versions: LicenseFile or LicenseFiles, License
and LicenseId, Copyright as text or list or a CopyrightFile, QtParts from Qt 6.5 on. Missing
licence files are an error: a notice without its licence text is no notice.
"""
import argparse
import json
import os
import subprocess
import sys


def fail(message):
    sys.exit(f"notices.py: {message}")


def as_list(value):
    if value is None:
        return []
    return value if isinstance(value, list) else [value]


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read().strip("\n")


def qt_records(attribution, modules):
    """The attribution records of code in the shipped Qt modules, in a stable order."""
    wanted = {"qt" + m.lower() for m in modules}
    records = []
    for top, dirs, files in os.walk(attribution):
        dirs.sort()
        if "qt_attribution.json" not in files:
            continue
        folder = os.path.relpath(top, attribution)
        with open(os.path.join(top, "qt_attribution.json"), encoding="utf-8") as f:
            # Qt's files have line breaks inside strings.
            data = json.loads(f.read(), strict=False)
        for record in as_list(data):
            # Records of Qt Test, D-Bus and the like describe code that is not shipped.
            module = record.get("QDocModule")
            if module and module not in wanted:
                continue
            if "QtParts" in record and "libs" not in as_list(record["QtParts"]):
                continue
            records.append((folder, record))
    return records


def licence_texts(attribution, folder, record):
    """The record's licence files as (path relative to Qt's source, text)."""
    names = as_list(record.get("LicenseFile")) + as_list(record.get("LicenseFiles"))
    texts = []
    for name in names:
        path = os.path.normpath(os.path.join(folder, name))
        full = os.path.join(attribution, path)
        if not os.path.isfile(full):
            fail(f"{folder}/qt_attribution.json names {name}, which is not in {attribution}")
        texts.append((path, read(full)))
    return texts


def copyright_of(attribution, folder, record):
    lines = []
    for entry in as_list(record.get("Copyright")):
        lines += [line.strip() for line in entry.splitlines() if line.strip()]
    name = record.get("CopyrightFile")
    if not lines and name and os.path.isfile(os.path.join(attribution, folder, name)):
        lines = read(os.path.join(attribution, folder, name)).splitlines()
    return lines


def debian_copyright_of_all(path):
    """The Copyright field of the 'Files: *' stanza of a machine-readable debian/copyright."""
    stanza = None
    lines = []
    for line in read(path).splitlines() + [""]:
        if not line.strip():
            if stanza == "*" and lines:
                return lines
            stanza, lines, field = None, [], None
            continue
        if line.startswith("Files:"):
            stanza = line.split(":", 1)[1].strip()
        elif line.startswith("Copyright:"):
            field = "Copyright"
            lines = [line.split(":", 1)[1].strip()]
        elif line[0] in " \t" and lines and field == "Copyright":
            lines.append(line.strip())
        else:
            field = None
    return []


def package_of(path):
    """The Debian package that installed a file, its version and its copyright file."""
    real = os.path.realpath(path)
    try:
        owner = subprocess.run(["dpkg-query", "-S", real], check=True, capture_output=True,
                               text=True).stdout.split(":", 1)[0]
        version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", owner], check=True,
                                 capture_output=True, text=True).stdout
    except subprocess.CalledProcessError:
        fail(f"no Debian package owns {real}")
    copyright_file = f"/usr/share/doc/{owner}/copyright"
    if not os.path.isfile(copyright_file):
        fail(f"{owner} has no {copyright_file}")
    return owner, version, copyright_file


def main():
    parser = argparse.ArgumentParser()
    for option in ("output", "program", "qt-kept", "qt-modules", "qt-files", "runtime",
                   "source-archive"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    modules = args.qt_modules.split(";")
    qt_files = args.qt_files.split(";")
    attribution = os.path.join(args.qt_kept, "attribution")
    source_dir = os.path.join(args.qt_kept, "source")
    qt_source, qt_version = read(os.path.join(source_dir, "version.txt")).split()
    qt_upstream = qt_version.split(":")[-1].split("+")[0].split("-")[0]
    for name in ("LGPL-3.0-only.txt", "GPL-3.0-only.txt"):
        if not os.path.isfile(os.path.join(attribution, "LICENSES", name)):
            fail(f"no {name} in {attribution}/LICENSES")

    # Licence texts are printed once each, at the end, and referred to by number.
    appendix = []

    def refer(path, text):
        for number, (_, known) in enumerate(appendix, 1):
            if known == text:
                return number
        appendix.append((path, text))
        return len(appendix)

    out = []
    add = out.append
    add(f"{args.program}：第三方软件声明")
    add(f"Third-party notices: {args.program}")
    add("")
    add("本程序（zxquote.exe）是专有软件。与它一起分发的下列第三方组件各自以其许可证发布，")
    add("许可证全文见本文件末尾；Qt 以 GNU LGPL 第 3 版发布，其全文在本文件旁的 LGPL-3.0-only.txt")
    add("和 GPL-3.0-only.txt 中。程序以动态链接方式使用 Qt：可以用自行修改、重新编译的 Qt DLL")
    add("替换同名文件。Qt 的完整对应源代码见下文“Qt 的源代码”。")
    add("")
    add("zxquote.exe itself is proprietary. The components below are shipped with it, each under")
    add("its own licence, whose text is at the end of this file. Qt is used under the GNU Lesser")
    add("General Public License version 3 (LGPL-3.0-only.txt beside this file, with the GNU GPL")
    add("version 3 it builds on in GPL-3.0-only.txt). zxquote.exe links to Qt dynamically: its Qt")
    add("DLLs may be replaced by modified builds of the same Qt version with the same names.")
    add("")

    add("== Qt's source / Qt 的源代码 ==")
    add("")
    add(f"The corresponding source of the Qt libraries shipped here is {args.source_archive},")
    add("published beside this download by whoever distributes it. It holds Debian's source")
    add(f"package {qt_source} {qt_version} as built (.dsc, .orig.tar.xz, .debian.tar.xz), the")
    add("program's own patches to it (patches/), the MinGW-w64 toolchain file, the configure")
    add("options (configure-options.txt) and this file. To rebuild Qt for Windows on Debian with")
    add("the packages g++-mingw-w64-x86-64-posix, cmake, ninja-build and the same Qt for the build")
    add("machine (qt6-base-dev):")
    add("  dpkg-source -x *.dsc                 # unpacks the source with Debian's patches")
    add("  cd qt6-base-*/ && for p in ../patches/*.patch; do patch -p1 <\"$p\"; done")
    add("  cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=$PWD/../mingw-w64-x86_64.cmake \\")
    add("      -DCMAKE_INSTALL_PREFIX=$PWD/prefix <the options in configure-options.txt>")
    add("  cmake --build build && cmake --install build")
    add("The DLLs in prefix/bin and prefix/plugins then replace those shipped here.")
    add(f"随本下载分发的 Qt 库的对应源代码为 {args.source_archive}，由分发者与本下载一同提供。")
    add("")

    add("== Components / 组件 ==")
    add("")
    number = 0
    # Qt itself.
    number += 1
    add(f"{number}. Qt {qt_upstream} ({', '.join('Qt ' + m for m in modules)}), "
        f"from Debian's {qt_source} {qt_version}")
    add("   Files: " + ", ".join(qt_files))
    add("   Licence: GNU Lesser General Public License v3.0 only (LGPL-3.0-only); texts in "
        "LGPL-3.0-only.txt and GPL-3.0-only.txt beside this file")
    debian_copyright = os.path.join(attribution, "debian-copyright")
    if os.path.isfile(debian_copyright):
        for line in debian_copyright_of_all(debian_copyright):
            add(f"   Copyright: {line}")
    add("")
    # The module's DLL or one of its plugins (libjpeg is in the JPEG plugin of Qt GUI).
    module_of = {"qt" + m.lower(): f"Qt {m}" for m in modules}
    for folder, record in qt_records(attribution, modules):
        number += 1
        name = record.get("Name") or record.get("Id") or folder
        version = " ".join(str(record["Version"]).split()) if record.get("Version") else ""
        add(f"{number}. {name}{' ' + version if version else ''} "
            f"(in {module_of.get(record.get('QDocModule'), 'Qt')}; Qt source: {folder})")
        licence = " ".join(str(record.get("License", "")).split())
        if record.get("LicenseId"):
            licence += f" ({record['LicenseId']})" if licence else record["LicenseId"]
        texts = licence_texts(attribution, folder, record)
        refs = ", ".join(f"[{refer(path, text)}]" for path, text in texts)
        add(f"   Licence: {licence or 'see the notice below'}" + (f"; text: {refs}" if refs else ""))
        for line in copyright_of(attribution, folder, record):
            add(f"   Copyright: {line}")
        add("")

    # The MinGW runtime, by the Debian package each DLL comes from.
    packages = {}
    for path in args.runtime.split(";"):
        packages.setdefault(package_of(path), []).append(os.path.basename(path))
    for (owner, version, copyright_file), dlls in sorted(packages.items()):
        number += 1
        add(f"{number}. {', '.join(dlls)}: from Debian's {owner} {version}")
        ref = refer(f"Debian {owner}: {copyright_file}", read(copyright_file))
        add(f"   Licence and copyright: the package's copyright file, [{ref}]")
        add("")

    add("== Licence texts / 许可证全文 ==")
    for index, (path, text) in enumerate(appendix, 1):
        add("")
        add("-" * 78)
        add(f"[{index}] {path}")
        add("-" * 78)
        add(text)
    with open(args.output, "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write("\n".join(out) + "\n")


main()
