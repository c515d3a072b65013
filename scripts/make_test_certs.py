#!/usr/bin/python3
"""Makes the throw-away certificates the encrypted-connection tests use.

Usage: make_test_certs.py FOLDER

Writes into FOLDER (PEM files):
  ca.pem, ca.key                 a certificate authority the tests trust
  server.pem, server.key         signed by it for 127.0.0.1 and localhost
  expired.pem, expired.key       signed by it for the same names, expired yesterday
  wrongname.pem, wrongname.key   signed by it, for other.example only
  selfsigned.pem, selfsigned.key self-signed for 127.0.0.1 and localhost
  other-ca.pem                   an authority nobody signed anything with
Every key is a fresh EC P-256 key; nothing here is ever used outside the tests.
"""
import datetime
import ipaddress
import os
import sys

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID


def key():
    return ec.generate_private_key(ec.SECP256R1())


def name(common):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, common)])


def write(folder, base, cert, private):
    with open(os.path.join(folder, base + ".pem"), "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.PEM))
    if private is not None:
        path = os.path.join(folder, base + ".key")
        with open(path, "wb") as f:
            f.write(private.private_bytes(serialization.Encoding.PEM,
                                          serialization.PrivateFormat.PKCS8,
                                          serialization.NoEncryption()))
        os.chmod(path, 0o600)


def authority(common, now):
    private = key()
    cert = (x509.CertificateBuilder()
            .subject_name(name(common)).issuer_name(name(common))
            .public_key(private.public_key()).serial_number(x509.random_serial_number())
            .not_valid_before(now - datetime.timedelta(days=2))
            .not_valid_after(now + datetime.timedelta(days=365))
            .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
            .add_extension(x509.KeyUsage(digital_signature=True, content_commitment=False,
                                         key_encipherment=False, data_encipherment=False,
                                         key_agreement=False, key_cert_sign=True, crl_sign=True,
                                         encipher_only=False, decipher_only=False), critical=True)
            .add_extension(x509.SubjectKeyIdentifier.from_public_key(private.public_key()), critical=False)
            .sign(private, hashes.SHA256()))
    return cert, private


def leaf(common, names, issuer_cert, issuer_key, before, after, self_signed=False):
    private = key()
    alt = []
    for n in names:
        try:
            alt.append(x509.IPAddress(ipaddress.ip_address(n)))
        except ValueError:
            alt.append(x509.DNSName(n))
    builder = (x509.CertificateBuilder()
               .subject_name(name(common))
               .issuer_name(name(common) if self_signed else issuer_cert.subject)
               .public_key(private.public_key()).serial_number(x509.random_serial_number())
               .not_valid_before(before).not_valid_after(after)
               .add_extension(x509.SubjectAlternativeName(alt), critical=False)
               .add_extension(x509.ExtendedKeyUsage([ExtendedKeyUsageOID.SERVER_AUTH]), critical=False))
    if not self_signed:
        builder = builder.add_extension(
            x509.AuthorityKeyIdentifier.from_issuer_public_key(issuer_key.public_key()), critical=False)
    cert = builder.sign(private if self_signed else issuer_key, hashes.SHA256())
    return cert, private


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    now = datetime.datetime.now(datetime.timezone.utc)
    day = datetime.timedelta(days=1)
    names = ["127.0.0.1", "localhost"]

    ca_cert, ca_key = authority("Zentrel Test CA", now)
    write(folder, "ca", ca_cert, ca_key)
    other_cert, _ = authority("Zentrel Other CA", now)
    write(folder, "other-ca", other_cert, None)

    write(folder, "server", *leaf("127.0.0.1", names, ca_cert, ca_key, now - day, now + 30 * day))
    write(folder, "expired", *leaf("127.0.0.1", names, ca_cert, ca_key, now - 30 * day, now - day))
    write(folder, "wrongname", *leaf("other.example", ["other.example"], ca_cert, ca_key, now - day, now + 30 * day))
    write(folder, "selfsigned", *leaf("127.0.0.1", names, None, None, now - day, now + 30 * day, self_signed=True))
    print("OK", folder)
    return 0


if __name__ == "__main__":
    sys.exit(main())
