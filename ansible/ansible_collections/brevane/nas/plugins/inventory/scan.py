# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
name: scan
short_description: The network-storage devices a brevane-scan finds
description:
  - Runs C(brevane-scan --json) on the control machine and makes a host of
    each device that answers, in the group C(brevane) and in a group of its
    device group (C(brevane_) and the group's name, such as C(brevane_OFFICE)).
  - Each host has the variables C(brevane_address), C(brevane_name),
    C(brevane_group), C(brevane_firmware), C(brevane_via) (where the answer
    came from) and C(brevane_address_named).
  - Any host on the LAN can answer a scan with any name. A device whose
    address the inventory does not name in I(addresses) is listed, but the
    collection's modules send it no credentials and refuse to run for it.
  - The inventory file's name ends in C(brevane.yml) or C(brevane.yaml).
author: The Brevane developers
extends_documentation_fragment:
  - constructed
  - inventory_cache
options:
  plugin:
    description: The name of this plugin.
    required: true
    choices: [brevane.nas.scan]
    type: str
  addresses:
    description:
      - The devices' addresses you name. Each is asked directly as well (a
        device behind a router), and only these get credentials from the
        collection's modules.
    type: list
    elements: str
    default: []
  seconds:
    description: How long the scan collects answers.
    type: int
    default: 3
  interface:
    description: Scan on this network interface only.
    type: str
  broadcast:
    description: Send the scan's request to this broadcast address.
    type: str
  brevane_scan:
    description: The C(brevane-scan) program, by name or path.
    type: str
    default: brevane-scan
"""

EXAMPLES = r"""
# office.brevane.yml
plugin: brevane.nas.scan
addresses: [192.168.1.20, 192.168.1.21, 192.168.1.22]
seconds: 3
keyed_groups:
  - key: brevane_firmware
    prefix: firmware
groups:
  outdated: brevane_firmware != "2.1.07"
