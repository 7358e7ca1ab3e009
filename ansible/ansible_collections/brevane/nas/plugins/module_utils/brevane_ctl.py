# -*- coding: utf-8 -*-
# How the collection's modules run brevane-ctl: on the host the module runs
# on, with every password handed over through a pipe (never on a command
# line, never in the environment), its --json objects read as they are.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import ipaddress
import json
import os
import tempfile
import time

# brevane-ctl's exit statuses.
DONE = 0
FAILED = 1
USAGE = 2
NO_ANSWER = 3

# brevane-ctl reads a password's first line, of at most 4 KiB.
MAX_PASSWORD = 4096


class CtlError(Exception):
    """brevane-ctl ran and said the command failed (or nothing it said was a result)."""

    def __init__(self, message, status, objects=None):
        super(CtlError, self).__init__(message)
        self.status = status
        self.objects = objects or []


def is_address(text):
    """An IPv4 address as brevane-ctl takes one: four decimal parts, no leading zeros."""
    try:
        return str(ipaddress.IPv4Address(text)) == text
    except ValueError:
        return False


def password_problem(name, text):
    """Why `text` cannot go to brevane-ctl as the password `name`, or None.

    brevane-ctl takes a password's first line: a line break would cut it
    short without a word, so the device would get another password than
    the task names.
    """
    if text is None:
        return None
    if any(c in text for c in "\n\r\0"):
        return "%s holds a line break or a NUL, which brevane-ctl cannot take" % name
    if len(text.encode("utf-8", "surrogateescape")) >= MAX_PASSWORD:
        return "%s is longer than brevane-ctl takes (4 KiB)" % name
    return None


def _pipe_with(text):
    """A pipe's reading end that holds `text` as one line, its writing end closed."""
    # Written whole before brevane-ctl starts: a password is far shorter
    # than what a pipe holds (password_problem sees to it).
    data = (text + "\n").encode("utf-8", "surrogateescape")
    read_end, write_end = os.pipe()
    try:
        os.write(write_end, data)
    finally:
        os.close(write_end)
    return read_end


def objects_of(output):
    """brevane-ctl's --json output: JSON objects one after another (an object a
    line, but a setup's text inside one may span lines)."""
    decoder = json.JSONDecoder()
    objects = []
    at = 0
    while True:
        while at < len(output) and output[at].isspace():
            at += 1
        if at >= len(output):
            return objects
        try:
            value, at = decoder.raw_decode(output, at)
        except ValueError:
            # Not JSON: whatever else came, up to the next line.
            at = output.find("\n", at)
            if at < 0:
                return objects
            continue
        if isinstance(value, dict):
            objects.append(value)


def message_of(result, fallback=""):
    return (result.get("error") or {}).get("message") or fallback


class BrevaneCtl(object):
    """brevane-ctl for the devices an Ansible module's options name."""

    def __init__(self, module):
        self.module = module
        params = module.params
        self.user = params["user"]
        self.password = params["password"]
        for name in ("password", "new_password"):
            problem = password_problem(name, params.get(name))
            if problem:
                module.fail_json(msg=problem)
        program = params["brevane_ctl"]
        self.program = program if os.path.sep in program else module.get_bin_path(program, True)

    def _run(self, devices, words, new_password=None):
        """Runs brevane-ctl --json for `devices`; its exit status, output and errors.

        Every device is given by its address, so brevane-ctl takes each as
        the person's own choice: nothing here ever says yes for a device
        that only discovery found.
        """
        fds = []
        listing = None
        argv = [self.program, "--json", "--user", self.user]
        try:
            # An empty password is handed over too: the device gets what the
            # task says, not a question brevane-ctl cannot ask.
            if self.password is not None:
                fds.append(_pipe_with(self.password))
                argv += ["--password-fd", str(fds[-1])]
            if new_password is not None:
                fds.append(_pipe_with(new_password))
                argv += ["--new-password-fd", str(fds[-1])]
            if len(devices) == 1:
                argv.append(devices[0])
            else:
                # A device a line: a command line holds a few thousand at most.
                handle, listing = tempfile.mkstemp(prefix="brevane-devices-", suffix=".txt")
                with os.fdopen(handle, "w") as f:
                    f.writelines(d + "\n" for d in devices)
                argv += ["--devices", listing]
            argv += list(words)
            return self.module.run_command(argv, pass_fds=fds)
        finally:
            for fd in fds:
                os.close(fd)
            if listing is not None:
                os.unlink(listing)

    def run(self, address, words, new_password=None, expect_ok=True):
        """Runs `brevane-ctl --json ADDRESS WORDS...`; the result object of the command.

        With expect_ok, a failure raises CtlError with brevane-ctl's own message.
        """
        rc, out, err = self._run([address], words, new_password)
        objects = objects_of(out)
        results = [o for o in objects if "ok" in o]
        last = results[-1] if results else None
        if last is None:
            raise CtlError("brevane-ctl gave no result (exit status %d): %s" % (rc, err.strip()), rc)
        if expect_ok and not last.get("ok"):
            raise CtlError(message_of(last, err.strip()), last.get("status", rc), objects)
        return last

    def run_each(self, addresses, words, new_password=None):
        """One brevane-ctl run for several devices: {address: its result object}.

        Every address has its object, a device brevane-ctl never ran (or
        never answered for) one that says so.
        """
        rc, out, err = self._run(addresses, words, new_password)
        objects = objects_of(out)
        each = {}
        for o in objects:
            if "ok" in o and o.get("device") in addresses:
                each[o["device"]] = o
        for address in addresses:
            if address not in each:
                each[address] = {"device": address, "ok": False, "status": rc,
                                 "error": {"message": "brevane-ctl gave no result for it (exit "
                                                      "status %d): %s" % (rc, err.strip())}}
        return each

    def status(self, address):
        """What `show status` shows of the device."""
        return self.run(address, ["show", "status"])["result"]

    def wait_for_restart(self, address, seconds, gone_within=30, pause=0.5):
        """Waits until the device has gone silent (at most `gone_within` s) and answers again.

        The wait reads the status page, as a probe: the module may run beside others on
        one host, where a discovery scan of each would take one another's port.
        """
        end = time.time() + seconds
        gone_by = min(end, time.time() + gone_within)
        while time.time() < gone_by:
            if self.run(address, ["show", "status"], expect_ok=False).get("status") == NO_ANSWER:
                break
            time.sleep(pause)
        while time.time() < end:
            answer = self.run(address, ["show", "status"], expect_ok=False)
            if answer.get("ok"):
                return answer["result"]
            if answer.get("status") != NO_ANSWER:
                raise CtlError(message_of(answer, "refused"), answer.get("status"))
            time.sleep(pause)
        raise CtlError("the device did not answer again within %d seconds" % seconds, NO_ANSWER)


