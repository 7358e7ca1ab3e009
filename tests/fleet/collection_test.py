#!/usr/bin/env python3
"""The brevane.nas collection against what a LAN and a careless playbook may
give it, with no network at all: scans that print what look-alikes answer,
and a brevane-ctl that only records what it is handed.

    collection_test.py COLLECTIONS_DIR

Run by CTest (tests/fleet/CMakeLists.txt) with the built collection.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
COLLECTIONS = None

# Office A's scan: a device the inventory names, and look-alikes that answer
# with what any host on the LAN may put in a reply. Office B's names an
# address of its own and finds one more look-alike.
OFFICE_A = [
    ("10.77.0.11", "NAS1", "OFFICE", "2.1.07"),
    ("10.77.0.66", "localhost", "OFFICE", "{{ lookup('pipe', 'touch %(pwned)s') }}"),
    ("10.77.0.12", "nas2", "OFFICE", "2.1.07"),
    ("10.77.0.13", "NAS2", "OFFICE", "2.1.07"),
    ("10.77.0.14", "NAS\x1b[2J", "OFF\x07ICE", "2.1.07"),
    ("10.77.0.15", "brevane_OFFICE", "OFFICE", "2.1.07"),
    ("10.77.0.16", "NAS5", "OFFICE", "2.1.07"),
    ("10.77.0.16", "NAS6", "OFFICE", "2.1.07"),
]
OFFICE_B = [
    ("10.77.5.20", "NAS1", "BRANCH", "2.1.07"),
    ("10.77.5.66", "{{ 7 * 7 }}", "{{7*7}}", "2.0.11"),
]


def unsafe(value):
    """A value as ansible-inventory --list shows one it keeps from templating."""
    return value["__ansible_unsafe"] if isinstance(value, dict) else value


class Collection(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="brevane-collection-")
        cls.pwned = os.path.join(cls.tmp, "pwned")
        cls.log = os.path.join(cls.tmp, "ctl.log")
        cls.env = dict(os.environ, ANSIBLE_HOME=os.path.join(cls.tmp, "home"),
                       ANSIBLE_COLLECTIONS_PATH=COLLECTIONS, ANSIBLE_NOCOLOR="1",
                       ANSIBLE_LOCAL_TEMP=os.path.join(cls.tmp, "home", "tmp"),
                       ANSIBLE_PYTHON_INTERPRETER=sys.executable, FAKE_CTL_LOG=cls.log,
                       ANSIBLE_RETRY_FILES_ENABLED="0")
        cls.sources = []
        for office, found, named in (("a", OFFICE_A, ["10.77.0.11"]),
                                     ("b", OFFICE_B, ["10.77.5.20"])):
            listing = os.path.join(cls.tmp, office + ".json")
            with open(listing, "w") as f:
                json.dump([{"address": a, "name": n, "group": g,
                            "firmware": fw % {"pwned": cls.pwned}, "via": "lan0"}
                           for a, n, g, fw in found], f)
            scan = os.path.join(cls.tmp, "scan-" + office)
            with open(scan, "w") as f:
                f.write("#!/bin/sh\ncat %s\n" % listing)
            os.chmod(scan, 0o755)
            source = os.path.join(cls.tmp, "office-%s.brevane.yml" % office)
            # Each office is reached through a gateway of its own.
            with open(source, "w") as f:
                f.write("plugin: brevane.nas.scan\nbrevane_scan: %s\naddresses: %s\n"
                        "groups:\n  outdated: brevane_firmware != '2.1.07'\n"
                        "keyed_groups: [{key: brevane_group, prefix: in}]\n"
                        "compose: {gateway: \"'%s'\"}\n"
                        % (scan, json.dumps(named), "localhost" if office == "a" else "gw-b"))
            cls.sources += ["-i", source]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def test_the_inventory_takes_a_scan_as_data(self):
        run = subprocess.run(["ansible-inventory"] + self.sources + ["--list"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        inventory = json.loads(run.stdout)
        hostvars = inventory["_meta"]["hostvars"]
        # A name goes as the host's name only where it can mean nothing but
        # that device: not Ansible's localhost, not a name two devices (or
        # another office's host) answer to, not a group's, not control
        # characters or a template, not one of two at an address; in the
        # order of the addresses.
        self.assertEqual(inventory["brevane"]["hosts"],
                         ["NAS1", "10.77.0.12", "10.77.0.13", "10.77.0.14", "10.77.0.15",
                          "10.77.0.16", "10.77.0.66", "10.77.5.20", "10.77.5.66"])
        self.assertEqual(hostvars["NAS1"]["brevane_address"], "10.77.0.11")
        self.assertEqual(unsafe(hostvars["10.77.0.14"]["brevane_name"]), "NAS\x1b[2J")
        # What a reply says is never run as a template, in the groups either.
        self.assertFalse(os.path.exists(self.pwned))
        self.assertIn("lookup('pipe'", unsafe(hostvars["10.77.0.66"]["brevane_firmware"]))
        self.assertEqual(unsafe(hostvars["10.77.5.66"]["brevane_name"]), "{{ 7 * 7 }}")
        self.assertEqual(sorted(inventory["outdated"]["hosts"]), ["10.77.0.66", "10.77.5.66"])
        self.assertNotIn("in_49", inventory)
        self.assertIn("10.77.0.14", inventory["brevane_OFF_ICE"]["hosts"])
        # Both offices' look-alikes stay refused: a second inventory adds
        # its own to the first's.
        self.assertEqual(sorted(hostvars["NAS1"]["brevane_discovered_only"]),
                         ["10.77.0.12", "10.77.0.13", "10.77.0.14", "10.77.0.15", "10.77.0.16",
                          "10.77.0.66", "10.77.5.66"])

    def test_nothing_reaches_brevane_ctl_that_it_must_not_get(self):
        setup = json.dumps({"brevane_setup": 1, "disk": {"sleep_minutes": 30}})
        common = 'password: pw, brevane_ctl: %s, setup: %s' % (
            os.path.join(HERE, "fake_brevane_ctl.py"), setup)
        # Each task must fail before brevane-ctl runs.
        refused = [
            ("a look-alike's address", '{address: 10.77.0.66, %s}'),
            ("a look-alike in a comma list", '{addresses: "10.77.0.11,10.77.0.66", %s}'),
            ("a name for an address", '{address: NAS1, %s}'),
            ("an address twice", '{addresses: [10.77.0.11, 10.77.0.11], %s}'),
            ("a line break in the password", '{address: 10.77.0.11, %s, new_password: "a\\nb"}'),
            ("a password beyond 4 KiB", '{address: 10.77.0.11, %s, new_password: "%s"}'
             % ("%s", "x" * 70000)),
            ("identity for several", '{addresses: [10.77.0.11, 10.77.5.20], identity: true, %s}'),
            ("even_if_taken alone", '{address: 10.77.0.11, even_if_taken: true, %s}'),
        ]
        tasks = "".join(
            "    - name: %s\n      brevane.nas.setup: %s\n      ignore_errors: true\n"
            "      register: r%d\n" % (name, args % common, k)
            for k, (name, args) in enumerate(refused))
        play = """
