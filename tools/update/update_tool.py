#!/usr/bin/env python3
"""Publisher's tool for update control files.

  update_tool.py sign <control file> [--key <private key PEM>] [--out <file>]
      Writes <control file>.sig (or --out): the Base64 text of the 64-byte
      ECDSA P-256 signature r || s over SHA-256 of the file's exact bytes, the
      form the program checks. The key defaults to the repository's TEST key
      (res/update_test_private_key.pem); a release names the publisher's own.

  update_tool.py hash <file>...
      Prints "<sha256 hex>  <name>" for every file, for the control file's entries.

The signing itself is openssl's ("openssl dgst -sha256 -sign").
"""
import argparse
import base64
import hashlib
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TEST_KEY = os.path.join(ROOT, "res", "update_test_private_key.pem")


def der_integer(data, at):
    if data[at] != 0x02:
        raise ValueError("not a DER integer")
    length = data[at + 1]
    value = data[at + 2:at + 2 + length]
    return int.from_bytes(value, "big"), at + 2 + length


def raw_signature(der):
    """r || s, 32 bytes each, from the DER SEQUENCE openssl writes."""
    if der[0] != 0x30:
        raise ValueError("not a DER sequence")
    at = 2 if der[1] < 0x80 else 2 + (der[1] & 0x7F)
    r, at = der_integer(der, at)
    s, _ = der_integer(der, at)
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def sign(path, key):
    der = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key, path],
                         check=True, capture_output=True).stdout
    return base64.b64encode(raw_signature(der)).decode("ascii")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    s = sub.add_parser("sign")
    s.add_argument("file")
    s.add_argument("--key", default=TEST_KEY)
    s.add_argument("--out")
    h = sub.add_parser("hash")
    h.add_argument("files", nargs="+")
    args = parser.parse_args(argv)
    if args.command == "sign":
        text = sign(args.file, args.key)
        with open(args.out or args.file + ".sig", "w", newline="") as out:
            out.write(text + "\r\n")
    else:
        for name in args.files:
            digest = hashlib.sha256()
            with open(name, "rb") as f:
                for block in iter(lambda: f.read(1 << 20), b""):
                    digest.update(block)
            print(f"{digest.hexdigest()}  {os.path.basename(name)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
