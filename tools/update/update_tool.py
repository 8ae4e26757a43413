#!/usr/bin/env python3
"""Publisher's tool for update control files.

  update_tool.py sign <control file> [--key <private key PEM>] [--out <file>]
      Writes <control file>.sig (or --out): the Base64 text of the 64-byte
      ECDSA P-256 signature r || s over SHA-256 of the file's exact bytes, the
      form the program checks. The key defaults to the repository's TEST key
      (res/update_test_private_key.pem); a release names the publisher's own.

  update_tool.py hash <file>...
      Prints "<sha256 hex>  <name>" for every file, for the control file's entries.

The signing itself is openssl's ("openssl dgst -sha256 -sign"), and so is the
check of a signature ("openssl dgst -sha256 -verify"). tools/update/publish
builds a whole update folder on these.
"""
import argparse
import base64
import hashlib
import os
import subprocess
import sys
import tempfile

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


def der_length(n):
    return bytes([n]) if n < 0x80 else bytes([0x81, n])


def der_integer_of(value):
    body = value.to_bytes(32, "big").lstrip(b"\0") or b"\0"
    if body[0] & 0x80:
        body = b"\0" + body
    return b"\x02" + der_length(len(body)) + body


def der_signature(raw):
    """The DER SEQUENCE openssl reads, from r || s."""
    if len(raw) != 64:
        raise ValueError("a signature is 64 bytes")
    body = der_integer_of(int.from_bytes(raw[:32], "big")) + der_integer_of(int.from_bytes(raw[32:], "big"))
    return b"\x30" + der_length(len(body)) + body


def sign(path, key):
    der = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key, path],
                         check=True, capture_output=True).stdout
    return base64.b64encode(raw_signature(der)).decode("ascii")


def write_signature(path, key, out=None):
    """Writes the signature's Base64 text and a line end to out (default: path + ".sig")."""
    text = sign(path, key)
    with open(out or path + ".sig", "w", newline="") as f:
        f.write(text + "\r\n")


def verify(path, signature_text, public_key):
    """True when signature_text (the .sig file's Base64) signs the file's bytes for public_key."""
    try:
        raw = base64.b64decode(signature_text.strip(), validate=True)
    except ValueError:
        return False
    with open(path, "rb") as f:
        return verify_bytes(f.read(), raw, public_key)


def verify_bytes(data, raw, public_key):
    """True when raw (the 64 bytes r || s) signs data for public_key; the very
    bytes given are checked, from a file only this process writes."""
    try:
        der = der_signature(raw)
    except ValueError:
        return False
    with tempfile.TemporaryDirectory() as folder:
        signed, sig = os.path.join(folder, "signed"), os.path.join(folder, "signature.der")
        for path, content in ((signed, data), (sig, der)):
            with open(path, "wb") as f:
                f.write(content)
        result = subprocess.run(["openssl", "dgst", "-sha256", "-verify", public_key, "-signature", sig, signed],
                                capture_output=True)
    return result.returncode == 0


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


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
        write_signature(args.file, args.key, args.out)
    else:
        for name in args.files:
            print(f"{sha256_of(name)}  {os.path.basename(name)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
