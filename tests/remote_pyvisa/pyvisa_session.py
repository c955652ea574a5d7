#!/usr/bin/env python3
"""vistrelctl serve driven by pyvisa over a raw socket, as a lab script does.

Usage: pyvisa_session.py VISTRELCTL WIRE_LOG

Starts `vistrelctl serve --virtual --listen 127.0.0.1:0`, reads the port it
prints, runs a short session of queries and commands through pyvisa, then
stops the server with SIGTERM. Checks every answer, the exit status
(128 + 15), and the bytes on the virtual wire against the packet rules.
"""
import os
import re
import signal
import subprocess
import sys

import pyvisa

OPEN_CLOSE = b"\xff\xfe\r\n"
START = b"\xff\xaa\r\n"
STOP = b"\xff\xfd\r\n"
# All ON: FF, the still mode 04, 18000 slots of FF FF, CR LF.
ALL_ON = b"\xff\x04" + b"\xff" * 36000 + b"\r\n"
SETTINGS_SIZE = 1554


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def main():
    program, wire_log = sys.argv[1], sys.argv[2]
    if os.path.exists(wire_log):
        os.remove(wire_log)
    env = dict(os.environ, VISTREL_WIRE_LOG=wire_log)
    server = subprocess.Popen([program, "serve", "--virtual", "--listen", "127.0.0.1:0"],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, text=True)
    try:
        first = server.stdout.readline()
        match = re.fullmatch(r"listening on 127\.0\.0\.1:(\d+)\n", first)
        check(match, "first line: %r" % first)
        run_session(int(match.group(1)))
    finally:
        server.send_signal(signal.SIGTERM)
        status = server.wait(timeout=20)
    check(status == 128 + signal.SIGTERM, "exit status %d" % status)
    with open(wire_log, "rb") as log:
        wire = log.read()
    settings = wire[len(OPEN_CLOSE):len(OPEN_CLOSE) + SETTINGS_SIZE]
    check(settings[:2] == b"\xff\x01" and settings[-2:] == b"\r\n", "settings packet framing")
    rest = wire[len(OPEN_CLOSE) + SETTINGS_SIZE:]
    # The pattern lit at SIGTERM is taken down before the link's close word.
    expected = START + ALL_ON + STOP + START + ALL_ON + STOP + OPEN_CLOSE
    check(wire.startswith(OPEN_CLOSE) and rest == expected,
          "wire: %d bytes, expected %d" % (len(wire), len(OPEN_CLOSE) + SETTINGS_SIZE + len(expected)))
    print("pyvisa session: answers and %d wire bytes as expected" % len(wire))


def run_session(port):
    rm = pyvisa.ResourceManager("@py")
    inst = rm.open_resource("TCPIP::127.0.0.1::%d::SOCKET" % port,
                            read_termination="\n", write_termination="\n", timeout=5000)
    idn = inst.query("*IDN?").split(",")
    check(len(idn) == 4 and idn[:3] == ["Vistrel", "vistrelctl", "0"], "IDN %r" % idn)
    check(inst.query("DEV:LIST?") == '"VPANEL01","VPANEL02"', "device list")
    inst.write("DEVice:OPEN")
    check(inst.query("DEV:STAT?") == "OPEN", "link state")
    inst.write("DRIV:SET 2,-2,12,-12,5,0,0,2.2")
    inst.write("PATT:SHOW ALLON")
    check(inst.query("PATT?") == "ALLON", "lit pattern")
    inst.write("DRIV:SET 2,-2,12,-12,5,0,0")  # refused while a pattern is lit
    inst.write("NO:SUCH:COMMAND")
    check(inst.query("SYST:ERR?") == '-221,"Settings conflict"', "first error")
    check(inst.query("SYSTEM:ERROR:NEXT?") == '-113,"Undefined header"', "second error")
    check(inst.query("SYST:ERR?") == '0,"No error"', "queue empty")
    inst.write("DISP:STOP")
    check(inst.query("DISP:STAT?") == "NONE", "display state after stop")
    inst.write("PATT:SHOW ALLON")
    check(inst.query("*OPC?") == "1", "operation complete")
    inst.close()
    rm.close()


if __name__ == "__main__":
    main()
