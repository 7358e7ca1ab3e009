#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: setup
short_description: Make a network-storage device match a setup
description:
  - Makes a device match a setup (its names, time, language, DHCP server,
    folders, FTP service and accounts, disk sleep) with C(brevane-ctl apply),
    the plan of changes first, then only the commands that differ, read back
    after.
  - The setup is a C(brevane-ctl backup) file (I(src)) or the same structure
    inline (I(setup)). A section it leaves out leaves that part of the device
    as it is.
  - The device's host name and address change only with I(identity), so one
    setup serves many devices; folders and accounts the setup does not list
    are deleted only with I(prune).
author: The Brevane developers
extends_documentation_fragment:
  - brevane.nas.device
attributes:
  check_mode:
    support: full
    description:
      - With C(--check), the plan is computed and nothing is sent.
      - A plan the device's rules refuse, or one that needs I(new_password)
        where none is given, fails as the run itself would.
  diff_mode:
    support: full
    description:
      - The plan, one change a line, is the diff, with the accounts whose
        page would be selected to read their folders, and what takes the new
        password.
  idempotent:
    support: full
    description: A device that matches the setup gets no command, and C(changed) is false.
options:
  address:
    description:
      - The device's IPv4 address, as the inventory names it (for hosts of the
        C(brevane.nas.scan) inventory, C(brevane_address)).
      - Exactly one of I(address), I(addresses) and I(batch) is given.
    type: str
    required: false
  addresses:
    description:
      - Several devices' IPv4 addresses, set up alike in one run of
        C(brevane-ctl) (at most I(parallel) at once) instead of I(address).
        The result says how each fared, under I(devices); the task fails
        when one of them does.
      - With I(batch), the collection's action fills it in itself.
    type: list
    elements: str
  batch:
    description:
      - Set up every host of the play's current batch (C(ansible_play_batch))
        in one run of C(brevane-ctl), each at the address of its host variable
        C(brevane_address), as the scan inventory and the static inventories
        of the documentation give it. Give the task C(run_once) true.
      - Ansible's own work for a task on each host, a process and a module
        run a host, then comes once for the play instead. The result says
        how each host fared, under I(hosts), and the diff shows each host's
        plan; the play's recap counts the task once, for the host it ran
        for. When one device fails, the task fails, and with it (as
        C(run_once) has it) every host of the batch; for a failure a host,
        as C(max_fail_percentage) counts them, give I(address) instead.
      - Nothing is sent to any device when a host of the batch has no
        C(brevane_address), was found by discovery alone, names the
        address of another host, or would have its task delegated to
        another host than the first one's (another office's gateway).
    type: bool
    default: false
  parallel:
    description: With I(addresses) or I(batch), at most this many devices at once.
    type: int
    default: 8
  setup:
    description:
      - The setup, as C(brevane-ctl backup) writes it (C(brevane_setup), C(names),
        C(time), C(folders), C(ftp), C(accounts), ...). A section it leaves out
        (C(names), say) leaves that part of the device as it is.
      - Exactly one of I(setup) and I(src) is given.
    type: dict
  src:
    description:
      - A C(brevane-ctl backup) file on the control machine; it is read there
        and sent as I(setup).
    type: path
  prune:
    description: Delete the folders and accounts the setup does not list.
    type: bool
    default: false
  identity:
    description:
      - Give the device the setup's host name and address as well (restoring
        the device the setup came from). One device a task.
      - A name or an address that another device answers to is refused,
        and nothing is sent, unless I(even_if_taken) is given.
    type: bool
    default: false
  even_if_taken:
    description:
      - With I(identity), take the setup's name and address even where
        another device answers to them.
    type: bool
    default: false
  new_password:
    description:
      - The password of every folder the setup creates protected, and of
        every FTP account it creates, read once by C(brevane-ctl). Needed
        only when the setup creates such a folder or account; an empty one
        is refused before anything is sent.
    type: str
"""

EXAMPLES = r"""
- name: One setup for every device of the office
  brevane.nas.setup:
    address: "{{ brevane_address }}"
    password: "{{ vault_nas_password }}"
    src: office-setup.json
    new_password: "{{ vault_ftp_password }}"
  delegate_to: office-gateway

- name: The same for the whole play, in one run of brevane-ctl
  brevane.nas.setup:
    batch: true
    password: "{{ vault_nas_password }}"
    src: office-setup.json
    new_password: "{{ vault_ftp_password }}"
  run_once: true
  delegate_to: office-gateway

- name: Inline, FTP on and a shared folder
  brevane.nas.setup:
    address: 10.77.0.11
    password: "{{ vault_nas_password }}"
    setup:
      brevane_setup: 1
      ftp: {enabled: true, port: "21", anonymous: false}
      folders:
        - {name: PUBLIC, shared: true}
        - {name: scans, shared: true}
"""

RETURN = r"""
changes:
  description: The changes of the plan, as C(brevane-ctl apply) says them.
  returned: with I(address)
  type: list
  elements: str
  sample: ["folder scans: create", "ftp service: off -> on"]
sent:
  description:
    - The requests sent to the device (0 in check mode). Selecting an
      account's page to read its folders is one, but no change.
  returned: with I(address)
  type: int
  sample: 3
