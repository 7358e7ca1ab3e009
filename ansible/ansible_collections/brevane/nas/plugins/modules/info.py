#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: info
short_description: Read a network-storage device's setup and status as facts
description:
  - Reads a device's status page with C(brevane-ctl) and returns its status
    (names, firmware, addresses, disk) and its setup (as C(brevane-ctl backup)
    writes it, with its folders, FTP service and accounts) as the fact
    C(brevane_nas).
  - Changes nothing on the device.
author: The Brevane developers
extends_documentation_fragment:
  - brevane.nas.device
attributes:
  check_mode:
    support: full
    description:
      - Reads the device in check mode as well; it changes no setting.
      - Reading an account's folders selects the account's page on the
        device, as the console's Modify does; that is a request, in check
        mode too.
  diff_mode:
    support: none
    description: Nothing changes, so there is nothing to show.
  idempotent:
    support: full
    description: It only reads.
  facts:
    support: full
    description: Returns the fact C(brevane_nas).
"""

EXAMPLES = r"""
- name: What each device runs
  brevane.nas.info:
    address: "{{ brevane_address }}"
    password: "{{ vault_nas_password }}"
  delegate_to: office-gateway

- name: Say which devices run old firmware
  ansible.builtin.debug:
    msg: "{{ inventory_hostname }} runs {{ brevane_nas.status.firmware }}"
  when: brevane_nas.status.firmware != "2.1.07"
"""

RETURN = r"""
ansible_facts:
  description: The device as read.
  returned: always
  type: complex
  contains:
    brevane_nas:
      description: The device's status and setup.
      type: dict
      contains:
        status:
          description: >-
            What C(brevane-ctl show status) shows: host_name, group_name,
            firmware, ip_address, mac_address, dhcp_server, disk_id,
            free_size, total_size, time, time_zone, languages, ...
          type: dict
          sample: {"host_name": "NAS1", "firmware": "2.1.07", "ip_address": "10.77.0.11"}
        addresses:
          description: What C(brevane-ctl show ip) shows.
          type: dict
          sample: {"automatic": false, "ip_address": "10.77.0.11", "subnet_mask": "255.255.255.0"}
        disk:
          description: What C(brevane-ctl show disk) shows (sleep time, scan messages).
          type: dict
          sample: {"sleep_minutes": 10, "scan_messages": []}
        setup:
          description: The setup, as C(brevane-ctl backup) writes it; no password.
          type: dict
          sample: {"brevane_setup": 1, "names": {"host": "NAS1", "group": "HOME"}}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.brevane.nas.plugins.module_utils.brevane_ctl import (
    BrevaneCtl,
    CtlError,
    checked_address,
    device_argument_spec,
)


def main():
    module = AnsibleModule(argument_spec=device_argument_spec(), supports_check_mode=True)
    address = checked_address(module, module.params["address"])
    ctl = BrevaneCtl(module)
    try:
        facts = dict(
            status=ctl.status(address),
            addresses=ctl.run(address, ["show", "ip"])["result"],
            disk=ctl.run(address, ["show", "disk"])["result"],
            setup=ctl.run(address, ["backup", "-"])["result"]["setup"],
        )
    except CtlError as e:
        module.fail_json(msg=str(e), status=e.status)
    module.exit_json(changed=False, ansible_facts=dict(brevane_nas=facts))


if __name__ == "__main__":
    main()
