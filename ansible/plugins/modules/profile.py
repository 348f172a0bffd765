#!/usr/bin/python
# -*- coding: utf-8 -*-
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: profile
short_description: Apply a dtucfg profile with per-host values to a DTU
description:
  - "Runs C(dtucfg-cli apply) for the host's C(target) on the machine the task runs on
    (C(connection: local) on the controller, or C(delegate_to) a gateway near the devices with dtucfg installed)."
  - Rows of the profile that differ on the device are written, then every row is read back and verified.
  - C(values) gives this host's own values as a person would type them into the editor; they take the place of the profile's.
  - Check mode reads and compares only (C(--check)); diff mode shows each differing row as before and after text.
version_added: "1.0.0"
options:
  target:
    description: The device, C(tcp:HOST[:PORT]) for the TCP maintenance port (8888 by default) or a serial port such as C(/dev/ttyUSB0).
    type: str
    required: true
  config:
    description: The profile (configuration file) to apply.
    type: path
    required: true
  values:
    description:
      - Row number (quote it, for example C("0102")) or row name mapped to the display text to write.
    type: dict
    default: {}
  script:
    description: Device script; default C(script.js) beside C(config), else in the current directory.
    type: path
  reply_end:
    description: How a reply ends (default the profile's C(ReplyEnd)).
    type: str
    choices: [frame, silence]
  access_code:
    description: Access code; the level-2 code lets the protected row 0091 be written.
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
- name: Site values onto every DTU
  dtucfg.dtu.profile:
    target: "{{ target }}"
    config: /srv/dtu/golden.txt
    values:
      "0102": "{{ server_port }}"
      APN: "{{ apn }}"
'''

RETURN = r'''
changed:
  description: Whether a row was (or in check mode would be) written.
  type: bool
written:
  description: Rows written ({number, name, value, display, before, beforeDisplay, message}).
  type: list
would_write:
  description: Check mode, the rows that would be written.
  type: list
refused:
  description: Rows the device refused.
  type: list
skipped_rows:
  description: Rows left out (the protected row without the level-2 code).
  type: list
verified:
  description: Numbers of the rows read back equal.
  type: list
attempts:
  description: How many attempts the device took.
  type: int
device:
  description: The device's whole entry of the tool's JSON report.
  type: dict
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dtucfg.dtu.plugins.module_utils.dtucfg import COMMON_ARGS, failure_message, run


def diff_of(device):
    rows = device.get('diff') or []
    before = ''.join('%s: %s\n' % (r.get('name') or r.get('number'), r.get('before', '')) for r in rows)
    after = ''.join('%s: %s\n' % (r.get('name') or r.get('number'), r.get('after', '')) for r in rows)
    return dict(before=before, after=after, before_header='%s (device)' % device.get('device'),
                after_header='%s (profile)' % device.get('device'))


def main():
    args = dict(COMMON_ARGS)
    args['config'] = dict(type='path', required=True)
    args['values'] = dict(type='dict', default={})
    module = AnsibleModule(argument_spec=args, supports_check_mode=True)
    extra = []
    for row, text in (module.params['values'] or {}).items():
        if isinstance(text, bool):
            module.fail_json(msg='values: row %s has a yes/no value; quote the text' % row)
        extra += ['--set', '%s=%s' % (row, '' if text is None else text)]
    if module.check_mode:
        extra.append('--check')
    if module._diff:
        extra.append('--diff')
    rc, report, device, result = run(module, 'apply', extra)
    written = device.get('written', [])
    would = device.get('wouldWrite', [])
    changed = device.get('changed', bool(would if module.check_mode else written))
    result.update(changed=bool(changed), written=written, would_write=would, refused=device.get('refused', []),
                  skipped_rows=device.get('skipped', []), verified=device.get('verified', []),
                  verify_failed=device.get('verifyFailed', []), attempts=device.get('attempts', 1), device=device)
    if module._diff and 'diff' in device:
        result['diff'] = diff_of(device)
    if device.get('status') != 'done' or rc != 0:
        module.fail_json(msg=failure_message(device), **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
