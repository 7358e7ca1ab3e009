# -*- coding: utf-8 -*-
# How the collection's modules run brevane-ctl: on the host the module runs
# on, with every password handed over through a pipe (never on a command
# line, never in the environment), its --json objects read as they are.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import time

# brevane-ctl's exit statuses.
DONE = 0
FAILED = 1
USAGE = 2
NO_ANSWER = 3

# A password source is read a line at a time: one line for each new folder
# or account that takes one. More lines than items cost nothing.
MAX_NEW_PASSWORD_LINES = 64


class CtlError(Exception):
    """brevane-ctl ran and said the command failed (or nothing it said was a result)."""

    def __init__(self, message, status, objects=None):
        super(CtlError, self).__init__(message)
        self.status = status
        self.objects = objects or []


def _pipe_with(text, lines=1):
    """A pipe's reading end that holds `text` as `lines` lines, its writing end closed."""
    line = (text + "\n").encode("utf-8")
    # Written whole before brevane-ctl starts: within what a pipe holds.
    data = line * max(1, min(lines, 60000 // len(line)))
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


class BrevaneCtl(object):
    """brevane-ctl for one device, as an Ansible module's options name it."""

    def __init__(self, module):
        self.module = module
        params = module.params
        self.address = params["address"]
        self.user = params["user"]
        self.password = params["password"]
        program = params["brevane_ctl"]
        self.program = program if os.path.sep in program else module.get_bin_path(program, True)

    def run(self, words, new_password=None, new_password_lines=1, expect_ok=True):
        """Runs `brevane-ctl --json ADDRESS WORDS...`; the result object of the command.

        With expect_ok, a failure raises CtlError with brevane-ctl's own message.
        """
        fds = []
        argv = [self.program, "--json", "--user", self.user]
        try:
            # An empty password is handed over too: the device gets what the
            # task says, not a question brevane-ctl cannot ask.
            if self.password is not None:
                fds.append(_pipe_with(self.password))
                argv += ["--password-fd", str(fds[-1])]
            if new_password is not None:
                fds.append(_pipe_with(new_password, new_password_lines))
                argv += ["--new-password-fd", str(fds[-1])]
            argv += [self.address] + list(words)
            rc, out, err = self.module.run_command(argv, pass_fds=fds)
        finally:
            for fd in fds:
                os.close(fd)
        objects = objects_of(out)
        results = [o for o in objects if "ok" in o]
        last = results[-1] if results else None
        if last is None:
            raise CtlError("brevane-ctl gave no result (exit status %d): %s" % (rc, err.strip()), rc)
        if expect_ok and not last.get("ok"):
            message = (last.get("error") or {}).get("message") or err.strip()
            raise CtlError(message, last.get("status", rc), objects)
        return last

    def status(self):
        """What `show status` shows of the device."""
        return self.run(["show", "status"])["result"]

    def wait_for_restart(self, seconds, gone_within=30, pause=0.5):
        """Waits until the device has gone silent (at most `gone_within` s) and answers again.

        The wait reads the status page, as a probe: the module may run beside others on
        one host, where a discovery scan of each would take one another's port.
        """
        end = time.time() + seconds
        gone_by = min(end, time.time() + gone_within)
        while time.time() < gone_by:
            if self.run(["show", "status"], expect_ok=False).get("status") == NO_ANSWER:
                break
            time.sleep(pause)
        while time.time() < end:
            answer = self.run(["show", "status"], expect_ok=False)
            if answer.get("ok"):
                return answer["result"]
            if answer.get("status") != NO_ANSWER:
                raise CtlError((answer.get("error") or {}).get("message", "refused"),
                               answer.get("status"))
            time.sleep(pause)
        raise CtlError("the device did not answer again within %d seconds" % seconds, NO_ANSWER)


def device_argument_spec():
    """The options every module of the collection takes."""
    return dict(
        address=dict(type="str", required=True),
        user=dict(type="str", default="admin"),
        password=dict(type="str", no_log=True),
        brevane_ctl=dict(type="str", default="brevane-ctl"),
    )
