#!/usr/bin/env python3
"""An RFC 3161 time-stamp authority on the loopback address, for signing tests without a network.

usage: timestamp_server.py FOLDER

Makes a test certificate authority (FOLDER/ca.pem) and a time-stamping certificate it issued, serves
time-stamp requests over HTTP with `openssl ts -reply`, writes the URL to FOLDER/url once it listens,
and ends after FOLDER/stop appears or ten minutes, whichever comes first.
"""
import http.server
import os
import pathlib
import subprocess
import sys
import tempfile
import threading
import time

FOLDER = pathlib.Path(sys.argv[1]).resolve()
LIFETIME_S = 600

CONFIG = """
[req]
distinguished_name = name
[name]
[tsa_cert]
basicConstraints = critical, CA:false
extendedKeyUsage = critical, timeStamping
[tsa]
default_tsa = tsa_config
[tsa_config]
serial = {folder}/tsa-serial
signer_cert = {folder}/tsa.pem
certs = {folder}/ca.pem
signer_key = {folder}/tsa-key.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_authority():
    config = FOLDER / "tsa.cnf"
    config.write_text(CONFIG.format(folder=FOLDER))
    (FOLDER / "tsa-serial").write_text("01\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(FOLDER / "ca-key.pem"), "-out",
            str(FOLDER / "ca.pem"), "-days", "2", "-subj", "/CN=qxlaunch test CA", "-config", str(config),
            "-addext", "basicConstraints=critical,CA:true", "-addext", "keyUsage=critical,keyCertSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", str(FOLDER / "tsa-key.pem"), "-out",
            str(FOLDER / "tsa.csr"), "-subj", "/CN=qxlaunch test TSA", "-config", str(config))
    openssl("x509", "-req", "-in", str(FOLDER / "tsa.csr"), "-CA", str(FOLDER / "ca.pem"), "-CAkey",
            str(FOLDER / "ca-key.pem"), "-set_serial", "2", "-days", "2", "-out", str(FOLDER / "tsa.pem"),
            "-extfile", str(config), "-extensions", "tsa_cert")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        request = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with tempfile.TemporaryDirectory() as scratch:
            query = pathlib.Path(scratch) / "request.tsq"
            reply = pathlib.Path(scratch) / "reply.tsr"
            query.write_bytes(request)
            result = subprocess.run(["openssl", "ts", "-reply", "-config", str(FOLDER / "tsa.cnf"), "-queryfile",
                                     str(query), "-out", str(reply)], capture_output=True)
            if result.returncode != 0:
                self.send_error(500, result.stderr.decode(errors="replace")[:200])
                return
            body = reply.read_bytes()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    make_authority()
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    (FOLDER / "url").write_text(f"http://127.0.0.1:{server.server_address[1]}/\n")
    deadline = time.monotonic() + LIFETIME_S
    while time.monotonic() < deadline and not (FOLDER / "stop").exists():
        time.sleep(0.2)
    server.shutdown()


if __name__ == "__main__":
    main()
