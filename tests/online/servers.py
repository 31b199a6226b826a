#!/usr/bin/env python3
"""Loopback servers for the online tests.

Usage: servers.py FOLDER DATABASE LIFETIME
Builds the archives and indexes the tests download into FOLDER, then serves
FOLDER over HTTP, HTTPS (self-signed) and, when pyftpdlib is installed, FTP,
each on 127.0.0.1 with a port chosen by the system.  Prints
"http PORT", "https PORT", "ftp PORT" (0 when not available) and "ready",
then serves until LIFETIME seconds have passed or standard input closes.
HTTP paths under /fault/ misbehave on purpose.
"""
import http.server
import os
import socketserver
import ssl
import subprocess
import sys
import threading
import time
import zipfile
import zlib

folder, database, lifetime = sys.argv[1], sys.argv[2], float(sys.argv[3])
text = open(database, 'rb').read()


def archive(name, entry, data, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(os.path.join(folder, name), 'w', method) as z:
        z.writestr(zipfile.ZipInfo(entry), data, compress_type=method)


def patch(name, fn):
    path = os.path.join(folder, name)
    data = bytearray(open(path, 'rb').read())
    fn(data)
    open(path, 'wb').write(bytes(data))


def central(data):
    return data.find(b'PK\x01\x02')


archive('good.zip', 'extensions.xml', text)
archive('upper.zip', 'Extensions.XML', text)
archive('noentry.zip', 'other.xml', text)
archive('random.zip', 'extensions.xml', os.urandom(50000))
archive('truncated.zip', 'extensions.xml', text[:len(text) // 2])
archive('noext.zip', 'extensions.xml', b'<?xml version="1.0"?>\n<tessera version="1">\n</tessera>\n')
archive('empty.zip', 'extensions.xml', b'')
archive('bzip2.zip', 'extensions.xml', text, zipfile.ZIP_BZIP2)
archive('crc.zip', 'extensions.xml', text, zipfile.ZIP_STORED)
# One byte of the stored data changed: only the CRC can tell.
patch('crc.zip', lambda d: d.__setitem__(slice(30 + len('extensions.xml') + 100, 30 + len('extensions.xml') + 101), b'X'))
archive('encrypted.zip', 'extensions.xml', text)
patch('encrypted.zip', lambda d: (d.__setitem__(6, d[6] | 1), d.__setitem__(central(d) + 8, d[central(d) + 8] | 1)))
# 256 MiB of zeros whose announced size is patched to 0xFFFFFFFF.
compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
chunk = bytes(1 << 20)
body = b''.join(compressor.compress(chunk) for _ in range(256)) + compressor.flush()
with zipfile.ZipFile(os.path.join(folder, 'bomb.zip'), 'w', zipfile.ZIP_STORED) as z:
    z.writestr(zipfile.ZipInfo('extensions.xml'), b'placeholder')
raw = bytearray(open(os.path.join(folder, 'bomb.zip'), 'rb').read())
# Rebuild by hand: local header + deflated body + central directory.
import struct
name = b'extensions.xml'
crc = 0
for _ in range(256):
    crc = zlib.crc32(chunk, crc)
local = struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, 8, 0, 0, crc, len(body), 0xFFFFFFFF, len(name), 0) + name
cdir = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, 8, 0, 0, crc, len(body), 0xFFFFFFFF,
                   len(name), 0, 0, 0, 0, 0, 0) + name
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(cdir), len(local) + len(body), 0)
open(os.path.join(folder, 'bomb.zip'), 'wb').write(local + body + cdir + end)
open(os.path.join(folder, 'notzip.zip'), 'wb').write(os.urandom(4096))
open(os.path.join(folder, 'big.zip'), 'wb').write(os.urandom(33 << 20))


def index(name, product, version, url='https://tessera.example.org/news'):
    open(os.path.join(folder, name), 'w').write(
        '<?xml version="1.0"?>\n<xsa>\n<vendor><name>Corvane</name></vendor>\n'
        '<product id="%s">\n<version>%s</version>\n<last-release>2026-12-01</last-release>\n'
        '<info-url>%s</info-url>\n<changes>Faster &amp; better;x</changes>\n</product>\n</xsa>\n'
        % (product, version, url))


