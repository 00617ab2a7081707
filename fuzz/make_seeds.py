#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the fuzz targets: valid packets of both protocols,
and site plans as spreadsheets and hands save them."""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent


def packet(magic, op, body, flag=0, key=bytes(8)):
    if flag == 1:
        body = bytes(b ^ key[i % 8] for i, b in enumerate(body))
    return magic + struct.pack("<HB", op, flag) + key + struct.pack("<II", len(body), len(body)) + body


def field(text, width):
    return text.encode().ljust(width, b"\0")[:width]


def search_reply(cam_id, name, ip, mask, gw, dns, system, app, port):
    quad = lambda a: bytes(int(x) for x in a.split("."))
    return (field(cam_id, 13) + field(name, 21) + quad(ip) + quad(mask) + quad(gw) + quad(dns)
            + bytes(4) + bytes(system) + bytes(app) + struct.pack(">H", port))


def pieces(*chunks):
    """The stream target's layout: a control byte k, then k * 8 bytes."""
    out = b""
    for chunk in chunks:
        chunk = chunk.ljust((len(chunk) + 7) // 8 * 8, b"\0")
        out += bytes([len(chunk) // 8]) + chunk
    return out


def write(folder, name, data):
    path = HERE / "corpus" / folder
    path.mkdir(parents=True, exist_ok=True)
    (path / name).write_bytes(data)


reply = search_reply("CAM0001", "Door", "192.168.1.20", "255.255.255.0", "192.168.1.1",
                     "192.168.1.1", [1, 2, 3, 4], [5, 6, 7, 8], 80)
key = bytes([0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88])
write("datagram_fuzz", "search_request", packet(b"MO_I", 0, b"\0\0\0\1"))
write("datagram_fuzz", "search_reply", packet(b"MO_I", 1, reply))
write("datagram_fuzz", "search_reply_scrambled", packet(b"MO_I", 1, reply, 1, key))
write("datagram_fuzz", "search_reply_long", packet(b"MO_I", 1, reply + b"extra"))
write("datagram_fuzz", "set_network_request",
      packet(b"MO_I", 2, b"\0\0\0\1" + field("CAM0001", 13) + field("admin", 13)
             + field("secret", 13) + bytes(16)))
write("datagram_fuzz", "set_network_reply", packet(b"MO_I", 3, b"\1\0"))

# The reply handler takes the same datagrams, and some a hostile LAN sends.
for seed in (HERE / "corpus" / "datagram_fuzz").iterdir():
    write("reply_fuzz", seed.name, seed.read_bytes())
write("reply_fuzz", "empty", b"")
write("reply_fuzz", "result_fffe", packet(b"MO_I", 3, b"\xfe\xff"))
write("reply_fuzz", "loopback_camera",
      packet(b"MO_I", 1, search_reply("LOOP", "Here", "127.0.0.1", "255.0.0.0", "0.0.0.0",
                                       "0.0.0.0", [1, 0, 0, 0], [1, 0, 0, 0], 80)))
write("reply_fuzz", "name_with_newline",
      packet(b"MO_I", 1, search_reply("NL", "Door\nHall", "192.168.1.9", "255.255.255.0",
                                       "0.0.0.0", "0.0.0.0", [1, 0, 0, 0], [1, 0, 0, 0], 8080)))

login = packet(b"MO_M", 1, b"\0\0" + field("CAM0001", 13) + bytes(12))
verify = packet(b"MO_M", 3, b"\0\0")
write("stream_fuzz", "login_then_verify", pieces(login, verify))
write("stream_fuzz", "busy", pieces(packet(b"MO_M", 1, b"\2\0")))
write("stream_fuzz", "stray_and_split", pieces(b"junk" + login[:10], login[10:] + verify))
write("stream_fuzz", "scrambled", pieces(packet(b"MO_M", 1, b"\0\0" + field("X", 13) + bytes(12), 1, key)))

# Site plans: as a spreadsheet saves "CSV UTF-8" (byte-order mark, CRLF,
# quoted cells), by hand, and the faults a plan's reader must tell.
HEADER = "id,ip,mask,gateway,dns,dhcp"
plans = {
    "spreadsheet": "\ufeff" + "\r\n".join([
        HEADER, "CAM0001,192.168.1.21,255.255.255.0,192.168.1.1,192.168.1.1,",
        '"CAM0002","192.168.1.22","255.255.255.0","192.168.1.1","192.168.1.1",""',
        "CAM0003,,,,,yes", ""]),
    "by_hand": "id, ip\nCAM0001, 192.168.1.21\n\nCAM0002, 192.168.1.22\n",
    "columns_reordered": "IP,DHCP,Id\n192.168.1.40,no,CAM0001\n",
    "quoted_comma": 'id,ip,dns\n"CAM,0001",192.168.1.21,"192.168.1.1"\n',
    "quote_not_closed": 'id,ip\n"CAM0001,192.168.1.21\n',
    "same_address": "id,ip\nCAM0001,192.168.1.30\nCAM0002,192.168.1.30\n",
    "broadcast_and_own": "id,ip\nCAM0001,192.168.1.255\nCAM0002,192.168.1.5\n",
    "twice_and_unknown": "id,ip\nCAM0001,192.168.1.21\nCAM0001,192.168.1.22\nNOPE,192.168.1.23\n",
    "dhcp_and_address": "id,ip,dhcp\nCAM0001,192.168.1.21,YES\nCAM0002,,maybe\n",
    "too_many_cells": "id,ip\nCAM0001,192.168.1.21,extra\n",
    "header_only": HEADER + "\r\n",
    "bad_addresses": "id,ip,mask\nCAM0001,192.168.1.300,255.0.255.0\nCAM0002,1.2.3,\n",
}
for name, text in plans.items():
    write("plan_fuzz", name + ".csv", text.encode())
write("plan_fuzz", "utf16.csv", ("\ufeff" + HEADER + "\r\nCAM0001,192.168.1.21\r\n").encode("utf-16-le"))
write("plan_fuzz", "nul_bytes.csv", b"id,ip\nCAM\x000001,192.168.1.21\n")