cache: true
cache_plugin: ansible.builtin.jsonfile
cache_connection: ~/.cache/brevane-inventory
cache_timeout: 300
"""

import ipaddress
import json
import re
import subprocess
from collections import Counter

from ansible.errors import AnsibleParserError
from ansible.module_utils.common.process import get_bin_path
from ansible.module_utils.common.text.converters import to_native, to_text
from ansible.plugins.inventory import BaseInventoryPlugin, Cacheable, Constructable
from ansible.utils.display import Display
from ansible.utils.unsafe_proxy import wrap_var

display = Display()

# A name as a device takes one (a letter first here, so that it never
# reads as an address or an option): it can stand as a host name.
DEVICE_NAME = re.compile(r"^[A-Za-z][A-Za-z0-9_=-]{0,14}$")
# On the group "all": the addresses the inventories name, and those their
# scans found that none names (the collection's actions refuse those).
NAMED = "brevane_named_addresses"
DISCOVERED_ONLY = "brevane_discovered_only"


def address_order(device):
    try:
        return (0, int(ipaddress.IPv4Address(device["address"])), "")
    except ValueError:
        return (1, 0, device["address"])


class InventoryModule(BaseInventoryPlugin, Constructable, Cacheable):
    NAME = "brevane.nas.scan"

    def verify_file(self, path):
        return super(InventoryModule, self).verify_file(path) and path.endswith(
            ("brevane.yml", "brevane.yaml"))

    def _scan(self):
        program = self.get_option("brevane_scan")
        if "/" not in program:
            try:
                program = get_bin_path(program)
            except ValueError as e:
                raise AnsibleParserError(to_native(e))
        argv = [program, "--json", "--seconds", str(self.get_option("seconds"))]
        if self.get_option("interface"):
            argv += ["--interface", self.get_option("interface")]
        if self.get_option("broadcast"):
            argv += ["--broadcast", self.get_option("broadcast")]
        if self.get_option("addresses"):
            argv += ["--address", ",".join(self.get_option("addresses"))]
        scan = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              stdin=subprocess.DEVNULL, check=False)
        # 1: no device answered, which is an empty inventory, not a failure.
        if scan.returncode not in (0, 1):
            raise AnsibleParserError("brevane-scan failed (exit status %d): %s" % (
                scan.returncode, to_text(scan.stderr, errors="surrogate_or_replace").strip()))
        try:
            found = json.loads(to_text(scan.stdout, errors="surrogate_or_strict"))
        except ValueError as e:
            raise AnsibleParserError("brevane-scan printed no JSON: %s" % to_native(e))
        if not isinstance(found, list):
            raise AnsibleParserError("brevane-scan printed no list")
        devices = []
        for d in found:
            if isinstance(d, dict) and all(isinstance(d.get(k), str)
                                           for k in ("address", "name", "group", "firmware")):
                devices.append(dict((k, d.get(k, "")) for k in
                                    ("address", "name", "group", "firmware", "via")))
        return devices

    def _host_names(self, devices):
        """The host name of each device: its own name where that can only mean
        this device, its address otherwise."""
        # Names that compare alike but for letter case are one name to the
        # device and to the person.
        counts = Counter(d["name"].lower() for d in devices)
        # An address that answered twice (two interfaces, or a look-alike
        # there) is one host, never two that a play would set up at once.
        at = Counter(d["address"] for d in devices)
        taken = set(["localhost", "all", "ungrouped", "brevane"])
        taken.update(self._sanitize_group_name("brevane_" + d["group"]).lower()
                     for d in devices if d["group"])
        taken.update(g.lower() for g in self.inventory.groups)
        names = []
        for d in devices:
            name = d["name"]
            fits = (DEVICE_NAME.match(name) and counts[name.lower()] == 1 and
                    at[d["address"]] == 1 and name.lower() not in taken)
            if fits and name in self.inventory.hosts:
                # A host another source made: the same device only if at the
                # same address.
                fits = self.inventory.hosts[name].vars.get("brevane_address") == d["address"]
            names.append(name if fits else d["address"])
        return names

    def _populate(self, devices):
        named = set(self.get_option("addresses") or [])
        strict = self.get_option("strict")
        # Devices answer a scan in any order: by address, the hosts come in
        # one order every run, so run_once and serial pick the same ones.
        devices = sorted(devices, key=address_order)
        self.inventory.add_group("brevane")
        found_only = set()
        for d, host in zip(devices, self._host_names(devices)):
            self.inventory.add_host(host, group="brevane")
            if d["group"]:
                group = self.inventory.add_group(self._sanitize_group_name("brevane_" + d["group"]))
                self.inventory.add_child(group, host)
            # What a device answers is anyone's to say: never a template to
            # Ansible, wherever a playbook or the groups below use it.
            variables = dict(
                brevane_address=d["address"],
                brevane_name=wrap_var(d["name"]),
                brevane_group=wrap_var(d["group"]),
                brevane_firmware=wrap_var(d["firmware"]),
                brevane_via=wrap_var(d["via"] or ""),
                brevane_address_named=d["address"] in named,
            )
            for key, value in variables.items():
                self.inventory.set_variable(host, key, value)
            if d["address"] not in named:
                found_only.add(d["address"])
            self._set_composite_vars(self.get_option("compose"), variables, host, strict=strict)
            self._add_host_to_composed_groups(self.get_option("groups"), variables, host,
                                              strict=strict)
            self._add_host_to_keyed_groups(self.get_option("keyed_groups"), variables, host,
                                           strict=strict)
        # Several inventories (an office each) add up: an address that one
        # names is named, one that any found and none names is not.
        everywhere = self.inventory.groups["all"].get_vars()
        named.update(everywhere.get(NAMED, []))
        found_only.update(everywhere.get(DISCOVERED_ONLY, []))
        self.inventory.set_variable("all", NAMED, sorted(named))
        self.inventory.set_variable("all", DISCOVERED_ONLY, sorted(found_only - named))

    def parse(self, inventory, loader, path, cache=True):
        super(InventoryModule, self).parse(inventory, loader, path, cache)
        self._read_config_data(path)
        cache_key = self.get_cache_key(path)
        use_cache = self.get_option("cache") and cache
        update_cache = self.get_option("cache") and not cache
        devices = None
        if use_cache:
            try:
                devices = self._cache[cache_key]
            except KeyError:
                update_cache = True
        if devices is None:
            devices = self._scan()
        if update_cache:
            self._cache[cache_key] = devices
        self._populate(devices)
