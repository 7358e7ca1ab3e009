# -*- coding: utf-8 -*-
# The options every module of the collection takes: which device, and how
# brevane-ctl logs into it.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
  address:
    description:
      - The device's IPv4 address, as the inventory names it (for hosts of the
        C(brevane.nas.scan) inventory, C(brevane_address)).
      - The module runs C(brevane-ctl) on the host it runs on; give a host on
        the device's LAN with C(delegate_to).
      - A host that the scan inventory found by discovery, and whose address
        the inventory does not name (its C(addresses) option), gets no task of
        this collection, so that no credentials go to a look-alike.
    type: str
    required: true
  user:
    description: The administrator's user name on the device.
    type: str
    default: admin
  password:
    description:
      - The administrator's password. It reaches C(brevane-ctl) through a
        pipe, never on a command line or in the environment.
      - Left out, the device is asked without a password.
    type: str
  brevane_ctl:
    description: The C(brevane-ctl) program, by name or path, on the host the module runs on.
    type: str
    default: brevane-ctl
notes:
  - Needs C(brevane-ctl) (Debian package C(brevane)) on the host the module runs on.
"""
