#!/usr/bin/env python3
"""Fills an update server's folder for the installation tests.

files/     the files the control files name: a plain text, the gcab cabinets
           of the build (one with sub-folders, one with an entry that climbs
           out, one with entries named as devices), an SZDD file, files whose
           sha256 value is wrong or missing, names refused as devices,
           and the newer build of the program as "talkpost.exe_NEW";
           dies/talkpost.exe_NEW is a program that ends at once.
c/<name>.inf and c/<name>.inf.sig
           one signed control file per case below; "{base}" stands for the
           server's address, "{sha:<file>}" for the sha256 of files/<file>.
"""
import argparse
import os
import shutil
import subprocess
import sys

FILES = {
    "plain.txt": b"plain file\r\n",
    "bad.txt": b"what the server sends\r\n",
    "unlisted.txt": b"no sha256 value for this one\r\n",
    "one.txt": b"one\r\n",
    "two.txt": b"two\r\n",
    "three.txt": b"three\r\n",
    "nul.txt": b"a name the platform gives a device\r\n",
}

def file_list(*entries):
    """[files] and one [fileN] per entry: (published name, further lines)."""
    text = "[files]\ncount=%d\n" % len(entries)
    for n, (name, lines) in enumerate(entries, 1):
        text += "[file%d]\nurl={base}/files/%s\n" % (n, name) + "".join(line + "\n" for line in lines)
    return text


def checked(name, *lines):
    """An entry with the publisher's sha256 value of the file."""
    return (name, list(lines) + ["sha256={sha:%s}" % name])


APPLICATION = "[application]\nappupdate=1\nappname=talkpost.exe\n"

CONTROL = {
    # A plain file into a new target folder (with a blank in its name).
    "plain": file_list(checked("plain.txt", "targetdir={APP}\\new folder\\sub")),
    # A cabinet with sub-folders, one whose first entry climbs out and one with device names.
    "cabinets": file_list(checked("data.cab", "compressed=1", "targetdir={APP}\\data"),
                          checked("climb.cab", "compressed=1", "targetdir={APP}\\climb"),
                          checked("devices.cab", "compressed=1", "targetdir={APP}\\devices")),
    # An SZDD file expanded in the current directory.
    "szdd": file_list(checked("notes.tx_", "compressed=1")),
    # A file that does not match its value, one without a value, one that is
    # good; the first is also named as a component.
    "checked": APPLICATION + "appcomps=bad.txt\n" + file_list(
        ("bad.txt", ["targetdir={APP}\\checked", "sha256=" + "0" * 64]),
        ("unlisted.txt", ["targetdir={APP}\\checked"]),
        checked("plain.txt", "targetdir={APP}\\checked")),
    # Names that are refused: a device as the file's name and one in its
    # target folder; the good file of the same update is installed.
    "refused": APPLICATION + file_list(checked("nul.txt", "targetdir={APP}\\refused"),
                                       checked("plain.txt", "targetdir={APP}\\refused\\con"),
                                       checked("one.txt", "targetdir={APP}\\refused")),
    # Three files for the prompt modes.
    "prompts": file_list(checked("one.txt", "targetdir={APP}\\prompted", "descr=First"),
                         checked("two.txt", "targetdir={APP}\\prompted", "descr=Second"),
                         checked("three.txt", "targetdir={APP}\\prompted", "descr=Third")),
    # The [action] steps before and after the download.
    "actions": APPLICATION + """[action]
msg=Line 1\\nLine 2
runbefore={APP}\\recorder.exe before
query=Install the update?\\nIt takes a minute.
runafter={APP}\\recorder.exe after
updateurl={base}/c/next.inf
[custom]
processmsg=custom message
processparam=custom parameter
""",
    # The newer program, left for the updater helper, and a file put in place
    # before the restart.
    "restart": APPLICATION + "appcomps=talkpost.exe_NEW\n" + file_list(
        checked("plain.txt", "targetdir={APP}\\docs"), checked("talkpost.exe_NEW")),
    # The same, but its program ends at once: the helper rolls it back.
    "restart_dies": "[update]\nserial=5\nnewversion=9.9.9.9\n" + APPLICATION + "appcomps=talkpost.exe_NEW\n" +
        file_list(checked("plain.txt", "targetdir={APP}\\docs"),
                  ("dies/talkpost.exe_NEW", ["sha256={sha:dies/talkpost.exe_NEW}"])),
    # Three files, the third of which does not match its value: nothing of it is installed.
    "third_fails": file_list(checked("one.txt", "targetdir={APP}\\docs"), checked("two.txt", "targetdir={APP}"),
                             ("three.txt", ["targetdir={APP}\\docs", "sha256=" + "0" * 64])),
}

