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
    description: With C(--check), the plan is computed and nothing is sent.
  diff_mode:
    support: full
    description: The plan, one change a line, is the diff.
  idempotent:
    support: full
    description: A device that matches the setup gets no command, and C(changed) is false.
options:
  setup:
    description:
      - The setup, as C(brevane-ctl backup) writes it (C(brevane_setup), C(names),
        C(time), C(folders), C(ftp), C(accounts), ...).
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
        the device the setup came from).
    type: bool
    default: false
  new_password:
    description:
      - The password of each folder the setup creates protected, and of each
        FTP account it creates. Needed only when the setup creates such a
        folder or account.
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
  returned: always
  type: list
  elements: str
  sample: ["create folder scans", "ftp service: off -> on"]
sent:
  description: The commands sent to the device (0 in check mode).
  returned: always
  type: int
  sample: 3
"""

import json
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.brevane.nas.plugins.module_utils.brevane_ctl import (
    MAX_NEW_PASSWORD_LINES,
    BrevaneCtl,
    CtlError,
    device_argument_spec,
)


def main():
    spec = device_argument_spec()
    spec.update(
        setup=dict(type="dict"),
        src=dict(type="path"),
        prune=dict(type="bool", default=False),
        identity=dict(type="bool", default=False),
        new_password=dict(type="str", no_log=True),
    )
    module = AnsibleModule(
        argument_spec=spec,
        required_one_of=[("setup", "src")],
        mutually_exclusive=[("setup", "src")],
        supports_check_mode=True,
    )
    if module.params["src"] is not None:
        module.fail_json(msg="src is read on the control machine: use the collection's action, "
                             "not the module alone")
    ctl = BrevaneCtl(module)
    # The setup goes to brevane-ctl as the file it reads, private to this run.
    handle, path = tempfile.mkstemp(prefix="brevane-setup-", suffix=".json")
    try:
        with os.fdopen(handle, "w") as f:
            json.dump(module.params["setup"], f)
        words = ["apply", path]
        if module.params["prune"]:
            words.append("--prune")
        if module.params["identity"]:
            words.append("--identity")
        if module.check_mode:
            plan = ctl.run(words + ["--check"])["result"]
            changes = plan.get("changes", [])
            module.exit_json(changed=bool(changes), changes=changes, sent=0,
                             diff={"prepared": "".join(c + "\n" for c in changes)})
        # (--prune's deletions are asked for by the task itself.)
        done = ctl.run(words + (["--yes"] if module.params["prune"] else []),
                       new_password=module.params["new_password"],
                       new_password_lines=MAX_NEW_PASSWORD_LINES)["result"]
        changes = done.get("changes", [])
        sent = done.get("sent", 0)
        module.exit_json(changed=sent > 0, changes=changes, sent=sent,
                         diff={"prepared": "".join(c + "\n" for c in changes)})
    except CtlError as e:
        module.fail_json(msg=str(e), status=e.status)
    finally:
        os.unlink(path)


if __name__ == "__main__":
    main()
