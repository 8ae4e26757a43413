#!/usr/bin/env python3
"""The publisher's tool (tools/update/publish) on the real builds: a release
published into an empty folder and what its control file says, the growing
serial and version, the releases it refuses, its check finding a changed
byte in any file and a changed line in the control file, and its check
reading hand-made control files as the client reads them (through the
native build's control_reader, which the tool builds when it is missing).
  publish_tool_test.py <Windows build folder>
"""
import datetime
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
# Run by this interpreter (the system's): a private one on PATH may take seconds to start.
TOOL = [sys.executable, os.path.join(ROOT, "tools", "update", "publish")]
SIGN = os.path.join(ROOT, "tools", "update", "update_tool.py")
KEY = os.path.join(ROOT, "res", "update_test_private_key.pem")
PUBLIC = os.path.join(ROOT, "res", "update_test_public_key.pem")
BUILD = None


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def sections_of(path):
    """The control file as sections of keys, for reading back what was written."""
    result, current = {}, None
    with open(path, "rb") as f:
        data = f.read()
    assert b"\r\n" in data and b"\n" not in data.replace(b"\r\n", b""), "lines end in CR LF"
    for line in data.decode("cp1252").split("\r\n"):
        if line.startswith("["):
            current = result.setdefault(line.strip("[]"), {})
        elif "=" in line:
            key, value = line.split("=", 1)
            current[key] = value
    return result


class PublishTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.work)
        self.release = os.path.join(self.work, "release")
        self.folder = os.path.join(self.work, "site")
        os.makedirs(os.path.join(self.release, "lists", "office"))
        files = {"whatsnew.txt": b"What is new\r\n", "eula.txt": b"License\r\n", "readme.txt": b"Read me\r\n",
                 "notes.txt": b"Notes, compressed\r\n" * 20, "lists/lab.txt": b"Lab-01\r\n",
                 "lists/office/first-floor.txt": b"Remote01\r\n"}
        for name, data in files.items():
            with open(os.path.join(self.release, name), "wb") as f:
                f.write(data)

    def describe(self, program="talkpost_next.exe", readme_target="{APP}\\docs", extra=""):
        # One file per description, so that a table of them can be made up front.
        path = os.path.join(self.release, f"release{len(os.listdir(self.release))}.ini")
        with open(path, "w") as f:
            f.write(f"[release]\nprogram = {os.path.join(BUILD, program)}\ndescription = A test release\n"
                    "whatsnew = whatsnew.txt\nlicense = eula.txt\n"
                    f"[file readme]\nsource = readme.txt\ntarget = {readme_target}\ndescription = Read me\n"
                    "hidden = yes\n"
                    "[file notes]\nsource = notes.txt\ndescription = Notes\ncompression = szdd\nmandatory = yes\n"
                    "[file lists]\nsource = lists\ntarget = {APP}\\data\ndescription = Lists\ncompression = cab\n"
                    + extra)
        return path

    @staticmethod
    def with_bytes(release, data):
        with open(release, "ab") as f:
            f.write(data)
        return release

    def publish(self, release=None, *options, key=KEY):
        command = [*TOOL, release or self.describe(), "--folder", self.folder, "--server", "https://updates.test:8443/talkpost",
                   "--key", key, "--public-key", PUBLIC, "--szdd", os.path.join(BUILD, "host", "szdd"), *options]
        return subprocess.run(command, capture_output=True, text=True)

    def check(self, folder=None, client=None):
        command = [*TOOL, "--check", folder or self.folder, "--public-key", PUBLIC]
        if client:
            command += ["--client-version", client]
        return subprocess.run(command, capture_output=True, text=True)

    def updates(self, name=""):
        return os.path.join(self.folder, "Updates", name)

    def test_a_release_in_an_empty_folder_names_every_file_with_its_hash_and_passes_the_check(self):
        result = self.publish()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(sorted(os.listdir(self.updates())),
                         ["eula.txt", "lists.cab", "notes.tx_", "readme.txt", "talkpost.exe_NEW", "talkpost.inf",
                          "talkpost.inf.sig", "whatsnew.txt"])
        self.assertEqual(sha256(self.updates("talkpost.exe_NEW")), sha256(os.path.join(BUILD, "talkpost_next.exe")))
        with open(self.updates("notes.tx_"), "rb") as f:
            self.assertEqual(f.read(4), b"SZDD")

        control = sections_of(self.updates("talkpost.inf"))
        update = control["update"]
        self.assertEqual(update["newversion"], "1.0.0.2")
        self.assertEqual(update["localversion"], "{APP}\\talkpost.exe")
        self.assertEqual(update["serial"], "1")
        self.assertNotIn("date", update)  # a date would decide before the version does
        expires = datetime.datetime.strptime(update["expires"], "%d.%m.%Y %H:%M")
        self.assertAlmostEqual((expires - datetime.datetime.now()).days, 89, delta=1)
        self.assertEqual(control["application"],
                         {"appupdate": "1", "appname": "talkpost.exe", "appcomps": "talkpost.exe_NEW"})
        for section, name in (("whatsnew", "whatsnew.txt"), ("eula", "eula.txt")):
            self.assertEqual(control[section], {"file": f"https://updates.test:8443/talkpost/Updates/{name}",
                                                "sha256": sha256(self.updates(name))})
        self.assertEqual(control["files"]["count"], "4")
        expected = {  # name: the keys beside url, descr, sizes, dates and sha256
            "talkpost.exe_NEW": {"mandatory": "1"},
            "readme.txt": {"targetdir": "{APP}\\docs", "hidden": "1"},
            "notes.tx_": {"compressed": "1", "mandatory": "1"},  # expanded in {APP} itself
            "lists.cab": {"targetdir": "{APP}\\data", "compressed": "1"},
        }
        for n, (name, flags) in enumerate(expected.items(), 1):
            entry = control[f"file{n}"]
            self.assertEqual(entry.pop("url"), f"https://updates.test:8443/talkpost/Updates/{name}")
            self.assertEqual(entry.pop("sha256"), sha256(self.updates(name)), name)
            self.assertEqual(entry.pop("filesize"), str(os.path.getsize(self.updates(name))), name)
            datetime.datetime.strptime(entry.pop("date") + " " + entry.pop("time"), "%d.%m.%Y %H:%M")
            self.assertTrue(entry.pop("descr"))
            self.assertEqual(entry, flags, name)
        listing = subprocess.run(["gcab", "-t", self.updates("lists.cab")], capture_output=True, text=True).stdout
        self.assertEqual(sorted(listing.split()), ["lab.txt", "office\\first-floor.txt"])

        older = self.check(client="1.0.0.1")
        self.assertEqual(older.returncode, 0, older.stderr)
        self.assertIn("[update] serial=1: a client that accepted a higher serial refuses the file", older.stdout)
        self.assertIn(f"[update] expires={update['expires']}: a client refuses the file from then on", older.stdout)
        self.assertIn("release 1.0.0.2: A test release", older.stdout)
        self.assertIn("a client of version 1.0.0.1: check code 11 (version newer): it offers the update", older.stdout)
        for line in ("[whatsnew] shows https://updates.test:8443/talkpost/Updates/whatsnew.txt",
                     "[eula] shows https://updates.test:8443/talkpost/Updates/eula.txt",
                     "[files] count=4: 4 entries",
                     "   [file1] mandatory Talkpost 1.0.0.2: talkpost.exe_NEW: the updater helper puts it in place as "
                     "{APP}\\talkpost.exe after the restart",
                     "   [file2] hidden Read me: readme.txt: into {APP}\\docs\\readme.txt",
                     "   [file3] mandatory Notes: notes.tx_: expanded into {APP}",
                     "   [file4] optional Lists: lists.cab: its files extracted into {APP}\\data\\",
                     "   [application] appname: after the restart the updater helper starts the program: talkpost.exe"):
            self.assertIn(line, older.stdout)
        self.assertNotIn("!!", older.stdout)
        current = self.check(client="1.0.0.2")
        self.assertEqual(current.returncode, 0, current.stderr)
        self.assertIn("a client of version 1.0.0.2: check code 7 (no new version): it installs nothing", current.stdout)

    def test_every_release_must_be_newer_and_gets_the_next_serial(self):
        self.assertEqual(self.publish(self.describe(program="talkpost.exe")).returncode, 0)
        with open(self.updates("talkpost.inf"), "rb") as f:
            first = f.read()
        for program in ("talkpost.exe", "talkpost.exe"):
            refused = self.publish(self.describe(program=program))
            self.assertEqual(refused.returncode, 1)
            self.assertIn("is version 1.0.0.1, the folder offers 1.0.0.1 already", refused.stderr)
        with open(self.updates("talkpost.inf"), "rb") as f:
            self.assertEqual(f.read(), first, "a refused release leaves the folder as it was")
        self.assertEqual(self.publish().returncode, 0)
        self.assertEqual(sections_of(self.updates("talkpost.inf"))["update"]["serial"], "2")
        older = self.publish(self.describe(program="talkpost.exe"))
        self.assertIn("the folder offers 1.0.0.2 already", older.stderr)
        self.assertEqual(self.check().returncode, 0)

    def test_a_release_that_must_not_go_out_is_refused_and_the_folder_stays_empty(self):
        wrong_key = os.path.join(self.work, "other.pem")
        subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", wrong_key],
                       check=True, capture_output=True)
        with open(os.path.join(self.release, "plain.txt"), "w") as f:
            f.write("no program")
        cases = [  # (what, release description, options, key, message)
            ("target above {APP}", self.describe(readme_target="{APP}\\..\\outside"), [], KEY, "climbs out of {APP}"),
            ("relative climb", self.describe(readme_target="..\\outside"), [], KEY, "climbs out of {APP}"),
            ("climb inside", self.describe(readme_target="{APP}\\docs\\..\\..\\x"), [], KEY, "climbs out of {APP}"),
            ("system folder", self.describe(readme_target="{SYS}"), [], KEY, "climbs out of {APP}"),
            ("a drive", self.describe(readme_target="C:\\Windows"), [], KEY, "climbs out of {APP}"),
            ("a share", self.describe(readme_target="\\\\server\\share"), [], KEY, "climbs out of {APP}"),
            ("missing file", self.describe(extra="[file gone]\nsource = gone.txt\n"), [], KEY, "gone.txt is missing"),
            ("missing program", self.describe(program="nothing.exe"), [], KEY, "nothing.exe is missing"),
            ("no version", self.describe(program=os.path.join(self.release, "plain.txt")), [], KEY,
             "has no version resource"),
            ("compressed below {APP}", self.describe(extra="[file deep]\nsource = readme.txt\nname = deep.tx_\n"
                                                          "compression = szdd\ntarget = {APP}\\docs\n"), [], KEY,
             "expanded in {APP} itself"),
            ("taken name", self.describe(extra="[file again]\nsource = whatsnew.txt\n"), [], KEY, "is taken already"),
            ("another key", self.describe(), [], wrong_key, "is not the key of"),
            ("expired", self.describe(), ["--expires", "01.01.2020 00:00"], KEY, "lies in the past"),
            # Texts a looser reading takes but every client refuses.
            ("one-digit day", self.describe(), ["--expires", "1.1.2030 00:00"], KEY, "a client reads only dd.mm.yyyy"),
            ("one-digit hour", self.describe(), ["--expires", "01.01.2030 0:00"], KEY, "a client reads only"),
            ("no such day", self.describe(), ["--expires", "31.02.2030 00:00"], KEY, "a client reads only"),
            ("seconds", self.describe(), ["--expires", "01.01.2030 00:00:00"], KEY, "a client reads only"),
            ("end of file", self.describe(), ["--expires", "01.01.2030 00:00\x1a"], KEY, "a control character"),
            ("no year 10000", self.describe(), ["--valid-days", "9999999"], KEY, "beyond the year 9999"),
            ("not UTF-8", self.with_bytes(self.describe(), b"[file odd]\nsource = readme.txt\ndescription = caf\xe9\n"),
             [], KEY, "is not UTF-8 text (byte 0xE9"),
        ]
        for what, release, options, key, message in cases:
            with self.subTest(what):
                result = self.publish(release, *options, key=key)
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(message, result.stderr)
                self.assertEqual(len(result.stderr.strip().splitlines()), 1, result.stderr)
                self.assertEqual(os.listdir(self.updates()) if os.path.isdir(self.updates()) else [], [])
                shutil.rmtree(self.folder, ignore_errors=True)

    def test_a_serial_that_a_client_does_not_read_is_never_published_on(self):
        cases = [  # (serial the folder offers, message)
            (b"\xb2", "offers no version or serial a client reads"),             # superscript two
            (b"12345678901234567890", "offers no version or serial a client reads"),  # 20 digits
            (b"+5", "offers no version or serial a client reads"),
            (b"9999999999999999999", "serial 10000000000000000000 is not a serial a client reads"),
        ]
        for serial, message in cases:
            with self.subTest(serial):
                shutil.rmtree(self.folder, ignore_errors=True)
                os.makedirs(self.updates())
                old = b"[update]\r\nnewversion=1.0.0.1\r\nserial=" + serial + b"\r\n"
                with open(self.updates("talkpost.inf"), "wb") as f:
                    f.write(old)
                result = self.publish()
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(message, result.stderr)
                self.assertNotIn("Traceback", result.stderr)
                self.assertEqual(os.listdir(self.updates()), ["talkpost.inf"])
                with open(self.updates("talkpost.inf"), "rb") as f:
                    self.assertEqual(f.read(), old)

    def test_the_check_finds_a_changed_byte_in_any_file_and_a_changed_line(self):
        self.assertEqual(self.publish().returncode, 0)
        names = sorted(os.listdir(self.updates()))

        def flip_first_byte(path):
            with open(path, "r+b") as f:
                first = f.read(1)
                f.seek(0)
                f.write(bytes([first[0] ^ 1]))

        def append_byte(path):
            with open(path, "ab") as f:
                f.write(b"x")

        def change_line(path):
            with open(path, "rb") as f:
                data = f.read()
            with open(path, "wb") as f:
                f.write(data.replace(b"descr=A test release", b"descr=A test releasf"))

        cases = [(name, flip_first_byte, name if not name.startswith("talkpost.inf") else "does not sign")
                 for name in names]
        cases += [("talkpost.inf", change_line, "does not sign"),
                  ("readme.txt", os.remove, "Updates/readme.txt is missing"),
                  ("lists.cab", append_byte, "Updates/lists.cab is not ")]
        for name, change, message in cases:
            with self.subTest(f"{change.__name__} {name}"):
                copy = os.path.join(self.work, "copy")
                shutil.rmtree(copy, ignore_errors=True)
                shutil.copytree(self.folder, copy)
                change(os.path.join(copy, "Updates", name))
                result = self.check(copy)
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(message, result.stderr)
                self.assertIn("a client refuses this folder", result.stderr)
        self.assertEqual(self.check().returncode, 0)