- hosts: localhost
  gather_facts: false
  tasks:
%s
- hosts: NAS1,10.77.5.20
  gather_facts: false
  tasks:
    - name: batch without run_once
      brevane.nas.setup: {batch: true, %s}
      delegate_to: localhost
      ignore_errors: true
      register: unbatched
    - name: a batch across two offices' gateways
      brevane.nas.setup: {batch: true, %s}
      delegate_to: "{{ gateway }}"
      run_once: true
      ignore_errors: true
      register: two_offices
    - name: one run for the play's named devices
      brevane.nas.setup: {batch: true, new_password: "Fold-Pw", %s}
      delegate_to: localhost
      run_once: true
      register: batch
    - name: a batch cut short
      brevane.nas.setup: {batch: true, %s}
      delegate_to: localhost
      run_once: true
      environment: {FAKE_CTL_STOP: 10.77.5.20, FAKE_CTL_REFUSE: 10.77.0.11}
      ignore_errors: true
      register: cut
- hosts: NAS1,10.77.0.66
  gather_facts: false
  tasks:
    - name: a batch with a look-alike in it
      brevane.nas.setup: {batch: true, %s}
      delegate_to: localhost
      run_once: true
      ignore_errors: true
      register: lookalike
- hosts: localhost
  gather_facts: false
  tasks:
    - ansible.builtin.copy:
        dest: %s/results.json
        content: "{{ ([[%s]] + (['unbatched', 'two_offices', 'batch', 'cut', 'lookalike']
                     | map('extract', hostvars.NAS1) | list)) | to_json }}"
