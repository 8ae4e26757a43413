#!/usr/bin/python3
"""An FTP server on 127.0.0.1 for the tests (Debian's python3-pyftpdlib; run
with /usr/bin/python3). One account, --user / --password, rooted at --root,
read-only. Every command is appended to --log; the port, chosen by the
system, goes to --port-file.
"""
import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.log import config_logging
from pyftpdlib.servers import FTPServer


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--port-file", required=True)
    args = parser.parse_args(argv)

    log_path = args.log
    config_logging(level=logging.WARNING)

    class RecordingHandler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            with open(log_path, "a") as log:
                log.write(line.split(" ")[0].upper() + (" " + arg if arg and cmd not in ("PASS",) else "") + "\n")
            return super().pre_process_command(line, cmd, arg)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")
    RecordingHandler.authorizer = authorizer
    RecordingHandler.passive_ports = None
    server = FTPServer(("127.0.0.1", 0), RecordingHandler)
    port = server.socket.getsockname()[1]
    with open(args.port_file + ".part", "w") as f:
        f.write(str(port))
    os.replace(args.port_file + ".part", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