def applied(result, check_mode):
    """What one device's `apply` object says, as a task reports it: ok, changed,
    changes, sent, and in check mode the plan's pages to read and passwords."""
    if not result.get("ok"):
        # A run that failed part-way may have changed the device already:
        # brevane-ctl says how many requests went out before it stopped.
        sent = (result.get("error") or {}).get("sent") or 0
        return dict(ok=False, changed=sent > 0, status=result.get("status"),
                    msg=message_of(result, "brevane-ctl failed"), changes=[], sent=sent)
    done = result.get("result") or {}
    changes = done.get("changes") or []
    sent = done.get("sent") or 0
    said = dict(ok=True, changes=changes, sent=sent,
                # Selecting an account's page to read its folders is a
                # request, but it changes nothing: only a change is.
                changed=bool(changes) and (check_mode or sent > 0))
    if check_mode:
        said.update(read_folders_of=done.get("read_folders_of") or [],
                    new_passwords=done.get("new_passwords") or [])
        if done.get("refused"):
            # The run would be refused before its first request.
            said.update(ok=False, changed=False, status=FAILED,
                        msg=done["refused"] + "\nNothing would be sent.")
    return said


def printable(text):
    """`text` as a terminal may show it: control characters, and those that
    turn the text's direction or take no room, written as escapes, as
    brevane-ctl writes them."""
    out = []
    for c in text:
        n = ord(c)
        if n < 0x20 or 0x7F <= n <= 0x9F:
            out.append("\\x%02x" % n)
        elif (n in (0x061C, 0x180E, 0xFEFF) or 0x200B <= n <= 0x200F or
              0x202A <= n <= 0x202E or 0x2060 <= n <= 0x2069):
            out.append("\\u%04x" % n)
        elif c == "\\":
            out.append("\\\\")
        else:
            out.append(c)
    return "".join(out)


def plan_text(said, header=None):
    """A device's plan, or what was done, one line an item: the diff.

    A change names folders and accounts as the device holds them, and
    Ansible shows a diff as it is: their text is escaped here.
    """
    lines = ([header + ":"] if header else []) + list(said.get("changes") or [])
    lines += ["account %s: its folders are read from its own page first (a request)" % a
              for a in said.get("read_folders_of") or []]
    if said.get("new_passwords"):
        lines.append("new password for " + ", ".join(said["new_passwords"]))
    return "".join(printable(line) + "\n" for line in lines)


def device_argument_spec(address_required=True):
    """The options every module of the collection takes."""
    return dict(
        address=dict(type="str", required=address_required),
        user=dict(type="str", default="admin"),
        password=dict(type="str", no_log=True),
        brevane_ctl=dict(type="str", default="brevane-ctl"),
    )


def checked_address(module, address):
    """`address` if it is an IPv4 address; the task fails otherwise."""
    if not is_address(address):
        # A name would be looked up by discovery, whose answers anything on
        # the LAN can give.
        module.fail_json(msg="address takes the device's IPv4 address (such as 192.168.1.20), "
                             "not %r: a name is only what a discovery reply claims" % address)
    return address
