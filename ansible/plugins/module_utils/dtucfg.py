# -*- coding: utf-8 -*-
# Running dtucfg-cli for the modules of this collection: one device per task, its JSON report.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os

COMMON_ARGS = dict(
    target=dict(type='str', required=True),
    cli=dict(type='str', default='dtucfg-cli'),
    script=dict(type='path'),
    config=dict(type='path'),
    reply_end=dict(type='str', choices=['frame', 'silence']),
    access_code=dict(type='str', no_log=True),
    retries=dict(type='int', default=0),
)


def target_args(target):
    """'tcp:HOST[:PORT]' -> --tcp HOST[:PORT]; anything else is a serial port."""
    target = target.strip()
    if target.startswith('tcp:'):
        return ['--tcp', target[4:]]
    return ['--port', target]


def common_args(module):
    p = module.params
    args = target_args(p['target'])
    script = p['script']
    if not script and p.get('config'):
        beside = os.path.join(os.path.dirname(os.path.abspath(p['config'])), 'script.js')
        if os.path.exists(beside):
            script = beside
    if script:
        args += ['--script', script]
    if p.get('config'):
        args += ['--config', p['config']]
    if p['reply_end']:
        args += ['--reply-end', p['reply_end']]
    if p['access_code']:
        args += ['--access-code', p['access_code']]
    if p['retries']:
        args += ['--retries', str(p['retries'])]
    return args


def run(module, command, extra):
    """Runs dtucfg-cli COMMAND ... --json --no-live. Returns (rc, report, device, result):
    the whole report, the one device's entry and the fields every task result carries.
    Fails the task with the tool's own words when it gives no report (a usage or input error)."""
    cli = module.get_bin_path(module.params['cli'], required=False) or module.params['cli']
    cmd = [cli, command] + common_args(module) + extra + ['--json', '--no-live']
    rc, out, err = module.run_command(cmd)
    result = dict(cmd=cmd, rc=rc, stderr=err)
    try:
        report = json.loads(out) if out.strip() else None
    except ValueError:
        report = None
    if not report or not report.get('devices'):
        msg = err.strip() or out.strip() or 'dtucfg-cli exited with status %d and gave no report' % rc
        module.fail_json(msg=msg, stdout=out, **result)
    return rc, report, report['devices'][0], result


def failure_message(device):
    """The tool's own words for a device that did not succeed."""
    if device.get('error'):
        return device['error']
    for key in ('refused', 'verifyFailed'):
        for row in device.get(key, []):
            return '%s %s %s' % (row.get('number', ''), row.get('name', ''), row.get('message', key))
    msgs = device.get('messages') or []
    return msgs[-1] if msgs else 'device %s: %s' % (device.get('device'), device.get('status'))
