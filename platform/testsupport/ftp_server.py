"""Loopback FTP server for the tests (Debian's python3-pyftpdlib).

Usage: /usr/bin/python3 ftp_server.py ROOT USER PASSWORD LOG [OPTIONS]

Listens on 127.0.0.1 on a free port and prints the port on the first line of
its standard output. Every command it receives is appended to LOG as one line
"COMMAND ARG" (the password's argument is written as ****).

Options, for the servers the tests meet:
  --sin-borrar        the user may read and list but not delete
  --lento N           downloads are sent at N bytes a second
  --cortar N          a download ends after N bytes, though SIZE told the
                      whole file's size, as a connection that broke does
  --vacio-550         the name listing of an empty folder is answered with
                      "550 No files found", as some servers do
  --windows-1252      names are listed and read in Windows-1252, as a Windows
                      server without UTF-8 does (the folder keeps UTF-8 names)
"""
import argparse
import io
import os

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class CutFile(io.BytesIO):
    """The first bytes of a file, standing for the whole of it."""

    def __init__(self, path, size):
        with open(path, "rb") as whole:
            super().__init__(whole.read(size))
        self.name = path


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("log")
    parser.add_argument("--sin-borrar", action="store_true")
    parser.add_argument("--lento", type=int, default=0)
    parser.add_argument("--cortar", type=int, default=-1)
    parser.add_argument("--vacio-550", action="store_true")
    parser.add_argument("--windows-1252", action="store_true")
    args = parser.parse_args()

    perm = "elr" if args.sin_borrar else "elradfmw"
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=perm)

    class FileSystem(AbstractedFS):
        def open(self, filename, mode):
            if args.cortar >= 0 and "r" in mode:
                return CutFile(filename, args.cortar)
            return super().open(filename, mode)

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            shown = "****" if cmd == "PASS" else (arg or "")
            with open(args.log, "a", encoding="utf-8", errors="replace") as out:
                out.write(("%s %s" % (cmd, shown)).rstrip() + "\n")
            return super().pre_process_command(line, cmd, arg)

        def decode(self, data):
            if args.windows_1252:
                return data.decode("cp1252", self.unicode_errors)
            return super().decode(data)

        def push_dtp_data(self, data, isproducer=False, file=None, cmd=None):
            if args.windows_1252 and cmd == "NLST":
                data = data.decode("utf-8").encode("cp1252")
            return super().push_dtp_data(data, isproducer, file, cmd)

        def ftp_NLST(self, path):
            if args.vacio_550 and self.fs.isdir(path) and not os.listdir(path):
                self.respond("550 No files found")
                return None
            return super().ftp_NLST(path)

    Handler.authorizer = authorizer
    Handler.abstracted_fs = FileSystem
    Handler.passive_ports = None
    if args.lento > 0:
        class Slow(ThrottledDTPHandler):
            write_limit = args.lento
        Handler.dtp_handler = Slow
    # Refuse a wrong password at once, as the tests expect of a refusal.
    Handler.auth_failed_timeout = 0.1
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
