#!/usr/bin/python
# -*- coding: utf-8 -*-
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: info
short_description: Version, clock and signal quality of a DTU as facts
description:
  - Runs C(dtucfg-cli info) for the host's C(target) and sets the facts C(dtu_version), C(dtu_clock) and C(dtu_signal).
version_added: "1.0.0"
options:
  target:
    description: The device, C(tcp:HOST[:PORT]) or a serial port.
    type: str
    required: true
  config:
    description: A configuration file (its line settings for a serial port, its reply end).
    type: path
  script:
    description: Device script; default C(script.js) beside C(config), else in the current directory.
    type: path
  reply_end:
    description: How a reply ends.
    type: str
    choices: [frame, silence]
  access_code:
    description: Access code.
    type: str
  retries:
    description: Further attempts for a device that did not answer or could not be reached.
    type: int
    default: 0
  cli:
    description: The dtucfg-cli program.
    type: str
    default: dtucfg-cli
author:
  - dtucfg developers
'''

EXAMPLES = r'''
- dtucfg.dtu.info:
    target: "{{ target }}"
- debug:
    msg: "{{ inventory_hostname }} {{ dtu_version }} csq={{ dtu_signal }}"
'''

RETURN = r'''
ansible_facts:
  description: dtu_version (text), dtu_clock (device time as text), dtu_signal (signal quality, null when unread).
  type: dict
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dtucfg.dtu.plugins.module_utils.dtucfg import COMMON_ARGS, failure_message, run


def main():
    module = AnsibleModule(argument_spec=dict(COMMON_ARGS), supports_check_mode=True)
    rc, report, device, result = run(module, 'info', [])
    result.update(changed=False, device=device,
                  ansible_facts=dict(dtu_version=device.get('version'), dtu_clock=device.get('clock'),
                                     dtu_signal=device.get('csq')))
    if device.get('status') != 'done' or rc != 0:
        module.fail_json(msg=failure_message(device), **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
