#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: firmware
short_description: Update a network-storage device's firmware when it differs
description:
  - Reads the device's firmware version; only when it differs from I(version)
    uploads I(image) with C(brevane-ctl upload), restarts the device, waits
    until it answers again and reads the version back. A device that then
    reports another version than I(version) fails the task.
author: The Brevane developers
extends_documentation_fragment:
  - brevane.nas.device
attributes:
  check_mode:
    support: full
    description: Reports whether the device would be updated, and sends nothing.
  diff_mode:
    support: full
    description: The version before and after.
  idempotent:
    support: full
    description: A device that runs I(version) gets nothing.
options:
  version:
    description: The firmware version the device is to run, as it reports it.
    type: str
    required: true
  image:
    description: The firmware image (a C(.bin) file) on the host the module runs on.
    type: path
    required: true
  wait_seconds:
    description: How long to wait for the device to answer again after the update.
    type: int
    default: 180
"""

EXAMPLES = r"""
- name: Rolling update, three devices at a time, stop when one in ten fails
  hosts: brevane_OFFICE
  gather_facts: false
  serial: 3
  max_fail_percentage: 10
  tasks:
    - brevane.nas.firmware:
        address: "{{ brevane_address }}"
        password: "{{ vault_nas_password }}"
        version: "2.1.07"
        image: /srv/firmware/nas-2.1.07.bin
      delegate_to: office-gateway
"""

RETURN = r"""
before:
  description: The version the device reported first.
  returned: always
  type: str
  sample: "2.0.11"
firmware:
  description: The version the device reports now (in check mode, the one it would run).
  returned: always
  type: str
  sample: "2.1.07"
"""

import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.brevane.nas.plugins.module_utils.brevane_ctl import (
    BrevaneCtl,
    CtlError,
    checked_address,
    device_argument_spec,
)


def main():
    spec = device_argument_spec()
    spec.update(
        version=dict(type="str", required=True),
        image=dict(type="path", required=True),
        wait_seconds=dict(type="int", default=180),
    )
    module = AnsibleModule(argument_spec=spec, supports_check_mode=True)
    wanted = module.params["version"]
    address = checked_address(module, module.params["address"])
    ctl = BrevaneCtl(module)
    try:
        before = ctl.status(address).get("firmware")
        diff = {"before": "firmware: %s\n" % before, "after": "firmware: %s\n" % wanted}
        if before == wanted:
            module.exit_json(changed=False, before=before, firmware=before)
        if module.check_mode:
            module.exit_json(changed=True, before=before, firmware=wanted, diff=diff)
        if not os.path.isfile(module.params["image"]):
            module.fail_json(msg="no firmware image at %s" % module.params["image"])
        # (--yes: the task is the person's word for the flash and the restart.)
        ctl.run(address, ["--yes", "upload", module.params["image"]])
        now = ctl.wait_for_restart(address, module.params["wait_seconds"]).get("firmware")
    except CtlError as e:
        module.fail_json(msg=str(e), status=e.status)
    if now != wanted:
        module.fail_json(msg="the device runs %s after the update, not %s" % (now, wanted),
                         before=before, firmware=now)
    module.exit_json(changed=True, before=before, firmware=now, diff=diff)


if __name__ == "__main__":
    main()
