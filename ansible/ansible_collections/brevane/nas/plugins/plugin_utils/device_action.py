# -*- coding: utf-8 -*-
# What every module of the collection goes through on the control machine
# first: the rule that no credentials go to an address that only a
# discovery scan found, a setup file read where the playbook lies, and
# setup's batch, the play's hosts worked out into one module run.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

from ansible.errors import AnsibleActionFail, AnsibleError
from ansible.module_utils.common.text.converters import to_text
from ansible.module_utils.common.validation import check_type_list
from ansible.plugins.action import ActionBase
from ansible.template import Templar
from ansible_collections.brevane.nas.plugins.module_utils.brevane_ctl import plan_text

# Set by the brevane.nas.scan inventory on the group "all": the addresses
# its scan found that no inventory names.
DISCOVERED_ONLY = "brevane_discovered_only"


class DeviceAction(ActionBase):
    TRANSFERS_FILES = False
    # Whether the module takes batch (and addresses).
    BATCH = False

    def run(self, tmp=None, task_vars=None):
        task_vars = task_vars or {}
        result = super(DeviceAction, self).run(tmp, task_vars)
        args = dict(self._task.args)
        hosts = None
        try:
            if self.BATCH and args.pop("batch", False):
                hosts = self._batch(args, task_vars)
                args["addresses"] = [address for _, address in hosts]
            if self.BATCH and args.get("addresses") is not None:
                # As the module will read them: a text is a comma list.
                args["addresses"] = [to_text(a) for a in check_type_list(args["addresses"])]
            found = discovered_only(task_vars)
            named = args.get("addresses") or [to_text(args.get("address"))]
            # Any host on the LAN can answer a scan with any name: a task for
            # an address only a scan found would send it the administrator's
            # credentials (an empty password is one too), so it runs for none.
            unnamed = [a for a in named if a in found]
            if unnamed:
                raise AnsibleActionFail(
                    "%s %s found by a discovery scan, and no inventory names %s: no credentials "
                    "go there, and nothing was sent to any device. Name %s in the "
                    "brevane.nas.scan inventory's addresses (or in a static inventory) to "
                    "manage %s." % (", ".join(unnamed), "was" if len(unnamed) == 1 else "were",
                                    "its address" if len(unnamed) == 1 else "their addresses",
                                    "it" if len(unnamed) == 1 else "them",
                                    "it" if len(unnamed) == 1 else "them"))
            if args.get("src") is not None:
                args["setup"] = self._setup_file(args.pop("src"))
        except AnsibleActionFail as e:
            result.update(failed=True, msg=to_text(e))
            return result
        done = self._execute_module(module_name=self._task.action, module_args=args,
                                    task_vars=task_vars)
        if hosts is not None:
            done = by_host(done, hosts)
        result.update(done)
        return result

    def _batch(self, args, task_vars):
        """The play batch's hosts and their addresses, [(host, address)]."""
        if not self._task.run_once:
            raise AnsibleActionFail("batch sets up every host of the play in one run: give the "
                                    "task run_once: true")
        if args.get("address") is not None or args.get("addresses") is not None:
            raise AnsibleActionFail("batch takes each host's brevane_address: give no address "
                                    "or addresses")
        hostvars = task_vars.get("hostvars") or {}
        hosts = []
        owner = {}
        for host in task_vars.get("ansible_play_batch") or []:
            address = hostvars[host].get("brevane_address")
            if not address:
                raise AnsibleActionFail("%s has no brevane_address: nothing was sent" % host)
            address = to_text(address)
            if address in owner:
                # One device in two hosts' names, or two offices' devices at one
                # address that a single run cannot tell apart.
                raise AnsibleActionFail("%s and %s both have the address %s: nothing was sent"
                                        % (owner[address], host, address))
            owner[address] = host
            hosts.append((host, address))
        self._one_place_for(hosts, hostvars)
        return hosts

    def _one_place_for(self, hosts, hostvars):
        # The batch runs where this host's task is delegated: a host whose own
        # delegate_to names another place (another office's gateway) would
        # have its address asked on the wrong LAN, where another device may
        # answer to it.
        ds = self._task.get_ds()
        raw = ds.get("delegate_to") if isinstance(ds, dict) else None
        templar = Templar(loader=self._loader)
        if raw is None or not templar.is_possibly_template(raw):
            return
        here = self._task.delegate_to
        for host, _ in hosts:
            try:
                there = Templar(loader=self._loader, variables=hostvars[host]).template(raw)
            except (AnsibleError, KeyError, TypeError) as e:
                raise AnsibleActionFail("batch cannot tell where %s's task would run (%s): "
                                        "nothing was sent" % (host, to_text(e)))
            if there != here:
                raise AnsibleActionFail(
                    "%s's task would run on %s, not %s: a batch runs in one place. Give each "
                    "office a play (or a batch) of its own; nothing was sent."
                    % (host, there, here))

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


def discovered_only(task_vars):
    return set(to_text(a) for a in task_vars.get(DISCOVERED_ONLY) or [])


def by_host(done, hosts):
    """A batch's module result, its devices told by their hosts' names."""
    devices = done.pop("devices", None)
    if not isinstance(devices, dict):
        return done
    each = {}
    for host, address in hosts:
        said = dict(devices.get(address) or {})
        said["address"] = address
        each[host] = said
    done["hosts"] = each
    if "diff" in done:
        done["diff"] = [{"prepared": plan_text(each[h], "%s (%s)" % (h, a))}
                        for h, a in hosts if plan_text(each[h])]
    failed = [h for h, _ in hosts if not each[h].get("ok")]
    if done.get("failed") and failed:
        done["msg"] = "%d of %d hosts failed: %s" % (len(failed), len(hosts), "; ".join(
            "%s (%s): %s" % (h, each[h]["address"], each[h].get("msg")) for h in failed))
    return done
