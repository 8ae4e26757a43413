#!/usr/bin/python3
"""The tests' own name server: answers A queries for names under .talkpost.test
by what the name says, so a test list can hold every kind of name:

  <anything>-127-0-1-5.answer.talkpost.test   127.0.1.5 (any 127.x.y.z)
  <anything>.unknown.talkpost.test            no such name (NXDOMAIN)
  <anything>.mute.talkpost.test               never answered: the resolver times out
  any other name                              no such name

Other query types for an answering name get an empty answer. Standard library
only; it listens on loopback inside the tests' own network namespace.
  name_server.py <address> <port> <file that receives "ready" once it listens>
"""
import re
import socket
import struct
import sys

ANSWER = re.compile(r"(?:.*-)?(127)-(\d{1,3})-(\d{1,3})-(\d{1,3})\.answer\.talkpost\.test\.?$")
MAX_QUERY = 512


def parse_question(query):
    """The question's name (lower case), type and the offset after the question."""
    labels, pos = [], 12
    while True:
        length = query[pos]
        if length == 0 or length >= 0xC0 or len(labels) > 127:
            pos += 1
            break
        labels.append(query[pos + 1:pos + 1 + length].decode("ascii", "replace"))
        pos += 1 + length
    qtype, _qclass = struct.unpack("!HH", query[pos:pos + 4])
    return ".".join(labels).lower(), qtype, pos + 4


def reply(query):
    """The reply to a query, or None to stay silent."""
    if len(query) < 17:
        return None
    ident, flags, qdcount = struct.unpack("!HHH", query[:6])
    if qdcount != 1 or flags & 0x8000:
        return None
    name, qtype, end = parse_question(query)
    if name.endswith(".mute.talkpost.test"):
        return None
    question = query[12:end]
    match = ANSWER.match(name)
    rd = flags & 0x0100
    if not match:
        header = struct.pack("!HHHHHH", ident, 0x8400 | rd | 3, 1, 0, 0, 0)  # NXDOMAIN
        return header + question
    if qtype != 1:
        return struct.pack("!HHHHHH", ident, 0x8400 | rd, 1, 0, 0, 0) + question
    address = bytes(int(part) for part in match.groups())
    answer = struct.pack("!HHHLH", 0xC00C, 1, 1, 60, 4) + address
    return struct.pack("!HHHHHH", ident, 0x8400 | rd, 1, 1, 0, 0) + question + answer


def main():
    address, port, ready = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind((address, port))
    with open(ready, "w") as f:
        f.write("ready\n")
    while True:
        query, client = server.recvfrom(MAX_QUERY)
        try:
            answer = reply(query)
        except (IndexError, struct.error, ValueError):
            answer = None  # a query we cannot read gets no answer
        if answer is not None:
            server.sendto(answer, client)


if __name__ == "__main__":
    main()
