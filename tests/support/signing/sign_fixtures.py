#!/usr/bin/env python3
"""The signed executables of the end-to-end signature table (tests/e2e/signature_test.cpp).

Packages the probe application (qxpack build --jar probe.jar) with the console and the windowed
launcher, signs the packages with osslsigncode and a throw-away certificate (made with openssl), and
makes from them one file per row of the table: the ways a vendor signs an executable, and the ways a
second jar (evil.jar, a class of the same name) can be made to ride along while the signature still
verifies. Each file's osslsigncode verdict goes to verify.txt ("NAME ok" or "NAME failed"), so the
table shows which of them a signature check would pass.

usage: sign_fixtures.py OUT QXPACK LAUNCHER WINDOWED_LAUNCHER PROBE_JAR EVIL_JAR
"""
import os
import shutil
import struct
import subprocess
import sys
import zipfile

UPGRADE_CODE = "{7D0C5E2A-51A4-4B8E-9C3B-2F6E8A1D4C70}"
# The OID of a nested signature, where a dual-signed file keeps its second signature: the attribute
# an attacker's bytes hide in looks like one.
NESTED_SIGNATURE_OID = "1.3.6.1.4.1.311.2.4.1"


def run(*args, **kwargs):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kwargs)


# --- DER: just enough to edit a PKCS#7 SignedData ---------------------------------------------------

class Node:
    """One DER element: its tag byte and either its content bytes or its child elements."""

    def __init__(self, tag, content=b"", children=None):
        self.tag = tag
        self.content = content
        self.children = children

    @property
    def constructed(self):
        return self.tag & 0x20 != 0

    def encode(self):
        body = b"".join(c.encode() for c in self.children) if self.children is not None else self.content
        return bytes([self.tag]) + encode_length(len(body)) + body


def encode_length(n):
    if n < 0x80:
        return bytes([n])
    raw = n.to_bytes((n.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(raw)]) + raw


def decode(data, at=0):
    """The element at `at` and where it ends; constructed elements are decoded down to their leaves."""
    tag = data[at]
    first = data[at + 1]
    at += 2
    if first < 0x80:
        length = first
    else:
        count = first & 0x7F
        length = int.from_bytes(data[at:at + count], "big")
        at += count
    end = at + length
    node = Node(tag)
    if node.constructed:
        node.children = []
        while at < end:
            child, at = decode(data, at)
            node.children.append(child)
    else:
        node.content = data[at:end]
    return node, end


def encode_oid(text):
    parts = [int(p) for p in text.split(".")]
    out = bytearray([parts[0] * 40 + parts[1]])
    for p in parts[2:]:
        chunk = [p & 0x7F]
        p >>= 7
        while p:
            chunk.append(0x80 | (p & 0x7F))
            p >>= 7
        out += bytes(reversed(chunk))
    return bytes(out)


def add_unauthenticated_attribute(pkcs7, oid, value):
    """The ContentInfo `pkcs7` with an attribute (oid, OCTET STRING value) added to the first signer's
    unauthenticated attributes, made when the signer has none."""
    content_info, _ = decode(pkcs7)
    signed_data = content_info.children[1].children[0]  # [0] EXPLICIT SignedData
    signer_infos = signed_data.children[-1]
    signer = signer_infos.children[0]
    attribute = Node(0x30, children=[Node(0x06, encode_oid(oid)),
                                     Node(0x31, children=[Node(0x04, value)])])
    last = signer.children[-1]
    if last.tag == 0xA1:
        last.children.append(attribute)
    else:
        signer.children.append(Node(0xA1, children=[attribute]))
    return content_info.encode()


# --- PE: the certificate table -------------------------------------------------------------------

class Pe:
    def __init__(self, data):
        self.data = bytearray(data)
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", self.data, optional)[0]
        self.checksum_at = optional + 64
        self.security_at = optional + (112 if magic == 0x20B else 96) + 4 * 8

    @property
    def table(self):
        return struct.unpack_from("<II", self.data, self.security_at)

    def set_table(self, offset, size):
        struct.pack_into("<II", self.data, self.security_at, offset, size)

    def certificate(self):
        """The first WIN_CERTIFICATE: its length and its PKCS#7 content (DER, without padding)."""
        offset, _ = self.table
        length = struct.unpack_from("<I", self.data, offset)[0]
        content = bytes(self.data[offset + 8:offset + length])
        _, der_end = decode(content)
        return length, content[:der_end]

    def finish(self):
        """The file with its PE checksum made right, as a careful attacker leaves it."""
        struct.pack_into("<I", self.data, self.checksum_at, 0)
        data = self.data + b"\0" * (len(self.data) % 2)
        total = 0
        for (word,) in struct.iter_unpack("<H", data):
            total += word
            total = (total & 0xFFFF) + (total >> 16)
        struct.pack_into("<I", self.data, self.checksum_at, total + len(self.data))
        return bytes(self.data)


