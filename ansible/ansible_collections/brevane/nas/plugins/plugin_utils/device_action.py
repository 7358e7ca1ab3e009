# -*- coding: utf-8 -*-
# What every module of the collection goes through on the control machine
# first: the rule that no credentials go to an address that only a
# discovery scan found, and a setup file read where the playbook lies.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

from ansible.errors import AnsibleActionFail
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase

# Set by the brevane.nas.scan inventory on the group "all": the addresses
# its scan found that the inventory itself does not name.
DISCOVERED_ONLY = "brevane_discovered_only"


class DeviceAction(ActionBase):
    TRANSFERS_FILES = False

    def run(self, tmp=None, task_vars=None):
        task_vars = task_vars or {}
        result = super(DeviceAction, self).run(tmp, task_vars)
        args = dict(self._task.args)
        address = args.get("address")
        # Any host on the LAN can answer a scan with any name: a task for an
        # address only a scan found would send it the administrator's
        # credentials (an empty password is one too), so it runs for none.
        if address in (task_vars.get(DISCOVERED_ONLY) or []):
            result.update(failed=True, msg=(
                "%s was found by a discovery scan, and the inventory does not name its "
                "address: no credentials go there. Name it in the brevane.nas.scan "
                "inventory's addresses (or in a static inventory) to manage it." % address))
            return result
        if args.get("src") is not None:
            args["setup"] = self._setup_file(args.pop("src"))
        result.update(self._execute_module(module_name=self._task.action, module_args=args,
                                           task_vars=task_vars))
        return result

    def _setup_file(self, src):
        try:
            path = self._find_needle("files", src)
            with open(path, "rb") as f:
                text = f.read((1 << 20) + 1)
        except (AnsibleActionFail, IOError, OSError) as e:
            raise AnsibleActionFail("cannot read the setup %s: %s" % (src, to_text(e)))
        if len(text) > 1 << 20:
            raise AnsibleActionFail("the setup %s is larger than 1 MiB" % src)
        try:
            setup = json.loads(to_text(text, errors="surrogate_or_strict"))
        except ValueError as e:
            raise AnsibleActionFail("the setup %s is not JSON: %s" % (src, to_text(e)))
        if not isinstance(setup, dict):
            raise AnsibleActionFail("the setup %s is not a JSON object" % src)
        return setup
