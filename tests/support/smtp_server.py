#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A real SMTP server for the tests (aiosmtpd on 127.0.0.1). Prints "PORT n" when it
# listens, then one JSON line per message received: {"login", "from", "to", "data"}.
#   smtp_server.py [--auth login|plain-only|none] [--user U --password P]
import argparse
import json
import signal
import socket
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Recorder:
    async def handle_DATA(self, server, session, envelope):
        login = session.auth_data.login.decode() if isinstance(session.auth_data, LoginPassword) else None
        print(json.dumps({"login": login, "from": envelope.mail_from, "to": envelope.rcpt_tos,
                          "data": envelope.content.decode("utf-8", "replace")}), flush=True)
        return "250 OK"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--auth", choices=["login", "plain-only", "none"], default="login")
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    args = parser.parse_args()

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == args.user
              and auth_data.password.decode() == args.password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    options = {}
    if args.auth != "none":
        options = dict(authenticator=authenticate, auth_require_tls=False)
        if args.auth == "plain-only":
            options["auth_exclude_mechanism"] = ["LOGIN"]
    port = free_port()
    controller = Controller(Recorder(), hostname="127.0.0.1", port=port, **options)
    controller.start()
    print(f"PORT {port}", flush=True)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    try:
        # Also ends when the test process goes away and closes our standard input.
        threading.Thread(target=lambda: (sys.stdin.read(), stop.set()), daemon=True).start()
        stop.wait()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