index('same.xsa', 'tessera', '2.33')
index('newer.xsa', 'tessera', '2.40')
index('major.xsa', 'tessera', '10.0')
index('spaced.xsa', 'tessera', ' 2.40\n')
index('older.xsa', 'tessera', '2.100')
index('emptyversion.xsa', 'tessera', '')
index('case.xsa', 'Tessera', '2.40')
index('fileurl.xsa', 'tessera', '2.40', 'file:///etc/passwd')
open(os.path.join(folder, 'big.xsa'), 'wb').write(b'<xsa>' + b' ' * (2 << 20) + b'</xsa>')


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def __init__(self, *a, **k):
        super().__init__(*a, directory=folder, **k)

    def log_message(self, *a):
        pass

    def do_GET(self):
        path = self.path.split('?')[0]
        if path == '/fault/404':
            self.send_error(404)
        elif path == '/fault/trickle':
            self.send_response(200)
            self.send_header('Content-Length', '100000')
            self.end_headers()
            try:
                for _ in range(200):
                    self.wfile.write(b'x')
                    self.wfile.flush()
                    time.sleep(0.2)
            except OSError:
                pass
        elif path == '/fault/short':
            data = open(os.path.join(folder, 'good.zip'), 'rb').read()
            self.send_response(200)
            self.send_header('Content-Length', str(len(data) + 1000))
            self.end_headers()
            self.wfile.write(data)
            self.close_connection = True
        elif path == '/fault/close':
            data = open(os.path.join(folder, 'good.zip'), 'rb').read()
            self.send_response(200)
            self.send_header('Transfer-Encoding', 'chunked')
            self.end_headers()
            half = data[:len(data) // 2]
            self.wfile.write(b'%x\r\n' % len(data) + half)
            self.wfile.flush()
            self.connection.shutdown(2)
            self.close_connection = True
        elif path.startswith('/fault/redirect/'):
            self.send_response(302)
            self.send_header('Location', self.path[len('/fault/redirect/'):])
            self.send_header('Content-Length', '0')
            self.end_headers()
        elif path == '/fault/loop':
            self.send_response(302)
            self.send_header('Location', '/fault/loop')
            self.send_header('Content-Length', '0')
            self.end_headers()
        else:
            super().do_GET()


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # clients that give up early are part of the tests


httpd = Server(('127.0.0.1', 0), Handler)
threading.Thread(target=httpd.serve_forever, daemon=True).start()

https_port = 0
try:
    key, cert = os.path.join(folder, '..key.pem'), os.path.join(folder, '..cert.pem')
    subprocess.run(['openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1',
                    '-subj', '/CN=127.0.0.1', '-addext', 'subjectAltName=IP:127.0.0.1',
                    '-keyout', key, '-out', cert],
                   check=True, capture_output=True)
    httpsd = Server(('127.0.0.1', 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    httpsd.socket = context.wrap_socket(httpsd.socket, server_side=True)
    threading.Thread(target=httpsd.serve_forever, daemon=True).start()
    https_port = httpsd.server_address[1]
except Exception:
    pass

ftp_port = 0
try:
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import ThreadedFTPServer
    import logging
    logging.basicConfig(level=logging.ERROR)
    logging.getLogger('pyftpdlib').setLevel(logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(folder)
    FTPHandler.authorizer = authorizer
    FTPHandler.passive_ports = None
    ftpd = ThreadedFTPServer(('127.0.0.1', 0), FTPHandler)
    threading.Thread(target=ftpd.serve_forever, daemon=True).start()
    ftp_port = ftpd.address[1]
except Exception:
    pass

print('http %d' % httpd.server_address[1])
print('https %d' % https_port)
print('ftp %d' % ftp_port)
print('ready', flush=True)

# Ends when the lifetime is over or the test closes our standard input.
done = threading.Event()
threading.Thread(target=lambda: (sys.stdin.read(), done.set()), daemon=True).start()
done.wait(lifetime)
os._exit(0)