# The update check: the local file "local.txt" holds "abc" (byte sum 293,
# size 3) and was last written on 01.06.2020 at 12:00; "talkpost.exe" is the
# program of the build (version 1.0.0.1).
CHECKS = {
    "date_no_time": "date=01.06.2020",
    "date_later_time": "date=01.06.2020\ntime=13:00",
    "date_earlier_time": "date=01.06.2020\ntime=11:30",
    "date_over_version": "date=02.06.2020\nnewversion=0.0.0.1",
    "date_1980_then_checksum": "date=01.01.1980\nnewchecksum=5",
    "unconditional": "unconditional=1\nlocalversion=",
    "unconditional_date_newer": "unconditional=1\ndate=02.06.2020",
    "checksum_equal_over_size": "newchecksum=293\nnewsize=99\nnewversion=9.0.0.0",
    "checksum_differs": "newchecksum=5\nnewsize=3",
    "size_differs_over_version": "newsize=4\nnewversion=0.0.0.1",
    "size_equal": "newsize=3",
    "version_newer": "newversion=1.0.0.2\nlocalversion={APP}\\talkpost.exe",
    "version_commas": "newversion=1,0,0,2\nlocalversion={APP}\\talkpost.exe",
    "version_equal": "newversion=1.0.0.1\nlocalversion={APP}\\talkpost.exe",
    "version_five_numbers": "newversion=1.0.0.2.1\nlocalversion={APP}\\talkpost.exe",
    "version_no_local_file": "newversion=1.0.0.2\nlocalversion=",
    "nothing": "descr=Nothing to compare",
}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True)
    parser.add_argument("--base", required=True)
    parser.add_argument("--binary", required=True, help="the Windows build folder")
    parser.add_argument("--tool", required=True, help="update_tool.py")
    args = parser.parse_args(argv)
    # The publisher's own tool: its hash and signature are what a release carries.
    sys.dont_write_bytecode = True  # nothing written beside the tool in the checkout
    sys.path.insert(0, os.path.dirname(os.path.abspath(args.tool)))
    import update_tool

    files = os.path.join(args.root, "files")
    controls = os.path.join(args.root, "c")
    os.makedirs(files, exist_ok=True)
    os.makedirs(controls, exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join(files, name), "wb") as f:
            f.write(data)
    cabinets = os.path.join(args.binary, "tests", "update", "install", "cabinets")
    for name in ("data.cab", "climb.cab", "devices.cab"):
        shutil.copyfile(os.path.join(cabinets, name), os.path.join(files, name))
    shutil.copyfile(os.path.join(args.binary, "talkpost_next.exe"), os.path.join(files, "talkpost.exe_NEW"))
    os.makedirs(os.path.join(files, "dies"), exist_ok=True)
    shutil.copyfile(os.path.join(args.binary, "standins", "msg.exe"), os.path.join(files, "dies", "talkpost.exe_NEW"))
    with open(os.path.join(files, "notes.txt"), "wb") as f:
        f.write(b"expanded notes\r\n")
    subprocess.run([os.path.join(args.binary, "host", "szdd"), os.path.join(files, "notes.txt"),
                    os.path.join(files, "notes.tx_")], check=True)
    os.remove(os.path.join(files, "notes.txt"))

    texts = dict(CONTROL)
    for name, update in CHECKS.items():
        lines = update.split("\n")
        if not any(line.startswith("localversion=") for line in lines):
            lines.append("localversion={APP}\\local.txt")
        texts["check_" + name] = "[update]\n" + "\n".join(lines) + "\n"
    for name, text in texts.items():
        text = text.replace("{base}", args.base)
        while "{sha:" in text:
            start = text.index("{sha:")
            end = text.index("}", start)
            text = text[:start] + update_tool.sha256_of(os.path.join(files, text[start + 5:end])) + text[end + 1:]
        path = os.path.join(controls, name + ".inf")
        with open(path, "wb") as f:
            f.write(text.replace("\n", "\r\n").encode("latin-1"))
        update_tool.write_signature(path, update_tool.TEST_KEY)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