def jar_in_padding(signed, jar, raise_directory=True):
    """The jar after the first certificate's PKCS#7 content, inside its length (the shape of
    CVE-2013-3900), padded to 8 as certificates are; the Security directory's size raised to match, or
    left as it was."""
    pe = Pe(signed)
    offset, size = pe.table
    length, _ = pe.certificate()
    jar += b"\0" * (-len(jar) % 8)
    grown = length + len(jar)
    pe.data += jar
    struct.pack_into("<I", pe.data, offset, grown)
    pe.set_table(offset, size + len(jar) if raise_directory else size)
    return pe.finish()


def jar_in_attribute(signed, jar):
    """The jar as the value of an unauthenticated attribute of the first signer, the certificate's
    length and the directory's size made to fit the grown content, padded to 8 with zero bytes."""
    pe = Pe(signed)
    offset, _ = pe.table
    _, pkcs7 = pe.certificate()
    grown = add_unauthenticated_attribute(pkcs7, NESTED_SIGNATURE_OID, jar)
    grown += b"\0" * (-len(grown) % 8)
    pe.data = pe.data[:offset] + struct.pack("<IHH", 8 + len(grown), 0x0200, 2) + grown
    pe.set_table(offset, 8 + len(grown))
    return pe.finish()


def main():
    out, qxpack, launcher, windowed, probe_jar, evil_jar = sys.argv[1:7]
    work = os.path.join(out, "work")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(work)
    w = lambda name: os.path.join(work, name)

    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", w("key.pem"), "-out",
        w("cert.pem"), "-days", "3650", "-subj", "/CN=qxlaunch test vendor", "-addext",
        "extendedKeyUsage=codeSigning")
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", w("tsa-key.pem"), "-out",
        w("tsa.pem"), "-days", "3650", "-subj", "/CN=qxlaunch test time stamps", "-addext",
        "extendedKeyUsage=critical,timeStamping")

    with open(w("embedded.ini"), "w") as f:
        f.write("[Java Runtime Environment]\nMain Class=qx.test.Probe\n")
    shutil.copy(probe_jar, w("comment.jar"))
    with zipfile.ZipFile(w("comment.jar"), "a") as z:
        z.comment = b"built for the signature table"

    def package(launcher_exe, jar, name):
        run(qxpack, "build", "--launcher", launcher_exe, "--output", w(name), "--embed", w("embedded.ini"),
            "--jar", jar, "--upgrade-code", UPGRADE_CODE, "--pass-phrase", "signature table")
        return w(name)

    def sign(source, name, *extra):
        run("osslsigncode", "sign", "-certs", w("cert.pem"), "-key", w("key.pem"), "-n", "Signature table",
            *extra, "-in", source, "-out", os.path.join(out, name))
        return os.path.join(out, name)

    def write(name, data):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    def read(path):
        with open(path, "rb") as f:
            return f.read()

    packaged = package(launcher, probe_jar, "app.exe")
    signed = read(sign(packaged, "signed.exe"))
    sign(package(launcher, w("comment.jar"), "comment.exe"), "comment.exe")
    sign(sign(packaged, "sha1.exe", "-h", "sha1"), "nested.exe", "-nest")
    os.remove(os.path.join(out, "sha1.exe"))
    sign(packaged, "timestamped.exe", "-TSA-certs", w("tsa.pem"), "-TSA-key", w("tsa-key.pem"))
    evil = read(evil_jar)
    write("padding.exe", jar_in_padding(signed, evil))
    write("attribute.exe", jar_in_attribute(signed, evil))
    write("appended.exe", signed + evil)
    write("short-directory.exe", jar_in_padding(signed, evil, raise_directory=False))
    write("unsigned-second-jar.exe", read(packaged) + evil)
    windowed_signed = read(sign(package(windowed, probe_jar, "appw.exe"), "windowed.exe"))
    write("windowed-appended.exe", windowed_signed + evil)
    os.remove(os.path.join(out, "windowed.exe"))

    verdicts = []
    for name in sorted(os.listdir(out)):
        if not name.endswith(".exe"):
            continue
        result = subprocess.run(["osslsigncode", "verify", "-CAfile", w("cert.pem"), "-TSA-CAfile", w("tsa.pem"),
                                 "-in", os.path.join(out, name)], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        ok = result.returncode == 0 and b"Signature verification: ok" in result.stdout
        verdicts.append(f"{name} {'ok' if ok else 'failed'}\n")
    with open(os.path.join(out, "verify.txt"), "w") as f:
        f.writelines(verdicts)
    with open(os.path.join(out, "upgrade-code.txt"), "w") as f:
        f.write(UPGRADE_CODE + "\n")


if __name__ == "__main__":
    main()
