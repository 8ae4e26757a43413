#!/usr/bin/python3
"""Serves a demo banner list and its pictures on 127.0.0.1 for trying the
banner out:

  /usr/bin/python3 tools/banner/serve-demo.py PORT [FOLDER]

writes FOLDER/TALKPOST/Banner.txt with one.gif, two.bmp and three.gif
(FOLDER defaults to build/banner-demo of this checkout) and serves FOLDER at
http://127.0.0.1:PORT until interrupted. Point the program's banner server
setting at that address.
"""
import functools
import http.server
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import pictures  # noqa: E402

BANNER_LIST = (
    "one.gif;http://talkpost.example/one\r\n"
    "two.bmp;http://talkpost.example/two\r\n"
    "three.gif;http://talkpost.example/three\r\n"
)


def make_demo(folder):
    banners = folder / "TALKPOST"
    pictures.main(["pictures.py", "banners", str(banners)])
    (banners / "Banner.txt").write_bytes(BANNER_LIST.encode("ascii"))


def main(argv):
    if len(argv) not in (2, 3) or not argv[1].isdigit():
        sys.exit(__doc__)
    port = int(argv[1])
    root = Path(__file__).resolve().parents[2]
    folder = Path(argv[2]) if len(argv) == 3 else root / "build" / "banner-demo"
    make_demo(folder)
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=str(folder))
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        print(f"banner demo at http://127.0.0.1:{port} serving {folder}", flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main(sys.argv)
