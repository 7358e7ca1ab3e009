# -*- coding: utf-8 -*-
# brevane.nas.setup on the control machine: the collection's rule for
# discovered addresses first, and its batch (plugin_utils/device_action.py).

from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.brevane.nas.plugins.plugin_utils.device_action import DeviceAction


class ActionModule(DeviceAction):
    BATCH = True
