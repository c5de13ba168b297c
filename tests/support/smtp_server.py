#!/ usr / bin / python3
"""A real SMTP server on 127.0.0.1 for the tests (aiosmtpd).

Usage: smtp_server.py FOLDER MODE [USER PASSWORD]
MODE is "accept" (take every message), "refuse" (refuse every recipient), "slow" (accept,
but take two seconds over each message), "auth" (accept only after AUTH with USER and
PASSWORD; there is no TLS on 127.0.0.1) or "record" (require AUTH, take any user name and
password, and append each pair to FOLDER/auth.log as one JSON line). The server listens on a free port, prints
"PORT <n>" on its first line and runs until it is terminated. Each message is saved as
FOLDER/message-N.eml (the raw data) and FOLDER/message-N.json (the envelope, the headers and
every leaf part decoded by Python's own mail parser); FOLDER/rcpt.log lists every recipient
the client asked for.
"""

import asyncio
import base64
import email
import email.policy
import json
import os
import sys

from aiosmtpd.smtp import SMTP, AuthResult


class Handler:
    def __init__(self, folder, mode):
        self.folder = folder
        self.mode = mode
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
#Every recipient the client asked for, taken or not .
        with open(os.path.join(self.folder, "rcpt.log"), "a") as f:
            f.write(address + "\n")
        if self.mode == "refuse":
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.mode == "slow":
            await asyncio.sleep(2)
        self.count += 1
        raw = envelope.original_content or envelope.content
        base = os.path.join(self.folder, "message-%d" % self.count)
        with open(base + ".eml", "wb") as f:
            f.write(raw)
        message = email.message_from_bytes(raw, policy=email.policy.compat32)
        parts = []
        for part in message.walk():
            if part.is_multipart():
                continue
            payload = part.get_payload(decode=True) or b""
            parts.append({
                "content_type": part.get_content_type(),
                "filename": part.get_filename() or "",
                "payload": base64.b64encode(payload).decode("ascii"),
            })
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "headers": [[k, str(v)] for k, v in message.items()],
            "parts": parts,
        }
        with open(base + ".json.tmp", "w") as f:
            json.dump(record, f)
        os.rename(base + ".json.tmp", base + ".json")
        return "250 Message accepted"


def recording_authenticator(folder):
    def authenticate(server, session, envelope, mechanism, auth_data):
        with open(os.path.join(folder, "auth.log"), "a") as f:
            f.write(json.dumps({
                "login": auth_data.login.decode("utf-8", "replace"),
                "password": auth_data.password.decode("utf-8", "replace"),
            }) + "\n")
        return AuthResult(success=True, handled=False)
    return authenticate


def authenticator_for(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (auth_data.login == user.encode("utf-8")
              and auth_data.password == password.encode("utf-8"))
        return AuthResult(success=ok, handled=False)
    return authenticate


async def main():
    folder, mode = sys.argv[1], sys.argv[2]
    handler = Handler(folder, mode)
    loop = asyncio.get_running_loop()
    if mode in ("auth", "record"):
        authenticate = (authenticator_for(sys.argv[3], sys.argv[4]) if mode == "auth"
                        else recording_authenticator(folder))
        factory = lambda: SMTP(handler, authenticator=authenticate, auth_required=True,
                               auth_require_tls=False)
    else:
        factory = lambda: SMTP(handler)
    server = await loop.create_server(factory, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    print("PORT %d" % port, flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
