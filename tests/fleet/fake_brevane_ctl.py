#!/usr/bin/env python3
"""Stands in for brevane-ctl where a test must see what the collection hands
it, and nothing may reach a network: it writes a line of JSON to
$FAKE_CTL_LOG (its words, each password descriptor's whole content, the
--devices file's lines) and answers `apply` for each device as brevane-ctl
--json does, one change each, named as a device may name a folder. With
$FAKE_CTL_STOP set to a device's address, it stops there, as a run cut
short does: no object for that device or any after it. With
$FAKE_CTL_REFUSE set to a device's address, that device refuses part-way,
after two requests."""

import json
import os
import sys


def main():
    words = sys.argv[1:]
    record = {"argv": words}

    def after(option):
        return words[words.index(option) + 1] if option in words else None

    for option, key in (("--password-fd", "password"), ("--new-password-fd", "new_password")):
        if after(option) is not None:
            with os.fdopen(int(after(option)), "rb") as f:
                record[key] = f.read().decode("utf-8", "surrogateescape")
    if after("--devices") is not None:
        with open(after("--devices")) as f:
            devices = f.read().splitlines()
        record["devices"] = devices
    else:
        devices = [words[words.index("apply") - 1]]
    with open(os.environ["FAKE_CTL_LOG"], "a") as log:
        log.write(json.dumps(record) + "\n")
    check = "--check" in words
    for device in devices:
        if device == os.environ.get("FAKE_CTL_STOP"):
            sys.exit(3)
        if device == os.environ.get("FAKE_CTL_REFUSE"):
            print(json.dumps({"device": device, "command": "apply", "ok": False, "status": 1,
                              "error": {"message": "refused part-way", "sent": 2}}))
            continue
        result = {"changes": ["folder sc\x1b[2Jans\u202e: create"], "sent": 0 if check else 1}
        if check:
            result.update(read_folders_of=[], new_passwords=[], refused=None)
        print(json.dumps({"device": device, "command": "apply", "ok": True, "status": 0,
                          "result": result}))


if __name__ == "__main__":
    main()
