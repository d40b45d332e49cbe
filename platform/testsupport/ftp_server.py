"""Loopback FTP server for the tests (Debian's python3-pyftpdlib).

Usage: /usr/bin/python3 ftp_server.py ROOT USER PASSWORD LOG [--sin-borrar]

Listens on 127.0.0.1 on a free port and prints the port on the first line of
its standard output. Every command it receives is appended to LOG as one line
"COMMAND ARG" (the password's argument is written as ****).
With --sin-borrar the user may read and list but not delete.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, user, password, log = sys.argv[1:5]
    perm = "elr" if "--sin-borrar" in sys.argv[5:] else "elradfmw"
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm=perm)

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            shown = "****" if cmd == "PASS" else (arg or "")
            with open(log, "a", encoding="utf-8", errors="replace") as out:
                out.write(("%s %s" % (cmd, shown)).rstrip() + "\n")
            return super().pre_process_command(line, cmd, arg)

    Handler.authorizer = authorizer
    Handler.passive_ports = None
    # Refuse a wrong password at once: tests run with short time-outs.
    Handler.auth_failed_timeout = 0.1
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