read_folders_of:
  description: In check mode, the accounts whose page would be selected to read their folders.
  returned: in check mode, with I(address)
  type: list
  elements: str
  sample: ["amy"]
new_passwords:
  description: In check mode, what would take I(new_password).
  returned: in check mode, with I(address)
  type: list
  elements: str
  sample: ["account amy", "folder docs"]
devices:
  description:
    - With I(addresses), each device's result by its address, C(ok),
      C(changed), C(changes), C(sent) (and the plan's C(read_folders_of) and
      C(new_passwords) in check mode), or C(msg) and C(status) where it failed.
  returned: with I(addresses)
  type: dict
  sample: {"10.77.0.11": {"ok": true, "changed": false, "changes": [], "sent": 0}}
hosts:
  description: With I(batch), each host's result by its inventory name, as under I(devices).
  returned: with I(batch)
  type: dict
  sample: {"NAS1": {"address": "10.77.0.11", "ok": true, "changed": true,
           "changes": ["folder scans: create"], "sent": 2}}
"""

import json
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.brevane.nas.plugins.module_utils.brevane_ctl import (
    BrevaneCtl,
    CtlError,
    applied,
    checked_address,
    device_argument_spec,
    plan_text,
)


def words_of(params, setup_path, check_mode):
    words = ["apply", setup_path]
    if params["prune"]:
        words.append("--prune")
    if params["identity"]:
        words.append("--identity")
        if params["even_if_taken"]:
            words.append("--even-if-taken")
    if check_mode:
        words.append("--check")
    elif params["prune"]:
        # The task is the person's word for the deletions.
        words.append("--yes")
    return words


def unfit_plan(said, new_password):
    """Why the run would fail where the plan says it will go ahead, or None."""
    if not said["new_passwords"]:
        return None
    if new_password is None:
        return "the setup needs new_password, for " + ", ".join(said["new_passwords"])
    if new_password == "":
        return ("new_password is empty: " + ", ".join(said["new_passwords"]) +
                " would be left open")
    return None


def main():
    spec = device_argument_spec(address_required=False)
    spec.update(
        addresses=dict(type="list", elements="str"),
        batch=dict(type="bool", default=False),
        parallel=dict(type="int", default=8),
        setup=dict(type="dict"),
        src=dict(type="path"),
        prune=dict(type="bool", default=False),
        identity=dict(type="bool", default=False),
        even_if_taken=dict(type="bool", default=False),
        new_password=dict(type="str", no_log=True),
    )
    module = AnsibleModule(
        argument_spec=spec,
        required_one_of=[("setup", "src"), ("address", "addresses")],
        mutually_exclusive=[("setup", "src"), ("address", "addresses")],
        supports_check_mode=True,
    )
    params = module.params
    if params["src"] is not None or params["batch"]:
        module.fail_json(msg="src and batch are worked out on the control machine: use the "
                             "collection's action, not the module alone")
    several = params["addresses"] is not None
    addresses = params["addresses"] if several else [params["address"]]
    for address in addresses:
        checked_address(module, address)
    if not addresses:
        module.fail_json(msg="addresses names no device")
    twice = sorted(set(a for a in addresses if addresses.count(a) > 1))
    if twice:
        # Two runs at once on one device would each plan from what the
        # other is changing.
        module.fail_json(msg="addresses names %s more than once: a device is set up once a task"
                             % ", ".join(twice))
    if several and params["identity"]:
        module.fail_json(msg="identity gives a device its own name and address: one device a "
                             "task, never several")
    if not 1 <= params["parallel"] <= 64:
        module.fail_json(msg="parallel takes 1 to 64 devices at once")
    if params["even_if_taken"] and not params["identity"]:
        module.fail_json(msg="even_if_taken goes with identity")
    ctl = BrevaneCtl(module)
    # The setup goes to brevane-ctl as the file it reads, private to this run.
    handle, path = tempfile.mkstemp(prefix="brevane-setup-", suffix=".json")
    try:
        with os.fdopen(handle, "w") as f:
            json.dump(params["setup"], f)
        words = words_of(params, path, module.check_mode)
        new_password = None if module.check_mode else params["new_password"]
        if several:
            results = ctl.run_each(addresses, ["--parallel", str(params["parallel"])] + words,
                                   new_password)
        else:
            results = {addresses[0]: ctl.run(addresses[0], words, new_password, expect_ok=False)}
    except CtlError as e:
        module.fail_json(msg=str(e), status=e.status)
    finally:
        os.unlink(path)

    each = {}
    for address in addresses:
        said = applied(results[address], module.check_mode)
        if said["ok"] and module.check_mode:
            why = unfit_plan(said, params["new_password"])
            if why:
                said.update(ok=False, changed=False, msg=why)
        each[address] = said
    if not several:
        said = each[addresses[0]]
        if not said.pop("ok"):
            module.fail_json(**said)
        module.exit_json(diff={"prepared": plan_text(said)}, **said)
    failed = [a for a in addresses if not each[a]["ok"]]
    result = dict(changed=any(s["changed"] for s in each.values()), devices=each,
                  diff=[{"prepared": plan_text(each[a], a)} for a in addresses
                        if plan_text(each[a])])
    if failed:
        module.fail_json(msg="%d of %d devices failed: %s" % (
            len(failed), len(addresses),
            "; ".join("%s: %s" % (a, each[a]["msg"]) for a in failed)), **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