""" % (tasks, common, common, common, common, common, self.tmp,
       ", ".join("r%d" % k for k in range(len(refused))))
        path = os.path.join(self.tmp, "play.yml")
        with open(path, "w") as f:
            f.write(play)
        run = subprocess.run(["ansible-playbook", "--diff"] + self.sources + [path], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(run.returncode, 0, run.stdout)
        self.assertNotIn("x" * 64, run.stdout)
        # What a device names is shown escaped in the diff.
        self.assertNotIn("\x1b", run.stdout)
        self.assertIn("NAS1 (10.77.0.11):\nfolder sc\\x1b[2Jans\\u202e: create\n", run.stdout)
        with open(os.path.join(self.tmp, "results.json")) as f:
            results, unbatched, two_offices, batch, cut, lookalike = json.load(f)
        for (name, _), result in zip(refused, results):
            self.assertTrue(result.get("failed"), "%s: %s" % (name, result))
        self.assertIn("no credentials go there", results[0]["msg"])
        self.assertIn("no credentials go there", results[1]["msg"])
        self.assertIn("not 'NAS1'", results[2]["msg"])
        self.assertIn("line break", results[4]["msg"])
        self.assertIn("run_once", unbatched["msg"])
        self.assertIn("10.77.5.20's task would run on gw-b, not localhost", two_offices["msg"])
        self.assertIn("10.77.0.66 was found by a discovery scan", lookalike["msg"])

        # A run cut short: the device refused after two requests says
        # changed (it may have), the one never reached failed, and the task
        # with them.
        self.assertTrue(cut["failed"] and cut["changed"], cut)
        self.assertTrue(cut["hosts"]["NAS1"]["changed"], cut)
        self.assertFalse(cut["hosts"]["NAS1"]["ok"], cut)
        self.assertEqual(cut["hosts"]["NAS1"]["sent"], 2, cut)
        self.assertFalse(cut["hosts"]["10.77.5.20"]["ok"], cut)
        self.assertIn("10.77.5.20 (10.77.5.20): brevane-ctl gave no result for it (exit status 3)",
                      cut["msg"])

        # brevane-ctl ran for the batches of named devices alone: each
        # password a line through a pipe, no yes for a found device.
        with open(self.log) as f:
            calls = [json.loads(line) for line in f]
        self.assertEqual(len(calls), 2, calls)
        call = calls[0]
        self.assertEqual(call["devices"], ["10.77.0.11", "10.77.5.20"])
        self.assertEqual((call["password"], call["new_password"]), ("pw\n", "Fold-Pw\n"))
        self.assertNotIn("--trust-found", call["argv"])
        self.assertNotIn("pw", call["argv"])
        self.assertEqual(sorted(batch["hosts"]), ["10.77.5.20", "NAS1"])
        self.assertEqual(batch["hosts"]["NAS1"]["address"], "10.77.0.11")
        self.assertTrue(batch["changed"])


if __name__ == "__main__":
    COLLECTIONS = sys.argv.pop(1)
    suite = unittest.TestLoader().loadTestsFromTestCase(Collection)
    sys.exit(0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1)
