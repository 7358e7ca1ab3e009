#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: power
short_description: Restart a network-storage device and wait for it
description:
  - Restarts the device with C(brevane-ctl reboot), then waits until it has
    gone silent and reads its status page again.
author: The Brevane developers
extends_documentation_fragment:
  - brevane.nas.device
attributes:
  check_mode:
    support: full
    description: Says that the device would restart, and sends nothing.
  diff_mode:
    support: none
    description: A restart changes no setting.
  idempotent:
    support: none
    description: Each run restarts the device.
options:
  state:
    description: C(restarted) restarts the device.
    type: str
    choices: [restarted]
    default: restarted
  wait_seconds:
    description: How long to wait for the device to answer again.
    type: int
    default: 180
"""

EXAMPLES = r"""
- name: Restart the office's devices one at a time
  brevane.nas.power:
    address: "{{ brevane_address }}"
    password: "{{ vault_nas_password }}"
    state: restarted
  delegate_to: office-gateway
"""

RETURN = r"""
firmware:
  description: The firmware the device reports once it answers again.
  returned: when the device restarted
  type: str
  sample: "2.1.07"
"""

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
        state=dict(type="str", choices=["restarted"], default="restarted"),
        wait_seconds=dict(type="int", default=180),
    )
    module = AnsibleModule(argument_spec=spec, supports_check_mode=True)
    address = checked_address(module, module.params["address"])
    if module.check_mode:
        module.exit_json(changed=True)
    ctl = BrevaneCtl(module)
    try:
        # (--yes: the task is the person's word for a restart.)
        ctl.run(address, ["--yes", "reboot"])
        status = ctl.wait_for_restart(address, module.params["wait_seconds"])
    except CtlError as e:
        module.fail_json(msg=str(e), status=e.status)
    module.exit_json(changed=True, firmware=status.get("firmware"))


if __name__ == "__main__":
    main()