class HandMadeControlFileTest(unittest.TestCase):
    """The check reads a signed control file that this tool did not write as
    the client reads it: every entry, every target outside {APP} and every
    instruction, called out."""

    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.work)
        self.updates = os.path.join(self.work, "site", "Updates")
        os.makedirs(self.updates)
        for name, data in (("readme.txt", b"Read me\r\n"), ("evil.dll", b"MZ not really\r\n")):
            with open(os.path.join(self.updates, name), "wb") as f:
                f.write(data)

    def entry(self, n, name, target):
        return (f"[file{n}]\r\nurl=https://u.test/Updates/{name}\r\ndescr={name}\r\n"
                f"sha256={sha256(os.path.join(self.updates, name))}\r\ntargetdir={target}\r\n").encode()

    def check(self, control):
        path = os.path.join(self.updates, "talkpost.inf")
        with open(path, "wb") as f:
            f.write(control)
        subprocess.run(["/usr/bin/python3", SIGN, "sign", path, "--key", KEY], check=True)
        return subprocess.run([*TOOL, "--check", os.path.join(self.work, "site"), "--public-key", PUBLIC],
                              capture_output=True, text=True)

    def test_count_reads_as_the_client_reads_it_and_every_target_and_action_is_called_out(self):
        head = b"[update]\r\nnewversion=1.0.0.2\r\nserial=1\r\n[action]\r\nrunbefore={SYS}\\cmd.exe /c echo\r\n"
        body = self.entry(1, "readme.txt", "{APP}") + self.entry(2, "evil.dll", "{WIN}")
        for count in (b"+2", b"0x2", b"2\x1a", b"$2"):
            with self.subTest(count):
                result = self.check(head + b"[files]\r\ncount=" + count + b"\r\n" + body)
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn("entries", result.stdout)
                self.assertIn(": 2 entries", result.stdout)
                self.assertIn("   [file1] optional readme.txt: readme.txt: into {APP}\\readme.txt", result.stdout)
                self.assertIn("!! [file2] optional evil.dll: evil.dll: into {WIN}\\evil.dll", result.stdout)
                self.assertIn("!! [action] runbefore: before the download the client starts the program: "
                              "{SYS}\\cmd.exe /c echo", result.stdout)
                called = [line for line in result.stderr.splitlines() if line.startswith("CALLED OUT: ")]
                self.assertEqual(len(called), 2, result.stderr)
                self.assertIn("[file2] evil.dll: into {WIN}\\evil.dll", called[0])
                self.assertIn("outside {APP}", called[0])
                self.assertIn("[action] runbefore: before the download the client starts the program: "
                              "{SYS}\\cmd.exe /c echo", called[1])
                self.assertNotIn("error:", result.stderr)

    def test_the_check_reads_sections_keys_and_bytes_as_the_client_does(self):
        entry = self.entry(1, "readme.txt", "{APP}")
        cases = [  # (what, control file, exit code, in stdout, in stderr)
            ("a header ends at its last ]", b"[update]\r\nnewversion=1.0.0.2\r\n[files] ; one ]\r\ncount=1\r\n"
             + entry, 0, "[files] count=: 0 entries", ""),
            ("only the first [update] counts", b"[update]\r\nnewversion=1.0.0.2\r\n[update]\r\n"
             b"expires=01.01.2001 00:00\r\nnewversion=x\r\n", 0, "[update] expires: none", ""),
            ("an expiry a client cannot read", b"[update]\r\nnewversion=1.0.0.2\r\nexpires=1.1.2030 00:00\r\n", 1,
             "", "error: [update] expires \"1.1.2030 00:00\" is not dd.mm.yyyy hh:mm"),
            ("a serial of 20 digits", b"[update]\r\nnewversion=1.0.0.2\r\nserial=12345678901234567890\r\n", 1,
             "", "every client refuses the file"),
            ("superscript two", b"[update]\r\nnewversion=1.0.0.2\r\nserial=\xb2\r\n", 1, "serial=\u00b2",
             "error: [update] serial \"\u00b2\" is not a serial a client reads"),
            ("a byte no code page 1252 character", b"[update]\r\nnewversion=1.0.0.2\r\ndescr=a \x81 b\r\n", 1,
             "release 1.0.0.2: a \\x81 b", "CALLED OUT: Updates/talkpost.inf line 3: byte 0x81 is no character"),
        ]
        for what, control, code, out, err in cases:
            with self.subTest(what):
                result = self.check(control)
                self.assertEqual(result.returncode, code, result.stdout + result.stderr)
                self.assertIn(out, result.stdout)
                self.assertIn(err, result.stderr)
                self.assertNotIn("Traceback", result.stderr)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
